#pragma once
// One SMTP conversation, on its own thread: the greeting, the command table,
// the recipient check, the message intake and the error limit. Variant 1
// ends after QUIT and after a 452 reply; variant 2 reads on until the
// client closes, an error, the idle time or the error limit.

#include <chrono>
#include <string>

#include "common/event_log.h"
#include "station/net/intake_queue.h"
#include "station/net/message_intake.h"
#include "station/net/smtp_input.h"
#include "station/net/socket_connection.h"

namespace kestrix {

class SmtpSession {
 public:
  static constexpr const char* kHostName = "KESTRIX.STATION";
  static constexpr int kErrorLimit = 5;  // one more ends the session
  // Commands between two messages; one more ends the session. A mail
  // program needs a handful; more is a client that only holds its place.
  static constexpr int kCommandLimit = 100;

  SmtpSession(int variant, SocketConnection& connection, EventLog& log, IntakeQueue& queue,
              MessageIntake& intake, std::chrono::milliseconds idleTimeout);

  // Talks with the client until the session ends, then closes the
  // connection.
  void Run();

 private:
  // Handles every whole line received so far; true when there was one.
  bool HandleReceivedLines();
  void HandleLine(const std::string& line, const std::string& roundText);
  void CheckRecipient(const std::string& argument);
  void ReceiveMessage();
  void ReplyToIntake(int result, const std::string& name);
  void Reply(const std::string& text);
  void ReplyAndLog(const std::string& text);

  const int variant_;
  SocketConnection& connection_;
  EventLog& log_;
  IntakeQueue& queue_;
  MessageIntake& intake_;
  SmtpInput input_;
  bool recipientAccepted_ = false;
  int errorCount_ = 0;
  int commandCount_ = 0;   // since the last message
  bool keepGoing_ = true;  // variant 1 only
};

}  // namespace kestrix
