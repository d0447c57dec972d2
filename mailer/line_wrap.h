#pragma once
// The composer's message as a 72-column teleprinter text: the lines the
// field shows, and the form it is saved in, where a line end typed by the
// operator is CR LF and a line end made by wrapping is CR CR LF.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix {

// Wrapping works like a multi-line edit control's word wrap: a line ends
// after the last blank (or tab) that still fits in the 72 columns, and the
// blanks stay at the end of the line they follow, inside those 72 columns.
// So a word that ends in column 72 and is followed by a blank goes to the
// next line: no saved line is longer than 72 characters, and removing the
// CR CR LF marks gives back the text exactly. Where no blank fits, the line
// is broken at column 72. A tab advances to the next multiple of 8 columns.
class LineWrap {
 public:
  static constexpr std::size_t kColumns = 72;
  static constexpr std::size_t kTabWidth = 8;

  struct Line {
    std::string text;
    bool wrapped = false;  // ended by wrapping, not by the operator
  };

  // The lines of `text` (line ends "\n"; "\r\n" and a lone "\r" count as
  // one) as the field shows them, the last one included even when empty.
  static std::vector<Line> Lines(std::string_view text);
  // The saved form: every typed line end as CR LF, every wrap as CR CR LF;
  // nothing after the last line.
  static std::string Marked(std::string_view text);
  // A file's bytes as the field takes them: cut at a zero byte, CR CR LF
  // (a saved wrap) removed so the line flows again, CR LF and a lone CR or
  // LF as one line end "\n".
  static std::string Unmarked(std::string_view bytes);
};

}  // namespace kestrix
