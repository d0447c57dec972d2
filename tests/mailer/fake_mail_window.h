#pragma once
// The main window's fields and queue as a mail session sees them.

#include <mutex>
#include <string>
#include <vector>

#include "mailer/mail_session_window.h"

namespace kestrix::testing {

class FakeMailWindow final : public MailSessionWindow {
 public:
  std::string Mailbox() override { return mailbox; }
  std::string HostText() override { return host; }
  std::string PortText() override { return port; }
  std::string MailFrom() override { return mailFrom; }
  std::string Subject() override { return subject; }
  void SetSubject(const std::string& text) override {
    subject = text;
    subjectsShown.push_back(text);
  }
  void SetSubjectReadOnly(bool on) override { subjectReadOnly = on; }
  void EnableSendMail(bool on) override { sendEnabled = on; }
  bool MeteredChecked() override { return metered; }
  void StopMeteredMail() override { metered = false; }
  int QueueCount() override { return static_cast<int>(queue.size()); }
  std::string QueueEntry(int index) override { return queue.at(static_cast<std::size_t>(index)); }
  void DeleteQueueEntry(int index) override { queue.erase(queue.begin() + index); }
  void AppendQueueEntry(const std::string& path) override { queue.push_back(path); }

  std::string mailbox = "qerv";
  std::string host = "127.0.0.1             // TEST ONLY, localhost loopback";
  std::string port = "593";
  std::string mailFrom = "K1ABC";
  std::string subject = "Default (To use file name as subject, do not change this line)";
  std::vector<std::string> subjectsShown;
  bool subjectReadOnly = false;
  bool sendEnabled = true;
  bool metered = false;
  std::vector<std::string> queue;
};

}  // namespace kestrix::testing
