#pragma once
// The "Search for Bad Word" dialog, modal over the composer.

#include <QWidget>

#include "mailer/bad_word_search.h"

namespace kestrix {

class BadWordDialog final : public BadWordPrompt {
 public:
  explicit BadWordDialog(QWidget* parent) : parent_(parent) {}
  BadWordAnswer Ask(const std::string& proposed, std::string& replacement) override;

 private:
  QWidget* parent_;
};

}  // namespace kestrix
