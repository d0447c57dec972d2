// Who may reach the air, over loopback addresses: the listeners bind the
// configured address, and connections from outside the allowed networks
// are closed at once (the mail port first answers 554), with a log line.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/station/app/station_fixture.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

// A connection from `from` to `to`:`port`; -1 when it cannot be made.
int ConnectFrom(const char* from, const char* to, int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  ::inet_pton(AF_INET, from, &local.sin_addr);
  ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(static_cast<std::uint16_t>(port));
  ::inet_pton(AF_INET, to, &remote.sin_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Everything the station says until it closes (or for 5 s).
std::string ReadAll(int fd) {
  timeval limit{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::string text;
  char buffer[512];
  for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return text;
}

class StationAccessTest : public testing::StationTest {
 protected:
  StationAccessTest() {
    loop.KeepPaceWithRealThreads(10ms);
    StartWith("QERVLISTENADDRESS=\"127.0.0.2\"\nQERVALLOWFROM=\"127.0.0.3/32, 127.0.1.0/24\"\n");
  }
};

TEST_F(StationAccessTest, OnlyTheAllowedNetworksReachTheBoundAddress) {
  ASSERT_NE(station.NetworkPart().Smtp(1), nullptr);
  ASSERT_NE(station.NetworkPart().Chat(), nullptr);
  const int smtp = station.NetworkPart().Smtp(1)->Port();
  const int chat = station.NetworkPart().Chat()->Port();
  EXPECT_EQ(ConnectFrom("127.0.0.3", "127.0.0.1", smtp), -1);  // not bound there

  std::string refused, refusedChat, welcomed;
  std::atomic<bool> done{false};
  std::thread clients([&] {
    refused = ReadAll(ConnectFrom("127.0.0.1", "127.0.0.2", smtp));
    refusedChat = ReadAll(ConnectFrom("127.0.0.4", "127.0.0.2", chat));
    const int allowed = ConnectFrom("127.0.1.9", "127.0.0.2", smtp);
    char greeting[256] = {};
    ::recv(allowed, greeting, sizeof greeting - 1, 0);
    welcomed = greeting;
    ::send(allowed, "QUIT\r\n", 6, MSG_NOSIGNAL);
    ReadAll(allowed);
    done = true;
  });
  const auto limit = loop.Now() + 2min;
  while (!done && loop.Now() < limit) {
    loop.WaitForNextEvent();
  }
  clients.join();
  EXPECT_TRUE(refused.starts_with("554 ")) << refused;
  EXPECT_EQ(refusedChat, "");
  EXPECT_TRUE(welcomed.starts_with("220 ")) << welcomed;
  EXPECT_TRUE(
      Logged("MTServerThread1 : SMTP connection from [127.000.000.001] refused: not in "
             "QERVAllowFrom"));
  EXPECT_TRUE(
      Logged("MTServerThread3 : Telnet connection from [127.000.000.004] refused: not in "
             "QERVAllowFrom"));
  station.NetworkPart().StopNetworkServers();
}

}  // namespace
}  // namespace kestrix
