#include "station/net/chat_session.h"

#include <poll.h>

#include <cerrno>
#include <cstdio>

#include "common/time_tag.h"

namespace kestrix {

namespace {

constexpr std::size_t kLoginReceive = 256;
constexpr std::size_t kReceive = 512;

std::string LoginTime(WallClock::time_point when) {
  const std::tm local = LocalTime(when);
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

// The name as typed: cut at its last line feed, then at its last CR.
bool CutAtLineEnd(std::string& name) {
  const std::size_t lineFeed = name.rfind('\n');
  const std::size_t cr = name.rfind('\r');
  if (lineFeed == std::string::npos && cr == std::string::npos) {
    return false;
  }
  if (lineFeed != std::string::npos) {
    name.resize(lineFeed);
  }
  const std::size_t lastCr = name.rfind('\r');
  if (lastCr != std::string::npos) {
    name.resize(lastCr);
  }
  return true;
}

}  // namespace

ChatSession::ChatSession(std::shared_ptr<SocketConnection> connection, std::string address,
                         ChatStation& station, EchoMacro& echo, ChatWakeups& wakeups,
                         std::atomic<int>& softLimit, const std::atomic<bool>& stopping,
                         ChatTimeouts timeouts)
    : connection_(std::move(connection)),
      address_(std::move(address)),
      station_(station),
      wakeups_(wakeups),
      softLimit_(softLimit),
      timeouts_(timeouts),
      sender_(station, echo, softLimit, stopping) {}

void ChatSession::Run() {
  connection_->SetSendTimeout(timeouts_.send);
  softLimit_ = station_.settings.QERVAutoLine72 - 5;
  readPosition_ = station_.ring.WriteCount();  // a new user sees nothing sent before
  lastActivity_ = SteadyClock::now();
  connection_->Send("Telnet Chat Server Service Ready\r\n");
  connection_->MarkGreeted();
  connection_->Send("Enter User Name:  ");
  if (!Login()) {
    connection_->Close();
    station_.log.LogEvent("Login Failure -- Ending connection");
    return;
  }
  connection_->MarkProven();
  Welcome();
  const std::string pid = std::to_string(connection_->Number());
  const ChatUserRow row{name_, LoginTime(station_.loop.Now()), pid, address_};
  station_.loop.CallOnWindowThread([&] { station_.users.AddRow(row); });
  wakeups_.Add(wakeup_);
  Chat();
  wakeups_.Remove(wakeup_);
  connection_->Close();
  station_.log.LogEvent("Ending connection for [" + pid + "] " + name_);
  station_.loop.CallOnWindowThread([&] { station_.users.DeleteRowWithPid(pid); });
}

bool ChatSession::Login() {
  const SteadyClock::time_point deadline = SteadyClock::now() + timeouts_.login;
  for (;;) {
    std::string name;
    for (;;) {
      if (Wait(true, deadline) != Event::kReceived ||
          Receive(kLoginReceive, name) != Event::kReceived) {
        return false;
      }
      if (name.size() > kMaxName) {
        name.resize(kMaxName);
      }
      if (CutAtLineEnd(name)) {
        break;
      }
    }
    if (name.size() >= 2 && IsPrintableName(name)) {
      name_ = name;
      return true;
    }
    connection_->Send("Re-Enter User Name:  ");
  }
}

void ChatSession::Welcome() {
  connection_->Send("\n\r\n\rWelcome \"" + name_ + "\" to this chat session, please remember ");
  connection_->Send("\n\rto finish your entry with a carriage return following");
  connection_->Send("\n\ryour last entry to send it off.");
  connection_->Send("\n\r------------- Begin Session ---------------------\n\r\n\r");
}

void ChatSession::Chat() {
  for (;;) {
    EchoRing();
    std::string line;
    const bool lineWaiting = TakeLine(line);
    if (lineWaiting) {
      if (station_.busy.TryTake()) {
        SendLine(line);
        continue;
      }
      pending_.insert(0, line);  // not yet: the flag is taken, wait for it
    }
    // While a line waits, nothing more is read: memory stays bounded.
    switch (Wait(!lineWaiting, lastActivity_ + timeouts_.idle)) {
      case Event::kReceived:
        if (Receive(kReceive, pending_) == Event::kEnded) {
          return;
        }
        break;
      case Event::kWoken:
        break;
      case Event::kTimedOut:
      case Event::kEnded:
        return;
    }
  }
}

ChatSession::Event ChatSession::Wait(bool listen, SteadyClock::time_point deadline) {
  for (;;) {
    pollfd waits[2] = {{wakeup_.Descriptor(), POLLIN, 0}, {connection_->Number(), POLLIN, 0}};
    if (waits[1].fd < 0) {
      return Event::kEnded;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() < 0) {
      return Event::kTimedOut;
    }
    const int ready = ::poll(waits, listen ? 2 : 1, static_cast<int>(left.count()) + 1);
    if (ready < 0) {
      if (errno == EINTR) {
        continue;
      }
      return Event::kEnded;
    }
    if (ready == 0) {
      continue;  // the deadline is looked at again above
    }
    if (waits[0].revents != 0) {
      wakeup_.Clear();
      return Event::kWoken;
    }
    return Event::kReceived;
  }
}

ChatSession::Event ChatSession::Receive(std::size_t size, std::string& text) {
  char buffer[kReceive];
  const long received = connection_->Receive(buffer, std::min(size, sizeof buffer));
  if (received <= 0) {
    return Event::kEnded;  // closed by the client, killed, or broken
  }
  lastActivity_ = SteadyClock::now();
  std::string reply;
  telnet_.Filter(std::string_view(buffer, static_cast<std::size_t>(received)), text, reply);
  if (!reply.empty()) {
    connection_->Send(reply);
  }
  return Event::kReceived;
}

void ChatSession::EchoRing() {
  std::string text;
  const std::uint64_t missed = station_.ring.ReadSince(readPosition_, text);
  if (missed > 0) {
    connection_->Send("\r\n[" + std::to_string(missed) + " characters missed]\r\n");
  }
  if (!text.empty()) {
    connection_->Send(text);
  }
}

bool ChatSession::TakeLine(std::string& line) {
  // Up to the later of the last line feed and the last CR.
  const std::size_t end = pending_.find_last_of("\r\n");
  std::size_t length = 0;
  if (end != std::string::npos) {
    length = end + 1;
  } else if (pending_.size() >= kMaxPending) {
    length = kMaxPending;  // sent as it stands: nothing typed is lost
  } else {
    return false;
  }
  line = pending_.substr(0, length);
  pending_.erase(0, length);
  return true;
}

void ChatSession::SendLine(const std::string& text) {
  sender_.Send("\n\r" + name_ + "::  " + text, *connection_);
  readPosition_ = station_.ring.WriteCount();  // the user saw the line as it went
  sender_.Finish();
  station_.busy.Release();
}

}  // namespace kestrix
