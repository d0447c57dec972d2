#include "mailer/smtp_client_session.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include "mailer/winsock_errors.h"

namespace kestrix {

namespace {

constexpr int kGreeting = 220;
constexpr int kOk = 250;
constexpr int kStartInput = 354;

// The host look-up errors as their Windows Sockets codes.
int ResolverCode(int error) {
  switch (error) {
    case EAI_NONAME:
      return 11001;  // host not found
    case EAI_AGAIN:
      return 11002;
    case EAI_FAIL:
      return 11003;
    case EAI_SYSTEM:
      return WinsockErrors::CodeOf(errno);
    default:
      return 11004;
  }
}

std::string Dotted(std::uint32_t address) {
  in_addr in{};
  in.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &in, text, sizeof text);
  return text;
}

}  // namespace

SmtpClientSession::SmtpClientSession(MailSessionWindow& window, MailLog& log, MessageBox& box,
                                     Options options)
    : window_(window), log_(log), box_(box), options_(options) {}

int SmtpClientSession::ReplyCode(const std::string& reply) {
  std::size_t at = 0;
  while (at < reply.size() && std::isspace(static_cast<unsigned char>(reply[at]))) {
    ++at;
  }
  std::size_t end = at;
  if (end < reply.size() && (reply[end] == '+' || reply[end] == '-')) {
    ++end;
  }
  const std::size_t digits = end;
  while (end < reply.size() && std::isdigit(static_cast<unsigned char>(reply[end]))) {
    ++end;
  }
  if (end == digits) {
    return 0;
  }
  // Held to the int range: more digits than an int holds give its end, not
  // the number of their first nine.
  long long value = 0;
  for (std::size_t i = digits; i < end; ++i) {
    value = std::min(value * 10 + (reply[i] - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  return static_cast<int>(std::clamp(reply[at] == '-' ? -value : value,
                                     static_cast<long long>(INT_MIN),
                                     static_cast<long long>(INT_MAX)));
}

std::uint16_t SmtpClientSession::PortOf(const std::string& text) {
  // As a C library conversion reads it, taken modulo 65536.
  const int code = ReplyCode(text);
  return static_cast<std::uint16_t>(code);
}

std::string SmtpClientSession::HostWord(const std::string& hostText) {
  const std::string text = hostText.substr(0, 513);
  const std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) {
    return {};
  }
  const std::size_t end = text.find_first_of(" \t\r\n", begin);
  return text.substr(begin, end - begin);
}

std::string SmtpClientSession::SubjectOfFile(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name.substr(0, name.find('.'));
}

std::string SmtpClientSession::DateText(std::chrono::system_clock::time_point when) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[32];
  std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d", kDays[utc.tm_wday],
                kMonths[utc.tm_mon], utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                utc.tm_year + 1900);
  return text;
}

std::string SmtpClientSession::DotStuffed(const std::string& chunk, bool& lineStart) {
  std::string out;
  out.reserve(chunk.size() + 8);
  for (char c : chunk) {
    if (lineStart && c == '.') {
      out += '.';
    }
    out += c;
    lineStart = c == '\n';
  }
  return out;
}

void SmtpClientSession::LogSocketError(int posixError) {
  log_.AddLogLine(WinsockErrors::Text(WinsockErrors::CodeOf(posixError)));
}

std::string SmtpClientSession::LocalName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) {
    const int error = errno;
    log_.AddLogLine("Local Host Name Error");
    LogSocketError(error);
    return "NoBody";
  }
  std::string local = name;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &found) == 0 && found != nullptr) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    local += " [" + Dotted(in->sin_addr.s_addr) + "]";
  }
  if (found != nullptr) {
    ::freeaddrinfo(found);
  }
  return local;
}

bool SmtpClientSession::Resolve(const std::string& hostWord, std::uint32_t& address) {
  in_addr dotted{};
  if (::inet_pton(AF_INET, hostWord.c_str(), &dotted) == 1) {
    log_.AddLogLine("Getting gethostbyaddr [" + hostWord + "]");
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_addr = dotted;
    char name[NI_MAXHOST];
    const int error = ::getnameinfo(reinterpret_cast<const sockaddr*>(&in), sizeof in, name,
                                    sizeof name, nullptr, 0, NI_NAMEREQD);
    if (error != 0) {
      const int code = ResolverCode(error);
      log_.AddLogLine(WinsockErrors::Text(code));
      log_.AddLogLine("Unable to resolve IP name [" + hostWord + "] " + std::to_string(code) +
                      ", using IP address");
    }
    address = dotted.s_addr;
    return true;
  }
  log_.AddLogLine("Getting hostbyname [" + hostWord + "]");
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int error = ::getaddrinfo(hostWord.c_str(), nullptr, &hints, &found);
  if (error != 0 || found == nullptr) {
    log_.AddLogLine(WinsockErrors::Text(ResolverCode(error)));
    log_.AddLogLine("Can't resolve domain name");
    if (found != nullptr) {
      ::freeaddrinfo(found);
    }
    return false;
  }
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(found);
  return true;
}

bool SmtpClientSession::Connect(std::uint32_t address, std::uint16_t port) {
  if (aborted_) {
    CloseSocket();
    log_.AddLogLine("Connection Failed");
    return false;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  if (::connect(socket_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    const int error = errno;
    LogSocketError(error);
    CloseSocket();
    log_.AddLogLine("Connection Failed");
    return false;
  }
  return true;
}

SmtpClientSession::Receive SmtpClientSession::ReceiveReply() {
  reply_.clear();
  if (aborted_) {
    CloseSocket();
  }
  if (socket_ < 0) {
    LogSocketError(EBADF);
    reply_ = "[WSA Error]";
    return Receive::kError;
  }
  pollfd ready{socket_, POLLIN, 0};
  int waited = 0;
  do {
    waited = ::poll(&ready, 1, static_cast<int>(options_.replyTimeout.count()));
  } while (waited < 0 && errno == EINTR);
  if (waited < 0) {
    LogSocketError(errno);
    reply_ = "[WSA Error]";
    return Receive::kError;
  }
  if (waited == 0) {
    log_.AddLogLine("Mail send aborted: exceeded timeout, closing socket\r\n");
    CloseSocket();
    reply_ = "[Socket Closed]";
    return Receive::kTimeout;
  }
  char buffer[kReplyLimit];
  const ssize_t got = ::recv(socket_, buffer, sizeof buffer, 0);
  if (got > 0) {
    reply_.assign(buffer, static_cast<std::size_t>(got));
    return Receive::kData;
  }
  return Receive::kError;
}

int SmtpClientSession::ReceiveStep(const char* timeoutMessage) {
  const Receive received = ReceiveReply();
  log_.AddLogLine(reply_);
  if (received == Receive::kTimeout && timeoutMessage != nullptr) {
    log_.AddLogLine(timeoutMessage);
  }
  return received == Receive::kData ? ReplyCode(reply_) : 0;
}

void SmtpClientSession::SendCommand(const std::string& command, bool logIt) {
  if (socket_ >= 0) {
    // A peer that has gone shows at the next reply; no signal for it here.
    ::send(socket_, command.data(), command.size(), MSG_NOSIGNAL);
  }
  if (logIt) {
    log_.AddLogLine(command);
  }
}

void SmtpClientSession::CloseSocket() {
  const int socket = socket_.exchange(-1);
  if (socket >= 0) {
    ::close(socket);
  }
}

void SmtpClientSession::Abort() {
  aborted_ = true;
  const int socket = socket_.load();
  if (socket >= 0) {
    ::shutdown(socket, SHUT_RDWR);
  }
}

bool SmtpClientSession::SendMessage(const std::string& mailbox, const std::string& hostWord,
                                    const std::string& mailFrom, const std::string& savedSubject) {
  if (window_.QueueCount() == 0) {
    return true;
  }
  const std::string path = window_.QueueEntry(0);
  window_.DeleteQueueEntry(0);
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    log_.AddLogLine("Unable to open " + path + ", quitting");
    return false;
  }
  window_.AppendQueueEntry(path);
  log_.AddLogLine("Sending " + path);

  std::string subject = savedSubject;
  if (savedSubject.starts_with("Default")) {
    subject = SubjectOfFile(path);
    window_.SetSubject(subject);
  }
  SendCommand("Date: " + DateText(std::chrono::system_clock::now()) + "\r\n");
  SendCommand("From: " + mailFrom + "\r\n");
  SendCommand("To: " + mailbox + "@" + hostWord + "\r\n");
  SendCommand("Subject: " + subject + "\r\n\r\n");

  // Read as text: each CR LF of the file goes out as one LF.
  long inFile = 0;
  long sent = 0;
  bool lineStart = true;
  char chunk[kChunk];
  std::string pending;
  for (;;) {
    file.read(chunk, sizeof chunk);
    const auto got = static_cast<std::size_t>(file.gcount());
    if (got == 0) {
      break;
    }
    std::string text;
    for (std::size_t i = 0; i < got; ++i) {
      if (chunk[i] == '\r') {
        const int next = i + 1 < got ? chunk[i + 1] : file.peek();
        if (next == '\n') {
          continue;
        }
      }
      text += chunk[i];
    }
    inFile += static_cast<long>(text.size());
    const std::string out = DotStuffed(text, lineStart);
    if (socket_ >= 0) {
      const ssize_t n = ::send(socket_, out.data(), out.size(), MSG_NOSIGNAL);
      if (n > 0) {
        sent += n;
      }
    }
  }
  SendCommand("\r\n.\r\n", false);
  log_.AddLogLine("Total of " + std::to_string(inFile) + " characters in file");
  log_.AddLogLine("Total of " + std::to_string(sent) + " characters successfully sent");
  return true;
}

void SmtpClientSession::EndSession(const std::string& savedSubject, bool subjectLocked) {
  CloseSocket();
  if (subjectLocked) {
    window_.SetSubjectReadOnly(false);
    window_.SetSubject(savedSubject);
  }
  window_.EnableSendMail(true);
}

void SmtpClientSession::SendQueuedMail(bool singleFile) {
  window_.EnableSendMail(false);
  const std::string mailbox = window_.Mailbox().substr(0, 255);
  const std::string mailFrom = window_.MailFrom().substr(0, 255);
  if (mailFrom.find("NoBody") != std::string::npos) {
    box_.Show("Mail From \"NoBody\" is not allowed, please change", "Incorrect MailFrom Address",
              MessageBoxIcon::kWarning);
    window_.StopMeteredMail();
    window_.EnableSendMail(true);
    return;
  }
  window_.SetSubjectReadOnly(true);
  const std::string localName = LocalName();
  const std::string savedSubject = window_.Subject().substr(0, 255);
  const std::string hostWord = HostWord(window_.HostText());
  const int queued = window_.QueueCount();
  if (queued == 0) {
    log_.AddLogLine("Nothing to send");
    EndSession(savedSubject, true);
    return;
  }
  const int files = singleFile || window_.MeteredChecked() ? 1 : queued;

  socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ < 0) {
    const int error = errno;
    log_.AddLogLine("Error creating socket");
    LogSocketError(error);
    EndSession(savedSubject, true);
    return;
  }
  log_.AddLogLine(hostWord);
  std::uint32_t address = 0;
  if (!Resolve(hostWord, address)) {
    EndSession(savedSubject, true);
    return;
  }
  const std::uint16_t port = PortOf(window_.PortText().substr(0, 24));
  if (port == 0) {
    log_.AddLogLine("ERROR -- Invalid Port Number");
    EndSession(savedSubject, true);
    return;
  }
  log_.AddLogLine("Opening connection to " + hostWord);
  if (!Connect(address, port)) {
    EndSession(savedSubject, true);
    return;
  }
  log_.AddLogLine("Connected");

  const int greeting = ReceiveStep("Timed out waiting for greeting, socket closed");
  if (greeting == kGreeting) {
    SendCommand("HELO from " + localName + "\r\n");
  } else if (greeting > 0) {
    log_.AddLogLine("Opening Greeting error, received " + std::to_string(greeting) + " response");
  } else {
    log_.AddLogLine("unknown error, received " + reply_ + " response");
  }

  for (int file = 0; file < files; ++file) {
    if (ReceiveStep("Timed out waiting for first HELO, socket vclosed") == kOk) {
      SendCommand("MAIL FROM:<Quillon_11p0@" + hostWord + ">\r\n");
    }
    if (ReceiveStep("Timed out waiting for first MAIL OK 250, socket closed") == kOk) {
      SendCommand("RCPT TO:<" + mailbox + "@" + hostWord + ">\r\n");
    }
    if (ReceiveStep("Timed out waiting for first DATA 250, socket closed") == kOk) {
      SendCommand("DATA " + mailbox + "@" + hostWord + "\r\n");
    }
    if (ReceiveStep("Timed out waiting for first DATA OK 354, socket closed") != kStartInput) {
      continue;
    }
    if (!SendMessage(mailbox, hostWord, mailFrom, savedSubject)) {
      break;
    }
    if (ReceiveStep(nullptr) == kOk) {
      const std::string first = reply_.substr(0, reply_.find_first_of("\r\n"));
      SendCommand("RSET " + first + "\r\n");
    }
  }
  SendCommand("QUIT " + localName + "\r\n");
  EndSession(savedSubject, true);
}

}  // namespace kestrix
