#pragma once
// What the mail intake needs of the station while it runs on a session
// thread: the settings it files by, the transmit queue it checks and fills.
// Each call is carried out on the window thread; a false or empty result
// means the window has gone and the message cannot be taken.

#include <optional>
#include <string>
#include <vector>

namespace kestrix {

struct IntakeSettings {
  std::string dataPath;
  std::vector<std::string> badWords;
  bool autoStart = false;
  bool autoLineLength = false;
  bool useSubjectFileName = false;
  // A message longer than this (its text as stored) is refused with 552.
  std::size_t maxMessageBytes = 1048576;
};

class IntakeQueue {
 public:
  virtual ~IntakeQueue() = default;

  virtual std::optional<IntakeSettings> Settings() = 0;
  // The recipient text that RCPT TO must contain.
  virtual std::optional<std::string> RecipientAddress() = 0;
  // Whether an entry of the transmit queue holds `text` anywhere in its line.
  virtual bool AnyEntryContains(const std::string& text) = 0;
  // Whether an entry of the transmit queue sends the file `name`.
  virtual bool AnyEntrySends(const std::string& name) = 0;
  // Shows the name in the file chooser, selects the first queue entry and
  // adds the file to the queue; without automatic start the name also goes
  // into the temporary schedule.
  virtual bool Submit(const std::string& name) = 0;
};

}  // namespace kestrix
