#include "station/encoding/output_router.h"

#include "station/config/station_mode.h"

namespace kestrix {

OutputRouter::OutputRouter(StationSettings& settings, EventLoop& loop, SerialPort& port,
                           Psk31Modem& modem, SoundKeyer& soundKeyer)
    : settings_(settings), serial_(port, loop), sound_(soundKeyer, settings), modem_(modem, loop) {}

// PSK31 has a modem of its own; other modes go to the sound card when one
// is chosen.
OutputPath& OutputRouter::Current() {
  if (settings_.MODE == kModePsk31) {
    return modem_;
  }
  if (UsesSoundCard(settings_.soundCardID)) {
    return sound_;
  }
  return serial_;
}

}  // namespace kestrix
