#include "station/app/station.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "common/text_case.h"
#include "station/app/about_listing.h"
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
      transmit_(settings_, loop, log_, clock_, portDevices_, window, devices, endProcess),
      configuration_(settings_, log_, clock_.Ticks(), portDevices_, window.Menus(),
                     transmit_.Port(), transmit_.Modes(), transmit_.Transmit(), transmit_.Busy()),
      queue_(settings_, loop, log_, clock_, window, transmit_, configuration_.Menus(),
             devices.modem, devices.launcher),
      editor_(settings_, loop, log_, devices.launcher),
      network_(ChatStation{settings_, loop, log_, clock_, queue_.Ring(), transmit_.Busy(),
                           transmit_.Encoder(), transmit_.Router(), devices.modem,
                           transmit_.Morse(), transmit_.Transmit(), queue_.Cycle(), queue_.Queue(),
                           window.TransmittedText(), window.ChatUsers()},
               queue_.Commands(), queue_.Schedule(), devices.listenOnFreePorts),
      menus_(window.Menus()),
      flowStatus_(window.FlowStatus()),
      transmitStatus_(window.TransmitStatus()),
      cwIdCountdown_(window.CwIdCountdown()) {
  clock_.SetClockTickWork([this] { OnClockTick(); });
  clock_.SetIdleFillWork([this] { transmit_.Idle().Poll(); });
}

StationCommands Station::Commands() {
  return StationCommands{*this,
                         settings_,
                         log_,
                         queue_.Queue(),
                         queue_.Commands(),
                         queue_.Cycle(),
                         transmit_.Transmit(),
                         configuration_.Menus(),
                         configuration_.Configuration(),
                         editor_,
                         queue_.Identification(),
                         queue_.Import(),
                         network_.ChatUsers()};
}

void Station::OnClockTick() {
  clockTick_.Run();
  queue_.Cycle().OnClockTick();
  transmit_.Idle().Update();
}

void Station::Start() {
  // The log directory first: reading the initialization file already logs.
  std::error_code ignored;
  std::filesystem::create_directory("log", ignored);
  configuration_.Initialization().ReadInitializationFile();
  clock_.SetMorseTickPeriod(std::chrono::milliseconds{settings_.QERVMorseTickMs.load()});
  configuration_.Configuration().RestoreConfiguration();
  ResetTransmitCycleFlags();
  CreateWorkingDirectories();
  // Read before the scheduler is disabled below, or the setting could never
  // take effect.
  const bool enableScheduler = settings_.scheduleEnable && !settings_.QERVAutoStart;
  log_.LogEvent("***** RTTY Application has been STARTED *****");
  log_.LogEvent("Initialization");
  flowStatus_.SetText("");
  queue_.Commands().RefreshFileChooser();
  transmit_.Transmit().CmRX();
  queue_.Cycle().CmDisable();
  queue_.Commands().OnReload();
  clock_.OnTimer(WindowClock::kStartClock);
  queue_.Identification().BuildCwidText(settings_.QERVCallsign);
  ShowStartMarksAndOpenPort();
  ShowStateFields();
  // The sound keying thread reads the centre at every transmitter-on.
  settings_.centerFrequency = kCentreFrequency;
  network_.StartNetworkServers();
  if (enableScheduler) {
    queue_.Cycle().CmEnable();
  }
}

void Station::RestoreConfigurationWhileRunning() {
  configuration_.Configuration().RestoreConfiguration(
      SavedConfiguration::RestoreMoment::kWhileRunning);
  transmit_.Transmit().FollowModeAndRate();
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
  configuration_.Menus().ShowToggleMarks();
  configuration_.Recipients().ApplyAddress(settings_.QERVEmailAddress);
  configuration_.Serial().ProbeSerialPorts();
  configuration_.Serial().GraySerialMenus(true);
  menus_.SetMenuCheck(menu::kTxLineFirst, menu::kTxLineLast, settings_.TxLine);
  // The rate and mode in force, not the menus' first items: the operator
  // reads the menus as the station's state.
  configuration_.Serial().ShowRate();
  transmit_.Modes().ShowMode();
  configuration_.Serial().OpenConfiguredPort();
  configuration_.SoundCards().ShowSoundCard();
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
  return AboutListing::Lines(settings_, SpelledOut(settings_.QERVCallsign), queue_.Help(),
                             portDevices_);
}

void Station::Shutdown() {
  // Transmitter-off waits two clock ticks, and a tick could start the next
  // due entry: nothing new goes out once the station is ending. It also
  // waits until the sound card has played out what it holds.
  settings_.scheduleEnable = 0;
  // No mail is taken once the station is ending; a message in the middle of
  // its transfer is not acknowledged, so its sender tries again later.
  network_.StopNetworkServers();
  transmit_.Transmit().CmRX();
  clock_.OnTimer(WindowClock::kStopClock);
  log_.LogEvent("***** RTTY Application has been TERMINATED *****");
  transmit_.Port().CloseSerialPort();
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
