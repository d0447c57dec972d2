#include "station/net/chat_wakeups.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace kestrix {

ChatWakeup::ChatWakeup() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ChatWakeup::~ChatWakeup() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

void ChatWakeup::Signal() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

void ChatWakeup::Clear() {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t read = ::read(fd_, &count, sizeof count);
}

void ChatWakeups::Add(ChatWakeup& wakeup) {
  const std::lock_guard<std::mutex> lock(mutex_);
  wakeups_.insert(&wakeup);
}

void ChatWakeups::Remove(ChatWakeup& wakeup) {
  const std::lock_guard<std::mutex> lock(mutex_);
  wakeups_.erase(&wakeup);
}

void ChatWakeups::SignalAll() {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (ChatWakeup* wakeup : wakeups_) {
    wakeup->Signal();
  }
}

}  // namespace kestrix
