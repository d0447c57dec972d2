#include "station/net/smtp_input.h"

#include <algorithm>

namespace kestrix {

void SmtpInput::StartRequest() {
  requestStart_ = SteadyClock::now();
  requestBytes_ = 0;
  message_ = false;
}

void SmtpInput::StartMessage() {
  StartRequest();
  message_ = true;
}

long SmtpInput::ReceiveWithTimeout() {
  const auto credit = std::chrono::milliseconds{requestBytes_ * 1000 / kMinDataRate};
  const auto deadline = requestStart_ + idleTimeout_ + credit;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
  switch (connection_.WaitReadable(std::max(left, std::chrono::milliseconds{0}))) {
    case SocketConnection::Wait::kError:
      return -1;
    case SocketConnection::Wait::kClosed:
      return 0;
    case SocketConnection::Wait::kTimedOut:
      connection_.Send(kTimeoutReply);
      connection_.Close();
      return 0;
    case SocketConnection::Wait::kData:
      break;
  }
  char buffer[kMessageReceiveSize];
  const long received = connection_.Receive(buffer, message_ ? sizeof buffer : kReceiveSize);
  if (received > 0) {
    if (used_ > 0) {
      pending_.erase(0, used_);
      used_ = 0;
    }
    pending_.append(buffer, static_cast<std::size_t>(received));
    requestBytes_ += static_cast<std::size_t>(received);
  }
  return received;
}

bool SmtpInput::TakeLine(std::string& line) {
  const std::string_view pending = Pending();
  std::size_t end = pending.find('\n');
  if (end == std::string_view::npos) {
    if (pending.size() < kReceiveSize) {
      return false;
    }
    end = kReceiveSize - 1;
  }
  line.assign(pending.substr(0, end + 1));
  Consume(end + 1);
  return true;
}

void SmtpInput::Consume(std::size_t count) {
  used_ += std::min(count, pending_.size() - used_);
  if (used_ == pending_.size()) {
    pending_.clear();
    used_ = 0;
  }
}

}  // namespace kestrix
