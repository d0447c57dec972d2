#include "station/queue/schedule_editor.h"

#include <fnmatch.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "common/text_case.h"
#include "common/time_tag.h"
#include "station/queue/schedule_estimate.h"
#include "station/queue/schedule_file.h"
#include "station/queue/send_queue.h"

namespace kestrix {

namespace {

// Schedule lines are read in pieces of at most this many characters.
constexpr std::size_t kMaxLineLength = 79;
// Lines this far behind are dropped from the view, and so from the file.
constexpr std::int64_t kTwoDays = 172800;
// The file pane's estimate, whatever the mode or rate: 0.1818 s a character.
constexpr double kPaneCharactersPerSecond = 5.5005500550055;

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[512];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

std::string DateTimeText(TimeTag tag) {
  const std::tm tm = LocalTime(tag);
  return Format("%02d/%02d/%4d  %02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
}

// The "$F15" .. "$F21" commands: the PSK31 centre frequency they set.
int PskFrequencyOf(const std::string& upper) {
  for (int hundreds = 15; hundreds <= 21; ++hundreds) {
    if (upper.starts_with("$F" + std::to_string(hundreds))) {
      return hundreds * 100;
    }
  }
  return 0;
}

}  // namespace

ScheduleEditor::ScheduleEditor(StationSettings& settings, const TimeSource& clock,
                               const ScriptHelp& help, ScheduleEditorView& view)
    : settings_(settings), clock_(clock), help_(help), view_(view) {}

std::string ScheduleEditor::DataPath() const {
  return settings_.QERVDataPath;
}

std::string ScheduleEditor::SchedulePath() const {
  return DataPath() + "schedule.lst";
}

std::string ScheduleEditor::WorkPath() const {
  return DataPath() + "schedule.tmp";
}

std::string ScheduleEditor::DurationText(std::int64_t seconds) {
  if (seconds == 0) {
    return "";
  }
  return Format("%4lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
}

void ScheduleEditor::OnShowOrHide() {
  if (!reload_) {
    return;
  }
  reload_ = false;
  Load(SchedulePath());
  view_.SetFilter("*.txt");
  FillChooser();
  view_.Restore();
  view_.SetSlider(kSliderEditing);
  view_.SetMargins(0, kEditingRightMargin);
  view_.SetFileName("");
}

ScheduleEditor::Sized ScheduleEditor::SizeOf(const std::string& name, bool timed) const {
  Sized sized{name, 0};
  const char* mark = nullptr;
  if (name.starts_with('$')) {
    sized.size = 1;
    mark = "CMD";
  } else if (!ScheduleFile::DataFileSize(name, sized.size) || sized.size == 0) {
    sized.size = 0;
    mark = "???";
  }
  if (mark != nullptr) {
    sized.name = Format(timed ? "%-21s %s" : "%-35s %s", name.c_str(), mark);
  }
  return sized;
}

void ScheduleEditor::TakeCommand(const std::string& token) {
  const std::string upper = UpperCase(token);
  if (const std::optional<float> baud = ScheduleEstimate::BaudOfCommand(upper)) {
    baudEstimate_ = *baud;
  }
  if (const int hertz = PskFrequencyOf(upper)) {
    settings_.pskFrequency = static_cast<float>(hertz);
    settings_.pskFrequencyFromScript = 1;
  }
}

void ScheduleEditor::Load(const std::string& path) {
  manualTime_ = !view_.AutoTime();
  std::vector<std::string> lines;
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    view_.SetLines(lines);
    return;
  }
  const TimeTag now = ToTimeTag(clock_.Now());
  nextStart_ = now + 10;
  std::int64_t previousSize = 1;
  std::string line;
  while (ScheduleFile::ReadLine(file, line, kMaxLineLength)) {
    const QueueLineTokens tokens = SplitQueueLine(line);
    ScheduleFile::CleanLine(line);
    if (tokens.count == 1 || tokens.count == 3) {
      TakeCommand(tokens.name);
    }
    characterTime_ = ScheduleEstimate::CharacterTime(settings_.MODE.load(), baudEstimate_);

    if (tokens.count == 1) {
      if (nextStart_ <= now - kTwoDays) {
        continue;
      }
      nextStart_ += static_cast<std::int64_t>(static_cast<float>(previousSize) * characterTime_);
      const Sized sized = SizeOf(tokens.name, false);
      previousSize = sized.size;
      const auto duration =
          static_cast<std::int64_t>(static_cast<float>(sized.size) * characterTime_);
      const std::string rest =
          Format("%-40s  %5lld %9s", sized.name.c_str(), static_cast<long long>(sized.size),
                 DurationText(duration).c_str());
      lines.push_back(manualTime_ ? std::string(22, ' ') + rest
                                  : DateTimeText(nextStart_) + "  " + rest);
    } else if (tokens.count == 3) {
      const TimeTag tag = ParseTimeTag(line);
      if (tag > 0) {
        nextStart_ = tag;
      }
      if (tag <= now - kTwoDays) {
        continue;
      }
      const Sized sized = SizeOf(tokens.name, true);
      previousSize = sized.size;
      const auto duration =
          static_cast<std::int64_t>(static_cast<float>(sized.size) * characterTime_);
      lines.push_back(Format("%s  %st %-40s  %5lld %9s", tokens.date.c_str(), tokens.time.c_str(),
                             sized.name.c_str(), static_cast<long long>(sized.size),
                             DurationText(duration).c_str()));
    }
  }
  std::fclose(file);
  view_.SetLines(lines);
  FillChooser();
}

bool ScheduleEditor::SaveList(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) {
    return false;
  }
  for (const std::string& line : view_.Lines()) {
    const QueueLineTokens tokens = SplitQueueLine(line);
    if (tokens.count == 0) {
      continue;
    }
    if (line.starts_with(' ')) {
      std::fprintf(file, "%s\n", tokens.first.c_str());
    } else if (tokens.second.find('t') != std::string::npos) {
      // The time without the "t" that marks it fixed: a time written in
      // more than eight characters ("0:0:1000000") is a moment too.
      std::string time = tokens.second;
      if (time.ends_with('t')) {
        time.pop_back();
      }
      std::fprintf(file, "%s\t%s\t%s\n", tokens.first.c_str(), time.c_str(), tokens.third.c_str());
    } else {
      std::fprintf(file, "%s\n", tokens.third.c_str());
    }
  }
  return std::fclose(file) == 0;
}

void ScheduleEditor::SaveWorkAndReload() {
  if (SaveList(WorkPath())) {
    Load(WorkPath());
  }
}

void ScheduleEditor::Insert() {
  const std::string chosen = view_.Chosen();
  if (chosen.empty()) {
    FillChooser();
    SaveWorkAndReload();
    return;
  }
  std::vector<std::string> lines = view_.Lines();
  // An empty list has no reference line: the first entry goes at its top.
  const int selected = view_.Selected();
  const int index = selected >= 0 && selected < static_cast<int>(lines.size()) ? selected : 0;
  const std::string reference =
      lines.empty() ? std::string() : lines[static_cast<std::size_t>(index)];
  const QueueLineTokens tokens = SplitQueueLine(reference);
  const std::string date = view_.Date();
  const std::string time = view_.Time();
  TimeTag referenceTime = ParseTimeTag(reference);
  if (!date.empty() && !time.empty()) {
    referenceTime = ParseTimeTag(date + " " + time);
  }
  if (!lines.empty() && tokens.count != 3) {
    SaveWorkAndReload();
    return;
  }
  std::string line;
  if (!view_.AutoTime()) {
    line = Format(time.find(':') != std::string::npos ? "%10s  %8st  %s" : "%10s  %8s  %s",
                  date.c_str(), time.c_str(), chosen.c_str());
  } else {
    if (referenceTime <= 0) {
      referenceTime = ToTimeTag(clock_.Now()) + 10;
    }
    line = DateTimeText(referenceTime) + "  " + chosen;
  }
  lines.insert(lines.begin() + index, line);
  view_.SetLines(lines);
  view_.SetChosen("");
  SaveWorkAndReload();
}

void ScheduleEditor::Replace() {
  std::vector<std::string> lines = view_.Lines();
  const int selected = view_.Selected();
  if (selected < 0 || selected >= static_cast<int>(lines.size())) {
    return;
  }
  const std::string date = view_.Date();
  const std::string time = view_.Time();
  lines[static_cast<std::size_t>(selected)] =
      Format(time.find(':') != std::string::npos ? "%10s  %8st  %s" : "%10s  %8s  %s", date.c_str(),
             time.c_str(), view_.Chosen().c_str());
  view_.SetLines(lines);
  SaveWorkAndReload();
}

// Saved like the other edits, so a reload of the list does not bring the
// entry back.
void ScheduleEditor::Delete() {
  std::vector<std::string> lines = view_.Lines();
  const int selected = view_.Selected();
  if (selected < 0 || selected >= static_cast<int>(lines.size())) {
    return;
  }
  lines.erase(lines.begin() + selected);
  view_.SetLines(lines);
  SaveWorkAndReload();
}

void ScheduleEditor::Save() {
  SaveList(SchedulePath());
}

void ScheduleEditor::SaveAndExit() {
  SaveList(SchedulePath());
  reload_ = true;
  view_.Hide();
}

void ScheduleEditor::Cancel() {
  reload_ = true;
  view_.Hide();
}

void ScheduleEditor::AutoTimeClicked() {
  SaveWorkAndReload();
}

void ScheduleEditor::LineDoubleClicked(int index) {
  const std::vector<std::string> lines = view_.Lines();
  if (index < 0 || index >= static_cast<int>(lines.size())) {
    return;
  }
  const std::string& line = lines[static_cast<std::size_t>(index)];
  const QueueLineTokens tokens = SplitQueueLine(line);
  std::string name;
  if (line.starts_with(' ')) {
    name = tokens.first;
    view_.SetDate("");
    view_.SetTime("");
  } else {
    name = tokens.third;
    if (tokens.second.find('t') != std::string::npos) {
      view_.SetDate(tokens.first);
      view_.SetTime(tokens.second.substr(0, tokens.second.find('t')));
    }
  }
  view_.SetChosen(name);
  ShowFile(name);
}

bool ScheduleEditor::ShowFile(const std::string& name) {
  const std::string path = DataPath() + name;
  view_.SetFileName(name);
  // Shown, not edited: the pane takes no typing until Edit is checked.
  view_.SetEditChecked(false);
  view_.SetEditable(false);
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  const double bytes = error ? 0.0 : static_cast<double>(size);
  view_.SetDuration(DurationText(static_cast<std::int64_t>(bytes / kPaneCharactersPerSecond)));
  std::ifstream file(path, std::ios::binary);
  if (!file || std::filesystem::is_directory(path, error)) {
    view_.SetText("[PrintFile :Cannot open " + path + " input file.]");
    return false;
  }
  std::string text(kMaxText, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  view_.SetText(text);
  return true;
}

void ScheduleEditor::EditClicked() {
  const bool editing = view_.EditChecked();
  view_.SetEditable(editing);
  view_.SetMargins(0, editing ? kEditingRightMargin : 0);
  view_.SetSlider(editing ? kSliderEditing : kSliderFull);
}

void ScheduleEditor::ApplySliderWidth() {
  if (!view_.EditChecked()) {
    return;
  }
  view_.SetMargins(0, kSliderFull - view_.Slider());
}

void ScheduleEditor::SaveText() {
  std::string text = view_.Text(true);
  text.resize(std::min(text.size(), kMaxSavedText));
  const std::string path = DataPath() + view_.FileName();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || view_.FileName().empty()) {
    if (file != nullptr) {
      std::fclose(file);
    }
    view_.SetText("CmEditSave : Cannot open <" + path + "> file");
    return;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) {
    view_.SetText("CmEditSave : Cannot open <" + path + "> file");
    return;
  }
  FillChooser();
}

void ScheduleEditor::ClearText() {
  view_.SetText("");
  view_.SetFileName("");
  view_.SetEditable(false);
  view_.SetEditChecked(false);
  view_.SetDuration("");
  view_.SetMargins(0, 0);
  view_.SetSlider(kSliderFull);
}

// What the operator typed stays; a "No Files Found" of an earlier filter
// goes once there are files.
void ScheduleEditor::FillChooser() {
  const std::string chosen = view_.Chosen();
  std::vector<std::string> names;
  const std::string pattern = view_.Filter();
  std::multimap<std::int64_t, std::string> byAge;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(DataPath(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with('.') || ::fnmatch(pattern.c_str(), name.c_str(), 0) != 0) {
      continue;
    }
    names.push_back(name);
    std::error_code timeError;
    const auto written = std::filesystem::last_write_time(entry.path(), timeError);
    byAge.emplace(-written.time_since_epoch().count(), name);
  }
  if (view_.SortByDate()) {
    names.clear();
    for (const auto& [age, name] : byAge) {
      names.push_back(name);
    }
  } else {
    std::sort(names.begin(), names.end());
  }
  const bool none = names.empty();
  for (int i = 0; i < kChooserHelpLines && i < ScriptHelp::kLines; ++i) {
    names.push_back(help_.Line(i));
  }
  view_.SetChoices(names);
  view_.SetChosen(none ? kNoFiles : (chosen == kNoFiles ? std::string() : chosen));
}

void ScheduleEditor::EnterInFileName() {
  if (!ShowFile(view_.FileName())) {
    view_.Beep();
  }
}

void ScheduleEditor::EnterElsewhere() {
  ShowFile(view_.Chosen());
}

}  // namespace kestrix
