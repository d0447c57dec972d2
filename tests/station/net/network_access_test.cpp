// Who may reach the station: the parsing of the two settings.

#include "station/net/network_access.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

TEST(NetworkAccessTest, NetworksAndAddressesAreReadStrictly) {
  std::vector<std::string> problems;
  const NetworkAccess access = NetworkAccess::FromSettings(
      "127.0.0.2", "192.168.1.0/24, 10.0.0.7 ,172.16.0.0/12,nonsense,1.2.3.4/33", problems);
  EXPECT_EQ(access.listenAddress, 0x7F000002u);
  EXPECT_TRUE(access.restricted);
  EXPECT_TRUE(access.Allows({192, 168, 1, 200}));
  EXPECT_FALSE(access.Allows({192, 168, 2, 1}));
  EXPECT_TRUE(access.Allows({10, 0, 0, 7}));
  EXPECT_FALSE(access.Allows({10, 0, 0, 8}));
  EXPECT_TRUE(access.Allows({172, 31, 255, 255}));
  EXPECT_FALSE(access.Allows({172, 32, 0, 0}));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("\"nonsense\""), std::string::npos);
  EXPECT_NE(problems[1].find("\"1.2.3.4/33\""), std::string::npos);
}

TEST(NetworkAccessTest, NothingSetOpensEverythingButAnUnreadableListOpensNothing) {
  std::vector<std::string> problems;
  const NetworkAccess open = NetworkAccess::FromSettings("", "", problems);
  EXPECT_EQ(open.listenAddress, 0u);
  EXPECT_TRUE(open.Allows({8, 8, 8, 8}));
  EXPECT_TRUE(problems.empty());

  const NetworkAccess closed = NetworkAccess::FromSettings("not.an.address", "10.0.0/8", problems);
  EXPECT_EQ(closed.listenAddress, 0u);  // every address, and said so
  EXPECT_FALSE(closed.Allows({10, 0, 0, 1}));
  EXPECT_FALSE(closed.Allows({127, 0, 0, 1}));
  EXPECT_EQ(problems.size(), 2u);

  const NetworkAccess everyone = NetworkAccess::FromSettings("", "0.0.0.0/0", problems);
  EXPECT_TRUE(everyone.Allows({203, 0, 113, 9}));
}

}  // namespace
}  // namespace kestrix
