#include "station/audio/sound_card_setup.h"

#include <cstdio>
#include <cstdlib>

namespace kestrix {

namespace {

std::string Fixed(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", value);
  return text;
}

double LeadingNumber(const std::string& text) {
  return std::strtod(text.substr(0, 255).c_str(), nullptr);
}

}  // namespace

SoundCardSetupTexts SoundCardSetup::Start(const StationSettings& settings) {
  const double mark = settings.markTone;
  const double space = settings.spaceTone;
  return {Fixed(mark), Fixed(space), Fixed(space - mark)};
}

void SoundCardSetup::Accept(StationSettings& settings, const std::string& mark,
                            const std::string& space) {
  settings.markTone = LeadingNumber(mark);
  settings.spaceTone = LeadingNumber(space);
}

}  // namespace kestrix
