// Metered mail on the simulated clock.

#include "mailer/metered_mail.h"

#include <gtest/gtest.h>

#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

class MeteredMailTest : public ::testing::Test {
 protected:
  MeteredMailTest() {
    loop.SetTimerHandler([this](int id) {
      if (id == MeteredMail::kTimerId) {
        metered.Tick();
      }
    });
    seconds.SetText("10");
  }

  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 12, 8, 9, 0, 0)};
  testing::RecordingTextField countDown;
  testing::RecordingTextField seconds;
  std::vector<WallClock::time_point> sessions;
  MeteredMail metered{loop, countDown, seconds, [this](std::function<void()> ended) {
                        sessions.push_back(loop.Now());
                        loop.PostAfter(5s, ended);  // a session of five seconds
                        return true;
                      }};
};

TEST_F(MeteredMailTest, TheFirstFileGoesAfterASecondThenOneAMinuteAfterEachSession) {
  EXPECT_EQ(countDown.value, "Disabled");
  const auto start = loop.Now();
  metered.Switch(true);
  EXPECT_EQ(countDown.value, " ");
  loop.RunFor(200s);
  ASSERT_GE(sessions.size(), 3u);
  EXPECT_EQ(sessions[0] - start, 1s);
  // 10 s asked, 60 s taken, counted from the end of the five-second session.
  EXPECT_EQ(seconds.value, "60");
  // (The tick of the second the session ends in may count already.)
  for (std::size_t i = 1; i < 3; ++i) {
    EXPECT_GE(sessions[i] - sessions[i - 1], 64s);
    EXPECT_LE(sessions[i] - sessions[i - 1], 66s);
  }
  EXPECT_NE(std::find(countDown.history.begin(), countDown.history.end(), "59"),
            countDown.history.end());

  metered.Switch(false);
  EXPECT_EQ(countDown.value, "Disabled");
  const std::size_t count = sessions.size();
  loop.RunFor(300s);
  EXPECT_EQ(sessions.size(), count);
}

TEST_F(MeteredMailTest, ALongerPeriodIsKept) {
  seconds.SetText("120");
  metered.Switch(true);
  loop.RunFor(260s);
  ASSERT_EQ(sessions.size(), 3u);
  EXPECT_GE(sessions[1] - sessions[0], 124s);
  EXPECT_LE(sessions[1] - sessions[0], 126s);
  EXPECT_EQ(seconds.value, "120");
}

}  // namespace
}  // namespace kestrix
