#pragma once
// For the targets that run a session on its own thread against a client
// on another: the threads, and the client's side of the conversation.

#include <poll.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/fuzz/fuzz_check.h"

namespace kestrix::fuzzing {

// A thread kept from input to input: under the sanitizers, starting and
// ending a thread for each input costs more than the session itself.
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

// The size of the client's chunk `number` (from 1) for a seed.
inline std::size_t ChunkSize(unsigned seed, unsigned number, std::size_t maxChunk) {
  return 1 + (seed * number) % maxChunk;
}

// Sends `input` in chunks and shuts the sending side, while taking every
// reply, until the session closes. Each chunk and each reply is one packet
// (a SOCK_SEQPACKET pair), so a session that receives at least `maxChunk`
// bytes at a time receives exactly the chunks chosen here.
inline std::vector<std::string> Converse(int fd, std::string_view input, unsigned chunkSeed,
                                         std::size_t maxChunk) {
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
      const std::string_view chunk = input.substr(0, ChunkSize(chunkSeed, chunkNumber, maxChunk));
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

}  // namespace kestrix::fuzzing
