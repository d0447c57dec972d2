#include "station/render/bulletin_renderer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>

#include "station/encoding/station_mode.h"
#include "tests/support/comma_decimal_locale.h"
#include "tests/support/minimodem.h"
#include "tests/support/temp_working_directory.h"

namespace kestrix {
namespace {

using testing::ReadFile;
using testing::WriteFile;

std::string Decode(const std::string& arguments) {
  return testing::RunMinimodem(arguments);
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

RenderOptions Options(int mode, double baud) {
  RenderOptions options;
  options.mode = mode;
  options.baud = baud;
  options.input = "bulletin.txt";
  options.output = "air.wav";
  return options;
}

class BulletinRendererTest : public ::testing::Test {
 protected:
  BulletinRendererTest() { WriteFile("bulletin.txt", kBulletin); }
  static constexpr const char* kBulletin =
      "CQ CQ DE N0CALL\r\nTHE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789\r\n"
      "WX: 12/3 -5C, WIND 270/15 (GUSTS 25)?\r\n";
  testing::TempWorkingDirectory dir;
};

TEST_F(BulletinRendererTest, MilitaryDecodesToTheTextAtEveryTeleprinterRate) {
  for (const double baud : {45.45, 50.0, 75.0, 100.0}) {
    std::string error;
    ASSERT_TRUE(BulletinRenderer::Render(Options(kModeMilitary, baud), error)) << error;
    const std::string mode =
        baud == 45.45 ? "rtty" : "--baudot --stopbits 1.5 " + std::to_string(baud);
    EXPECT_EQ(WithoutCarriageReturns(Decode("-M 2125 -S 2295 -f air.wav " + mode)),
              WithoutCarriageReturns(kBulletin))
        << baud;
  }
}

TEST_F(BulletinRendererTest, Ita2AndTelexGoOutAsTheirOwnFrames) {
  SystemTimeSource clock;
  for (const int mode : {kModeIta2, kModeTelex}) {
    std::string error;
    ASSERT_TRUE(BulletinRenderer::Render(Options(mode, 45.45), error)) << error;
    // The frames the decoder saw, as "01101" groups of 5 bits, bit 0 first.
    const std::string frames = Decode("-M 2125 -S 2295 --binary-output -f air.wav rtty");
    std::string expected;
    for (int code : BulletinRenderer::TransmissionCodes(Options(mode, 45.45), kBulletin, clock)) {
      if (code == 0) {
        continue;  // idle mark is no frame
      }
      for (int bit = 0; bit < 5; ++bit) {
        expected += (code >> bit & 1) ? '1' : '0';
      }
    }
    std::string seen;
    for (char c : frames) {
      if (c == '0' || c == '1') {
        seen += c;
      }
    }
    EXPECT_EQ(seen, expected) << mode;
  }
}

TEST_F(BulletinRendererTest, AsciiGoesOutWithEightBitsAndTwoStopBits) {
  std::string error;
  ASSERT_TRUE(BulletinRenderer::Render(Options(kModeAscii, 110), error)) << error;
  EXPECT_EQ(Decode("-M 2125 -S 2295 -8 --stopbits 2 -f air.wav 110"), kBulletin);
}

TEST_F(BulletinRendererTest, ACommandLineIsCheckedBeforeAnythingIsWritten) {
  struct Row {
    std::vector<std::string> args;
    const char* error;
  };
  const Row rows[] = {
      {{"in.txt"}, "give one INPUT and one OUTPUT file"},
      {{"--mode", "baudot", "a", "b"}, "unknown mode \"baudot\""},
      {{"--baud", "fast", "a", "b"}, "--baud needs a number, not \"fast\""},
      {{"--space", "5000", "a", "b"}, "--space 5000 is out of range"},
      {{"--shift", "170", "a", "b"}, "unknown option --shift"},
      {{"a", "b", "--mark"}, "--mark needs a value"},
  };
  for (const Row& row : rows) {
    std::string error;
    EXPECT_FALSE(BulletinRenderer::ParseArguments(row.args, error).has_value());
    EXPECT_EQ(error, row.error);
  }
  std::string error;
  const auto options = BulletinRenderer::ParseArguments(
      {"--mode", "telex", "--baud", "50", "--mark", "1275", "--space", "1445", "in", "out"}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->mode, kModeTelex);
  EXPECT_EQ(options->baud, 50.0);
  EXPECT_EQ(options->markTone, 1275.0);
  EXPECT_EQ(options->output, "out");

  RenderOptions missing = Options(kModeMilitary, 45.45);
  missing.input = "none.txt";
  EXPECT_FALSE(BulletinRenderer::Render(missing, error));
  EXPECT_EQ(error, "cannot read none.txt");
  EXPECT_EQ(ReadFile("air.wav"), "");
}

TEST(BulletinRendererArguments, TheRateFollowsTheStationsRuleAndReadsWithAPoint) {
  testing::CommaDecimalLocale german;
  ASSERT_TRUE(german.Active()) << "run scripts/install-deps.sh";
  for (const char* rate : {"0", "-5", "0.5", "1e-300", "56001", "inf", "nan"}) {
    std::string error;
    EXPECT_FALSE(BulletinRenderer::ParseArguments({"--baud", rate, "a", "b"}, error).has_value());
    EXPECT_EQ(error, std::string("--baud ") + rate + " is out of range");
  }
  const std::pair<const char*, double> good[] = {
      {"1", 1.0}, {"45.45", 45.45}, {"1200", 1200.0}, {"56000", 56000.0}};
  for (const auto& [text, rate] : good) {
    std::string error;
    const auto options = BulletinRenderer::ParseArguments({"--baud", text, "a", "b"}, error);
    ASSERT_TRUE(options.has_value()) << error;
    EXPECT_EQ(options->baud, rate);
  }
  std::string error;
  const auto options = BulletinRenderer::ParseArguments({"--mark", "1275.5", "a", "b"}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->markTone, 1275.5);
}

// The program's output and exit status for a command line.
std::pair<std::string, int> RunRender(const std::string& arguments) {
  std::FILE* pipe = ::popen((std::string(KESTRIX_RENDER_BINARY) + " " + arguments).c_str(), "r");
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    out += buffer;
  }
  const int status = ::pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(KestrixRenderProgram, HelpPrintsTheUsageOnStandardOutputAndSucceeds) {
  for (const char* help : {"--help", "-h", "--mode ascii --help"}) {
    EXPECT_EQ(RunRender(help), std::pair(BulletinRenderer::Usage(), 0)) << help;
  }
  EXPECT_EQ(RunRender("--baud 2>/dev/null").second, 2);
}

}  // namespace
}  // namespace kestrix
