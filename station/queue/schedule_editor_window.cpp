// The schedule editor's window: the logic is ScheduleEditor's; this builds
// the controls, hands their commands on and shows what it is told.

#include "station/queue/schedule_editor_window.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

#include "common/column_ruler.h"
#include "common/qt_controls.h"

namespace kestrix {

namespace {

constexpr int kListLines = 10;
constexpr int kPaneLines = 14;

std::string Latin1(const QString& text) {
  return text.toLatin1().toStdString();
}

QLabel* Label(const char* text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

// The file chooser: its list is made afresh each time it drops down.
class ScheduleEditorWindow::Chooser final : public QComboBox {
 public:
  std::function<void()> opening;

  void showPopup() override {
    if (opening) {
      opening();
    }
    QComboBox::showPopup();
  }
};

// The text pane. Its wrap width is the ruler's columns less the margins,
// whatever width the window gives it: the viewport's right margin takes up
// the rest.
class ScheduleEditorWindow::Pane final : public QPlainTextEdit {
 public:
  Pane(int textWidth, int minimumTextWidth)
      : textWidth_(textWidth), minimumTextWidth_(minimumTextWidth) {}

  // Tells where the text's first column starts, in the pane's pixels.
  std::function<void(int)> indented;

  void SetMargins(int left, int right) {
    left_ = std::max(0, left);
    right_ = std::max(0, right);
    Fit();
  }

 protected:
  bool event(QEvent* event) override {
    const bool taken = QPlainTextEdit::event(event);
    if (event->type() == QEvent::Resize) {
      Fit();
    }
    return taken;
  }

 private:
  void Fit() {
    const QMargins old = viewportMargins();
    const int area = viewport()->width() + old.left() + old.right();
    const int documentMargins = static_cast<int>(2 * document()->documentMargin());
    const int text = std::max(textWidth_ - left_ - right_, minimumTextWidth_) + documentMargins;
    const QMargins wanted(left_, 0, std::max(0, area - left_ - text), 0);
    if (wanted != old) {
      setViewportMargins(wanted);
    }
    if (indented) {
      indented(viewport()->x() + static_cast<int>(document()->documentMargin()));
    }
  }

  const int textWidth_;
  const int minimumTextWidth_;
  int left_ = 0;
  int right_ = 0;
};

// The width slider: it is let go after a drag, a click or a key, as a
// Windows trackbar ends its tracking.
class ScheduleEditorWindow::WidthSlider final : public QSlider {
 public:
  WidthSlider() : QSlider(Qt::Horizontal) {}

  std::function<void()> letGo;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QSlider::mouseReleaseEvent(event);
    if (letGo) {
      letGo();
    }
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    QSlider::keyReleaseEvent(event);
    switch (event->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
      case Qt::Key_Home:
      case Qt::Key_End:
        if (!event->isAutoRepeat() && letGo) {
          letGo();
        }
        break;
      default:
        break;
    }
  }
};

ScheduleEditorWindow::ScheduleEditorWindow(StationSettings& settings, const TimeSource& clock,
                                           const ScriptHelp& help, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Kestrix Schedule Editor");
  setModal(false);
  BuildControls();
  LayOut();
  Wire();
  editor_ = std::make_unique<ScheduleEditor>(settings, clock, help, *this);
}

ScheduleEditorWindow::~ScheduleEditorWindow() = default;

void ScheduleEditorWindow::BuildControls() {
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const QFontMetricsF metrics(fixed);
  const double column = metrics.horizontalAdvance(QLatin1Char('M'));
  columnWidth_ = std::max(1, static_cast<int>(std::ceil(column)));
  // Exactly the ruler's columns fit: half a column to spare keeps rounding
  // from taking the last one away.
  fullTextWidth_ = static_cast<int>(std::ceil((kRulerColumns + 0.5) * column));

  list_ = new QListWidget;
  list_->setObjectName("scheduleList");
  list_->setFont(fixed);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumSize(static_cast<int>(std::ceil((kRulerColumns + 4) * column)),
                        static_cast<int>(metrics.lineSpacing() * kListLines));

  date_ = new QLineEdit;
  date_->setObjectName("date");
  time_ = new QLineEdit;
  time_->setObjectName("time");
  chooser_ = new Chooser;
  chooser_->setObjectName("chooser");
  chooser_->setFont(fixed);
  chooser_->setEditable(true);
  chooser_->setInsertPolicy(QComboBox::NoInsert);
  // What is typed stays as typed: no completion from the list.
  chooser_->setCompleter(nullptr);
  chooser_->setMaxVisibleItems(20);
  chooser_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  chooser_->setMinimumContentsLength(40);

  const auto button = [](const char* text, const char* name) {
    auto* made = new QPushButton(text);
    made->setObjectName(name);
    // Enter has a command of its own: it never presses a button.
    made->setAutoDefault(false);
    made->setDefault(false);
    return made;
  };
  insert_ = button("&Insert", "insert");
  replace_ = button("Re&place", "replace");
  delete_ = button("&Delete", "delete");
  save_ = button("&Save", "save");
  saveAndExit_ = button("Save-n-E&xit", "saveAndExit");
  cancel_ = button("&Cancel", "cancel");

  autoTime_ = new QCheckBox("&Auto Time");
  autoTime_->setObjectName("autoTime");
  sortByDate_ = new QCheckBox("S&ort-By-Date");
  sortByDate_->setObjectName("sortByDate");
  filter_ = new QLineEdit;
  filter_->setObjectName("filter");

  fileName_ = new QLineEdit;
  fileName_->setObjectName("fileName");
  fileName_->setReadOnly(true);
  duration_ = new QLineEdit;
  duration_->setObjectName("duration");
  duration_->setReadOnly(true);
  duration_->setFont(fixed);
  duration_->setFixedWidth(static_cast<int>(std::ceil(12 * column)));
  edit_ = new QCheckBox("&Edit");
  edit_->setObjectName("edit");
  saveText_ = button("Sa&ve", "saveText");
  clearText_ = button("C&lear", "clearText");

  rulerDigits_ = new QLabel(ColumnRulerDigits(kRulerColumns).c_str());
  rulerDigits_->setObjectName("rulerDigits");
  rulerTens_ = new QLabel(ColumnRulerTens(kRulerColumns).c_str());
  rulerTens_->setObjectName("rulerTens");
  for (QLabel* ruler : {rulerDigits_, rulerTens_}) {
    ruler->setFont(fixed);
    ruler->setTextFormat(Qt::PlainText);
  }

  pane_ = new Pane(fullTextWidth_, columnWidth_);
  pane_->setObjectName("text");
  pane_->setFont(fixed);
  pane_->setReadOnly(true);
  pane_->setTabChangesFocus(true);
  pane_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  pane_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  // A scroll bar that comes and goes would change the wrap width.
  pane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int documentMargins = static_cast<int>(2 * pane_->document()->documentMargin());
  pane_->setMinimumSize(fullTextWidth_ + documentMargins + 2 * pane_->frameWidth() +
                            pane_->verticalScrollBar()->sizeHint().width() + 2 * columnWidth_,
                        static_cast<int>(metrics.lineSpacing() * kPaneLines));
  pane_->indented = [this](int indent) {
    for (QLabel* ruler : {rulerDigits_, rulerTens_}) {
      ruler->setContentsMargins(indent, 0, 0, 0);
    }
  };
  pane_->SetMargins(0, 0);

  slider_ = new WidthSlider;
  slider_->setObjectName("slider");
  slider_->setRange(0, ScheduleEditor::kSliderFull);
  slider_->setValue(ScheduleEditor::kSliderFull);
  slider_->setPageStep(25);
  applyWidth_ = button("&R", "applyWidth");
}

void ScheduleEditorWindow::LayOut() {
  auto* entry = new QHBoxLayout;
  entry->addWidget(Label("Da&te", date_));
  entry->addWidget(date_);
  entry->addWidget(Label("Ti&me", time_));
  entry->addWidget(time_);
  entry->addWidget(Label("Ch&oose", chooser_));
  entry->addWidget(chooser_, 1);

  auto* commands = new QHBoxLayout;
  for (QPushButton* command : {insert_, replace_, delete_, save_, saveAndExit_, cancel_}) {
    commands->addWidget(command);
  }
  commands->addStretch();

  auto* options = new QHBoxLayout;
  options->addWidget(autoTime_);
  options->addWidget(sortByDate_);
  options->addSpacing(columnWidth_ * 2);
  options->addWidget(Label("&Filter", filter_));
  options->addWidget(filter_);
  options->addStretch();

  auto* file = new QHBoxLayout;
  file->addWidget(Label("&Name", fileName_));
  file->addWidget(fileName_, 1);
  file->addWidget(Label("Dur", duration_));
  file->addWidget(duration_);
  file->addWidget(edit_);
  file->addWidget(saveText_);
  file->addWidget(clearText_);

  auto* width = new QHBoxLayout;
  width->addWidget(slider_, 1);
  width->addWidget(applyWidth_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label("Sc&hedule", list_));
  layout->addWidget(list_, 1);
  layout->addLayout(entry);
  layout->addLayout(commands);
  layout->addLayout(options);
  layout->addSpacing(columnWidth_);
  layout->addLayout(file);
  auto* ruler = new QVBoxLayout;
  ruler->setSpacing(0);
  ruler->addWidget(rulerDigits_);
  ruler->addWidget(rulerTens_);
  layout->addLayout(ruler);
  layout->addWidget(pane_, 2);
  layout->addLayout(width);

  const std::vector<QWidget*> order = {
      list_,     date_,        time_,     chooser_,   insert_,     replace_, delete_,
      save_,     saveAndExit_, cancel_,   autoTime_,  sortByDate_, filter_,  fileName_,
      duration_, edit_,        saveText_, clearText_, pane_,       slider_,  applyWidth_};
  for (std::size_t i = 1; i < order.size(); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }
}

void ScheduleEditorWindow::Wire() {
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { Editor().LineDoubleClicked(list_->row(item)); });
  chooser_->opening = [this] { Editor().FillChooser(); };
  connect(chooser_, &QComboBox::activated, this, [this](int) { Editor().ShowFile(Chosen()); });
  connect(insert_, &QPushButton::clicked, this, [this] { Editor().Insert(); });
  connect(replace_, &QPushButton::clicked, this, [this] { Editor().Replace(); });
  connect(delete_, &QPushButton::clicked, this, [this] { Editor().Delete(); });
  connect(save_, &QPushButton::clicked, this, [this] { Editor().Save(); });
  connect(saveAndExit_, &QPushButton::clicked, this, [this] { Editor().SaveAndExit(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { Editor().Cancel(); });
  connect(autoTime_, &QCheckBox::clicked, this, [this] { Editor().AutoTimeClicked(); });
  connect(edit_, &QCheckBox::clicked, this, [this] { Editor().EditClicked(); });
  connect(saveText_, &QPushButton::clicked, this, [this] { Editor().SaveText(); });
  connect(clearText_, &QPushButton::clicked, this, [this] { Editor().ClearText(); });
  connect(applyWidth_, &QPushButton::clicked, this, [this] { Editor().ApplySliderWidth(); });
  slider_->letGo = [this] {
    if (edit_->isChecked()) {
      Editor().ApplySliderWidth();
    }
  };
  // Enter, Escape and Down are the window's, in whichever field they are
  // typed.
  for (QWidget* child : findChildren<QWidget*>()) {
    child->installEventFilter(this);
  }
}

bool ScheduleEditorWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    if (TakeKey(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event)->key())) {
      event->accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool ScheduleEditorWindow::TakeKey(QWidget* widget, int key) {
  // The chooser's list is a window of its own: its keys are its own.
  if (widget->window() != this) {
    return false;
  }
  switch (key) {
    case Qt::Key_Escape:
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (widget == pane_ || pane_->isAncestorOf(widget)) {
        return false;  // a new line
      }
      if (widget == fileName_) {
        Editor().EnterInFileName();
      } else {
        Editor().EnterElsewhere();
      }
      return true;
    case Qt::Key_Down:
      if (widget == date_ || widget == time_ || widget == filter_ || widget == chooser_ ||
          chooser_->isAncestorOf(widget)) {
        chooser_->showPopup();
        return true;
      }
      return false;
    default:
      return false;
  }
}

// Keys that no field took: Enter from the read-only pane and Escape must
// not reach QDialog, which would press a button or close.
void ScheduleEditorWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void ScheduleEditorWindow::reject() {
  Editor().Cancel();
}

void ScheduleEditorWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (editor_) {
    editor_->OnShowOrHide();
  }
}

void ScheduleEditorWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (editor_) {
    editor_->OnShowOrHide();
  }
}

std::vector<std::string> ScheduleEditorWindow::Lines() {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(list_->count()));
  for (int i = 0; i < list_->count(); ++i) {
    lines.push_back(Latin1(list_->item(i)->text()));
  }
  return lines;
}

void ScheduleEditorWindow::SetLines(const std::vector<std::string>& lines) {
  list_->clear();
  for (const std::string& line : lines) {
    list_->addItem(ToQString(line));
  }
}

int ScheduleEditorWindow::Selected() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.front());
}

std::string ScheduleEditorWindow::Date() {
  return Latin1(date_->text());
}

void ScheduleEditorWindow::SetDate(const std::string& text) {
  date_->setText(ToQString(text));
}

std::string ScheduleEditorWindow::Time() {
  return Latin1(time_->text());
}

void ScheduleEditorWindow::SetTime(const std::string& text) {
  time_->setText(ToQString(text));
}

std::string ScheduleEditorWindow::Chosen() {
  return Latin1(chooser_->currentText());
}

void ScheduleEditorWindow::SetChosen(const std::string& text) {
  chooser_->setEditText(ToQString(text));
}

void ScheduleEditorWindow::SetChoices(const std::vector<std::string>& names) {
  const QString typed = chooser_->currentText();
  chooser_->clear();
  for (const std::string& name : names) {
    chooser_->addItem(ToQString(name));
  }
  // Adding to an empty list makes its first item current.
  chooser_->setCurrentIndex(-1);
  chooser_->setEditText(typed);
}

bool ScheduleEditorWindow::AutoTime() {
  return autoTime_->isChecked();
}

std::string ScheduleEditorWindow::Filter() {
  return Latin1(filter_->text());
}

void ScheduleEditorWindow::SetFilter(const std::string& pattern) {
  filter_->setText(ToQString(pattern));
}

bool ScheduleEditorWindow::SortByDate() {
  return sortByDate_->isChecked();
}

std::string ScheduleEditorWindow::FileName() {
  return Latin1(fileName_->text());
}

void ScheduleEditorWindow::SetFileName(const std::string& name) {
  fileName_->setText(ToQString(name));
}

void ScheduleEditorWindow::SetDuration(const std::string& text) {
  duration_->setText(ToQString(text));
}

bool ScheduleEditorWindow::EditChecked() {
  return edit_->isChecked();
}

void ScheduleEditorWindow::SetEditChecked(bool checked) {
  edit_->setChecked(checked);
}

void ScheduleEditorWindow::SetEditable(bool editable) {
  pane_->setReadOnly(!editable);
  fileName_->setReadOnly(!editable);
}

std::string ScheduleEditorWindow::Text(bool softBreaks) {
  QString text;
  QTextDocument* document = pane_->document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    if (block != document->begin()) {
      text += QLatin1String("\r\n");
    }
    const QString paragraph = block.text();
    if (!softBreaks) {
      text += paragraph;
      continue;
    }
    // Lays the block out at the pane's present width if it is not yet.
    document->documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    if (layout == nullptr || layout->lineCount() == 0) {
      text += paragraph;
      continue;
    }
    for (int i = 0; i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      if (i > 0) {
        text += QLatin1String("\r\r\n");
      }
      text += paragraph.mid(line.textStart(), line.textLength());
    }
  }
  return Latin1(text);
}

void ScheduleEditorWindow::SetText(const std::string& text) {
  QString shown = ToQString(text);
  shown.replace(QLatin1String("\r\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  pane_->setPlainText(shown);
}

void ScheduleEditorWindow::SetMargins(int left, int right) {
  pane_->SetMargins(left, right);
}

int ScheduleEditorWindow::Slider() {
  return slider_->value();
}

void ScheduleEditorWindow::SetSlider(int position) {
  slider_->setValue(position);
}

void ScheduleEditorWindow::Restore() {
  if (isMinimized()) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
  }
  if (isVisible()) {
    raise();
    activateWindow();
  }
}

void ScheduleEditorWindow::Hide() {
  hide();
}

void ScheduleEditorWindow::Beep() {
  QApplication::beep();
}

}  // namespace kestrix
