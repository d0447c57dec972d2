// Every test binary runs in one fixed time zone with daylight saving
// (America/Los_Angeles) and with Qt's offscreen platform, whatever the
// machine's settings are.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
  setenv("TZ", "America/Los_Angeles", 1);
  tzset();
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
