#include "mailer/mail_session_runner.h"

namespace kestrix {

MailSessionRunner::MailSessionRunner(EventLoop& loop, Session session, std::function<void()> abort)
    : loop_(loop), session_(std::move(session)), abort_(std::move(abort)) {}

MailSessionRunner::~MailSessionRunner() {
  AbortAndWait();
}

bool MailSessionRunner::Start(bool singleFile, std::function<void()> ended) {
  {
    std::lock_guard lock(mutex_);
    if (running_) {
      return false;
    }
    running_ = true;
  }
  if (thread_.joinable()) {
    thread_.join();  // the last one has ended: only its return is left
  }
  thread_ = std::thread([this, singleFile, ended = std::move(ended)] {
    session_(singleFile);
    {
      std::lock_guard lock(mutex_);
      running_ = false;
    }
    ended_.Notify();
    if (ended) {
      loop_.Post(ended);
    }
  });
  return true;
}

bool MailSessionRunner::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void MailSessionRunner::WaitUntilIdle() {
  ended_.WaitUntil([this] { return !Running(); });
  if (thread_.joinable()) {
    thread_.join();
  }
}

void MailSessionRunner::AbortAndWait() {
  if (Running()) {
    abort_();
  }
  WaitUntilIdle();
}

}  // namespace kestrix
