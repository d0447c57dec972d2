// kestrix as a service manager runs it: headless, on a serial port (a
// pseudo-terminal here), stopped by SIGTERM.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "tests/support/pseudo_terminal.h"
#include "tests/support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

TEST(KestrixProcess, SendsItsScheduleOnTheSerialPortAndEndsOnSigterm) {
  testing::TempWorkingDirectory dir;
  testing::PseudoTerminal terminal;
  ASSERT_FALSE(terminal.Slave().empty());
  std::filesystem::create_directory("data");
  testing::WriteFile("Kestrix.ini", "QERVCOMMPORT=\"COM1\"\nQERVSERIALDEVICE=\"COM1=" +
                                        terminal.Slave() + "\"\nQERVSCHEDULERENABLE=1\n");
  testing::WriteFile("data/schedule.lst", "ry.txt\n");
  testing::WriteFile("data/ry.txt", "RYRYRYRY");

  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::execl(KESTRIX_BINARY, KESTRIX_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(child, 0);

  // Letters shift while the lead-in runs, then R Y R Y ... in five-bit codes.
  const std::vector<std::uint8_t> ryry = {10, 21, 10, 21, 10, 21, 10, 21};
  std::vector<std::uint8_t> stream;
  const auto deadline = std::chrono::steady_clock::now() + 90s;
  while (std::search(stream.begin(), stream.end(), ryry.begin(), ryry.end()) == stream.end() &&
         std::chrono::steady_clock::now() < deadline) {
    const auto got = terminal.Read(1);
    stream.insert(stream.end(), got.begin(), got.end());
  }
  ASSERT_NE(std::search(stream.begin(), stream.end(), ryry.begin(), ryry.end()), stream.end());
  EXPECT_EQ(stream.front(), 31);

  ASSERT_EQ(::kill(child, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::string log;
  for (const auto& entry : std::filesystem::directory_iterator("log")) {
    log += testing::ReadFile(entry.path());
  }
  EXPECT_NE(log.find("TXFile : Sending file <ry.txt>."), std::string::npos);
  EXPECT_TRUE(log.ends_with("> ***** RTTY Application has been TERMINATED *****\n")) << log;
}

}  // namespace
}  // namespace kestrix
