// The banned-word search over a message: what is offered, in which order,
// where it continues after a replacement, and when the summary shows.

#include "mailer/bad_word_search.h"

#include <gtest/gtest.h>

#include <deque>
#include <utility>
#include <vector>

#include "mailer/bad_word_table.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"

namespace kestrix {
namespace {

class FakeMessageField final : public MessageField {
 public:
  explicit FakeMessageField(std::string initial) : text(std::move(initial)) {}
  std::string Text() const override { return text; }
  void Select(std::size_t from, std::size_t to) override {
    ASSERT_LE(from, to);
    ASSERT_LE(to, text.size());
    selection = {from, to};
  }
  void ReplaceSelection(const std::string& replacement) override {
    text.replace(selection.first, selection.second - selection.first, replacement);
    selection = {selection.first, selection.first + replacement.size()};
  }

  std::string text;
  std::pair<std::size_t, std::size_t> selection{std::string::npos, std::string::npos};
};

// Answers as scripted, then Accept; records what was offered and what was
// selected in the message at that moment.
class ScriptedPrompt final : public BadWordPrompt {
 public:
  struct Step {
    BadWordAnswer answer;
    std::string replacement;
  };
  struct Offer {
    std::string proposed;
    std::size_t from;
    std::string selected;
    bool operator==(const Offer&) const = default;
  };

  explicit ScriptedPrompt(const FakeMessageField& field) : field_(field) {}

  BadWordAnswer Ask(const std::string& proposed, std::string& replacement) override {
    const auto [from, to] = field_.selection;
    offers.push_back({proposed, from, field_.text.substr(from, to - from)});
    if (script.empty()) {
      return BadWordAnswer::kAccept;
    }
    const Step step = script.front();
    script.pop_front();
    replacement = step.replacement;
    return step.answer;
  }

  std::deque<Step> script;
  std::vector<Offer> offers;

 private:
  const FakeMessageField& field_;
};

std::ostream& operator<<(std::ostream& out, const ScriptedPrompt::Offer& offer) {
  return out << '"' << offer.proposed << "\" at " << offer.from << " selecting \"" << offer.selected
             << '"';
}

int RecordOf(std::string_view word) {
  for (int i = 0; i < BadWordTable::kRecordCount; ++i) {
    if (BadWordTable::Word(i) == word) {
      return i;
    }
  }
  ADD_FAILURE() << word << " is not in the table";
  return -1;
}

class BadWordSearchTest : public ::testing::Test {
 protected:
  void Run(const std::string& text) {
    field.text = text;
    BadWordSearch search(field, prompt, box, loop);
    search.Run();
    found = search.Found();
    record = search.CurrentRecord();
  }

  FakeMessageField field{""};
  ScriptedPrompt prompt{field};
  testing::RecordingMessageBox box;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2024, 3, 1, 12, 0, 0)};
  int found = -1;
  int record = -1;
};

TEST_F(BadWordSearchTest, CleanTextGivesTheSummary) {
  // Ordinary traffic, with common words that would hide a short banned
  // word (ANALOG, HELLO, SATURDAY, CLASS, MONTENEGRO, PAKISTAN).
  Run("HELLO ALL, SATURDAY NET ON ANALOG FM. CLASS PASSED. 4O MONTENEGRO AND AP PAKISTAN\r\n"
      "QSL VIA BUREAU. 73 DE N0CALL\r\n");
  EXPECT_TRUE(prompt.offers.empty());
  EXPECT_EQ(found, 0);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "No bad words found");
  EXPECT_EQ(box.shown[0].caption, "Bad Word Search Results");
}

TEST_F(BadWordSearchTest, FindsAWordAtTheVeryFirstCharacter) {
  Run("ASSHOLE LEFT THE NET");
  const std::vector<ScriptedPrompt::Offer> expected = {{"ASSHOLE", 0, "ASSHOLE"}};
  EXPECT_EQ(prompt.offers, expected);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(record, RecordOf("ASSHOLE"));
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(BadWordSearchTest, OffersEveryOccurrenceOfAWordBeforeTheNextWord) {
  // SHIT comes first in the text, DAMN first in the table.
  Run("SHIT. DAMN IT, DAMN THEM, DAMN");
  const std::vector<ScriptedPrompt::Offer> expected = {
      {"DAMN", 6, "DAMN"}, {"DAMN", 15, "DAMN"}, {"DAMN", 26, "DAMN"}, {"SHIT", 0, "SHIT"}};
  EXPECT_EQ(prompt.offers, expected);
  EXPECT_EQ(found, 4);
  EXPECT_EQ(record, RecordOf("SHIT"));
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(BadWordSearchTest, FindsWordsInsideLongerWords) {
  Run("MOTHERFUCKERS");
  ASSERT_EQ(prompt.offers.size(), 2u);
  EXPECT_EQ(prompt.offers[0], (ScriptedPrompt::Offer{"FUCK", 6, "FUCK"}));
  EXPECT_EQ(prompt.offers[1], (ScriptedPrompt::Offer{"MOTHERFUCKER", 0, "MOTHERFUCKER"}));
}

TEST_F(BadWordSearchTest, ALongerReplacementContinuesAtTheOldOffsetPlusTheWordLength) {
  // The search goes on four characters after the old offset, inside the
  // replacement, and so finds the DAMN the replacement still holds.
  prompt.script = {{BadWordAnswer::kReplace, "DARN DAMN"}};
  Run("DAMN AND DAMN");
  const std::vector<ScriptedPrompt::Offer> expected = {
      {"DAMN", 0, "DAMN"}, {"DAMN", 5, "DAMN"}, {"DAMN", 14, "DAMN"}};
  EXPECT_EQ(prompt.offers, expected);
  EXPECT_EQ(field.text, "DARN DAMN AND DAMN");
  EXPECT_EQ(found, 3);
}

TEST_F(BadWordSearchTest, LaterWordsAreSoughtInTheChangedText) {
  prompt.script = {{BadWordAnswer::kReplace, "D"}, {BadWordAnswer::kReplace, "S"}};
  Run("DAMN THAT SHIT");
  const std::vector<ScriptedPrompt::Offer> expected = {{"DAMN", 0, "DAMN"}, {"SHIT", 7, "SHIT"}};
  EXPECT_EQ(prompt.offers, expected);
  EXPECT_EQ(field.text, "D THAT S");
}

TEST_F(BadWordSearchTest, CancelAtTheFirstOccurrenceEndsWithoutTheSummary) {
  prompt.script = {{BadWordAnswer::kCancel, ""}};
  Run("DAMN AND SHIT, DAMN");
  const std::vector<ScriptedPrompt::Offer> expected = {{"DAMN", 0, "DAMN"}};
  EXPECT_EQ(prompt.offers, expected);
  EXPECT_EQ(found, 1);
  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(field.text, "DAMN AND SHIT, DAMN");
}

TEST_F(BadWordSearchTest, CancelKeepsTheReplacementsMadeSoFar) {
  prompt.script = {{BadWordAnswer::kReplace, "DARN"}, {BadWordAnswer::kCancel, ""}};
  Run("DAMN AND SHIT, DAMN");
  EXPECT_EQ(prompt.offers.size(), 2u);
  EXPECT_EQ(field.text, "DARN AND SHIT, DAMN");
}

TEST_F(BadWordSearchTest, TheWindowRepaintsTheSelectionBeforeTheDialogOpens) {
  std::pair<std::size_t, std::size_t> selectedThen;
  std::size_t offersThen = 1;
  loop.Post([&] {
    selectedThen = field.selection;
    offersThen = prompt.offers.size();
  });
  Run("IT IS SHIT");
  EXPECT_EQ(selectedThen, (std::pair<std::size_t, std::size_t>{6, 10}));
  EXPECT_EQ(offersThen, 0u);
}

}  // namespace
}  // namespace kestrix
