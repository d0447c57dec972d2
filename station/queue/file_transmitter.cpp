#include "station/queue/file_transmitter.h"

#include <fstream>
#include <optional>

#include "common/text_case.h"
#include "station/config/station_mode.h"
#include "station/queue/transmit_files.h"

namespace kestrix {
namespace {

// While paused the modem gets idle characters, so the PSK31 carrier stays up
// with at most this many of them queued.
constexpr int kModemIdleQueue = 2;

// The text of a file: at most kMaxRead bytes, up to the first zero byte,
// and what cut it there. Nothing when the file cannot be opened.
struct FileText {
  std::string text;
  enum class Cut { kNone, kTooLong, kZeroByte } cut = Cut::kNone;
};

std::optional<FileText> ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return std::nullopt;
  }
  // One byte more than is sent tells a file that is longer.
  std::string bytes(FileTransmitter::kMaxRead + 1, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  FileText result;
  const std::size_t zero = bytes.find('\0');
  if (zero < FileTransmitter::kMaxRead) {
    result.cut = FileText::Cut::kZeroByte;
    bytes.resize(zero);
  } else if (bytes.size() > FileTransmitter::kMaxRead) {
    result.cut = FileText::Cut::kTooLong;
    bytes.resize(FileTransmitter::kMaxRead);
  }
  result.text = std::move(bytes);
  return result;
}

// The cut is how a file is sent; the operator learns that the rest stayed.
void LogCut(EventLog& log, const std::string& name, const FileText& file) {
  switch (file.cut) {
    case FileText::Cut::kTooLong:
      log.LogEvent("TXFile : <" + name + "> is longer than " +
                   std::to_string(FileTransmitter::kMaxRead) + " bytes; the rest is not sent.");
      break;
    case FileText::Cut::kZeroByte:
      log.LogEvent("TXFile : <" + name + "> holds a zero byte at offset " +
                   std::to_string(file.text.size()) + "; the rest is not sent.");
      break;
    case FileText::Cut::kNone:
      break;
  }
}

}  // namespace

FileTransmitter::FileTransmitter(StationSettings& settings, EventLoop& loop, EventLog& log,
                                 CharacterEncoder& encoder, CodeOutput& output, MorseKeyer& morse,
                                 Psk31Modem& modem, TransmitBusy& busy, MonitorRing& ring,
                                 FileTransmitterControls controls)
    : settings_(settings),
      loop_(loop),
      log_(log),
      encoder_(encoder),
      output_(output),
      morse_(morse),
      modem_(modem),
      busy_(busy),
      ring_(ring),
      controls_(controls) {}

void FileTransmitter::TXFile(const std::string& name, int mode) {
  settings_.transferSend = 1;
  settings_.transferCancel = 0;
  controls_.flowStatus.SetText("");

  PrintFile(name);

  const std::string path = TransmitFilePath(name);
  std::optional<FileText> file = ReadText(path);
  if (!file) {
    const std::string message = "[TXFile : Cannot open " + path + " input file.]";
    controls_.textPane.SetText(message);
    log_.LogEvent(message);
    return;
  }
  log_.LogEvent("TXFile : Sending file <" + name + ">.");
  LogCut(log_, name, *file);
  std::string& text = file->text;

  busy_.Take();
  // Every way out of the loop gives the output back and clears the count.
  struct Holding {
    TransmitBusy& busy;
    TextField& charactersLeft;
    ~Holding() {
      charactersLeft.SetText("");
      busy.Release();
    }
  } holding{busy_, controls_.charactersLeft};

  const int n = static_cast<int>(text.size());
  for (int i = 0; i < n; ++i) {
    controls_.charactersLeft.SetText(std::to_string(n - 1 - i));
    // The operator may have put another file on display meanwhile.
    if (controls_.fileNameLine.Text() == name) {
      controls_.textPane.SelectCharacter(i);
    }
    if (!WaitWhilePaused(mode) || WayOutGone(name, i, n, mode)) {
      return;
    }
    SendCharacter(text[static_cast<std::size_t>(i)], mode);
    loop_.PumpMessages();
  }
}

bool FileTransmitter::WaitWhilePaused(int mode) {
  if (settings_.transferSend != 0) {
    return settings_.transferCancel == 0;
  }
  while (settings_.transferSend != 1) {
    // Resume and CANCEL are window events: block for them, never spin.
    loop_.WaitForNextEvent();
    if (mode == kModePsk31) {
      modem_.QueueCharacter(0, 0);
      while (modem_.QueuedCount() > kModemIdleQueue) {
        loop_.WaitForNextEvent();
      }
    }
    if (settings_.transferCancel != 0) {
      return false;
    }
  }
  return true;
}

// Reported as sent, a file that went nowhere would hide the fault until an
// operator looks: it ends as a cancelled one, so the scheduler stops and
// the rest of the queue waits.
bool FileTransmitter::WayOutGone(const std::string& name, int sent, int length, int mode) {
  if (mode == kModeCw) {
    return false;  // keyed on the serial line, never lost
  }
  const std::string why = output_.LostBecause();
  if (why.empty()) {
    return false;
  }
  const std::string what = sent == 0 ? "is not sent."
                                     : "is cut off after " + std::to_string(sent) + " of " +
                                           std::to_string(length) + " characters.";
  log_.LogEvent("TXFile : " + why + "; <" + name + "> " + what);
  settings_.transferCancel = 1;
  return true;
}

void FileTransmitter::SendCharacter(char& slot, int mode) {
  const unsigned char c = static_cast<unsigned char>(slot);
  switch (mode) {
    case kModeCw:
      morse_.KeyMorseCharacter(c, MorseKeyer::kTextGap);
      break;
    case kModeAscii:
    case kModePsk31:
    case kModeIta2:
    case kModeTelex:
    case kModeMilitary:
      // The ring shows what went out; the pane keeps it in the slot.
      slot = static_cast<char>(encoder_.SendTextCharacter(c, mode));
      ring_.Put(slot);
      break;
    default:
      break;
  }
}

int FileTransmitter::PrintFile(const std::string& name) {
  const std::string path = name.find("log/") != std::string::npos ? name.substr(0, kMaxTransmitPath)
                                                                  : TransmitFilePath(name);
  // "$" names are commands of a schedule, not files.
  if (!name.empty() && name.front() == '$') {
    return 0;
  }
  controls_.fileNameLine.SetText(name);

  std::optional<FileText> file = ReadText(path);
  if (!file) {
    const std::string message = "[PrintFile :Cannot open " + path + " input file.]";
    controls_.textPane.SetText(message);
    log_.LogEvent(message);
    return 1;
  }
  std::string& text = file->text;
  if (settings_.MODE != kModeAscii) {
    text = UpperCase(std::move(text));
  }
  controls_.textPane.SetText(text);
  return 0;
}

}  // namespace kestrix
