#include "station/net/chat_line_sender.h"

#include "common/text_case.h"
#include "station/config/station_mode.h"

namespace kestrix {

bool ChatLineSender::AutoStartOn() const {
  return station_.settings.QERVAutoStart && !station_.settings.scheduleEnable;
}

void ChatLineSender::Send(const std::string& line, SocketConnection& client) {
  station_.loop.CallOnWindowThread([&] { station_.textPane.SetText(line); });
  if (AutoStartOn()) {
    station_.loop.CallOnWindowThread([&] { station_.transmitter.CmTX(); });
  }
  station_.cycle.WaitSeconds(3, 3, 0);
  // Morse is keyed on the Morse tick, which only runs while something keys.
  const bool morse = station_.settings.MODE == kModeCw;
  if (morse) {
    station_.loop.CallOnWindowThread([&] { station_.clock.OnTimer(WindowClock::kStartMorse); });
  }
  for (const char c : line) {
    if (stopping_) {
      break;
    }
    SendCharacter(static_cast<unsigned char>(c), client);
  }
  if (morse) {
    station_.loop.CallOnWindowThread([&] { station_.clock.OnTimer(WindowClock::kStopMorse); });
  }
}

void ChatLineSender::Finish() {
  if (stopping_) {
    return;
  }
  station_.cycle.WaitSeconds(0, 3, 3);
  if (AutoStartOn()) {
    station_.loop.CallOnWindowThread([&] {
      if (station_.queue.Empty()) {
        station_.transmitter.CmRX();
      }
    });
  }
  station_.clock.WaitClockTicks(1);
}

void ChatLineSender::SendCharacter(unsigned char c, SocketConnection& client) {
  column_ = (c == '\r' || c == '\n') ? 0 : column_ + 1;
  const auto toClient = [&client](std::string_view text) { client.SendNow(text); };
  const int mode = station_.settings.MODE;
  switch (mode) {
    case kModePsk31:
      // The carrier's keep-alive, as a paused file gives it; the wait for
      // room in the modem's queue follows in the send below.
      station_.modem.QueueCharacter(0, 0);
      [[fallthrough]];
    case kModeAscii: {
      station_.ring.Put(static_cast<char>(c));
      station_.output.SendCode(c & 0x7F);
      const char echoed = static_cast<char>(echo_.Echo(c, toClient));
      client.SendNow(std::string_view(&echoed, 1));
      break;
    }
    case kModeCw:
      station_.ring.Put(static_cast<char>(c));
      echo_.Echo(c, toClient);  // the user sees what a macro stands for, not the letters
      station_.morse.KeyMorseCharacter(c, MorseKeyer::kTextGap);
      break;
    case kModeIta2:
    case kModeTelex:
    case kModeMilitary:
      SendFiveBit(c, mode, client);
      break;
    default:
      break;
  }
}

void ChatLineSender::SendFiveBit(unsigned char c, int mode, SocketConnection& client) {
  const unsigned char upper = UpperCase(c);
  station_.ring.Put(static_cast<char>(upper));
  station_.encoder.EncodeCharacter(upper, mode);
  const int echoed = echo_.Echo(upper, [&client](std::string_view text) { client.SendNow(text); });
  const char shown = static_cast<char>(echoed);
  client.SendNow(std::string_view(&shown, 1));
  // 0 means no automatic line length: the printer's own line end is kept.
  const int lineLength = station_.settings.QERVAutoLine72;
  if (lineLength == 0) {
    return;
  }
  if ((column_ > softLimit_ && echoed == ' ') || column_ > lineLength) {
    for (const char end : {'\r', '\n'}) {
      station_.ring.Put(end);
      station_.encoder.EncodeCharacter(end, mode);
      client.SendNow(std::string_view(&end, 1));
    }
    column_ = 0;
  }
}

}  // namespace kestrix
