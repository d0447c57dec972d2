// The picture editor's byte rules. The file is read and written as binary:
// a text-mode write would turn the overstrike CRs into line ends.

#include "mailer/picture_filter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "common/text_case.h"

namespace kestrix {

namespace {

constexpr unsigned char kLf = 10;
constexpr unsigned char kCr = 13;

// The signs of a teleprinter: LF, CR, blank, the figures case, digits and
// letters.
constexpr bool Printable(unsigned char c) {
  return c == kLf || c == kCr || (c >= 32 && c <= 36) || (c >= 38 && c <= 41) ||
         (c >= 44 && c <= 59) || c == 63 || (c >= 65 && c <= 90);
}

}  // namespace

unsigned char PictureFilter::Filter(unsigned char byte) {
  if (byte >= 128) {
    return 0;
  }
  const unsigned char c = UpperCase(byte);
  if (c == '<') {
    return kCr;
  }
  if (c == '^') {
    return kLf;
  }
  return Printable(c) ? c : 0;
}

std::string PictureFilter::DisplayText(std::string_view fileBytes) {
  const std::string_view bytes = fileBytes.substr(0, kMaxFileBytes);
  std::string filtered;
  filtered.reserve(bytes.size());
  for (char c : bytes) {
    filtered += static_cast<char>(Filter(static_cast<unsigned char>(c)));
  }
  // Neighbours are the file's own bytes, before the zero bytes are dropped.
  std::string display;
  display.reserve(filtered.size() * 2);
  for (std::size_t i = 0; i < filtered.size(); ++i) {
    const auto c = static_cast<unsigned char>(filtered[i]);
    if (c == 0) {
      continue;
    }
    if (c == kLf) {
      display += "^\r\n";
      continue;
    }
    if (c != kCr) {
      display += static_cast<char>(c);
      continue;
    }
    const unsigned char before = i > 0 ? static_cast<unsigned char>(filtered[i - 1]) : 0;
    const unsigned char after =
        i + 1 < filtered.size() ? static_cast<unsigned char>(filtered[i + 1]) : 0;
    display += '<';
    // A CR of its own is shown doubled; saved, it becomes CR CR.
    if (i > 0 && before != kCr && after != kCr) {
      display += '<';
    }
    if (after != kCr && after != kLf) {
      display += "\r\n";
    }
  }
  return display;
}

std::string PictureFilter::SavedBytes(std::string_view displayText) {
  std::string bytes;
  bytes.reserve(displayText.size() + 1);
  for (char c : displayText) {
    switch (c) {
      case '<':
        bytes += static_cast<char>(kCr);
        break;
      case '^':
        bytes += static_cast<char>(kLf);
        break;
      case '\r':
      case '\n':
      case '\0':
        break;
      default:
        bytes += static_cast<char>(Filter(static_cast<unsigned char>(c)));
        break;
    }
  }
  bytes += '\0';
  return bytes;
}

std::optional<std::string> PictureFilter::Load(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return std::nullopt;
  }
  // A directory opens for reading on Linux but is no file to edit.
  struct stat status {};
  if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string bytes(kMaxFileBytes, '\0');
  std::size_t used = 0;
  while (used < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    used += static_cast<std::size_t>(got);
  }
  ::close(fd);
  bytes.resize(used);
  return DisplayText(bytes);
}

bool PictureFilter::Save(const std::string& path, std::string_view displayText) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    return false;
  }
  const std::string bytes = SavedBytes(displayText);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

}  // namespace kestrix
