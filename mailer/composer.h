#pragma once
// The mail composer's commands, apart from its window: the fields it
// starts with and keeps in "RTTYEditor.INI", saving a message into
// "AutoStartMail/" at the head of the main window's queue, mailing it at
// once to a group, and loading, saving and printing the message text.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "common/text_field.h"
#include "mailer/composer_host.h"

namespace kestrix {

// A one-line field of the composer (FROM, SUBJECT).
class ComposerField : public TextField {
 public:
  virtual void SelectAll() = 0;
  virtual void Focus() = 0;
};

// The TO field: an editable drop-down list of group names.
class ComposerListField : public ComposerField {
 public:
  virtual std::vector<std::string> Entries() const = 0;
  // Replaces the list; the field's text stays.
  virtual void SetEntries(const std::vector<std::string>& entries) = 0;
};

// The composer's fields. The message is its text as typed: line ends "\n",
// no marks of wrapped lines.
struct ComposerFields {
  ComposerField& from;
  ComposerListField& to;
  ComposerField& subject;
  TextField& message;
};

class Composer {
 public:
  static constexpr const char* kSettingsFile = "RTTYEditor.INI";
  static constexpr const char* kQueueDirectory = "AutoStartMail/";
  static constexpr std::size_t kMaxSettingsLine = 255;
  static constexpr std::size_t kMaxQueueText = 31999;
  static constexpr std::size_t kMaxPageText = 63999;
  static constexpr std::size_t kMaxOpenBytes = 63999;
  static constexpr std::size_t kMaxSubject = 254;
  static constexpr std::size_t kMaxMailFrom = 244;

  enum class SaveResult { kSaved, kDeclined, kFailed };
  using SaveDone = std::function<void(SaveResult)>;

  Composer(ComposerFields fields, ComposerHost& host, MessageBox& box);

  // Fills the fields for a new composer: the defaults, then the settings
  // file when there is one; the focus goes to SUBJECT.
  void Open();
  // Writes the settings file (silently gives up when it cannot).
  void Close();

  // "Save to Queue": writes the message as AutoStartMail/<SUBJECT>.txt and
  // puts it at the head of the queue. An existing file is replaced only
  // when the operator says Yes; `done` runs once the save has ended, which
  // may be after this returns (and after the composer is gone).
  void SaveToQueue(SaveDone done = {});
  // "Send Now": saves, then mails the head of the queue to TO at the main
  // window's mailbox with FROM as sender, and puts the main window's
  // mailbox and sender back. Nothing is mailed when the save failed.
  void SendNow();
  void ClearAll();
  // "Open File...": SUBJECT from the file's name, then its text.
  void OpenFile(const std::string& path);
  // "Save Page As...": the name proposed, and the save itself; false (and
  // an error box) when the file cannot be written.
  std::string ProposedPageName() const;
  bool SavePage(const std::string& path);
  // What "Print" prints, one entry a line.
  std::vector<std::string> PrintLines() const;

  // The file-name characters: blank, double quote, ?, \ and | become "_",
  // * "#", : ";", < "[", > "]".
  static std::string FileNameCharacters(std::string text);
  // A subject as a file name inside the queue directory: the file-name
  // characters, and "/" also becomes "_" so no subject names a path
  // elsewhere; a zero byte ends it.
  static std::string SubjectFileName(std::string subject);
  // The SUBJECT a file's name gives: without the part from its last dot,
  // underscores as blanks.
  static std::string SubjectOfFile(const std::string& path);
  // "%s forgot to give this a Title".
  static std::string UntitledSubject(const std::string& mailFrom);

 private:
  void ReadSettings();

  ComposerFields fields_;
  ComposerHost& host_;
  MessageBox& box_;
};

}  // namespace kestrix
