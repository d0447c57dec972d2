#pragma once
// An SMTP listener of the station on a loopback port, with the real intake
// and send queue behind it, on the simulated clock. Clients run on their own
// thread while the test's thread serves the window calls of the sessions.

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/event_condition.h"
#include "common/event_log.h"
#include "station/config/station_settings.h"
#include "station/net/message_intake.h"
#include "station/net/smtp_listener.h"
#include "station/net/window_intake_queue.h"
#include "station/queue/queue_commands.h"
#include "station/queue/schedule_loader.h"
#include "station/queue/script_help.h"
#include "station/queue/send_queue.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/recording_launcher.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/recording_controls.h"
#include "tests/support/smtp_test_client.h"

namespace kestrix::testing {

class SmtpServerTest : public ::testing::Test {
 protected:
  SmtpServerTest() {
    std::filesystem::create_directories("data/badwords");
    std::filesystem::create_directory("log");
    settings.BadWordList = {"DAM"};
  }
  ~SmtpServerTest() override { StopListener(); }

  void StartListener(int variant, std::chrono::milliseconds idle = std::chrono::seconds{20},
                     int maxSessions = 32) {
    SmtpListener::Options options;
    options.variant = variant;
    options.port = 0;
    options.idleTimeout = idle;
    options.maxSessions = maxSessions;
    listener = std::make_unique<SmtpListener>(options, loop, log, intakeQueue, intake);
    ASSERT_TRUE(listener->Start());
    port = listener->Port();
  }

  void StopListener() {
    if (listener) {
      listener->Stop();
      loop.PumpMessages();
    }
  }

  // Runs `body` on a client thread; this thread serves window calls until
  // it is done.
  void RunClients(const std::function<void()>& body) {
    EventCondition done{loop};
    std::atomic<bool> finished{false};
    std::thread client([&] {
      body();
      finished = true;
      done.Notify();
    });
    done.WaitUntil([&] { return finished.load(); });
    client.join();
  }

  // One client connected to the listener, its greeting read.
  void Talk(const std::function<void(SmtpTestClient&)>& body) {
    RunClients([&] {
      SmtpTestClient client(port);
      ASSERT_TRUE(client.Connected());
      EXPECT_EQ(client.ReadLine(), "220 KESTRIX.STATION Simple Mail Transfer Service Ready");
      body(client);
    });
  }

  // The log's texts without their time.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const std::string& line : list.lines) {
      const std::size_t mark = line.find(" > ");
      texts.push_back(mark == std::string::npos ? line : line.substr(mark + 3));
    }
    return texts;
  }
  bool Logged(const std::string& text) const {
    const auto texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  TempWorkingDirectory directory;
  SimulatedEventLoop loop{LocalMoment(2026, 12, 8, 18, 0, 0)};
  RecordingStatusList list;
  RecordingMessageBox box;
  EventLog log{loop, list, box};
  StationSettings settings;
  SendQueue queue;
  ScheduleLoader loader{settings, loop, log, queue};
  ScriptHelp help;
  RecordingFileChooser chooser;
  RecordingTextField flow;
  RecordingLauncher launcher;
  QueueCommands commands{settings, loop, log, queue, loader, help, chooser, flow, launcher};
  WindowIntakeQueue intakeQueue{loop, settings, queue, commands, loader};
  MessageIntake intake{loop, log, intakeQueue};
  std::unique_ptr<SmtpListener> listener;
  int port = 0;
};

// A whole message as a client sends it after DATA.
inline std::string Message(const std::string& subject, const std::string& body) {
  return "From: ann@example.org\r\nTo: qerv@station\r\nSubject: " + subject +
         "\r\nDate: Tue, 8 Dec 2026 18:00:00 +0000\r\n\r\n" + body + "\r\n.\r\n";
}

}  // namespace kestrix::testing
