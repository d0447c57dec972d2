#pragma once
// Runs a test inside a fresh temporary directory and goes back afterwards;
// the station works with paths relative to its working directory.

#include <filesystem>
#include <string>

namespace kestrix::testing {

class TempWorkingDirectory {
 public:
  TempWorkingDirectory();
  ~TempWorkingDirectory();
  TempWorkingDirectory(const TempWorkingDirectory&) = delete;
  TempWorkingDirectory& operator=(const TempWorkingDirectory&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

// The whole content of a file, or "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
// Writes `content` as the whole file, byte for byte.
void WriteFile(const std::filesystem::path& path, const std::string& content);

}  // namespace kestrix::testing
