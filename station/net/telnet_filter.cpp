#include "station/net/telnet_filter.h"

namespace kestrix {

namespace {
constexpr unsigned char kIac = 255;
constexpr unsigned char kDont = 254;
constexpr unsigned char kDo = 253;
constexpr unsigned char kWont = 252;
constexpr unsigned char kWill = 251;
constexpr unsigned char kSubnegotiationBegin = 250;
constexpr unsigned char kSubnegotiationEnd = 240;
}  // namespace

void TelnetFilter::Filter(std::string_view received, std::string& text, std::string& reply) {
  for (const char byte : received) {
    const auto c = static_cast<unsigned char>(byte);
    switch (state_) {
      case State::kText:
        if (c == kIac) {
          state_ = State::kCommand;
        } else {
          text += byte;
        }
        break;
      case State::kCommand:
        if (c == kIac) {
          text += byte;  // a doubled IAC is the byte itself
          state_ = State::kText;
        } else if (c >= kWill && c <= kDont) {
          verb_ = c;
          state_ = State::kOption;
        } else if (c == kSubnegotiationBegin) {
          state_ = State::kSubnegotiation;
        } else {
          state_ = State::kText;  // a two-byte command: nothing to do
        }
        break;
      case State::kOption:
        // Declined: the client keeps its defaults, and declining a refusal
        // again would loop.
        if (verb_ == kDo) {
          reply += {static_cast<char>(kIac), static_cast<char>(kWont), byte};
        } else if (verb_ == kWill) {
          reply += {static_cast<char>(kIac), static_cast<char>(kDont), byte};
        }
        state_ = State::kText;
        break;
      case State::kSubnegotiation:
        if (c == kIac) {
          state_ = State::kSubnegotiationCommand;
        }
        break;
      case State::kSubnegotiationCommand:
        state_ = c == kSubnegotiationEnd ? State::kText : State::kSubnegotiation;
        break;
    }
  }
}

bool IsPrintableName(std::string_view text) {
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code > 0x7E) {
      return false;
    }
  }
  return true;
}

}  // namespace kestrix
