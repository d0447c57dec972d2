#pragma once
// The schedule editor's window: the schedule list, the fields of a new
// entry with the file chooser, and the file pane under its column ruler.
// Created once by the main window and kept; closing only hides it.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <memory>
#include <string>
#include <vector>

#include "common/event_loop.h"
#include "station/config/station_settings.h"
#include "station/queue/schedule_editor.h"
#include "station/queue/schedule_editor_view.h"
#include "station/queue/script_help.h"

namespace kestrix {

class ScheduleEditorWindow final : public QDialog, public ScheduleEditorView {
 public:
  // The columns the ruler shows; with no margins the pane wraps after them.
  static constexpr int kRulerColumns = 80;

  ScheduleEditorWindow(StationSettings& settings, const TimeSource& clock, const ScriptHelp& help,
                       QWidget* parent = nullptr);
  ~ScheduleEditorWindow() override;

  ScheduleEditor& Editor() { return *editor_; }

  // --- ScheduleEditorView
  std::vector<std::string> Lines() override;
  void SetLines(const std::vector<std::string>& lines) override;
  int Selected() override;
  std::string Date() override;
  void SetDate(const std::string& text) override;
  std::string Time() override;
  void SetTime(const std::string& text) override;
  std::string Chosen() override;
  void SetChosen(const std::string& text) override;
  // Keeps the chooser's edit text.
  void SetChoices(const std::vector<std::string>& names) override;
  bool AutoTime() override;
  std::string Filter() override;
  void SetFilter(const std::string& pattern) override;
  bool SortByDate() override;
  std::string FileName() override;
  void SetFileName(const std::string& name) override;
  void SetDuration(const std::string& text) override;
  bool EditChecked() override;
  void SetEditChecked(bool checked) override;
  void SetEditable(bool editable) override;
  // With `softBreaks`: CR CR LF where the pane wrapped a paragraph, CR LF
  // between paragraphs. Without: the paragraphs joined by CR LF.
  std::string Text(bool softBreaks) override;
  // CR LF, CR CR LF, a lone LF or a lone CR each end a paragraph.
  void SetText(const std::string& text) override;
  // The pane keeps at least one column, whatever the right margin asks.
  void SetMargins(int left, int right) override;
  int Slider() override;
  void SetSlider(int position) override;
  // Does not show a hidden window: it is also called while hiding.
  void Restore() override;
  void Hide() override;
  void Beep() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // The title bar's close: the same as "Cancel".
  void reject() override;

 private:
  class Chooser;
  class Pane;
  class WidthSlider;

  void BuildControls();
  void Wire();
  void LayOut();
  // Sends Enter, Escape and Down of the window's fields to their commands;
  // true when the key was taken.
  bool TakeKey(QWidget* widget, int key);

  std::unique_ptr<ScheduleEditor> editor_;
  QListWidget* list_ = nullptr;
  QLineEdit* date_ = nullptr;
  QLineEdit* time_ = nullptr;
  Chooser* chooser_ = nullptr;
  QPushButton* insert_ = nullptr;
  QPushButton* replace_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* saveAndExit_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QCheckBox* autoTime_ = nullptr;
  QCheckBox* sortByDate_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QLineEdit* fileName_ = nullptr;
  QLineEdit* duration_ = nullptr;
  QCheckBox* edit_ = nullptr;
  QPushButton* saveText_ = nullptr;
  QPushButton* clearText_ = nullptr;
  QLabel* rulerDigits_ = nullptr;
  QLabel* rulerTens_ = nullptr;
  Pane* pane_ = nullptr;
  WidthSlider* slider_ = nullptr;
  QPushButton* applyWidth_ = nullptr;
  // Pixels of text width with no margins: the ruler's columns and a half.
  int fullTextWidth_ = 0;
  int columnWidth_ = 1;
};

}  // namespace kestrix
