// "Quillon.INI" round trips.

#include "mailer/quillon_settings.h"

#include <gtest/gtest.h>

#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

TEST(QuillonSettingsTest, FieldsAndQueueComeBackInOrder) {
  testing::TempWorkingDirectory dir;
  EXPECT_FALSE(QuillonSettings::Read().has_value());
  QuillonSettings written;
  written.server = "national";
  written.address = "127.0.0.1             // TEST ONLY, localhost loopback";
  written.subject = "Club news";
  written.mailFrom = "K1ABC";
  written.port = "598";
  written.queue = {"/data/a.txt", "/data/b b.txt", "/data/c.txt"};
  ASSERT_TRUE(written.Write());
  const auto read = QuillonSettings::Read();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->server, written.server);
  EXPECT_EQ(read->address, written.address);
  EXPECT_EQ(read->subject, written.subject);
  EXPECT_EQ(read->mailFrom, written.mailFrom);
  EXPECT_EQ(read->port, written.port);
  EXPECT_EQ(read->queue, written.queue);
}

TEST(QuillonSettingsTest, AShortFileLeavesTheRestAndLinesAreCut) {
  testing::TempWorkingDirectory dir;
  testing::WriteFile("Quillon.INI", "qerv\r\nlocalhost\n" + std::string(300, 's') + "\n");
  const auto read = QuillonSettings::Read();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->server, "qerv");
  EXPECT_EQ(read->address, "localhost");
  EXPECT_EQ(read->subject, std::string(255, 's'));
  EXPECT_FALSE(read->mailFrom.has_value());
  EXPECT_FALSE(read->port.has_value());
  EXPECT_TRUE(read->queue.empty());
}

}  // namespace
}  // namespace kestrix
