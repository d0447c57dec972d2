// A received message through the stored-file writer (with and without
// wrapping) and the checker. The body must come through whole, the end
// marker must follow exactly when the headers ended in an empty line, a
// subject's file name must be safe, and a check must refuse or pass the
// file as its lines say, appending its reason only on a refusal.
//
// Input: byte 0 chooses the options (bit 0: check the wrapped file, bit 1:
// subject file names, bit 2: automatic start); the rest is the raw message.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/event_log.h"
#include "common/text_case.h"
#include "station/net/message_intake.h"
#include "station/net/stored_message.h"
#include "station/net/text_mode_file.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/fuzz/fake_intake_queue.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_workspace.h"

namespace {

using kestrix::fuzzing::Require;
namespace kt = kestrix::testing;

const kestrix::WallClock::time_point kNow = kt::LocalMoment(2026, 12, 8, 18, 0, 0);
constexpr std::string_view kEndMark = "\r\r\nNNNN\r\r\n";
constexpr std::size_t kReadChunk = 1023;     // what the writer reads at most as one body line
constexpr std::size_t kCheckChunk = 1022;    // what the checker reads at most as one line
constexpr std::size_t kMaxWrapped = 75;      // a wrapped body line, without its end
constexpr std::size_t kMaxCheckedLine = 72;  // with the line feed
constexpr std::string_view kRule = "=======================";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Where the body starts: after the first whole line that, with CR LF taken
// as one line feed, is a bare line feed. npos when there is none.
std::size_t BodyStart(std::string_view raw) {
  std::size_t pos = 0;
  while (pos < raw.size()) {
    std::size_t count = 0;
    bool lineFeed = false;
    while (pos < raw.size() && !lineFeed) {
      const char c = raw[pos++];
      if (c == '\r' && pos < raw.size() && raw[pos] == '\n') {
        ++pos;
        lineFeed = true;
      } else {
        lineFeed = c == '\n';
      }
      ++count;
    }
    if (count == 1 && lineFeed) {
      return pos;
    }
  }
  return std::string_view::npos;
}

// Text mode on disk: every line feed that has no CR before it gets one.
std::string OnDisk(std::string_view text) {
  std::string disk;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      disk += '\r';
    }
    disk += text[i];
  }
  return disk;
}

// The file's text as the checker reads it: CR LF as a line feed.
std::string InMemory(std::string_view disk) {
  std::string text;
  for (std::size_t i = 0; i < disk.size(); ++i) {
    if (disk[i] == '\r' && i + 1 < disk.size() && disk[i + 1] == '\n') {
      continue;
    }
    text += disk[i];
  }
  return text;
}

std::vector<std::string_view> Lines(std::string_view text, std::string_view end) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t at = text.find(end);
    const std::size_t length = at == std::string_view::npos ? text.size() : at + end.size();
    lines.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return lines;
}

std::string WithoutBlanksAndLineEnds(std::string_view text) {
  std::string kept;
  for (char c : text) {
    if (c != ' ' && c != '\r' && c != '\n') {
      kept += c;
    }
  }
  return kept;
}

void CheckFileName(const std::string& name, std::size_t subjectLength) {
  Require(EndsWith(name, ".txt"), "file name does not end in .txt");
  Require(name.size() <= 62, "file name longer than 62");
  Require(name.size() == std::min<std::size_t>(subjectLength, 58) + 4,
          "file name is not the subject cut at 58");
  for (char c : name) {
    const auto code = static_cast<unsigned char>(c);
    Require(code >= 0x20 && code <= 0x7E, "file name holds a byte outside 0x20..0x7E");
    Require(c != '/' && c != '\\' && c != ' ', "file name holds a slash or a blank");
  }
}

struct Stored {
  std::string file;
  kestrix::StoredMessageHeaders headers;
};

Stored Store(const char* path, kestrix::StoredMessageOptions options) {
  Stored stored;
  std::FILE* raw = std::fopen("raw.tmp", "rb");
  std::FILE* out = std::fopen(path, "wb");
  Require(raw != nullptr && out != nullptr, "cannot open the files");
  {
    kestrix::TextModeReader reader(raw);
    kestrix::TextModeWriter writer(out);
    stored.headers = kestrix::WriteStoredMessage(reader, writer, options);
    Require(writer.Flush(), "stored file not written");
  }
  std::fclose(raw);
  std::fclose(out);
  stored.file = kt::ReadFile(path);
  return stored;
}

void CheckNames(std::string_view message) {
  std::string name(message);
  kestrix::SubjectToFileName(name);
  CheckFileName(name, message.size());
  for (std::size_t i = 0; i < std::min<std::size_t>(message.size(), 58); ++i) {
    const char c = message[i];
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      Require(name[i] == c, "a letter or digit changed in the file name");
    }
  }
  std::string blanked(message);
  kestrix::UnderscoresToBlanks(blanked);
  Require(blanked.size() == message.size(), "underscores to blanks changed the length");
  for (std::size_t i = 0; i < message.size(); ++i) {
    Require(blanked[i] == (message[i] == '_' ? ' ' : message[i]), "not only underscores changed");
  }
}

void CheckStoredFiles(std::string_view raw, const Stored& plain, const Stored& wrapped,
                      bool subjectNames) {
  Require(plain.headers.sawSubject == wrapped.headers.sawSubject &&
              plain.headers.subjectName == wrapped.headers.subjectName,
          "wrapping changed the subject");
  if (!subjectNames) {
    Require(!plain.headers.sawSubject && plain.headers.subjectName.empty(),
            "a subject name without subject file names");
  } else if (plain.headers.sawSubject) {
    const std::string& name = plain.headers.subjectName;
    Require(EndsWith(name, ".txt") && name.size() <= 62, "subject name not a short .txt name");
    CheckFileName(name, name.size() - 4);
  }

  const std::size_t bodyStart = BodyStart(raw);
  if (bodyStart == std::string_view::npos) {
    Require(!EndsWith(plain.file, kEndMark), "end marker without an empty line");
    Require(wrapped.file == plain.file, "wrapping changed a file without a body");
  } else {
    const std::string_view body = raw.substr(bodyStart);
    const std::string tail = "\r\r\n" + OnDisk(body) + std::string(kEndMark);
    Require(EndsWith(plain.file, tail), "body not kept whole, or no end marker after it");
    const std::string_view head =
        std::string_view(plain.file).substr(0, plain.file.size() - tail.size() + 3);
    Require(StartsWith(wrapped.file, head) && EndsWith(wrapped.file, kEndMark),
            "wrapping changed the headers or lost the end marker");
    const std::string_view wrappedBody =
        std::string_view(wrapped.file)
            .substr(head.size(), wrapped.file.size() - head.size() - kEndMark.size());
    Require(WithoutBlanksAndLineEnds(wrappedBody) == WithoutBlanksAndLineEnds(OnDisk(body)),
            "wrapping lost or added more than blanks and line ends");
    // Lines read whole, without CRs, come out no longer than the wrap.
    bool readWhole = body.find('\r') == std::string_view::npos;
    for (std::string_view line : Lines(body, "\n")) {
      readWhole = readWhole && line.size() <= kReadChunk + (EndsWith(line, "\n") ? 1 : 0);
    }
    if (readWhole) {
      for (std::string_view line : Lines(wrappedBody, "\r\n")) {
        const std::size_t length = line.size() - (EndsWith(line, "\r\n") ? 2 : 0);
        Require(length <= kMaxWrapped, "a wrapped line longer than 75");
      }
    }
  }
  for (std::string_view line :
       Lines(std::string_view(plain.file).substr(0, plain.file.find("\r\r\n")), "\n")) {
    Require(StartsWith(line, "From:") || StartsWith(line, "To:") || StartsWith(line, "Subject:") ||
                StartsWith(line, "Date:"),
            "a stored header line that is none of the four");
  }
}

bool HasBadWord(std::string_view text) {
  const std::string upper = kestrix::UpperCase(std::string(text));
  for (const std::string& word : kestrix::fuzzing::FakeIntakeQueue::BadWords()) {
    if (upper.find(word) != std::string::npos) {
      return true;
    }
  }
  return false;
}

void CheckTheCheck(const char* path, const std::string& name, bool autoStart) {
  kt::SimulatedEventLoop loop{kNow};
  kt::RecordingStatusList list;
  kt::RecordingMessageBox box;
  kestrix::EventLog log{loop, list, box};
  kestrix::fuzzing::FakeIntakeQueue queue;
  queue.Configure().autoStart = autoStart;
  kestrix::MessageIntake intake{loop, log, queue};

  const std::string before = kt::ReadFile(path);
  const int result = intake.CheckMessage(path, name, *queue.Settings());
  const std::string after = kt::ReadFile(path);

  const bool duplicate = !autoStart && queue.AnyEntryContains(name);
  if (result == kestrix::kIntakeStored) {
    Require(!duplicate, "a duplicate passed");
    Require(after == before && list.lines.empty(), "a passed file was changed or logged");
    const std::string text = InMemory(before);
    for (std::string_view line : Lines(text, "\n")) {
      if (line.size() > kCheckChunk) {
        continue;  // read in pieces
      }
      Require(line.size() <= kMaxCheckedLine || line.find("\r\r") != std::string_view::npos,
              "a long line passed");
      Require(!HasBadWord(line), "a banned word passed");
    }
    return;
  }
  Require(result == kestrix::kIntakeRefused || result == kestrix::kIntakeLineTooLong,
          "a stored file failed to be checked");
  Require(StartsWith(after, before), "a refused file lost its text");
  const std::string_view added = std::string_view(after).substr(before.size());
  const std::string opening = "\r\n\r\n" + std::string(kRule) + "\r\nERROR - ";
  const std::string closing = "\r\n" + std::string(kRule) + "\r\n";
  Require(StartsWith(added, opening) && EndsWith(added, closing) &&
              added.size() >= opening.size() + closing.size(),
          "the reason is not appended between rules");
  const std::string_view error =
      added.substr(opening.size() - 8, added.size() - opening.size() + 8 - closing.size());
  Require(list.lines.size() == 1 && EndsWith(list.lines[0], kestrix::EventLog::FirstLine(error)),
          "the refusal is not logged once");
  if (duplicate) {
    Require(StartsWith(error, "ERROR - Duplicate Message \"" + name + "\""),
            "a duplicate refused for another reason");
  } else if (result == kestrix::kIntakeLineTooLong) {
    Require(StartsWith(error, "ERROR - Line "), "a long line refused for another reason");
    const std::size_t has = error.find(" has ");
    const std::size_t characters = error.find(" characters");
    Require(has != std::string_view::npos && characters != std::string_view::npos,
            "a long line's reason without its length");
    const unsigned long length = std::stoul(std::string(error.substr(has + 5)));
    Require(length > kMaxCheckedLine && length <= kCheckChunk, "a long line's length is wrong");
  } else {
    Require(StartsWith(error, "ERROR - Message Contained bad word \""),
            "a banned word refused for another reason");
    Require(HasBadWord(InMemory(before)), "refused for a banned word that is not there");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const bool checkWrapped = (data[0] & 1) != 0;
  const bool subjectNames = (data[0] & 2) != 0;
  const bool autoStart = (data[0] & 4) != 0;
  const std::string_view raw(reinterpret_cast<const char*>(data) + 1, size - 1);

  CheckNames(raw);

  kestrix::fuzzing::FreshWorkingDirectory({kNow});
  kt::WriteFile("raw.tmp", std::string(raw));
  const Stored plain = Store("plain.txt", {false, subjectNames});
  const Stored wrapped = Store("wrapped.txt", {true, subjectNames});
  CheckStoredFiles(raw, plain, wrapped, subjectNames);

  const Stored& checked = checkWrapped ? wrapped : plain;
  const std::string name =
      checked.headers.sawSubject ? checked.headers.subjectName : "E_20261208_180000.000.txt";
  CheckTheCheck(checkWrapped ? "wrapped.txt" : "plain.txt", name, autoStart);
  return 0;
}
