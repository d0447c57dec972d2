#pragma once
// The PSK31 modem as the station calls it: one operation per call the
// station makes, in the order the transmit side relies on.
//
// Waking: a modem that transmits calls QueueShrunk() after every shrink of
// its transmit queue, from whatever thread it runs on, so that a waiter
// blocks instead of polling QueuedCount().

#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "common/event_log.h"
#include "station/config/station_settings.h"

namespace kestrix {

class Psk31Modem {
 public:
  virtual ~Psk31Modem() = default;

  // What the modem reads of the station: the configured sound device
  // (QERVSoundDevice, read in Start on the window thread), the Morse tick
  // of its identification, and the log for a failing card. Once, before
  // the first Start.
  virtual void AttachStation(const StationSettings& /*settings*/, EventLog& /*log*/) {}

  // Starts the modem on a sound card. 0, or a number of the modem start
  // report's table.
  virtual int Start(int soundCardId) = 0;
  // Lets go of the sound card; harmless when not running.
  virtual void Release() = 0;
  virtual void SetFrequency(int hertz) = 0;
  virtual void StartTransmit(int flag) = 0;
  // Called before each EndTransmit.
  virtual void PrepareEnd() = 0;
  virtual void EndTransmit() = 0;
  // Drops whatever is still queued for transmission.
  virtual void DropQueued() = 0;
  // The text the modem sends as its CW identification.
  virtual void SetCwIdText(const std::string& text) = 0;
  // Flag 0 queues one character (0 only keeps the carrier up); (2, 1)
  // sends the CW identification after what is queued.
  virtual void QueueCharacter(int code, int flag) = 0;
  // Characters still queued for transmission.
  virtual int QueuedCount() = 0;
  // Why characters queued now would not go out; empty while they do.
  virtual std::string LostBecause() { return {}; }

  // Runs on the modem's thread. Set and cleared while the modem may run:
  // the listener goes before the station does.
  void SetQueueShrunk(std::function<void()> shrunk) {
    std::lock_guard lock(shrunkMutex_);
    queueShrunk_ = std::move(shrunk);
  }

 protected:
  void QueueShrunk() {
    std::lock_guard lock(shrunkMutex_);
    if (queueShrunk_) {
      queueShrunk_();
    }
  }

 private:
  std::mutex shrunkMutex_;
  std::function<void()> queueShrunk_;
};

// No modem: nothing can be started, so the station never stays in PSK31.
class NullPsk31Modem final : public Psk31Modem {
 public:
  static constexpr int kNoModem = 21;  // "Bad Device ID, Soundcard Not Present"

  int Start(int) override { return kNoModem; }
  void Release() override {}
  void SetFrequency(int) override {}
  void StartTransmit(int) override {}
  void PrepareEnd() override {}
  void EndTransmit() override {}
  void DropQueued() override {}
  void SetCwIdText(const std::string&) override {}
  void QueueCharacter(int, int) override {}
  int QueuedCount() override { return 0; }
};

}  // namespace kestrix
