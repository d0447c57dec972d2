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

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
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

namespace {

using kestrix::fuzzing::Require;
namespace kt = kestrix::testing;

constexpr std::chrono::milliseconds kIdleTimeout{250};
constexpr std::size_t kMaxChunk = 512;  // one receive of the session

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Sends `input` in chunks and shuts the sending side, while taking every
// reply, until the session closes. Each chunk and each reply is one packet,
// so the session receives exactly the chunks chosen here.
std::vector<std::string> Converse(int fd, std::string_view input, unsigned chunkSeed) {
  std::vector<std::string> replies;
  std::array<char, 4096> buffer;  // far more than the longest reply
  bool sending = true;
  for (unsigned chunkNumber = 1;;) {
    if (sending && input.empty()) {
      ::shutdown(fd, SHUT_WR);
      sending = false;
    }
    pollfd entry{fd, static_cast<short>(POLLIN | (sending ? POLLOUT : 0)), 0};
    if (::poll(&entry, 1, -1) < 0) {
      Require(errno == EINTR, "poll failed");
      continue;
    }
    if (entry.revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
      if (received > 0) {
        replies.emplace_back(buffer.data(), static_cast<std::size_t>(received));
      } else if (received == 0) {
        return replies;  // the session has closed
      } else {
        // A session that closes with chunks unread resets the connection;
        // the error comes before the replies still queued, so read on.
        Require(errno == EAGAIN || errno == EINTR || errno == ECONNRESET,
                "the replies could not be read");
      }
    }
    if (sending && (entry.revents & POLLOUT)) {
      const std::size_t size = 1 + (chunkSeed * chunkNumber) % kMaxChunk;
      const std::string_view chunk = input.substr(0, size);
      const ssize_t sent = ::send(fd, chunk.data(), chunk.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      if (sent > 0) {
        input.remove_prefix(static_cast<std::size_t>(sent));
        ++chunkNumber;
      } else if (errno != EAGAIN && errno != EINTR) {
        sending = false;  // the session has ended before reading it all
      }
    }
  }
}

// A thread kept from input to input: under the sanitizers, starting and
// ending two threads for each input costs more than the session itself.
class Worker {
 public:
  Worker() : thread_([this] { Serve(); }) {}
  ~Worker() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  void Start(std::function<void()> job) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      job_ = std::move(job);
      busy_ = true;
    }
    changed_.notify_all();
  }
  // Returns once the job has returned.
  void Join() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
  }

 private:
  void Serve() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || job_; });
        if (!job_) {
          return;
        }
        job = std::move(job_);
        job_ = nullptr;
      }
      job();
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        busy_ = false;
      }
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once the rest is made
};

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

  kt::TempWorkingDirectory directory;
  std::filesystem::create_directories("data/badwords");
  std::filesystem::create_directory("log");
  kt::SimulatedEventLoop loop{kt::LocalMoment(2026, 12, 8, 18, 0, 0)};
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
  static Worker sessionThread;
  static Worker clientThread;
  std::atomic<int> running{2};
  std::vector<std::string> replies;
  sessionThread.Start([&] {
    kestrix::SmtpSession(variant, connection, log, queue, intake, kIdleTimeout).Run();
    --running;
    loop.Wake();
  });
  clientThread.Start([&] {
    replies = Converse(fds[1], input, chunkSeed);
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
