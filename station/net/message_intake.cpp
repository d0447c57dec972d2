#include "station/net/message_intake.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/text_case.h"
#include "common/time_tag.h"
#include "station/net/smtp_data_decoder.h"
#include "station/net/stored_message.h"
#include "station/net/text_mode_file.h"

namespace kestrix {

namespace {

constexpr std::size_t kMaxCheckedRead = 1022;
constexpr std::size_t kMaxLineLength = 72;  // characters with the line end
constexpr int kMaxNameAttempts = 1000000;

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) {
      std::fclose(file);
    }
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Format(const char* pattern, const std::string& a) {
  std::string text = pattern;
  const std::size_t at = text.find("%s");
  return at == std::string::npos ? text : text.replace(at, 2, a);
}

std::string Format(const char* pattern, const std::string& a, const std::string& b) {
  std::string text = Format(pattern, a);
  const std::size_t at = text.find("%s");
  return at == std::string::npos ? text : text.replace(at, 2, b);
}

// The directory part of a path, "." when there is none.
std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A new directory entry survives a crash only once its directory is synced.
void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// "E_..._hhmmss.mmm.txt" stays; a second message of the same millisecond
// gets "-2" before ".txt", and so on.
std::string DistinctName(const std::string& stampName, int attempt) {
  if (attempt == 1) {
    return stampName;
  }
  return stampName.substr(0, stampName.size() - 4) + "-" + std::to_string(attempt) + ".txt";
}

}  // namespace

std::string MessageIntake::TimeStampName(WallClock::time_point when) {
  const std::tm local = LocalTime(when);
  const auto millisecond =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  char name[64];
  std::snprintf(name, sizeof name, "E_%04d%02d%02d_%02d%02d%02d.%03d.txt", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millisecond));
  return name;
}

int MessageIntake::StoreMessage(SmtpInput& input, SocketConnection& connection, std::string& name) {
  const std::string stampName = TimeStampName(loop_.Now());
  const std::optional<IntakeSettings> settings = queue_.Settings();
  if (!settings) {
    return kIntakeStorageFailed;
  }
  const Received received = ReceiveToTempFile(input, settings->maxMessageBytes);
  if (received.result == kIntakeSocketError || received.result == kIntakeClosedOrIdle) {
    const std::string failed =
        Format("451 Log file \"%s\" failed to end in DOT\n\r", settings->dataPath + stampName);
    log_.LogEvent(failed);
    connection.Send(failed);
    return received.result;
  }
  if (received.result != kIntakeStored) {
    return received.result;
  }
  std::string path;
  std::string subjectName;
  const int written =
      WriteStoredFile(received.tempPath, *settings, stampName, name, path, subjectName);
  std::remove(received.tempPath.c_str());
  if (written != kIntakeStored) {
    return written;
  }
  return Publish(*settings, name, path, subjectName);
}

MessageIntake::Received MessageIntake::ReceiveToTempFile(SmtpInput& input, std::size_t maxBytes) {
  Received received;
  char pattern[] = "data.XXXXXX.tmp";
  const int fd = ::mkstemps(pattern, 4);
  if (fd < 0) {
    const char* why = ::strerrordesc_np(errno);
    log_.LogEvent(std::string("Unable to create temp data file (") + (why ? why : "unknown error") +
                  ")");
    received.result = kIntakeStorageFailed;
    return received;
  }
  received.tempPath = pattern;
  File temp(::fdopen(fd, "wb"));
  if (!temp) {
    ::close(fd);
    std::remove(pattern);
    received.result = kIntakeStorageFailed;
    return received;
  }
  SmtpDataDecoder decoder;
  std::string text;
  bool writeFailed = false;
  std::size_t total = 0;
  bool tooLarge = false;
  for (;;) {
    text.clear();
    const std::size_t used = decoder.Feed(input.Pending(), text);
    input.Consume(used == SmtpDataDecoder::kNotEnded ? input.Pending().size() : used);
    total += text.size();
    // Past the limit nothing more is written: the rest is read and dropped,
    // to stay in step with the client, and the disk never fills with it.
    tooLarge = tooLarge || total > maxBytes;
    if (!tooLarge && !text.empty() &&
        std::fwrite(text.data(), 1, text.size(), temp.get()) != text.size()) {
      writeFailed = true;  // read on to the end all the same, to stay in step with the client
    }
    if (decoder.Ended()) {
      break;
    }
    const long count = input.ReceiveWithTimeout();
    if (count < 0) {
      received.result = kIntakeSocketError;
      break;
    }
    if (count == 0) {
      log_.LogEvent("Socket Unexpectedly Closed while Storing Temp Data File");
      received.result = kIntakeClosedOrIdle;
      break;
    }
  }
  if (std::fclose(temp.release()) != 0) {
    writeFailed = true;
  }
  if (received.result == kIntakeStored && writeFailed) {
    received.result = kIntakeStorageFailed;
  }
  if (received.result == kIntakeStored && tooLarge) {
    log_.LogEvent("Message refused: longer than " + std::to_string(maxBytes) +
                  " bytes (QERVMaxMessageBytes)");
    received.result = kIntakeTooLarge;
  }
  if (received.result != kIntakeStored) {
    std::remove(pattern);
  }
  return received;
}

int MessageIntake::WriteStoredFile(const std::string& tempPath, const IntakeSettings& settings,
                                   const std::string& stampName, std::string& name,
                                   std::string& path, std::string& subjectName) {
  File raw(std::fopen(tempPath.c_str(), "rb"));
  if (!raw) {
    log_.LogEvent("Unable to read temp data file");
    return kIntakeStorageFailed;
  }
  int fd = -1;
  for (int attempt = FirstNameAttempt(stampName); fd < 0 && attempt <= kMaxNameAttempts;
       ++attempt) {
    name = DistinctName(stampName, attempt);
    path = settings.dataPath + name;
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      NoteNameAttempt(stampName, attempt);
    } else if (errno != EEXIST) {
      break;
    }
  }
  File stored(fd >= 0 ? ::fdopen(fd, "wb") : nullptr);
  if (!stored) {
    if (fd >= 0) {
      ::close(fd);
    }
    log_.LogEvent(Format("Unable to write %s output file", settings.dataPath + stampName));
    return kIntakeStorageFailed;
  }
  TextModeReader reader(raw.get());
  bool written = false;
  {
    TextModeWriter writer(stored.get());
    const StoredMessageHeaders headers =
        WriteStoredMessage(reader, writer, {settings.autoLineLength, settings.useSubjectFileName});
    if (headers.sawSubject) {
      subjectName = headers.subjectName;
    }
    written = writer.Flush();
  }
  // Acknowledged means on the disk: a crash after the reply loses nothing.
  written = written && std::fflush(stored.get()) == 0 && ::fsync(fileno(stored.get())) == 0;
  written = std::fclose(stored.release()) == 0 && written;
  if (!written) {
    log_.LogEvent(Format("Unable to write %s output file", path));
    std::remove(path.c_str());
    return kIntakeStorageFailed;
  }
  return kIntakeStored;
}

int MessageIntake::FirstNameAttempt(const std::string& stampName) {
  const std::lock_guard<std::mutex> lock(naming_);
  return stampName == lastStampName_ ? lastAttempt_ + 1 : 1;
}

void MessageIntake::NoteNameAttempt(const std::string& stampName, int attempt) {
  const std::lock_guard<std::mutex> lock(naming_);
  if (stampName != lastStampName_ || attempt > lastAttempt_) {
    lastStampName_ = stampName;
    lastAttempt_ = attempt;
  }
}

int MessageIntake::Publish(const IntakeSettings& settings, std::string& name, std::string& path,
                           const std::string& subjectName) {
  const std::lock_guard<std::mutex> lock(publish_);
  // Checked under the name it will have, before any file of that name is
  // touched: a refused message never replaces the one already queued.
  const std::string wanted = subjectName.empty() ? name : subjectName;
  const int result = CheckMessage(path, wanted, settings);
  if (result == kIntakeStored && wanted != name) {
    const std::string target = settings.dataPath + wanted;
    if (settings.autoStart && queue_.AnyEntrySends(wanted)) {
      // Replacing it would change what that entry sends.
      log_.LogEvent(Format("Warning: File \"%s\" is waiting in the queue, message kept as \"%s\".",
                           wanted, name));
    } else if (std::rename(path.c_str(), target.c_str()) != 0) {
      log_.LogEvent(Format("Error: Creating new file \"%s\" failed, using \"%s\".", target, path));
    } else {
      name = wanted;
      path = target;
    }
  } else if (result != kIntakeStored) {
    name = wanted;
  }
  if (result != kIntakeStored) {
    MoveToBadWords(settings, path, name);
    return result;
  }
  SyncDirectory(DirectoryOf(path));
  log_.LogEvent(Format("StoreDataMessage : \"%s\" submitted to queue", path));
  queue_.Submit(name);
  return result;
}

void MessageIntake::MoveToBadWords(const IntakeSettings& settings, const std::string& path,
                                   const std::string& name) {
  const std::string target = settings.dataPath + "badwords/" + name;
  // rename() replaces an old file of the name in one step.
  if (std::rename(path.c_str(), target.c_str()) == 0) {
    SyncDirectory(DirectoryOf(target));
    log_.LogEvent(Format("Warning: File \"%s\" moved to badwords directory", name));
  } else {
    log_.LogEvent("ERROR - Moving of file failed");
  }
}

int MessageIntake::CheckMessage(const std::string& path, const std::string& name,
                                const IntakeSettings& settings) {
  std::string error;
  int result = kIntakeStored;
  if (!settings.autoStart && queue_.AnyEntryContains(name)) {
    error = Format("ERROR - Duplicate Message \"%s\" already in queue", name);
    result = kIntakeRefused;
  } else if (File file{std::fopen(path.c_str(), "rb")}) {
    TextModeReader reader(file.get());
    std::string line;
    for (int number = 1; result == kIntakeStored && reader.ReadLine(line, kMaxCheckedRead);
         ++number) {
      if (line.size() > kMaxLineLength && line.find("\r\r") == std::string::npos) {
        error = "ERROR - Line " + std::to_string(number) + " has " + std::to_string(line.size()) +
                " characters, only 72 max are allowed";
        result = kIntakeLineTooLong;
        break;
      }
      const std::string upper = UpperCase(line);
      for (const std::string& word : settings.badWords) {
        if (!word.empty() && upper.find(word) != std::string::npos) {
          error = Format("ERROR - Message Contained bad word \"%s\" in text", word);
          result = kIntakeRefused;
          break;
        }
      }
    }
  } else {
    error = Format("ERROR - Unable to Check Message \"%s\", possible bad filename\n\r", path);
    result = kIntakeStorageFailed;
  }
  if (result == kIntakeStored) {
    return result;
  }
  log_.LogEvent(error);
  if (File file{std::fopen(path.c_str(), "ab")}) {
    TextModeWriter writer(file.get());
    writer.Write("\n\n=======================\n" + error + "\n=======================\n");
  }
  return result;
}

}  // namespace kestrix
