#include "station/app/station.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "common/text_case.h"
#include "station/config/menu_ids.h"

namespace kestrix {

namespace {
constexpr int kCentreFrequency = 2210;  // Hz, between the start tones
}  // namespace

Station::Station(EventLoop& loop, StationWindow& window, StationDevices devices,
                 WindowClock::EndProcess endProcess)
    : log_(loop, window.EventList(), window.MessageBoxes()),
      clock_(loop, log_, endProcess),
      clockTick_(loop, window.ClockField()),
      serialPort_(devices.serialLine, portDevices_, settings_, log_, window.MessageBoxes(),
                  endProcess),
      router_(settings_, loop, serialPort_, devices.modem, soundKeying_),
      transmitter_(
          settings_, loop, log_, clock_, serialPort_, devices.modem, soundKeying_,
          TransmitterControls{window.Menus(), window.TransmitStatus(), window.CwIdCountdown()}),
      soundKeying_(SoundKeyingContext{settings_, loop, log_, window.MessageBoxes(),
                                      devices.waveDevices, tones_,
                                      [this] { transmitter_.CmRX(); }}),
      morse_(settings_, clock_, serialPort_),
      modes_(settings_, log_, window.MessageBoxes(), window.Menus(), serialPort_, devices.modem),
      encoder_(router_, loop),
      transmitBusy_(loop),
      idleFill_(settings_, loop, router_, encoder_, transmitBusy_),
      files_(settings_, loop, log_, encoder_, router_, morse_, devices.modem, transmitBusy_,
             monitor_,
             FileTransmitterControls{window.TransmittedText(), window.FileNameLine(),
                                     window.CharactersLeft(), window.FlowStatus()}),
      schedule_(settings_, loop, log_, queue_),
      cwIdentifier_(settings_, log_, clock_, transmitter_, files_, morse_, devices.modem,
                    transmitBusy_, help_, cycle_,
                    CwIdControls{window.Menus(), window.CwIdCountdown(), window.WindowTitle(),
                                 window.MessageBoxes()}),
      scriptCommands_(settings_, log_, window.Menus(), settingsMenus_, transmitter_, cycle_,
                      commands_, cwIdentifier_),
      cycle_(settings_, loop, log_, clock_, queue_, transmitter_, router_, files_, devices.modem,
             scriptCommands_, cwIdentifier_,
             TransmitCycleControls{window.ScheduleStatus(), window.FlowStatus(), window.CountDown(),
                                   window.CwIdCountdown()}),
      commands_(settings_, loop, log_, queue_, schedule_, help_, window.Chooser(),
                window.FlowStatus(), devices.launcher),
      initializationFile_(settings_, log_, portDevices_),
      serialMenus_(settings_, log_, window.Menus(), serialPort_),
      soundCardMenu_(settings_, window.Menus()),
      recipientMenu_(settings_, log_, window.Menus()),
      settingsMenus_(settings_, window.Menus(), modes_, serialMenus_, soundCardMenu_,
                     recipientMenu_),
      savedConfiguration_(settings_, clock_.Ticks(), log_, settingsMenus_),
      editor_(settings_, loop, log_, devices.launcher),
      import_(settings_, log_, window.Chooser(), commands_),
      network_(settings_, log_, window.ChatUsers()),
      menus_(window.Menus()),
      flowStatus_(window.FlowStatus()),
      transmitStatus_(window.TransmitStatus()),
      cwIdCountdown_(window.CwIdCountdown()) {
  serialPort_.SetBeforeFatalBox([this] { transmitter_.CmRX(); });
  serialPort_.SetAfterOpen([this] { transmitter_.KeepLinesAfterOpen(); });
  clock_.SetClockTickWork([this] { OnClockTick(); });
  clock_.SetIdleFillWork([this] { idleFill_.Poll(); });
  modes_.SetModeChangedWork([this] { transmitter_.FollowModeAndRate(); });
  serialMenus_.SetRateChangedWork([this] { transmitter_.FollowModeAndRate(); });
}

void Station::OnClockTick() {
  clockTick_.Run();
  cycle_.OnClockTick();
  idleFill_.Update();
}

void Station::Start() {
  // The log directory first: reading the initialization file already logs.
  std::error_code ignored;
  std::filesystem::create_directory("log", ignored);
  initializationFile_.ReadInitializationFile();
  clock_.SetMorseTickPeriod(std::chrono::milliseconds{settings_.QERVMorseTickMs.load()});
  savedConfiguration_.RestoreConfiguration();
  ResetTransmitCycleFlags();
  CreateWorkingDirectories();
  // Read before the scheduler is disabled below, or the setting could never
  // take effect.
  const bool enableScheduler = settings_.scheduleEnable && !settings_.QERVAutoStart;
  log_.LogEvent("***** RTTY Application has been STARTED *****");
  log_.LogEvent("Initialization");
  flowStatus_.SetText("");
  commands_.RefreshFileChooser();
  transmitter_.CmRX();
  cycle_.CmDisable();
  commands_.OnReload();
  clock_.OnTimer(WindowClock::kStartClock);
  cwIdentifier_.BuildCwidText(settings_.QERVCallsign);
  ShowStartMarksAndOpenPort();
  ShowStateFields();
  // The sound keying thread reads the centre at every transmitter-on.
  settings_.centerFrequency = kCentreFrequency;
  network_.StartNetworkServers();
  if (enableScheduler) {
    cycle_.CmEnable();
  }
}

void Station::RestoreConfigurationWhileRunning() {
  savedConfiguration_.RestoreConfiguration(SavedConfiguration::RestoreMoment::kWhileRunning);
  transmitter_.FollowModeAndRate();
}

// A configuration saved while a file was being sent holds that moment's
// flags; restored as they are, a set localLock would keep every entry from
// going out, for ever. Nothing is being sent at start-up.
void Station::ResetTransmitCycleFlags() {
  settings_.localLock = 0;
  settings_.notSending = 1;
  settings_.transferSend = 1;
  settings_.transferCancel = 0;
  settings_.sendNow = 0;
}

void Station::ShowStartMarksAndOpenPort() {
  settingsMenus_.ShowToggleMarks();
  recipientMenu_.ApplyAddress(settings_.QERVEmailAddress);
  serialMenus_.ProbeSerialPorts();
  serialMenus_.GraySerialMenus(true);
  menus_.SetMenuCheck(menu::kTxLineFirst, menu::kTxLineLast, settings_.TxLine);
  // The rate and mode in force, not the menus' first items: the operator
  // reads the menus as the station's state.
  serialMenus_.ShowRate();
  modes_.ShowMode();
  serialMenus_.OpenConfiguredPort();
  soundCardMenu_.ShowSoundCard();
}

// Transmitter-off leaves the fields alone when the transmitter was off
// already; they show the state in force all the same.
void Station::ShowStateFields() {
  transmitStatus_.SetText(settings_.transmitOn ? "  ON  " : "  OFF  ");
  if (!settings_.cwTimerCheck) {
    cwIdCountdown_.SetText("OFF");
  }
}

std::vector<std::string> Station::AboutLines() const {
  return AboutListing::Lines(settings_, SpelledOut(settings_.QERVCallsign), help_, portDevices_);
}

void Station::Shutdown() {
  // Transmitter-off waits two clock ticks, and a tick could start the next
  // due entry: nothing new goes out once the station is ending. It also
  // waits until the sound card has played out what it holds.
  settings_.scheduleEnable = 0;
  transmitter_.CmRX();
  clock_.OnTimer(WindowClock::kStopClock);
  log_.LogEvent("***** RTTY Application has been TERMINATED *****");
  serialPort_.CloseSerialPort();
}

// Directories that exist are left as they are; one that cannot be made
// shows up as the log's own error box on the first line.
void Station::CreateWorkingDirectories() {
  std::error_code ignored;
  std::filesystem::create_directory(settings_.QERVDataPath, ignored);
  std::filesystem::create_directory("log", ignored);
  std::filesystem::create_directory(settings_.QERVDataPath + "badwords", ignored);
}

}  // namespace kestrix
