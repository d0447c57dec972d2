#include "station/audio/sound_card_setup.h"

#include <gtest/gtest.h>

#include "tests/common_support/comma_decimal_locale.h"

namespace kestrix {
namespace {

TEST(SoundCardSetup, ShowsTheTonesAndTakesTheLeadingNumberOfEachText) {
  StationSettings settings;
  const SoundCardSetupTexts start = SoundCardSetup::Start(settings);
  EXPECT_EQ(start.mark, "2125.000000");
  EXPECT_EQ(start.space, "2295.000000");
  EXPECT_EQ(start.shift, "170.000000");

  SoundCardSetup::Accept(settings, "1275", "1445.5 Hz");
  EXPECT_EQ(settings.markTone, 1275.0);
  EXPECT_EQ(settings.spaceTone, 1445.5);
  EXPECT_EQ(SoundCardSetup::Start(settings).shift, "170.500000");

  SoundCardSetup::Accept(settings, "x2125", "-5");  // taken as they are
  EXPECT_EQ(settings.markTone, 0.0);
  EXPECT_EQ(settings.spaceTone, -5.0);
}

TEST(SoundCardSetup, KeepsThePointUnderACommaDecimalLanguage) {
  testing::CommaDecimalLocale german;
  ASSERT_TRUE(german.Active()) << "run scripts/install-deps.sh";
  StationSettings settings;
  EXPECT_EQ(SoundCardSetup::Start(settings).mark, "2125.000000");

  SoundCardSetup::Accept(settings, "1275.5", "1445,5");
  EXPECT_EQ(settings.markTone, 1275.5);
  EXPECT_EQ(settings.spaceTone, 1445.0);  // a comma ends the number, as anywhere
  EXPECT_EQ(SoundCardSetup::Start(settings).shift, "169.500000");
}

}  // namespace
}  // namespace kestrix
