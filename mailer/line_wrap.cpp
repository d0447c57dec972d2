// Word wrap at 72 columns and the CR CR LF marks of wrapped lines.

#include "mailer/line_wrap.h"

namespace kestrix {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::size_t Width(char c, std::size_t column) {
  return c == '\t' ? LineWrap::kTabWidth - column % LineWrap::kTabWidth : 1;
}

// One paragraph (no line end inside) as its wrapped lines.
void WrapParagraph(std::string_view paragraph, std::vector<LineWrap::Line>& lines) {
  std::size_t start = 0;
  for (;;) {
    std::size_t column = 0;
    std::size_t end = start;
    std::size_t afterLastBlank = std::string_view::npos;
    while (end < paragraph.size()) {
      const std::size_t width = Width(paragraph[end], column);
      if (column + width > LineWrap::kColumns) {
        break;
      }
      column += width;
      if (IsBlank(paragraph[end])) {
        afterLastBlank = end + 1;
      }
      ++end;
    }
    if (end == paragraph.size()) {
      lines.push_back({std::string(paragraph.substr(start)), false});
      return;
    }
    if (afterLastBlank != std::string_view::npos) {
      end = afterLastBlank;
    }
    lines.push_back({std::string(paragraph.substr(start, end - start)), true});
    start = end;
  }
}

}  // namespace

std::vector<LineWrap::Line> LineWrap::Lines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      WrapParagraph(text.substr(start), lines);
      return lines;
    }
    WrapParagraph(text.substr(start, end - start), lines);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

std::string LineWrap::Marked(std::string_view text) {
  const std::vector<Line> lines = Lines(text);
  std::string marked;
  marked.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    marked += lines[i].text;
    if (lines[i].wrapped) {
      marked += "\r\r\n";
    } else if (i + 1 < lines.size()) {
      marked += "\r\n";
    }
  }
  return marked;
}

std::string LineWrap::Unmarked(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    if (bytes.compare(i, 3, "\r\r\n") == 0) {
      i += 3;
    } else if (bytes.compare(i, 2, "\r\n") == 0) {
      text += '\n';
      i += 2;
    } else {
      text += bytes[i] == '\r' ? '\n' : bytes[i];
      ++i;
    }
  }
  return text;
}

}  // namespace kestrix
