#include "station/app/file_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace kestrix {

namespace {

// Writes all of `bytes`, going on after a partial write or a signal.
bool WriteAll(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = ::write(fd, bytes, count);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

FileImport::FileImport(const StationSettings& settings, EventLog& log, FileChooser& chooser,
                       QueueCommands& commands)
    : settings_(settings), log_(log), chooser_(chooser), commands_(commands) {}

void FileImport::ImportFiles(const std::vector<std::string>& sources) {
  for (const std::string& source : sources) {
    std::string name = std::filesystem::path(source).filename().string();
    std::replace(name.begin(), name.end(), ' ', '_');
    chooser_.SetEditText(name);
    if (Copy(source, settings_.QERVDataPath + name)) {
      commands_.AddFileToQueue();
    }
  }
}

bool FileImport::Copy(const std::string& source, const std::string& target) {
  std::error_code ignored;
  if (std::filesystem::exists(target, ignored)) {
    log_.LogEvent("Filename " + target + " already exists, won't copy");
    return false;
  }
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    log_.LogEvent("Filename " + source + " can't open read");
    return false;
  }
  // O_EXCL: a file that appeared meanwhile is not replaced either.
  const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    ::close(in);
    log_.LogEvent(errno == EEXIST ? "Filename " + target + " already exists, won't copy"
                                  : "Filename " + target + " can't open write");
    return false;
  }
  char block[kBlockSize];
  bool ok = true;
  for (;;) {
    const ssize_t got = ::read(in, block, sizeof block);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    if (!WriteAll(out, block, static_cast<std::size_t>(got))) {
      ok = false;
      break;
    }
  }
  ::close(in);
  ok = ::close(out) == 0 && ok;
  if (!ok) {
    // Half a bulletin must not go on the air.
    std::filesystem::remove(target, ignored);
    log_.LogEvent("Filename " + target + " can't open write");
  }
  return ok;
}

}  // namespace kestrix
