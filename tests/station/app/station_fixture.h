#pragma once
// The whole station on the simulated clock, over a fake main window, with a
// recording serial line that has COM1 and COM2, a recording modem and
// sound keyers.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "station/app/station.h"
#include "tests/common_support/recording_launcher.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/fake_wave_device.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_devices.h"
#include "tests/support/recording_serial_line.h"

namespace kestrix::testing {

class StationTest : public ::testing::Test {
 protected:
  StationTest() {
    line.devices = {"/dev/ttyS0", "/dev/ttyS1"};
    launcher.editorStarts = false;
    std::filesystem::create_directory("data");
  }

  // Starts the station on `ini` and forgets the start-up's log lines.
  void StartWith(const std::string& ini) {
    WriteFile("Kestrix.ini", ini);
    station.Start();
    window.eventList.lines.clear();
  }
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const auto& text : window.eventList.lines) {
      texts.push_back(text.substr(11));
    }
    return texts;
  }
  bool Logged(const std::string& text) const {
    const auto texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  TempWorkingDirectory dir;
  const WallClock::time_point start = LocalMoment(2026, 3, 7, 9, 5, 7);
  SimulatedEventLoop loop{start};
  FakeStationWindow window;
  RecordingSerialLine line{loop};
  RecordingPsk31Modem modem;
  FakeWaveDeviceFactory waveDevices;
  RecordingLauncher launcher;
  std::vector<int> exits;
  Station station{loop, window, {line, modem, waveDevices, launcher, true}, [this](int s) {
                    exits.push_back(s);
                  }};
  StationSettings& settings = station.Settings();
};

}  // namespace kestrix::testing
