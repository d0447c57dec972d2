#pragma once
// The banned-word search of the composer: every occurrence of every word of
// the table, word by word in table order and within a word from the start of
// the text to its end, is selected in the message and offered to the
// operator, who replaces it, accepts it or ends the search.

#include <cstddef>
#include <string>

#include "common/event_loop.h"
#include "common/message_box.h"

namespace kestrix {

// The composer's message text as the search sees it (soft breaks not shown).
class MessageField {
 public:
  virtual ~MessageField() = default;
  virtual std::string Text() const = 0;
  // Selects [from, to) and scrolls it into view.
  virtual void Select(std::size_t from, std::size_t to) = 0;
  virtual void ReplaceSelection(const std::string& text) = 0;
};

enum class BadWordAnswer { kReplace, kAccept, kCancel };

// The "Search for Bad Word" dialog: shows `proposed` as the replacement,
// all selected, and waits for the operator. On kReplace, `replacement`
// holds the edited text (at most 255 characters).
class BadWordPrompt {
 public:
  virtual ~BadWordPrompt() = default;
  virtual BadWordAnswer Ask(const std::string& proposed, std::string& replacement) = 0;
};

class BadWordSearch {
 public:
  BadWordSearch(MessageField& field, BadWordPrompt& prompt, MessageBox& box, EventLoop& loop);

  // Runs the whole search; "No bad words found" when nothing was found.
  void Run();
  // The record of the word offered last.
  int CurrentRecord() const { return record_; }
  int Found() const { return found_; }

 private:
  MessageField& field_;
  BadWordPrompt& prompt_;
  MessageBox& box_;
  EventLoop& loop_;
  int record_ = 0;
  int found_ = 0;
};

}  // namespace kestrix
