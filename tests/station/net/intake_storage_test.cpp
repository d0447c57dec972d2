// The intake when the disk cannot take a message: the client is told to try
// again later, nothing half-written is stored or queued, and the session
// goes on once there is room.

#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "tests/station/net/smtp_server_fixture.h"

namespace kestrix::testing {
namespace {

const char* const kNoRoom = "452  Requested action not taken: insufficient system storage";

// Files this process writes stop growing at `bytes`, as on a full disk
// (the write fails with EFBIG instead of ENOSPC; the intake treats both
// alike). Undone when it goes out of scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
};

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      names.push_back(entry.path().filename().string());
    }
  }
  return names;
}

class IntakeStorageTest : public SmtpServerTest {
 protected:
  static std::string Bulletin(const std::string& subject, int lines) {
    std::string body;
    for (int i = 0; i < lines; ++i) {
      body += "CQ CQ DE STATION, A LINE OF A LONG BULLETIN NUMBER " + std::to_string(i) + "\r\n";
    }
    return "Subject: " + subject + "\r\n\r\n" + body + ".\r\n";
  }
};

TEST_F(IntakeStorageTest, AMessageTheDiskCannotHoldGets452AndLeavesNothingBehind) {
  StartListener(2);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    {
      FileSizeLimit full(32 * 1024);
      EXPECT_EQ(client.Command(Bulletin("big", 2000)), kNoRoom);
    }
    // Room again: the same session stores the next one.
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_EQ(client.Command(Bulletin("after", 3)),
              "250 message succesfully stored as \"after.txt\"");
    client.CloseSending();
    EXPECT_TRUE(client.ServerClosed());
  });
  StopListener();

  EXPECT_TRUE(Logged(kNoRoom));
  EXPECT_EQ(FilesIn("data"), (std::vector<std::string>{"after.txt", "schedule_temp.lst"}));
  ASSERT_EQ(queue.Count(), 1);
  EXPECT_EQ(SplitQueueLine(queue.Text(0)).name, "after.txt");
  for (const auto& name : FilesIn(".")) {
    EXPECT_FALSE(name.ends_with(".tmp")) << name;
  }
}

// A data directory that cannot take files (a file in its place stops root
// too): the message is not acknowledged, and the log says where it failed.
TEST_F(IntakeStorageTest, AnUnwritableDataDirectoryGets452AndALogLine) {
  std::filesystem::remove_all("data");
  WriteFile("data", "");
  StartListener(2);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_EQ(client.Command(Bulletin("lost", 3)), kNoRoom);
    client.CloseSending();
    EXPECT_TRUE(client.ServerClosed());
  });
  StopListener();

  EXPECT_TRUE(Logged("Unable to write data/E_20261208_180000.000.txt output file"));
  EXPECT_EQ(queue.Count(), 0);
  for (const auto& name : FilesIn(".")) {
    EXPECT_FALSE(name.ends_with(".tmp")) << name;
  }
}

}  // namespace
}  // namespace kestrix::testing
