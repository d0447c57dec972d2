// What a chat user's keys turn into: Telnet negotiation taken out and
// declined, names checked, and the caret macros of the echo.

#include <gtest/gtest.h>

#include "station/net/echo_macro.h"
#include "station/net/telnet_filter.h"
#include "tests/common_support/simulated_event_loop.h"

namespace kestrix {
namespace {

TEST(TelnetFilter, DeclinesEveryOptionAndKeepsTheText) {
  TelnetFilter filter;
  std::string text, reply;
  // DO ECHO, WILL NAWS, a subnegotiation, a doubled IAC, then the name;
  // split in the middle of a command.
  filter.Filter("\xff\xfd\x01\xff\xfb\x1f\xff\xfa\x18\x01\xff", text, reply);
  filter.Filter(
      "\xf0"
      "b\xff\xffo\xff\xf1"
      "b\r\n",
      text, reply);
  EXPECT_EQ(text, "b\xffob\r\n");
  EXPECT_EQ(reply, "\xff\xfc\x01\xff\xfe\x1f");
  EXPECT_FALSE(IsPrintableName(text));
  EXPECT_TRUE(IsPrintableName("bob the operator"));
  EXPECT_TRUE(IsPrintableName(""));
  EXPECT_FALSE(IsPrintableName("bo\x7f"));
}

TEST(EchoMacro, ACaretAndALetterShowTheMacroToTheTypingUser) {
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 12, 8, 18, 5, 0)};
  EchoMacro echo(loop);
  std::string sent;
  const auto send = [&sent](std::string_view text) { sent += text; };

  EXPECT_EQ(echo.Echo('A', send), 'A');
  EXPECT_EQ(echo.Echo('^', send), EchoMacro::kNothingToEcho);
  EXPECT_EQ(echo.Echo('3', send), EchoMacro::kNothingToEcho);
  EXPECT_EQ(sent, "\a\a\a");
  sent.clear();
  echo.Echo('^', send);
  echo.Echo('L', send);
  EXPECT_EQ(sent, "December 08, 2026");
  sent.clear();
  echo.Echo('^', send);
  echo.Echo('d', send);
  EXPECT_EQ(sent, "Tuesday, December 8, 2026");
  sent.clear();
  echo.Echo('^', send);
  echo.Echo('w', send);
  EXPECT_EQ(sent, "Tuesday");
  sent.clear();
  echo.Echo('^', send);
  echo.Echo('T', send);
  EXPECT_EQ(sent.substr(0, 5), "18:05");
  // Any other letter after a caret is itself.
  echo.Echo('^', send);
  EXPECT_EQ(echo.Echo('Q', send), 'Q');
  EXPECT_EQ(echo.Echo('T', send), 'T');
}

TEST(EchoMacro, UtcTimeCarriesItsZone) {
  const auto when = WallClock::from_time_t(1765217100);  // 2025-12-08 18:05 UTC
  EXPECT_EQ(EchoMacro::UtcTime(when), "18:05(UTC)");
}

}  // namespace
}  // namespace kestrix
