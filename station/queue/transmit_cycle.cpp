#include "station/queue/transmit_cycle.h"

#include <cstdio>
#include <filesystem>

#include "station/config/station_mode.h"
#include "station/encoding/baudot_codes.h"
#include "station/queue/transmit_files.h"

namespace kestrix {

namespace {
constexpr int kCwIdPeriod = 3600;
constexpr int kCwLeadTicks = 50;

class NoScripts final : public ScriptCommandRunner {
 public:
  void RunScriptCommand(const std::string&) override {}
};
class NoCwid final : public CwIdentification {
 public:
  void Cwid() override {}
};
NoScripts noScripts;
NoCwid noCwid;
}  // namespace

TransmitCycle::TransmitCycle(StationSettings& settings, EventLoop& loop, EventLog& log,
                             WindowClock& clock, SendQueue& queue, Transmitter& transmitter,
                             CodeOutput& output, FileTransmitter& files, Psk31Modem& modem,
                             TransmitBusy& busy, TransmitCycleControls controls)
    : settings_(settings),
      loop_(loop),
      log_(log),
      clock_(clock),
      queue_(queue),
      transmitter_(transmitter),
      busy_(busy),
      output_(output),
      files_(files),
      modem_(modem),
      scripts_(&noScripts),
      cwid_(&noCwid),
      controls_(controls) {}

void TransmitCycle::OnClockTick() {
  if (settings_.scheduleEnable) {
    ProcessSendQueue(ToTimeTag(loop_.Now()));
  }
  if (settings_.QERVAutoStart) {
    if (!queue_.Empty() && !settings_.scheduleEnable) {
      CmEnable();
      controls_.scheduleStatus.SetText("AutoStart");
    } else {
      controls_.scheduleStatus.SetText("AutoWait");
    }
  }
}

void TransmitCycle::ProcessSendQueue(TimeTag now) {
  if (settings_.CWTimer >= 0 && settings_.transmitOn == 1) {
    ++settings_.CWTimer;
    controls_.cwIdCountdown.SetText(std::to_string(kCwIdPeriod - settings_.CWTimer));
    if (settings_.CWTimer > kCwIdPeriod && settings_.transmitOn == 1 && !settings_.localLock) {
      cwid_->Cwid();
      settings_.CWTimer = 0;
    }
  }

  if (queue_.Empty() || queue_.Text(0).empty()) {
    CmDisable();
    log_.LogEvent("Queue Empty: Nothing to Send.");
    remainingTime_ = 10;
    return;
  }
  const std::string head = queue_.Text(0);
  const TimeTag lead = settings_.checkNoTimer ? 0 : ParseTimeTag(head) - now;
  remainingTime_ = static_cast<std::int32_t>(lead);
  const QueueLineTokens tokens = SplitQueueLine(head);

  const bool due = settings_.sendNow || (!settings_.localLock && tokens.count == 3 && lead <= 0);
  if (!due) {
    controls_.countDown.SetText(std::to_string(lead));
    return;
  }
  queue_.Remove(0);
  const std::string& name = tokens.name;
  if (!name.empty() && name[0] == '$') {
    scripts_->RunScriptCommand(name.substr(1));
    settings_.sendNow = 0;
    return;
  }
  SendQueuedFile(name);
}

void TransmitCycle::SendQueuedFile(const std::string& name) {
  settings_.localLock = 1;
  settings_.notSending = 0;
  settings_.sendNow = 0;
  log_.LogEvent("File <" + name + "> in TRANSMIT Queue.");

  if (!Cancelled()) {
    if (std::FILE* file = std::fopen(TransmitFilePath(name).c_str(), "rb")) {
      std::fclose(file);
      const bool cw = settings_.MODE == kModeCw;
      SendLeadIn();
      if (!Cancelled() && settings_.headerEnable) {
        files_.TXFile("header.txt", settings_.MODE);
      }
      if (!Cancelled()) {
        files_.TXFile(name, settings_.MODE);
      }
      if (!Cancelled() && settings_.headerEnable) {
        files_.TXFile("footer.txt", settings_.MODE);
      }
      if (cw) {
        clock_.OnTimer(WindowClock::kStopMorse);
      } else if (!Cancelled()) {
        WaitSeconds(0, 5, 3);
      }
    } else {
      log_.LogEvent("SendAbort : File <" + name + "> could not be opened.");
    }
  }

  if (remainingTime_ > 0 || settings_.QERVAutoStart) {
    transmitter_.CmRX();
  }
  if (!Cancelled()) {
    log_.LogEvent("Completed sending <" + name + ">.");
  } else {
    CmDisable();
    log_.LogEvent("ABORTED sending <" + name + ">.");
  }
  settings_.notSending = 1;
  settings_.localLock = 0;
}

void TransmitCycle::SendLeadIn() {
  transmitter_.CmTX();
  if (settings_.MODE == kModeCw) {
    clock_.OnTimer(WindowClock::kStartMorse);
    clock_.WaitMorseTicks(kCwLeadTicks);
  } else {
    WaitSeconds(3, 7, 0);
  }
}

void TransmitCycle::WaitSeconds(int lead, int diddle, int trail) {
  clock_.WaitClockTicks(lead);
  if (diddle > 0) {
    clock_.Ticks().timerTick = 0;
    // Ticks only come while the clock runs: without it, no idle (as the
    // waits for silence end at once).
    while (clock_.Ticks().timerTick < diddle && loop_.IsTimerRunning(WindowClock::kClockTimer)) {
      const auto before = loop_.Now();
      // A letters shift is a five-bit code: in ASCII it would print, in
      // PSK31 it would go out as a control character, where the modem's
      // own idle already keeps the carrier up.
      const int mode = settings_.MODE;
      if (mode != kModeAscii && mode != kModePsk31) {
        SendIdleLetters();
      }
      // A path that took the code at once (none, or a muted one) must not
      // turn this into a busy loop: wait for the next timer event instead,
      // on whichever thread sends.
      if (loop_.Now() - before < std::chrono::milliseconds{1}) {
        clock_.WaitForTimerEvent();
      } else {
        loop_.PumpMessages();
      }
    }
  }
  clock_.WaitClockTicks(trail);
}

// A letters shift inside a chat line sent in figures would print the rest
// of the line as letters: the idle waits while another sender holds the
// output, and holds it for the one code it sends.
bool TransmitCycle::SendIdleLetters() {
  if (busy_.HeldByThisThread()) {
    output_.SendCode(baudot::kLetters);
    return true;
  }
  if (!busy_.TryTake()) {
    return false;
  }
  output_.SendCode(baudot::kLetters);
  busy_.Release();
  return true;
}

void TransmitCycle::CmEnable() {
  controls_.scheduleStatus.SetText("ENABLE");
  controls_.flowStatus.SetText("");
  settings_.scheduleEnable = 1;
  settings_.transferCancel = 0;
  log_.LogEvent("CmEnable : Scheduler ENABLED");
}

void TransmitCycle::CmDisable() {
  controls_.scheduleStatus.SetText("DISABLED");
  controls_.countDown.SetText("");
  settings_.scheduleEnable = 0;
  settings_.sendNow = 0;
  log_.LogEvent("CmDisable : Scheduler DISABLED");
}

void TransmitCycle::CmPause() {
  if (!settings_.localLock) {
    return;
  }
  controls_.flowStatus.SetText("PAUSE");
  settings_.transferSend = 0;
  log_.LogEvent("CmPause : Session PAUSED");
}

void TransmitCycle::CmResume() {
  if (!settings_.localLock) {
    return;
  }
  controls_.flowStatus.SetText("RESUME");
  settings_.transferSend = 1;
  log_.LogEvent("CmResume : Session RESUMED");
}

void TransmitCycle::CmCancel() {
  if (!settings_.localLock) {
    return;
  }
  if (settings_.MODE == kModePsk31) {
    modem_.DropQueued();
  } else {
    transmitter_.CmRX();
  }
  CmDisable();
  controls_.flowStatus.SetText("CANCEL");
  settings_.transferCancel = 1;
  settings_.sendNow = 0;
  log_.LogEvent("CmCancel : Session CANCELED");
}

void TransmitCycle::OnManagequeueSendnextfile() {
  const int focus = queue_.FocusIndex();
  const std::string line = focus >= 0 ? queue_.Text(focus) : std::string();
  const QueueLineTokens tokens = SplitQueueLine(line);
  if (focus < 0 || tokens.count < 3) {
    log_.LogEvent("OnManagequeueSendnextfile: No file selected, please select a file");
    return;
  }
  if (settings_.notSending == 0) {
    return;
  }
  const std::string& name = tokens.name;
  if (!settings_.scheduleEnable) {
    if (settings_.MODE == kModeCw) {
      return;
    }
    log_.LogEvent("OnManagequeueSendnextfile: Starting TX and Sending \"" + name + "\n");
    SendManually(name);
    return;
  }
  log_.LogEvent("OnManagequeueSendnextfile: Moving \"" + name +
                "\n to front of stack and sending now");
  queue_.Insert(0, line);
  settings_.sendNow = 1;
  settings_.transferCancel = 0;
  controls_.flowStatus.SetText("");
  settings_.transferSend = 1;
  log_.LogEvent("OnManagequeueSendnextfile: Manual Enabling of next in queue.");
}

void TransmitCycle::SendTestPattern(const std::string& file) {
  if (settings_.notSending == 0 || settings_.MODE == kModeCw) {
    return;
  }
  if (file == "RYRYRYRY.txt") {
    log_.LogEvent("CmRYRYRYRY : Sending <RYRYRYRY.txt> file.");
  } else {
    log_.LogEvent("CmQuickBrownFox : Sending <" + file + "> file.");
  }
  SendManually(file);
}

// A send outside the queue: shorter idle, no header or footer, and the
// transmitter always off afterwards.
void TransmitCycle::SendManually(const std::string& name) {
  settings_.localLock = 1;
  CmDisable();
  transmitter_.CmTX();
  WaitSeconds(3, 3, 0);
  settings_.notSending = 0;
  files_.TXFile(name, settings_.MODE);
  WaitSeconds(0, 3, 3);
  transmitter_.CmRX();
  settings_.localLock = 0;
}

}  // namespace kestrix
