#pragma once
// Puts one chat line on the air from a session's thread, which holds the
// transmit flag: the lead-in and closing idle, every character in the mode
// in force, the line breaks of the five-bit modes, and what the typing user
// sees of it. The transmitter follows automatic start.

#include <atomic>
#include <string>

#include "station/net/chat_station.h"
#include "station/net/echo_macro.h"
#include "station/net/socket_connection.h"

namespace kestrix {

class ChatLineSender {
 public:
  // `softLimit` is the column after which a blank breaks the line; it is
  // shared by all sessions.
  // `stopping` set (the station is ending) cuts a line short: a long one
  // would otherwise hold the shutdown for as long as it takes on the air.
  ChatLineSender(ChatStation& station, EchoMacro& echo, const std::atomic<int>& softLimit,
                 const std::atomic<bool>& stopping)
      : station_(station), echo_(echo), softLimit_(softLimit), stopping_(stopping) {}

  // Sends `line` after its lead-in; the typing user's echo goes to
  // `client` without waiting, so a client that does not read cannot hold
  // up the air.
  void Send(const std::string& line, SocketConnection& client);
  // The closing idle, the transmitter off under automatic start when
  // nothing else waits, and one clock tick.
  void Finish();

 private:
  void SendCharacter(unsigned char c, SocketConnection& client);
  void SendFiveBit(unsigned char c, int mode, SocketConnection& client);
  bool AutoStartOn() const;

  ChatStation& station_;
  EchoMacro& echo_;
  const std::atomic<int>& softLimit_;
  const std::atomic<bool>& stopping_;
  int column_ = 0;
};

}  // namespace kestrix
