// The text after DATA, fed in pieces whose sizes the input's first bytes
// choose: the decoded message and the end position must not depend on how
// the pieces fall, must match a plain line-by-line reading of the stream,
// and nothing after the end mark may be taken.
//
// Input: byte 0 gives the number of size bytes (0..15) that follow it; the
// rest is the stream.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "station/net/smtp_data_decoder.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using kestrix::SmtpDataDecoder;
using kestrix::fuzzing::Require;

struct Reading {
  bool ended = false;
  std::size_t end = 0;  // bytes up to and with the end mark
  std::string text;
};

// Lines end in CR LF only; the line "." ends the message; a leading dot is
// dropped from every other line; the lines are joined by CR LF. Unended,
// the text runs to the end of the stream.
Reading ReadByLines(std::string_view stream) {
  Reading reading;
  std::size_t pos = 0;
  for (bool first = true;; first = false) {
    const std::size_t lineEnd = stream.find("\r\n", pos);
    std::string_view line = stream.substr(
        pos, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - pos);
    if (lineEnd != std::string_view::npos && line == ".") {
      reading.ended = true;
      reading.end = lineEnd + 2;
      return reading;
    }
    if (!first) {
      reading.text += "\r\n";
    }
    if (!line.empty() && line.front() == '.') {
      line.remove_prefix(1);
    }
    reading.text += line;
    if (lineEnd == std::string_view::npos) {
      return reading;
    }
    pos = lineEnd + 2;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::size_t sizeBytes = std::min<std::size_t>(data[0] % 16, size - 1);
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1 + sizeBytes,
                                size - 1 - sizeBytes);

  // In one piece.
  SmtpDataDecoder whole;
  std::string wholeText;
  const std::size_t wholeUsed = whole.Feed(stream, wholeText);
  const Reading reading = ReadByLines(stream);
  Require(whole.Ended() == reading.ended, "ended differs from the line reading");
  if (reading.ended) {
    Require(wholeUsed == reading.end, "end position differs from the line reading");
    Require(wholeText == reading.text, "text differs from the line reading");
  } else {
    Require(wholeUsed == SmtpDataDecoder::kNotEnded, "a position returned before the end");
    // At most a line end, a dot and a CR are held back for the next piece.
    Require(reading.text.compare(0, wholeText.size(), wholeText) == 0 &&
                reading.text.size() - wholeText.size() <= 3,
            "unended text is not the line reading less what is held");
  }

  // In pieces.
  std::vector<std::size_t> sizes(data + 1, data + 1 + sizeBytes);
  sizes.push_back(stream.size());
  SmtpDataDecoder pieces;
  std::string pieceText;
  std::size_t offset = 0;
  std::size_t consumed = 0;
  bool ended = false;
  for (const std::size_t wanted : sizes) {
    const std::string_view piece = stream.substr(offset, std::min(wanted, stream.size() - offset));
    offset += piece.size();
    const std::size_t textBefore = pieceText.size();
    const std::size_t used = pieces.Feed(piece, pieceText);
    if (ended) {
      Require(used == 0 && pieceText.size() == textBefore, "something taken after the end");
      continue;
    }
    if (used == SmtpDataDecoder::kNotEnded) {
      Require(!pieces.Ended(), "ended without saying where");
      consumed += piece.size();
      continue;
    }
    Require(pieces.Ended() && used <= piece.size(), "a position without an end");
    consumed += used;
    ended = true;
  }
  Require(ended == whole.Ended(), "pieces and one piece disagree on the end");
  Require(pieceText == wholeText, "pieces and one piece decode differently");
  if (ended) {
    Require(consumed == wholeUsed, "pieces and one piece end at different bytes");
    std::string more;
    Require(pieces.Feed("MAIL FROM:<x>\r\n.\r\n", more) == 0 && more.empty(),
            "fed after the end, the decoder takes more");
  }
  return 0;
}
