#pragma once
// A main window as the composer sees it: its Server and Mail From texts,
// its queue, and a record of every session it was asked to run.

#include <functional>
#include <string>
#include <vector>

#include "mailer/composer_host.h"

namespace kestrix::testing {

class FakeComposerHost final : public ComposerHost {
 public:
  struct Session {
    std::string mailbox;
    std::string mailFrom;
    std::string queueHead;  // the file the session mails; "" for none
  };

  std::string MailFrom() const override { return mailFrom; }
  void SetMailFrom(const std::string& text) override { mailFrom = text; }
  std::string Mailbox() const override { return mailbox; }
  void SetMailbox(const std::string& text) override { mailbox = text; }
  void InsertAtQueueHead(const std::string& path) override { queue.insert(queue.begin(), path); }
  void SendNextMailItem() override {
    sessions.push_back({mailbox, mailFrom, queue.empty() ? std::string() : queue.front()});
    if (duringSession) {
      duringSession();
    }
  }

  std::string mailFrom = "NoBody";
  std::string mailbox = "qerv";
  std::vector<std::string> queue;
  std::vector<Session> sessions;
  // Runs inside a session: what the window does while one runs.
  std::function<void()> duringSession;
};

}  // namespace kestrix::testing
