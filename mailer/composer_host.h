#pragma once
// What a composer asks of the main window: the mailbox and sender it mails
// with, the head of the file queue, and a session that mails one file.

#include <string>

namespace kestrix {

class ComposerHost {
 public:
  virtual ~ComposerHost() = default;

  // The "Mail From" field.
  virtual std::string MailFrom() const = 0;
  virtual void SetMailFrom(const std::string& text) = 0;
  // The "Server" field: the mailbox, the local part of the recipient.
  virtual std::string Mailbox() const = 0;
  virtual void SetMailbox(const std::string& text) = 0;
  // Puts a path at the head of the queue, so it is the next file mailed.
  virtual void InsertAtQueueHead(const std::string& path) = 0;
  // Runs a session that mails the first file of the queue, as "Send next
  // mail item in list" does; returns when it has ended.
  virtual void SendNextMailItem() = 0;
};

}  // namespace kestrix
