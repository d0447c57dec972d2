// The composer's commands. The REWRITE question is answered later, so what
// a save needs is taken when the command is given and the rest of the save
// (and of "Send Now") runs on the answer without the composer itself.

#include "mailer/composer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <utility>

#include "mailer/line_wrap.h"

namespace kestrix {

namespace {

constexpr const char* kDefaultTo = "General Delivery";
constexpr const char* kDefaultGroups[] = {"QST QST QST", "NEWS", "ALL HAMS", "XYL'S",
                                          "SENIOR CITIZENS"};

std::string Cut(std::string text, std::size_t limit) {
  if (text.size() > limit) {
    text.resize(limit);
  }
  return text;
}

// Writes `text` as the whole file; false when it cannot be written.
bool WriteWhole(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    return false;
  }
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  return !file.fail();
}

Composer::SaveResult WriteQueued(const std::string& path, const std::string& text,
                                 ComposerHost& host, MessageBox& box) {
  if (!WriteWhole(path, text)) {
    box.Show("OnBnClickedOk : Cannot open <" + path + "> file", "Error", MessageBoxIcon::kStop);
    return Composer::SaveResult::kFailed;
  }
  host.InsertAtQueueHead(path);
  return Composer::SaveResult::kSaved;
}

}  // namespace

Composer::Composer(ComposerFields fields, ComposerHost& host, MessageBox& box)
    : fields_(fields), host_(host), box_(box) {}

std::string Composer::FileNameCharacters(std::string text) {
  for (char& c : text) {
    switch (c) {
      case ' ':
      case '"':
      case '?':
      case '\\':
      case '|':
        c = '_';
        break;
      case '*':
        c = '#';
        break;
      case ':':
        c = ';';
        break;
      case '<':
        c = '[';
        break;
      case '>':
        c = ']';
        break;
      default:
        break;
    }
  }
  return text;
}

std::string Composer::SubjectFileName(std::string subject) {
  subject.resize(std::min(subject.size(), subject.find('\0')));
  subject = FileNameCharacters(std::move(subject));
  std::replace(subject.begin(), subject.end(), '/', '_');
  return subject;
}

std::string Composer::SubjectOfFile(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  name = name.substr(0, name.find_last_of('.'));
  std::replace(name.begin(), name.end(), '_', ' ');
  return name;
}

std::string Composer::UntitledSubject(const std::string& mailFrom) {
  return mailFrom + " forgot to give this a Title";
}

void Composer::Open() {
  const std::string mailFrom = host_.MailFrom();
  fields_.from.SetText(mailFrom);
  fields_.subject.SetText(UntitledSubject(mailFrom));
  std::error_code ignored;
  if (std::filesystem::exists(kSettingsFile, ignored)) {
    ReadSettings();
  } else {
    const std::string mailbox = host_.Mailbox();
    const std::size_t bang = mailbox.find('!');
    const std::string to = bang != std::string::npos ? mailbox.substr(0, bang) : kDefaultTo;
    fields_.to.SetText(to);
    std::vector<std::string> entries{to};
    entries.insert(entries.end(), std::begin(kDefaultGroups), std::end(kDefaultGroups));
    fields_.to.SetEntries(entries);
  }
  fields_.from.SelectAll();
  fields_.to.SelectAll();
  fields_.subject.SelectAll();
  fields_.subject.Focus();
}

void Composer::ReadSettings() {
  std::ifstream file(kSettingsFile, std::ios::binary);
  TextField* lines[] = {&fields_.from, &fields_.to, &fields_.subject};
  std::size_t index = 0;
  std::vector<std::string> entries;
  for (std::string line; std::getline(file, line);) {
    line = Cut(std::move(line), kMaxSettingsLine);
    line = line.substr(0, line.find('\r'));
    if (index < std::size(lines)) {
      lines[index++]->SetText(line);
    } else if (!line.empty()) {
      entries.push_back(line);
    }
  }
  fields_.to.SetEntries(entries);
}

void Composer::Close() {
  const std::string to = fields_.to.Text();
  std::vector<std::string> entries = fields_.to.Entries();
  if (std::find(entries.begin(), entries.end(), to) == entries.end()) {
    entries.push_back(to);
  }
  std::string content = fields_.from.Text() + '\n' + to + '\n' + fields_.subject.Text() + '\n';
  for (const std::string& entry : entries) {
    content += entry + '\n';
  }
  WriteWhole(kSettingsFile, content);
}

void Composer::SaveToQueue(SaveDone done) {
  std::error_code ignored;
  std::filesystem::create_directory(kQueueDirectory, ignored);
  std::string text;
  try {
    text = Cut(LineWrap::Marked(fields_.message.Text()), kMaxQueueText);
  } catch (const std::bad_alloc&) {
    box_.Show("m_EditComposeMail : Not enough memory to allocate CmCompose buffer\n", "Quillon",
              MessageBoxIcon::kWarning);
    if (done) {
      done(SaveResult::kFailed);
    }
    return;
  }
  const std::string name = SubjectFileName(Cut(fields_.subject.Text(), kMaxSubject));
  fields_.subject.SetText(name);
  std::string path = std::string(kQueueDirectory) + name + ".txt";

  auto write = [path, text = std::move(text), &host = host_, &box = box_,
                done = std::move(done)](bool yes) {
    const SaveResult result = yes ? WriteQueued(path, text, host, box) : SaveResult::kDeclined;
    if (done) {
      done(result);
    }
  };
  if (std::filesystem::exists(path, ignored)) {
    box_.Ask("Filename [" + name + "] already exists, REWRITE???", "Duplicate File Name",
             MessageBoxIcon::kQuestion, std::move(write));
  } else {
    write(true);
  }
}

void Composer::SendNow() {
  // TO and FROM as they were when the operator gave the command; the host
  // outlives every composer, the composer may be closed before the answer.
  const std::string to = fields_.to.Text();
  const std::string from = Cut(fields_.from.Text(), kMaxMailFrom);
  SaveToQueue([to, from, &host = host_](SaveResult result) {
    if (result == SaveResult::kFailed) {
      return;  // the head of the queue is not this message
    }
    const std::string mailbox = host.Mailbox();
    const std::string mailFrom = host.MailFrom();
    host.SetMailbox(FileNameCharacters(to + "!" + mailbox));
    host.SetMailFrom(FileNameCharacters(from));
    host.SendNextMailItem();
    host.SetMailbox(mailbox);
    host.SetMailFrom(mailFrom);
  });
}

void Composer::ClearAll() {
  fields_.message.SetText("");
  const std::string mailFrom = host_.MailFrom();
  fields_.from.SetText(mailFrom);
  fields_.subject.SetText(UntitledSubject(mailFrom));
  fields_.subject.SelectAll();
  fields_.to.SetText("GENERAL DELIVERY");
  fields_.to.SelectAll();
}

void Composer::OpenFile(const std::string& path) {
  fields_.subject.SetText(SubjectOfFile(path));
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return;
  }
  std::string bytes(kMaxOpenBytes, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  fields_.message.SetText(LineWrap::Unmarked(bytes));
}

std::string Composer::ProposedPageName() const {
  return SubjectFileName(fields_.subject.Text() + ".txt");
}

bool Composer::SavePage(const std::string& path) {
  const std::string text = Cut(LineWrap::Marked(fields_.message.Text()), kMaxPageText);
  if (!WriteWhole(path, text)) {
    box_.Show("Save Page As : Cannot open <" + path + "> file", "Error", MessageBoxIcon::kStop);
    return false;
  }
  return true;
}

std::vector<std::string> Composer::PrintLines() const {
  std::vector<std::string> lines{"FROM:    " + fields_.from.Text(), "TO:      " + fields_.to.Text(),
                                 "SUBJECT: " + fields_.subject.Text(), ""};
  for (LineWrap::Line& line : LineWrap::Lines(fields_.message.Text())) {
    lines.push_back(std::move(line.text));
  }
  return lines;
}

}  // namespace kestrix
