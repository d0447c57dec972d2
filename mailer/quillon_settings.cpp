#include "mailer/quillon_settings.h"

#include <fstream>

namespace kestrix {

namespace {

// A line as read: at most 255 characters, cut at its first LF and CR.
std::string Cut(std::string line) {
  line.resize(std::min(line.size(), QuillonSettings::kMaxLine));
  return line.substr(0, line.find('\r'));
}

}  // namespace

std::optional<QuillonSettings> QuillonSettings::Read(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return std::nullopt;
  }
  QuillonSettings settings;
  std::optional<std::string>* fields[] = {&settings.server, &settings.address, &settings.subject,
                                          &settings.mailFrom, &settings.port};
  std::size_t index = 0;
  for (std::string line; std::getline(file, line);) {
    line = Cut(std::move(line));
    if (index < std::size(fields)) {
      *fields[index++] = line;
    } else if (!line.empty()) {
      settings.queue.push_back(line);
    }
  }
  return settings;
}

bool QuillonSettings::Write(const std::string& path) const {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    return false;
  }
  for (const auto* field : {&server, &address, &subject, &mailFrom, &port}) {
    file << field->value_or("") << '\n';
  }
  for (const std::string& entry : queue) {
    file << entry << '\n';
  }
  return static_cast<bool>(file.flush());
}

}  // namespace kestrix
