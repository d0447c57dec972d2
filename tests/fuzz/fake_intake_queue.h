#pragma once
// The station as the mail intake sees it, without a window: fixed settings
// and queue lines, and a record of what was submitted. Called from the
// session thread; the fuzzer's thread reads the record once the session
// has ended.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "station/net/intake_queue.h"

namespace kestrix::fuzzing {

class FakeIntakeQueue final : public IntakeQueue {
 public:
  // Upper case, as the settings keep them.
  static std::vector<std::string> BadWords() { return {"DAM", "QRM QRM", "BANNED"}; }

  FakeIntakeQueue() {
    settings_.dataPath = "data/";
    settings_.badWords = BadWords();
  }

  IntakeSettings& Configure() { return settings_; }
  void SetWindowGone(bool gone) { windowGone_ = gone; }

  std::optional<IntakeSettings> Settings() override {
    if (windowGone_) {
      return std::nullopt;
    }
    return settings_;
  }
  std::optional<std::string> RecipientAddress() override {
    if (windowGone_) {
      return std::nullopt;
    }
    return std::string("QERV");
  }
  bool AnyEntryContains(const std::string& text) override {
    for (const std::string& entry : entries_) {
      if (entry.find(text) != std::string::npos) {
        return true;
      }
    }
    return false;
  }
  bool AnyEntrySends(const std::string& name) override {
    return name == "news.txt" || name == "wx.txt";
  }
  bool Submit(const std::string& name) override {
    if (windowGone_) {
      return false;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    submitted_.push_back(name);
    return true;
  }

  std::vector<std::string> Submitted() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return submitted_;
  }

 private:
  IntakeSettings settings_;
  bool windowGone_ = false;
  const std::vector<std::string> entries_ = {"send news.txt 12/08/2026 18:00:00", "send wx.txt"};
  mutable std::mutex mutex_;
  std::vector<std::string> submitted_;
};

}  // namespace kestrix::fuzzing
