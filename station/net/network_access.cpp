#include "station/net/network_access.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace kestrix {

namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) {
    return {};
  }
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

std::optional<std::uint32_t> NetworkAccess::ParseAddress(const std::string& text) {
  in_addr address{};
  if (::inet_pton(AF_INET, Trimmed(text).c_str(), &address) != 1) {
    return std::nullopt;
  }
  return ntohl(address.s_addr);
}

std::optional<AllowedNetwork> NetworkAccess::ParseNetwork(const std::string& text) {
  const std::string entry = Trimmed(text);
  const std::size_t slash = entry.find('/');
  const std::optional<std::uint32_t> address = ParseAddress(entry.substr(0, slash));
  if (!address) {
    return std::nullopt;
  }
  int length = 32;
  if (slash != std::string::npos) {
    const std::string digits = entry.substr(slash + 1);
    if (digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      return std::nullopt;
    }
    length = std::stoi(digits);
    if (length > 32) {
      return std::nullopt;
    }
  }
  const std::uint32_t mask = length == 0 ? 0 : ~std::uint32_t{0} << (32 - length);
  return AllowedNetwork{*address & mask, mask};
}

NetworkAccess NetworkAccess::FromSettings(const std::string& listenAddress,
                                          const std::string& allowFrom,
                                          std::vector<std::string>& problems) {
  NetworkAccess access;
  if (!Trimmed(listenAddress).empty()) {
    if (const auto address = ParseAddress(listenAddress)) {
      access.listenAddress = *address;
    } else {
      problems.push_back("QERVListenAddress \"" + listenAddress +
                         "\" is not an IPv4 address; listening on every address");
    }
  }
  std::istringstream entries(allowFrom);
  for (std::string entry; std::getline(entries, entry, ',');) {
    if (Trimmed(entry).empty()) {
      continue;
    }
    access.restricted = true;
    if (const auto network = ParseNetwork(entry)) {
      access.allowed.push_back(*network);
    } else {
      problems.push_back("QERVAllowFrom entry \"" + Trimmed(entry) +
                         "\" is not a network such as 192.168.1.0/24; it allows nobody");
    }
  }
  return access;
}

bool NetworkAccess::Allows(const std::array<std::uint8_t, 4>& peer) const {
  if (!restricted) {
    return true;
  }
  const std::uint32_t address = std::uint32_t{peer[0]} << 24 | std::uint32_t{peer[1]} << 16 |
                                std::uint32_t{peer[2]} << 8 | peer[3];
  return std::any_of(allowed.begin(), allowed.end(), [address](const AllowedNetwork& network) {
    return (address & network.mask) == network.network;
  });
}

}  // namespace kestrix
