#pragma once
// Takes Telnet option negotiation out of what a client sends: every option
// the client offers or asks for is declined, so a standard telnet client
// stays in its plain line mode with its own echo, and the user's text comes
// through clean.

#include <string>
#include <string_view>

namespace kestrix {

class TelnetFilter {
 public:
  // Appends the user's text in `received` to `text` and the answers owed to
  // the client to `reply`.
  void Filter(std::string_view received, std::string& text, std::string& reply);

 private:
  enum class State { kText, kCommand, kOption, kSubnegotiation, kSubnegotiationCommand };
  State state_ = State::kText;
  unsigned char verb_ = 0;
};

// True when every character is printable ASCII (0x20..0x7E); an empty text
// is printable.
bool IsPrintableName(std::string_view text);

}  // namespace kestrix
