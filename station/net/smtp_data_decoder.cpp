#include "station/net/smtp_data_decoder.h"

#include <algorithm>

namespace kestrix {

std::size_t SmtpDataDecoder::Feed(std::string_view piece, std::string& text) {
  for (std::size_t i = 0; i < piece.size();) {
    if (state_ == State::kEnded) {
      return i;
    }
    if (state_ == State::kText) {
      // Inside a line only a CR matters: the rest goes over in one piece,
      // so a message of many megabytes costs no call per byte.
      const std::size_t cr = std::min(piece.find('\r', i), piece.size());
      text.append(piece.substr(i, cr - i));
      i = cr;
      if (i == piece.size()) {
        break;
      }
    }
    Take(piece[i], text);
    ++i;
  }
  return state_ == State::kEnded ? piece.size() : kNotEnded;
}

void SmtpDataDecoder::ReleaseLineEnd(std::string& text) {
  if (lineEndHeld_) {
    text += "\r\n";
    lineEndHeld_ = false;
  }
}

void SmtpDataDecoder::Take(char c, std::string& text) {
  switch (state_) {
    case State::kText:
      if (c == '\r') {
        state_ = State::kCr;
      } else {
        text += c;
      }
      return;
    case State::kCr:
      if (c == '\n') {
        // Held until the next line shows whether it is the end mark.
        lineEndHeld_ = true;
        state_ = State::kLineStart;
      } else if (c == '\r') {
        text += '\r';
      } else {
        text += '\r';
        text += c;
        state_ = State::kText;
      }
      return;
    case State::kLineStart:
      if (c == '.') {
        state_ = State::kDot;
        return;
      }
      ReleaseLineEnd(text);
      state_ = State::kText;
      Take(c, text);
      return;
    case State::kDot:
      if (c == '\r') {
        state_ = State::kDotCr;
        return;
      }
      // A doubled dot: the first one goes.
      ReleaseLineEnd(text);
      state_ = State::kText;
      Take(c, text);
      return;
    case State::kDotCr:
      if (c == '\n') {
        lineEndHeld_ = false;  // the mark takes the line end before it
        state_ = State::kEnded;
        return;
      }
      ReleaseLineEnd(text);
      state_ = State::kCr;
      Take(c, text);
      return;
    case State::kEnded:
      return;
  }
}

}  // namespace kestrix
