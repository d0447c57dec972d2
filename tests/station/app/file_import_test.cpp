#include "station/app/file_import.h"

#include "tests/station/app/station_fixture.h"

namespace kestrix {
namespace {

class FileImportTest : public testing::StationTest {
 protected:
  FileImportTest() { StartWith(""); }
};

TEST_F(FileImportTest, CopiesWithUnderscoresQueuesAndNeverReplaces) {
  std::filesystem::create_directory("elsewhere");
  const std::string body(1300, 'E');  // more than two blocks
  testing::WriteFile("elsewhere/My File.txt", body);
  testing::WriteFile("elsewhere/other.txt", "NEW");
  testing::WriteFile("data/other.txt", "OLD");

  station.QueuePart().Import().ImportFiles(
      {"elsewhere/My File.txt", "elsewhere/missing.txt", "elsewhere/other.txt"});
  EXPECT_EQ(testing::ReadFile("data/My_File.txt"), body);
  EXPECT_EQ(testing::ReadFile("data/other.txt"), "OLD");
  EXPECT_TRUE(Logged("Filename elsewhere/missing.txt can't open read"));
  EXPECT_TRUE(Logged("Filename data/other.txt already exists, won't copy"));
  ASSERT_EQ(station.QueuePart().Queue().Texts().size(), 1u);
  EXPECT_TRUE(station.QueuePart().Queue().Texts()[0].ends_with(" My_File.txt"));

  station.QueuePart().Import().ImportFiles({"elsewhere/My File.txt"});
  EXPECT_TRUE(Logged("Filename data/My_File.txt already exists, won't copy"));
  EXPECT_EQ(station.QueuePart().Queue().Texts().size(), 1u);
}

}  // namespace
}  // namespace kestrix
