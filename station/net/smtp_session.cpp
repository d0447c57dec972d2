#include "station/net/smtp_session.h"

#include "common/text_case.h"
#include "station/net/smtp_command.h"

namespace kestrix {

SmtpSession::SmtpSession(int variant, SocketConnection& connection, EventLog& log,
                         IntakeQueue& queue, MessageIntake& intake,
                         std::chrono::milliseconds idleTimeout)
    : variant_(variant),
      connection_(connection),
      log_(log),
      queue_(queue),
      intake_(intake),
      input_(connection, idleTimeout) {
  // A client that takes no reply for the idle time is as gone as a silent one.
  connection.SetSendTimeout(idleTimeout);
}

void SmtpSession::Run() {
  connection_.MarkGreeted();
  Reply(std::string("220 ") + kHostName + " Simple Mail Transfer Service Ready\r\n");
  input_.StartRequest();  // the first command's time starts with the greeting
  for (;;) {
    const long received = input_.ReceiveWithTimeout();
    if (received < 0) {
      break;
    }
    if (received == 0) {
      log_.LogEvent("Socket Closed while Waiting for first Helo (or timeout)");
      break;
    }
    if (HandleReceivedLines()) {
      input_.StartRequest();  // the next command's time starts after the replies
    }
    if (errorCount_ > kErrorLimit) {
      ReplyAndLog("500 Too many command syntax errors, I quit!\r\n");
      break;
    }
    if (commandCount_ > kCommandLimit) {
      ReplyAndLog(std::string("421 ") + kHostName +
                  " Too many commands without a message, closing channel\r\n");
      break;
    }
    if (variant_ == 1 && !keepGoing_) {
      break;
    }
  }
  connection_.Close();
  log_.LogEvent("Ending connection");
}

bool SmtpSession::HandleReceivedLines() {
  // What the lines of this round said together, for the log lines that show
  // "the received text".
  std::string roundText;
  const std::string_view pending = input_.Pending();
  const std::size_t lastLineEnd = pending.rfind('\n');
  if (lastLineEnd != std::string_view::npos) {
    roundText = pending.substr(0, lastLineEnd + 1);
  } else if (pending.size() >= SmtpInput::kReceiveSize) {
    roundText = pending;
  }
  std::string line;
  bool handled = false;
  while (input_.TakeLine(line)) {
    HandleLine(line, roundText);
    handled = true;
  }
  return handled;
}

void SmtpSession::HandleLine(const std::string& line, const std::string& roundText) {
  const SmtpCommand command = ParseSmtpCommand(line);
  ++commandCount_;
  if (command.code != kSmtpUnknown) {
    connection_.MarkProven();
  }
  switch (command.code) {
    case kSmtpHelo:
    case kSmtpEhlo:
      log_.LogEvent("SMTP E-Mail Received from [" +
                    LowerCase(line + std::string(input_.Pending())) + "]");
      Reply(std::string("250 ") + kHostName + "\r\n");
      return;
    case kSmtpMailFrom:
      Reply("250 Ready to Receive\r\n");
      log_.LogEvent(LowerCase(roundText));
      return;
    case kSmtpRcptTo:
      CheckRecipient(command.argument);
      return;
    case kSmtpData:
      ReceiveMessage();
      return;
    case kSmtpRset:
      Reply("250 Reset\r\n");
      recipientAccepted_ = false;
      log_.LogEvent("250 Reset " + roundText + "\r\n");
      return;
    case kSmtpQuit:
      ReplyAndLog("250 goodby, have a nice day\r\n");
      keepGoing_ = false;
      return;
    default:
      ++errorCount_;
      ReplyAndLog("502 command [" + command.command + "] not implemented\r\n");
      return;
  }
}

void SmtpSession::CheckRecipient(const std::string& argument) {
  const std::optional<std::string> address = queue_.RecipientAddress();
  if (address && UpperCase(argument).find(*address) != std::string::npos) {
    log_.LogEvent("RCPT TO:<" + argument + ">");
    if (variant_ == 2) {
      ReplyAndLog("250 Recipient OK\r\n");
    } else {
      Reply("250 Recipient OK\r\n");
    }
    recipientAccepted_ = true;
    return;
  }
  log_.LogEvent("RCPT TO:<" + argument + "> has been rejected");
  Reply("550 No such user here\r\n");
  recipientAccepted_ = false;
  errorCount_ = kErrorLimit + 1;
}

void SmtpSession::ReceiveMessage() {
  int result = kIntakeSocketError;
  std::string name;
  if (recipientAccepted_) {
    ReplyAndLog("354 Send Data\r\n");
    input_.StartMessage();
    result = intake_.StoreMessage(input_, connection_, name);
    commandCount_ = 0;
  }
  ReplyToIntake(result, name);
}

void SmtpSession::ReplyToIntake(int result, const std::string& name) {
  switch (result) {
    case kIntakeLineTooLong:
      ReplyAndLog("250 message \"" + name +
                  "\" not sent because of line length greater than 72\r\n");
      return;
    case kIntakeRefused:
      ReplyAndLog("250 message \"" + name + "\" not sent because of bad word violation\r\n");
      return;
    case kIntakeTooLarge:
      // Refused for good; the session goes on with the next message.
      ReplyAndLog("552 Requested mail action aborted: exceeded storage allocation\r\n");
      return;
    case kIntakeStorageFailed:
      ReplyAndLog("452  Requested action not taken: insufficient system storage\r\n");
      break;
    case kIntakeSocketError:
      ReplyAndLog("452  Requested action not taken: improper protocol sequence, no CMDRCPT\r\n");
      break;
    case kIntakeClosedOrIdle:
      ReplyAndLog("452  Requested action not completed: socket probably closed or timeout\r\n");
      break;
    default:
      ReplyAndLog("250 message succesfully stored as \"" + name + "\"\r\n");
      return;
  }
  keepGoing_ = false;
}

void SmtpSession::Reply(const std::string& text) {
  connection_.Send(text);
}

void SmtpSession::ReplyAndLog(const std::string& text) {
  Reply(text);
  log_.LogEvent(text);
}

}  // namespace kestrix
