#pragma once
// One mailing: a connection to the station's SMTP server that mails the
// first queued file or every queued file, one message each, in a strict
// dialogue: one reply per command, and the next command only when the
// reply's code is the one expected. Every command, reply and failure goes
// to the log.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "common/message_box.h"
#include "mailer/mail_log.h"
#include "mailer/mail_session_window.h"

namespace kestrix {

class SmtpClientSession {
 public:
  struct Options {
    // How long a reply is waited for (shorter in tests).
    std::chrono::milliseconds replyTimeout{std::chrono::seconds(80)};
  };

  static constexpr std::size_t kReplyLimit = 128;
  static constexpr std::size_t kChunk = 512;

  SmtpClientSession(MailSessionWindow& window, MailLog& log, MessageBox& box, Options options);
  SmtpClientSession(MailSessionWindow& window, MailLog& log, MessageBox& box)
      : SmtpClientSession(window, log, box, Options{}) {}

  // Runs one session to its end on the calling thread; the window's parts
  // are done through `window` (a window thread must stay free meanwhile).
  void SendQueuedMail(bool singleFile);
  // Any thread: ends the connection's waits at once (the program closes);
  // the session then runs through to its end without sending.
  void Abort();

  // The decimal number a reply starts with (leading white space skipped);
  // 0 when it does not start with one.
  static int ReplyCode(const std::string& reply);
  // The port of a port text: a signed decimal taken as 16 bits; 0 when it
  // names none.
  static std::uint16_t PortOf(const std::string& text);
  // The first whitespace-delimited word of the host text.
  static std::string HostWord(const std::string& hostText);
  // The subject of a file in "Default" mode: its name after the last
  // slash (or backslash), cut before its first dot.
  static std::string SubjectOfFile(const std::string& path);
  // "Www Mmm dd hh:mm:ss yyyy" in English, whatever the language settings.
  static std::string DateText(std::chrono::system_clock::time_point when);
  // Lines that begin with a dot get a second one, so no line of the file
  // can end the message early. `lineStart` carries the state across chunks.
  static std::string DotStuffed(const std::string& chunk, bool& lineStart);

 private:
  enum class Receive { kData, kTimeout, kError };

  std::string LocalName();
  bool Resolve(const std::string& hostWord, std::uint32_t& address);
  bool Connect(std::uint32_t address, std::uint16_t port);
  // One reply into reply_ (at most 128 bytes), logged; its code, 0 for none.
  int ReceiveStep(const char* timeoutMessage);
  Receive ReceiveReply();
  void SendCommand(const std::string& command, bool logIt = true);
  // False when the file loop must end (a file that cannot be opened).
  bool SendMessage(const std::string& mailbox, const std::string& hostWord,
                   const std::string& mailFrom, const std::string& savedSubject);
  void LogSocketError(int posixError);
  void CloseSocket();
  void EndSession(const std::string& savedSubject, bool subjectLocked);

  MailSessionWindow& window_;
  MailLog& log_;
  MessageBox& box_;
  const Options options_;
  std::atomic<int> socket_{-1};
  std::atomic<bool> aborted_{false};
  std::string reply_;
};

}  // namespace kestrix
