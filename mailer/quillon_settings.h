#pragma once
// "Quillon.INI": the main window's fields and its file queue between runs,
// one value per line.

#include <optional>
#include <string>
#include <vector>

namespace kestrix {

struct QuillonSettings {
  static constexpr const char* kFileName = "Quillon.INI";
  static constexpr std::size_t kMaxLine = 255;

  // Missing lines stay empty optionals: the field keeps its default.
  std::optional<std::string> server, address, subject, mailFrom, port;
  std::vector<std::string> queue;

  // Nothing when the file does not exist.
  static std::optional<QuillonSettings> Read(const std::string& path = kFileName);
  // Replaces the file; false when it cannot be written.
  bool Write(const std::string& path = kFileName) const;
};

}  // namespace kestrix
