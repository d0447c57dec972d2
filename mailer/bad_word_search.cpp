// The banned-word search: table order first, then text order, so the
// operator sees every occurrence of one word before the next word.

#include "mailer/bad_word_search.h"

#include <string_view>

#include "mailer/bad_word_table.h"

namespace kestrix {

BadWordSearch::BadWordSearch(MessageField& field, BadWordPrompt& prompt, MessageBox& box,
                             EventLoop& loop)
    : field_(field), prompt_(prompt), box_(box), loop_(loop) {}

void BadWordSearch::Run() {
  std::string text = field_.Text();
  found_ = 0;
  for (int record = 0; record < BadWordTable::kRecordCount; ++record) {
    const std::string_view word = BadWordTable::Word(record);
    if (word.empty()) {
      continue;  // an empty record would match everywhere
    }
    std::size_t position = 0;
    while (position <= text.size()) {
      const std::size_t offset = text.find(word, position);
      if (offset == std::string::npos) {
        break;
      }
      field_.Select(offset, offset + word.size());
      loop_.PumpMessages();  // the selection is seen before the dialog covers it
      ++found_;
      record_ = record;
      std::string replacement;
      const BadWordAnswer answer = prompt_.Ask(std::string(word), replacement);
      if (answer == BadWordAnswer::kCancel) {
        return;  // something was found: no summary
      }
      if (answer == BadWordAnswer::kReplace) {
        field_.ReplaceSelection(replacement);
        text = field_.Text();
      }
      // Past the word as it was, even when the replacement is longer.
      position = offset + word.size();
    }
  }
  if (found_ == 0) {
    box_.Show("No bad words found", "Bad Word Search Results", MessageBoxIcon::kNone);
  }
}

}  // namespace kestrix
