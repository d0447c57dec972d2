#pragma once
// Takes a message from an SMTP session after DATA: reads it into a file of
// the session's own, stores it as a teleprinter-ready text file in the data
// directory, checks it, and queues it or moves it to "badwords" with the
// reason appended. Runs on the session's thread.

#include <mutex>
#include <string>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "station/net/intake_queue.h"
#include "station/net/smtp_input.h"
#include "station/net/socket_connection.h"

namespace kestrix {

enum IntakeResult : int {
  kIntakeStored = 0,
  kIntakeStorageFailed = -1,
  kIntakeSocketError = -2,  // also: DATA without an accepted recipient
  kIntakeClosedOrIdle = -3,
  kIntakeLineTooLong = -17,
  kIntakeRefused = -18,   // a banned word or a duplicate
  kIntakeTooLarge = -19,  // longer than QERVMAXMESSAGEBYTES
};

class MessageIntake {
 public:
  MessageIntake(EventLoop& loop, EventLog& log, IntakeQueue& queue)
      : loop_(loop), log_(log), queue_(queue) {}

  // Reads the message text that follows DATA from `input`. `name` receives
  // the file name (no directory) it was stored or refused under. The file
  // is on disk, flushed, before this returns.
  int StoreMessage(SmtpInput& input, SocketConnection& connection, std::string& name);

  // Checks a stored file: a duplicate of `name` in the queue (without
  // automatic start), lines longer than the printer's, banned words. A
  // refusal is logged and appended to the file.
  int CheckMessage(const std::string& path, const std::string& name,
                   const IntakeSettings& settings);

  // "E_yyyymmdd_hhmmss.mmm.txt" of a moment, local time.
  static std::string TimeStampName(WallClock::time_point when);

 private:
  struct Received {
    int result = kIntakeStored;
    std::string tempPath;
  };
  Received ReceiveToTempFile(SmtpInput& input, std::size_t maxBytes);
  // Creates the stored file under the time-stamp name, or one made distinct
  // from a file already there. Fills `name` and `path`.
  int WriteStoredFile(const std::string& tempPath, const IntakeSettings& settings,
                      const std::string& stampName, std::string& name, std::string& path,
                      std::string& subjectName);
  int Publish(const IntakeSettings& settings, std::string& name, std::string& path,
              const std::string& subjectName);
  void MoveToBadWords(const IntakeSettings& settings, const std::string& path,
                      const std::string& name);

  EventLoop& loop_;
  EventLog& log_;
  IntakeQueue& queue_;
  // Where the search for a free name of this time stamp goes on, so many
  // messages of one millisecond do not try every taken name again.
  int FirstNameAttempt(const std::string& stampName);
  void NoteNameAttempt(const std::string& stampName, int attempt);
  std::mutex naming_;
  std::string lastStampName_;
  int lastAttempt_ = 0;
  // Naming, checking and queueing one message at a time, so two messages
  // of one subject never both pass the duplicate check.
  std::mutex publish_;
};

}  // namespace kestrix
