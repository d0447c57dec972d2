#pragma once
// Who may reach the station's ports: the local address every listener
// binds, and the networks a connection may come from. By default every
// address and everyone, as a station has always been.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrix {

struct AllowedNetwork {
  std::uint32_t network = 0;  // host order
  std::uint32_t mask = 0;
};

class NetworkAccess {
 public:
  // "a.b.c.d" in host order; nothing when it is not such an address.
  static std::optional<std::uint32_t> ParseAddress(const std::string& text);
  // "net/len" (or a bare address, /32); nothing when malformed.
  static std::optional<AllowedNetwork> ParseNetwork(const std::string& text);

  // From the two settings' texts; every entry that cannot be read is put
  // into `problems`. A list whose entries are all unreadable lets nobody in:
  // the operator meant to restrict, not to open.
  static NetworkAccess FromSettings(const std::string& listenAddress, const std::string& allowFrom,
                                    std::vector<std::string>& problems);

  bool Allows(const std::array<std::uint8_t, 4>& peer) const;

  std::uint32_t listenAddress = 0;  // host order; 0 is every address
  bool restricted = false;          // false: everyone may connect
  std::vector<AllowedNetwork> allowed;
};

}  // namespace kestrix
