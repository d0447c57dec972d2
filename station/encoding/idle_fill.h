#pragma once
// Idle fill of the five-bit modes: while "Diddle" is on, the transmitter is
// on and nothing is being sent, letters shift goes out so that a receiving
// machine stays in step. It never waits for the line, so it can never hold
// up the start of a transmission, and it stops as soon as a condition ends.

#include "common/event_loop.h"
#include "station/app/window_clock.h"
#include "station/config/station_settings.h"
#include "station/encoding/character_encoder.h"
#include "station/encoding/output_router.h"
#include "station/encoding/transmit_busy.h"

namespace kestrix {

class IdleFill {
 public:
  IdleFill(StationSettings& settings, EventLoop& loop, OutputRouter& router,
           CharacterEncoder& encoder, TransmitBusy& busy);

  // Runs the fill timer while the fill may be wanted; called every second.
  void Update();
  // One poll of the fill timer: sends one letters shift when the line is idle.
  void Poll();

  bool Wanted() const;

 private:
  StationSettings& settings_;
  EventLoop& loop_;
  OutputRouter& router_;
  CharacterEncoder& encoder_;
  TransmitBusy& busy_;
};

}  // namespace kestrix
