#pragma once
// The schedule editor's window as plain fields, for the editor's logic.

#include <string>
#include <utility>
#include <vector>

#include "station/queue/schedule_editor_view.h"

namespace kestrix::testing {

class RecordingScheduleView final : public ScheduleEditorView {
 public:
  std::vector<std::string> Lines() override { return lines; }
  void SetLines(const std::vector<std::string>& value) override { lines = value; }
  int Selected() override { return selected; }
  std::string Date() override { return date; }
  void SetDate(const std::string& text) override { date = text; }
  std::string Time() override { return time; }
  void SetTime(const std::string& text) override { time = text; }
  std::string Chosen() override { return chosen; }
  void SetChosen(const std::string& text) override { chosen = text; }
  void SetChoices(const std::vector<std::string>& names) override { choices = names; }
  bool AutoTime() override { return autoTime; }
  std::string Filter() override { return filter; }
  void SetFilter(const std::string& pattern) override { filter = pattern; }
  bool SortByDate() override { return sortByDate; }
  std::string FileName() override { return fileName; }
  void SetFileName(const std::string& name) override { fileName = name; }
  void SetDuration(const std::string& text) override { duration = text; }
  bool EditChecked() override { return edit; }
  void SetEditChecked(bool checked) override { edit = checked; }
  void SetEditable(bool value) override { editable = value; }
  std::string Text(bool softBreaks) override { return softBreaks ? wrapped : text; }
  void SetText(const std::string& value) override { text = wrapped = value; }
  void SetMargins(int left, int right) override { margins = {left, right}; }
  int Slider() override { return slider; }
  void SetSlider(int position) override { slider = position; }
  void Restore() override { ++restores; }
  void Hide() override { ++hides; }
  void Beep() override { ++beeps; }

  std::vector<std::string> lines, choices;
  int selected = -1;
  std::string date, time, chosen, filter, fileName, duration, text, wrapped;
  bool autoTime = false, sortByDate = false, edit = false, editable = false;
  std::pair<int, int> margins{0, 0};
  int slider = 0, restores = 0, hides = 0, beeps = 0;
};

}  // namespace kestrix::testing
