#pragma once
// Codes as characters for the PSK31 modem, which keeps a short queue of
// its own so that its signal runs on between them.

#include "common/event_loop.h"
#include "station/audio/psk31_modem.h"
#include "station/encoding/output_path.h"

namespace kestrix {

class ModemOutputPath final : public OutputPath {
 public:
  // The modem keeps this many characters queued at most.
  static constexpr int kQueueLimit = 2;

  ModemOutputPath(Psk31Modem& modem, EventLoop& loop) : modem_(modem), loop_(loop) {}

  // Queues the code, then waits while more than kQueueLimit are queued.
  void Send(int code) override;
  bool TrySend(int code) override;
  bool Idle() override { return modem_.QueuedCount() == 0; }

 private:
  Psk31Modem& modem_;
  EventLoop& loop_;
};

}  // namespace kestrix
