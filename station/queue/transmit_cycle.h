#pragma once
// The transmit cycle: on each clock tick the head of the send queue is
// looked at and, once due, run as a script command or sent with its lead-in,
// header, footer and closing idle; the operator's Enable, Disable, Pause,
// Resume, CANCEL and manual sends; automatic start. Window thread: a
// transmission runs inside the clock tick and pumps window events, so
// ticks and buttons are handled re-entrantly while it runs.

#include <cstdint>
#include <string>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/text_field.h"
#include "common/time_tag.h"
#include "station/app/window_clock.h"
#include "station/audio/psk31_modem.h"
#include "station/config/station_settings.h"
#include "station/encoding/code_output.h"
#include "station/encoding/transmit_busy.h"
#include "station/encoding/transmitter.h"
#include "station/queue/file_transmitter.h"
#include "station/queue/script_command_runner.h"
#include "station/queue/send_queue.h"

namespace kestrix {

struct TransmitCycleControls {
  TextField& scheduleStatus;  // control::kScheduleStatus
  TextField& flowStatus;      // control::kFlowStatus
  TextField& countDown;       // control::kCountDown
  TextField& cwIdCountdown;   // control::kCwIdCountdown
};

class TransmitCycle {
 public:
  TransmitCycle(StationSettings& settings, EventLoop& loop, EventLog& log, WindowClock& clock,
                SendQueue& queue, Transmitter& transmitter, CodeOutput& output,
                FileTransmitter& files, Psk31Modem& modem, TransmitBusy& busy,
                TransmitCycleControls controls);

  // The script commands and the identification use the cycle themselves,
  // so they are built after it and plugged in here before the first tick.
  // Until then a "$" entry and an identification do nothing.
  void PlugIn(ScriptCommandRunner& scripts, CwIdentification& cwid) {
    scripts_ = &scripts;
    cwid_ = &cwid;
  }

  // The cycle's part of every clock tick (after the clock display).
  void OnClockTick();
  void ProcessSendQueue(TimeTag now);
  // Silence, letters-shift idle (not in ASCII), silence, in clock ticks.
  // Any thread. The idle never goes out inside another sender's line.
  void WaitSeconds(int lead, int diddle, int trail);

  void CmEnable();
  void CmDisable();
  void CmPause();
  void CmResume();
  void CmCancel();
  // "Send Selected  File".
  void OnManagequeueSendnextfile();
  // The Test menu's patterns ("RYRYRYRY.txt", "thefox.txt").
  void SendTestPattern(const std::string& file);

  // Lead of the head entry in seconds at the last serviced tick (10 when
  // the queue was empty).
  std::int32_t RemainingTime() const { return remainingTime_; }

 private:
  void SendQueuedFile(const std::string& name);
  void SendManually(const std::string& name);
  void SendLeadIn();
  // One letters shift unless another sender holds the output; true when sent.
  bool SendIdleLetters();
  void SendClosingIdle();
  bool Cancelled() const { return settings_.transferCancel != 0; }

  StationSettings& settings_;
  EventLoop& loop_;
  EventLog& log_;
  WindowClock& clock_;
  SendQueue& queue_;
  Transmitter& transmitter_;
  TransmitBusy& busy_;
  CodeOutput& output_;
  FileTransmitter& files_;
  Psk31Modem& modem_;
  ScriptCommandRunner* scripts_;
  CwIdentification* cwid_;
  TransmitCycleControls controls_;
  std::int32_t remainingTime_ = 10;
};

}  // namespace kestrix
