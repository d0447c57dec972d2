// Any "Quillon.INI": the five fields are the file's first five lines and
// the queue its later non-empty ones, each cut at 255 characters and at
// its first CR; what is read writes a file that reads back the same, and
// writing that again gives the same bytes.
//
// Input: the file's bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mailer/quillon_settings.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_workspace.h"

namespace {

using kestrix::QuillonSettings;
using kestrix::fuzzing::Require;
namespace kt = kestrix::testing;

// The file's lines as a text reading gives them: a last line without its
// line feed counts, the empty piece after a final line feed does not.
std::vector<std::string> Lines(std::string_view file) {
  std::vector<std::string> lines;
  while (!file.empty()) {
    const std::size_t end = file.find('\n');
    std::string line(file.substr(0, end));
    line.resize(std::min(line.size(), QuillonSettings::kMaxLine));
    lines.push_back(line.substr(0, line.find('\r')));
    file.remove_prefix(end == std::string_view::npos ? file.size() : end + 1);
  }
  return lines;
}

std::vector<std::optional<std::string>> Fields(const QuillonSettings& s) {
  return {s.server, s.address, s.subject, s.mailFrom, s.port};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  kestrix::fuzzing::FreshWorkingDirectory();
  kt::WriteFile(QuillonSettings::kFileName, file);

  const std::optional<QuillonSettings> read = QuillonSettings::Read();
  Require(read.has_value(), "a file that is there was not read");
  const std::vector<std::string> lines = Lines(file);
  const std::vector<std::optional<std::string>> fields = Fields(*read);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    Require(fields[i] == (i < lines.size() ? std::optional(lines[i]) : std::nullopt),
            "a field is not its line");
  }
  std::vector<std::string> queue;
  for (std::size_t i = fields.size(); i < lines.size(); ++i) {
    if (!lines[i].empty()) {
      queue.push_back(lines[i]);
    }
  }
  Require(read->queue == queue, "the queue is not the later non-empty lines");

  Require(read->Write("first.ini"), "the settings could not be written");
  const std::optional<QuillonSettings> again = QuillonSettings::Read("first.ini");
  Require(again.has_value(), "a written file could not be read");
  const std::vector<std::optional<std::string>> fieldsAgain = Fields(*again);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    Require(fieldsAgain[i] == fields[i].value_or(""), "a field did not come back as written");
  }
  Require(again->queue == read->queue, "the queue did not come back as written");
  Require(again->Write("second.ini"), "the settings could not be written");
  Require(kt::ReadFile("second.ini") == kt::ReadFile("first.ini"),
          "writing what was read back gave other bytes");
  return 0;
}
