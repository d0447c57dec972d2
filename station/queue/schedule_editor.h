#pragma once
// The schedule editor: "schedule.lst" as a table of dated, sized and timed
// entries that the operator inserts, replaces and deletes, with fixed or
// computed start times; the data directory's files and the script commands
// to choose from; and a pane that shows a file with its time on the air
// and edits its text. Its estimates are its own, apart from the queue's.
// Window thread.

#include <cstdint>
#include <string>
#include <vector>

#include "common/event_loop.h"
#include "station/config/station_settings.h"
#include "station/queue/schedule_editor_view.h"
#include "station/queue/script_help.h"

namespace kestrix {

class ScheduleEditor {
 public:
  static constexpr int kSliderEditing = 425;
  static constexpr int kSliderFull = 500;
  static constexpr int kEditingRightMargin = 75;
  static constexpr int kChooserHelpLines = 36;
  static constexpr std::size_t kMaxText = 31998;
  static constexpr std::size_t kMaxSavedText = 32000;
  static constexpr const char* kNoFiles = "$ ***** No Files Found *****";

  ScheduleEditor(StationSettings& settings, const TimeSource& clock, const ScriptHelp& help,
                 ScheduleEditorView& view);

  // The window was shown or hidden: with the reload flag set, the list is
  // loaded afresh from "schedule.lst" and the panes are reset.
  void OnShowOrHide();

  void Insert();
  void Replace();
  void Delete();
  // Writes "schedule.lst".
  void Save();
  void SaveAndExit();
  void Cancel();
  void AutoTimeClicked();
  void LineDoubleClicked(int index);
  // Shows data/`name` in the pane with its "Dur"; false when it cannot.
  bool ShowFile(const std::string& name);
  void EditClicked();
  // The pane's text, as wrapped on screen, into data/<file name>.
  void SaveText();
  void ClearText();
  // "R", or the slider let go while editing: the slider sets the width.
  void ApplySliderWidth();
  void FillChooser();
  // Enter in the file-name edit, and anywhere else but the text pane.
  void EnterInFileName();
  void EnterElsewhere();

  // The list from a schedule file, in the display formats.
  void Load(const std::string& path);
  // The list as a schedule file; false when it cannot be written.
  bool SaveList(const std::string& path);

  bool ReloadPending() const { return reload_; }
  float BaudEstimate() const { return baudEstimate_; }
  std::string SchedulePath() const;
  std::string WorkPath() const;

  // "%4d:%02d" of minutes and seconds; "" for 0.
  static std::string DurationText(std::int64_t seconds);

 private:
  struct Sized {
    std::string name;  // with "???" or "CMD" when it is no plain file
    std::int64_t size = 0;
  };
  Sized SizeOf(const std::string& name, bool timed) const;
  void TakeCommand(const std::string& token);
  void SaveWorkAndReload();
  std::string DataPath() const;

  StationSettings& settings_;
  const TimeSource& clock_;
  const ScriptHelp& help_;
  ScheduleEditorView& view_;
  bool reload_ = true;
  bool manualTime_ = false;
  std::int64_t nextStart_ = 0;
  float baudEstimate_ = 45.45f;
  float characterTime_ = 7.5f / 45.45f;
};

}  // namespace kestrix
