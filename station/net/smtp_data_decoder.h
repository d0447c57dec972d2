#pragma once
// Reads the text of a DATA command as it arrives, in pieces of any size:
// finds the line that holds only a dot, whichever receives it is split
// across, and takes back the dot that clients double at the start of a line.
// The line end before the final dot belongs to the mark, so a message ends
// with its last line's text.

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrix {

class SmtpDataDecoder {
 public:
  static constexpr std::size_t kNotEnded = std::string_view::npos;

  // Appends the message text in `piece` to `text`. Returns how many bytes of
  // `piece` belong to the message, the end mark included, once the mark has
  // been read; kNotEnded while more is needed.
  std::size_t Feed(std::string_view piece, std::string& text);

  bool Ended() const { return state_ == State::kEnded; }

 private:
  enum class State {
    kText,       // inside a line
    kCr,         // a CR is held
    kLineStart,  // at a line start; the CR LF before it is held (not at the first line)
    kDot,        // a line began with a dot; held: the line end before it
    kDotCr,      // held: the line end, the dot, a CR
    kEnded,
  };

  void Take(char c, std::string& text);
  void ReleaseLineEnd(std::string& text);

  State state_ = State::kLineStart;
  bool lineEndHeld_ = false;  // the first line has no line end before it
};

}  // namespace kestrix
