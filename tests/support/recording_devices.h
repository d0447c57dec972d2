#pragma once
// Recording stand-ins for the menus, the PSK31 modem and the sound keyer.

#include <atomic>
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
  void SetMenuRangeGrayed(int first, int last, bool gray) override {
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
  // As the modem's own thread does when characters have gone out.
  void Shrink(int to) {
    queued = to;
    QueueShrunk();
  }

  std::vector<std::string> calls;
  int startResult = 0;
  std::atomic<int> queued{0};
};

// Records what the transmitter and the routing ask of the sound keyer; a
// started keyer runs and takes every code at once.
class RecordingSoundKeyer final : public SoundKeyer {
 public:
  void Start(const SoundSignal& signal) override {
    if (whileStarting) {
      std::exchange(whileStarting, nullptr)();  // events dispatched while waiting
    }
    starts.push_back(signal);
    state = SoundPathState::kRunning;
  }
  void Stop(const std::function<void()>& playOut) override {
    state = SoundPathState::kOff;
    playOut();
    ++stops;
  }
  bool Send(int code) override {
    if (state != SoundPathState::kRunning) {
      return false;
    }
    codes.push_back(code);
    return true;
  }
  bool TrySend(int code) override { return Send(code); }
  void KeyMorse(const MorseElement& element) override { morse.push_back(element); }
  bool Idle() override { return state == SoundPathState::kRunning; }
  SoundPathState State() override { return state; }

  std::vector<SoundSignal> starts;
  int stops = 0;
  std::vector<int> codes;
  std::vector<MorseElement> morse;
  SoundPathState state = SoundPathState::kOff;
  std::function<void()> whileStarting;
};

}  // namespace kestrix::testing
