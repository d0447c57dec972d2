// A whole SMTP session fed from the input: the client's bytes arrive in
// chunks over a socket pair while the session runs on its own thread with
// the real intake behind it, and this thread serves the window calls of its
// log. The session must end, and what it reports stored must be queued and
// on disk.
//
// Input: byte 0 chooses the port variant (bit 0), automatic start (bit 1),
// wrapping (bit 2), subject file names (bit 3), and all of bits 4..7 a
// window that has gone; byte 1 sets the chunk sizes; the rest is what the
// client sends.

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/event_log.h"
#include "station/net/message_intake.h"
#include "station/net/smtp_session.h"
#include "station/net/socket_connection.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/fuzz/fake_intake_queue.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_worker.h"
#include "tests/fuzz/fuzz_workspace.h"

namespace {

using kestrix::fuzzing::Require;
namespace kt = kestrix::testing;

constexpr std::chrono::milliseconds kIdleTimeout{250};
constexpr std::size_t kMaxChunk = 512;  // one receive of the session

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

void CheckReplies(const std::vector<std::string>& replies,
                  const std::vector<std::string>& submitted) {
  Require(!replies.empty() &&
              replies.front() == "220 KESTRIX.STATION Simple Mail Transfer Service Ready\r\n",
          "the session did not begin with its greeting");
  std::vector<std::string> stored;
  for (const std::string& reply : replies) {
    Require(reply.size() >= 4 && reply[0] >= '2' && reply[0] <= '5' && reply[1] >= '0' &&
                reply[1] <= '9' && reply[2] >= '0' && reply[2] <= '9' && reply[3] == ' ',
            "a reply without a code");
    constexpr std::string_view kStored = "250 message succesfully stored as \"";
    constexpr std::string_view kNotSent = "250 message \"";
    std::string_view name;
    if (StartsWith(reply, kStored)) {
      name = std::string_view(reply).substr(kStored.size());
    } else if (StartsWith(reply, kNotSent)) {
      name = std::string_view(reply).substr(kNotSent.size());
    } else {
      continue;
    }
    name = name.substr(0, name.find('"'));
    Require(!name.empty() && name.find('/') == std::string_view::npos,
            "a reported file name is empty or holds a slash");
    if (StartsWith(reply, kStored)) {
      stored.emplace_back(name);
      Require(std::filesystem::is_regular_file("data/" + std::string(name)),
              "a message reported stored is not in the data folder");
    } else {
      Require(std::filesystem::is_regular_file("data/badwords/" + std::string(name)),
              "a refused message is not in the badwords folder");
    }
  }
  Require(stored == submitted, "the messages reported stored are not the ones queued");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  const int variant = (data[0] & 1) != 0 ? 2 : 1;
  const unsigned chunkSeed = data[1];
  const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);

  const kestrix::WallClock::time_point start = kt::LocalMoment(2026, 12, 8, 18, 0, 0);
  kestrix::fuzzing::FreshWorkingDirectory({start});
  std::filesystem::create_directories("data/badwords");
  kt::SimulatedEventLoop loop{start};
  kt::RecordingStatusList list;
  kt::RecordingMessageBox box;
  kestrix::EventLog log{loop, list, box};
  kestrix::fuzzing::FakeIntakeQueue queue;
  queue.Configure().autoStart = (data[0] & 2) != 0;
  queue.Configure().autoLineLength = (data[0] & 4) != 0;
  queue.Configure().useSubjectFileName = (data[0] & 8) != 0;
  queue.SetWindowGone((data[0] & 0xF0) == 0xF0);
  kestrix::MessageIntake intake{loop, log, queue};

  int fds[2];
  Require(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) == 0, "no socket pair");
  kestrix::SocketConnection connection(fds[0]);

  // This thread serves the log's window calls until both jobs are done.
  // It waits for a Wake() rather than on an EventCondition: the log's lock
  // wakes the loop on every release, and a wake nobody takes would keep an
  // event wait from ever blocking.
  static kestrix::fuzzing::Worker sessionThread;
  static kestrix::fuzzing::Worker clientThread;
  std::atomic<int> running{2};
  std::vector<std::string> replies;
  sessionThread.Start([&] {
    kestrix::SmtpSession(variant, connection, log, queue, intake, kIdleTimeout).Run();
    --running;
    loop.Wake();
  });
  clientThread.Start([&] {
    replies = kestrix::fuzzing::Converse(fds[1], input, chunkSeed, kMaxChunk);
    ::close(fds[1]);
    --running;
    loop.Wake();
  });
  while (running.load() > 0) {
    loop.WaitForWake();
  }
  sessionThread.Join();
  clientThread.Join();

  CheckReplies(replies, queue.Submitted());
  return 0;
}
