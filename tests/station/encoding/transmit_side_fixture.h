#pragma once
// The transmit side put together on the simulated clock with a recording
// serial line, modem and sound keyer.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/event_log.h"
#include "station/app/window_clock.h"
#include "station/encoding/character_encoder.h"
#include "station/encoding/idle_fill.h"
#include "station/encoding/mode_selector.h"
#include "station/encoding/morse_keyer.h"
#include "station/encoding/output_router.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/transmit_busy.h"
#include "station/encoding/transmitter.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_devices.h"
#include "tests/support/recording_serial_line.h"

namespace kestrix::testing {

class TransmitSideTest : public ::testing::Test {
 protected:
  TransmitSideTest() {
    std::filesystem::create_directory("log");
    clock.SetMorseTickPeriod(std::chrono::milliseconds{6});
    clock.SetIdleFillWork([this] { idleFill.Poll(); });
  }

  WallClock::duration Elapsed() const { return loop.Now() - start; }
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const auto& line : window.eventList.lines) {
      texts.push_back(line.substr(11));
    }
    return texts;
  }
  void OpenCom1() { port.OpenSerialPort("COM1", settings.BAUD, 0, settings.DATABITS, 1); }

  TempWorkingDirectory dir;
  const WallClock::time_point start = LocalMoment(2026, 3, 7, 9, 5, 7);
  SimulatedEventLoop loop{start};
  FakeStationWindow window;
  RecordingMenuControls menus;
  RecordingTextField transmitStatus;
  RecordingTextField cwIdField;
  StationSettings settings;
  EventLog log{loop, window.eventList, window.messageBox};
  std::vector<int> exitStatuses;
  WindowClock clock{loop, log, [this](int s) { exitStatuses.push_back(s); }};
  RecordingSerialLine line{loop};
  PortDeviceMap devices;
  SerialPort port{line, loop, devices, settings, log, window.messageBox, [this](int s) {
                    exitStatuses.push_back(s);
                  }};
  RecordingPsk31Modem modem;
  RecordingSoundKeyer keyer;
  OutputRouter router{settings, loop, port, modem, keyer};
  Transmitter transmitter{
      settings, loop,  log,   clock,
      port,     modem, keyer, TransmitterControls{menus, transmitStatus, cwIdField}};
  MorseKeyer morse{settings, clock, port, keyer};
  TransmitBusy busy{loop};
  ModeSelector modes{settings, log, window.messageBox, menus, port, modem, busy};
  CharacterEncoder encoder{router, loop};
  IdleFill idleFill{settings, loop, router, encoder, busy};
};

}  // namespace kestrix::testing
