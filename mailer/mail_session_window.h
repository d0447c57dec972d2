#pragma once
// The main window as a mail session uses it: the fields it reads, the file
// queue it takes files from and rotates, and the controls it locks while it
// runs. A session runs on its own thread; the window carries these out on
// the window thread.

#include <string>

namespace kestrix {

class MailSessionWindow {
 public:
  virtual ~MailSessionWindow() = default;

  virtual std::string Mailbox() = 0;   // "Server"
  virtual std::string HostText() = 0;  // "Address"
  virtual std::string PortText() = 0;
  virtual std::string MailFrom() = 0;
  virtual std::string Subject() = 0;
  virtual void SetSubject(const std::string& text) = 0;
  virtual void SetSubjectReadOnly(bool readOnly) = 0;
  virtual void EnableSendMail(bool enabled) = 0;
  virtual bool MeteredChecked() = 0;
  // Unchecks "Start Metered Mail" and stops metered mail.
  virtual void StopMeteredMail() = 0;

  virtual int QueueCount() = 0;
  virtual std::string QueueEntry(int index) = 0;
  virtual void DeleteQueueEntry(int index) = 0;
  virtual void AppendQueueEntry(const std::string& path) = 0;
};

}  // namespace kestrix
