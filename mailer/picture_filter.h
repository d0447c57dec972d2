#pragma once
// Teleprinter art files in the picture editor: each byte is kept only when a
// teleprinter can print it, and CR and LF are shown as '<' and '^' so that
// overstrike lines (CR without LF) can be seen and edited.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrix {

class PictureFilter {
 public:
  // Only the start of a larger file is loaded.
  static constexpr std::size_t kMaxFileBytes = 65535;

  // Bytes of 128 and above and bytes without a teleprinter sign become 0;
  // letters become upper case; '<' becomes CR and '^' becomes LF.
  static unsigned char Filter(unsigned char byte);

  // The editor's text for the bytes of a file (at most kMaxFileBytes used):
  // LF as "^" and a line break, CR as "<" (as "<<" when it stands alone in
  // mid-line), a line break after a CR that no CR or LF follows. Line breaks
  // are CR LF.
  static std::string DisplayText(std::string_view fileBytes);

  // The bytes saved for an edited text: '<' as CR, '^' as LF, the text's own
  // line breaks and zero bytes dropped, every other byte filtered; one zero
  // byte ends them.
  static std::string SavedBytes(std::string_view displayText);

  // The display text of the file at `path`; nothing when it cannot be opened.
  static std::optional<std::string> Load(const std::string& path);
  // Writes SavedBytes(displayText) as the whole file at `path`; false when it
  // cannot be created or written.
  static bool Save(const std::string& path, std::string_view displayText);
};

}  // namespace kestrix
