#pragma once
// Recording stand-ins for the menus, the PSK31 modem and the sound keyer.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "station/audio/psk31_modem.h"
#include "station/audio/sound_keyer.h"
#include "station/config/menu_controls.h"

namespace kestrix::testing {

class RecordingMenuControls final : public MenuControls {
 public:
  void SetMenuCheck(int first, int last, int id) override {
    for (int i = first; i <= last; ++i) {
      checked[i] = false;
    }
    checked[id] = true;
  }
  void SetMenuRangeEnabled(int first, int last, bool gray) override {
    for (int i = first; i <= last; ++i) {
      grayed[i] = gray;
    }
  }
  void SetItemChecked(int id, bool on) override { checked[id] = on; }
  bool IsItemChecked(int id) const override {
    auto it = checked.find(id);
    return it != checked.end() && it->second;
  }
  bool IsItemEnabled(int id) const override {
    auto it = grayed.find(id);
    return it == grayed.end() || !it->second;
  }
  void SetItemText(int id, const std::string& text) override { texts[id] = text; }
  std::string ItemText(int id) const override {
    auto it = texts.find(id);
    return it == texts.end() ? "" : it->second;
  }

  std::map<int, bool> checked;
  std::map<int, bool> grayed;
  std::map<int, std::string> texts;
};

// Records every modem call as a short text ("start 0", "freq 1500", ...).
class RecordingPsk31Modem final : public Psk31Modem {
 public:
  int Start(int soundCardId) override {
    calls.push_back("start " + std::to_string(soundCardId));
    return startResult;
  }
  void Release() override { calls.push_back("release"); }
  void SetFrequency(int hertz) override { calls.push_back("freq " + std::to_string(hertz)); }
  void StartTransmit(int flag) override { calls.push_back("tx " + std::to_string(flag)); }
  void PrepareEnd() override { calls.push_back("prepare-end"); }
  void EndTransmit() override { calls.push_back("end"); }
  void DropQueued() override { calls.push_back("drop"); }
  void SetCwIdText(const std::string& text) override { calls.push_back("cwid " + text); }
  void QueueCharacter(int code, int flag) override {
    calls.push_back("char " + std::to_string(code) + "," + std::to_string(flag));
  }
  int QueuedCount() override { return queued; }

  std::vector<std::string> calls;
  int startResult = 0;
  int queued = 0;
};

struct SoundKeyerRecord {
  int sampleRate = 0;
  int centerFrequency = 0;
  std::vector<int> codes;
  bool stopRequested = false;
};

class RecordingSoundKeyer final : public SoundKeyer {
 public:
  explicit RecordingSoundKeyer(std::shared_ptr<SoundKeyerRecord> record)
      : record_(std::move(record)) {}
  void Start(int sampleRate, int centerFrequency) override {
    record_->sampleRate = sampleRate;
    record_->centerFrequency = centerFrequency;
  }
  bool QueueEmpty() override { return true; }
  void Enqueue(int code) override { record_->codes.push_back(code); }
  void RequestStop() override { record_->stopRequested = true; }

 private:
  std::shared_ptr<SoundKeyerRecord> record_;
};

class RecordingSoundKeyerFactory final : public SoundKeyerFactory {
 public:
  std::shared_ptr<SoundKeyer> Create() override {
    made.push_back(std::make_shared<SoundKeyerRecord>());
    auto keyer = std::make_shared<RecordingSoundKeyer>(made.back());
    if (whileCreating) {
      std::exchange(whileCreating, nullptr)();  // events dispatched while waiting
    }
    return keyer;
  }
  std::vector<std::shared_ptr<SoundKeyerRecord>> made;
  std::function<void()> whileCreating;
};

}  // namespace kestrix::testing
