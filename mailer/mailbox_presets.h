#pragma once
// The station mailboxes the "Server" list offers, each with its port.

#include <array>
#include <string_view>

namespace kestrix {

struct MailboxPreset {
  std::string_view mailbox;
  std::string_view port;
};

inline constexpr std::array<MailboxPreset, 4> kMailboxPresets = {{
    {"qerv", "593"},
    {"national", "598"},
    {"autostart", "594"},
    {"podium", "596"},
}};

// The station this machine runs, by name and by address.
inline constexpr std::string_view kDefaultHost = "localhost";
inline constexpr std::string_view kAddressEntries[] = {
    "localhost  // Default:   QERV / National / Autostart ",
    "127.0.0.1             // Default server by its IP address",
    "127.0.0.1             // TEST ONLY, localhost loopback",
};

}  // namespace kestrix
