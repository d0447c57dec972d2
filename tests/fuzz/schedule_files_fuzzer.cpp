// Any "schedule.lst" through both of its readers, and the temporary
// schedule that received mail is added to.
//
// The queue's loader: every entry it queues is a queue line of a name from
// the file, due after the moment of the load. Names added one by one to
// "schedule_temp.lst" come back as the bare entries of that file, in their
// order and at times that never go back.
//
// The schedule editor: a list it loaded and saved loads again without
// losing an entry, and saves to the same bytes.
//
// Input: byte 0 chooses the mode (bits 0..2), the editor's automatic times
// (bit 3) and the time zone (bits 4..5); the rest is the file.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/event_log.h"
#include "common/time_tag.h"
#include "station/config/station_mode.h"
#include "station/config/station_settings.h"
#include "station/queue/schedule_editor.h"
#include "station/queue/schedule_file.h"
#include "station/queue/schedule_loader.h"
#include "station/queue/script_help.h"
#include "station/queue/send_queue.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_workspace.h"
#include "tests/support/recording_schedule_view.h"

namespace {

using kestrix::TimeTag;
using kestrix::fuzzing::Require;
namespace kt = kestrix::testing;

constexpr std::array<int, 8> kModes = {
    kestrix::kModeAscii,    kestrix::kModeIta2,  kestrix::kModeTelex, kestrix::kModeMilitary,
    kestrix::kModeMilitary, kestrix::kModePsk31, kestrix::kModeCw,    kestrix::kModeMilitary};

// The editor reads a schedule in pieces of this many characters.
constexpr std::size_t kEditorPiece = 79;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A name that the temporary schedule can carry: one word that fits in one
// of the loader's line pieces.
bool IsOneWord(std::string_view name) {
  return !name.empty() && name.size() <= 253 && std::none_of(name.begin(), name.end(), IsBlank);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

void CheckQueued(const std::vector<std::string>& entries, std::string_view file, TimeTag now) {
  for (const std::string& entry : entries) {
    const kestrix::QueueLineTokens tokens = kestrix::SplitQueueLine(entry);
    Require(tokens.count == 3, "a queued entry is not a date, a time and a name");
    Require(file.find(tokens.name) != std::string_view::npos,
            "a queued name that is not in the file");
    Require(kestrix::ParseTimeTag(entry) > now, "a queued entry is not due after the load");
  }
}

void CheckTemporarySchedule(kestrix::ScheduleLoader& loader, kestrix::SendQueue& queue,
                            std::string_view file, TimeTag now) {
  const std::vector<std::string> names = SplitLines(file);
  if (names.empty() || !std::all_of(names.begin(), names.end(), IsOneWord)) {
    return;
  }
  for (const std::string& name : names) {
    loader.AppendToTempSchedule(name);
  }
  queue.Clear();
  loader.GetSchedule("data/schedule_temp.lst");
  Require(queue.Count() == static_cast<int>(names.size()),
          "the temporary schedule did not queue every name added");
  TimeTag previous = now;
  for (int i = 0; i < queue.Count(); ++i) {
    const kestrix::QueueLineTokens tokens = kestrix::SplitQueueLine(queue.Text(i));
    Require(tokens.count == 3 && tokens.name == names[static_cast<std::size_t>(i)],
            "a name added to the temporary schedule came back as another");
    const TimeTag tag = kestrix::ParseTimeTag(queue.Text(i));
    Require(tag > now && tag >= previous, "the temporary schedule's times go back");
    previous = tag;
  }
}

// What the editor can bring back: it keeps a timed line as its date, its
// time and its name, and shows names as C strings. A line whose moment also
// takes text after its first two words (a blank inside the date, as in
// "12/ 9/2026 -1:01: 0050"), or a NUL, which ends a name where it stands,
// cannot come back the same, so a file with either is not held to the
// round trip. Read in the editor's pieces.
bool EditorCanKeep(const std::string& path) {
  if (kt::ReadFile(path).find('\0') != std::string::npos) {
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "r");
  Require(file != nullptr, "the schedule file cannot be read");
  bool plain = true;
  std::string line;
  while (plain && kestrix::ScheduleFile::ReadLine(file, line, kEditorPiece)) {
    const kestrix::QueueLineTokens tokens = kestrix::SplitQueueLine(line);
    kestrix::ScheduleFile::CleanLine(line);
    plain = tokens.count != 3 ||
            kestrix::ParseTimeTag(tokens.date + " " + tokens.time) == kestrix::ParseTimeTag(line);
  }
  std::fclose(file);
  return plain;
}

void CheckEditor(kestrix::StationSettings& settings, const kestrix::TimeSource& clock,
                 bool autoTime) {
  const kestrix::ScriptHelp help;
  kt::RecordingScheduleView view;
  view.autoTime = autoTime;
  view.filter = "*.txt";
  kestrix::ScheduleEditor editor{settings, clock, help, view};
  editor.Load("data/schedule.lst");
  Require(editor.SaveList("data/first.lst"), "the editor could not save its list");
  const std::string first = kt::ReadFile("data/first.lst");
  const std::vector<std::string> saved = SplitLines(first);
  for (const std::string& line : saved) {
    const kestrix::QueueLineTokens tokens = kestrix::SplitQueueLine(line);
    Require(tokens.count == 1 || tokens.count == 3, "a saved line of two words");
  }
  if (!EditorCanKeep("data/schedule.lst")) {
    return;
  }
  editor.Load("data/first.lst");
  Require(view.lines.size() == saved.size(), "a saved list lost an entry when loaded again");
  Require(editor.SaveList("data/second.lst"), "the editor could not save its list");
  Require(kt::ReadFile("data/second.lst") == first,
          "a saved list loaded and saved again gave other bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  kestrix::fuzzing::UseTimeZone(data[0] >> 4);
  const kestrix::WallClock::time_point start = kt::LocalMoment(2026, 12, 8, 18, 0, 0);
  kestrix::fuzzing::FreshWorkingDirectory({start});
  std::filesystem::create_directory("data");
  kt::WriteFile("data/a.txt", std::string(1000, 'a'));
  kt::WriteFile("data/b.txt", std::string(20000, 'b'));
  kt::WriteFile("data/empty.txt", "");
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  kt::WriteFile("data/schedule.lst", std::string(file));

  kt::SimulatedEventLoop loop{start};
  kt::RecordingStatusList list;
  kt::RecordingMessageBox box;
  kestrix::EventLog log{loop, list, box};
  kestrix::StationSettings settings;
  settings.MODE = kModes[data[0] & 7];
  kestrix::SendQueue queue;
  kestrix::ScheduleLoader loader{settings, loop, log, queue};
  const TimeTag now = kestrix::ToTimeTag(start);

  loader.GetSchedule("data/schedule.lst");
  CheckQueued(queue.Texts(), file, now);
  CheckTemporarySchedule(loader, queue, file, now);
  CheckEditor(settings, loop, (data[0] & 8) != 0);
  return 0;
}
