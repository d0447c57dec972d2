#pragma once
// The schedule editor's window as its logic uses it: the schedule list, the
// fields for a new entry, the file chooser, and the file pane with its
// text, "Dur", "Edit", margins and slider. Window thread only.

#include <string>
#include <vector>

namespace kestrix {

class ScheduleEditorView {
 public:
  virtual ~ScheduleEditorView() = default;

  // The schedule list, one display line per entry.
  virtual std::vector<std::string> Lines() = 0;
  virtual void SetLines(const std::vector<std::string>& lines) = 0;
  // The selected line, -1 for none.
  virtual int Selected() = 0;

  virtual std::string Date() = 0;
  virtual void SetDate(const std::string& text) = 0;
  virtual std::string Time() = 0;
  virtual void SetTime(const std::string& text) = 0;

  // The file chooser: its edit text and its (sorted) list.
  virtual std::string Chosen() = 0;
  virtual void SetChosen(const std::string& text) = 0;
  virtual void SetChoices(const std::vector<std::string>& names) = 0;

  virtual bool AutoTime() = 0;
  virtual std::string Filter() = 0;
  virtual void SetFilter(const std::string& pattern) = 0;
  virtual bool SortByDate() = 0;

  // The file pane.
  virtual std::string FileName() = 0;
  virtual void SetFileName(const std::string& name) = 0;
  virtual void SetDuration(const std::string& text) = 0;
  virtual bool EditChecked() = 0;
  virtual void SetEditChecked(bool checked) = 0;
  // The text pane and the file-name edit writable or read-only.
  virtual void SetEditable(bool editable) = 0;
  // The pane's text; with `softBreaks` every line break made by wrapping
  // becomes CR CR LF, as the lines are shown.
  virtual std::string Text(bool softBreaks) = 0;
  virtual void SetText(const std::string& text) = 0;
  // Pixels kept free at the pane's left and right.
  virtual void SetMargins(int left, int right) = 0;
  virtual int Slider() = 0;
  virtual void SetSlider(int position) = 0;

  // Brings the window back from minimised and to the front.
  virtual void Restore() = 0;
  virtual void Hide() = 0;
  virtual void Beep() = 0;
};

}  // namespace kestrix
