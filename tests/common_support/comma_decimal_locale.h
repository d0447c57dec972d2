#pragma once
// Puts the whole process under a language that writes "2125,5", as
// QApplication does with a German user's settings, for one test.
// scripts/install-deps.sh generates the locale where it is missing.

#include <clocale>
#include <string>

namespace kestrix::testing {

class CommaDecimalLocale {
 public:
  static constexpr const char* kName = "de_DE.UTF-8";

  CommaDecimalLocale() : previous_(std::setlocale(LC_ALL, nullptr)) {
    active_ = std::setlocale(LC_ALL, kName) != nullptr;
  }
  ~CommaDecimalLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  CommaDecimalLocale(const CommaDecimalLocale&) = delete;
  CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

  // False when the locale is not installed; the test must then fail, not
  // pass unseen.
  bool Active() const { return active_; }

 private:
  std::string previous_;
  bool active_ = false;
};

}  // namespace kestrix::testing
