#include "station/queue/monitor_ring.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

TEST(MonitorRing, AReaderFollowsAndOneThatFellBehindIsToldHowMuch) {
  MonitorRing ring;
  std::uint64_t watcher = ring.WriteCount();
  for (char c : std::string("CQ DE N0CALL")) {
    ring.Put(c);
  }
  std::string seen;
  EXPECT_EQ(ring.ReadSince(watcher, seen), 0u);
  EXPECT_EQ(seen, "CQ DE N0CALL");

  // A whole file's worth is kept for a slow reader.
  std::uint64_t slow = ring.WriteCount();
  for (std::size_t i = 0; i < MonitorRing::kCapacity; ++i) {
    ring.Put('R');
  }
  std::string kept;
  EXPECT_EQ(ring.ReadSince(slow, kept), 0u);
  EXPECT_EQ(kept.size(), MonitorRing::kCapacity);

  // One that fell further behind skips to the present.
  for (std::size_t i = 0; i < 10; ++i) {
    ring.Put('Y');
  }
  seen.clear();
  EXPECT_EQ(ring.ReadSince(watcher, seen), MonitorRing::kCapacity + 10);
  EXPECT_EQ(seen, "");
  ring.Put('K');
  EXPECT_EQ(ring.ReadSince(watcher, seen), 0u);
  EXPECT_EQ(seen, "K");
}

}  // namespace
}  // namespace kestrix
