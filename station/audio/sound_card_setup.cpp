#include "station/audio/sound_card_setup.h"

#include "common/number_text.h"

namespace kestrix {

namespace {

double LeadingNumber(const std::string& text) {
  return LeadingDouble(text.substr(0, 255).c_str());
}

}  // namespace

SoundCardSetupTexts SoundCardSetup::Start(const StationSettings& settings) {
  const double mark = settings.markTone;
  const double space = settings.spaceTone;
  return {FixedText(mark), FixedText(space), FixedText(space - mark)};
}

void SoundCardSetup::Accept(StationSettings& settings, const std::string& mark,
                            const std::string& space) {
  settings.markTone = LeadingNumber(mark);
  settings.spaceTone = LeadingNumber(space);
}

}  // namespace kestrix
