#pragma once
// Codes as characters for the PSK31 modem, which keeps a short queue of
// its own so that its signal runs on between them.

#include "common/event_condition.h"
#include "common/event_loop.h"
#include "station/audio/psk31_modem.h"
#include "station/encoding/output_path.h"

namespace kestrix {

class ModemOutputPath final : public OutputPath {
 public:
  // The modem keeps this many characters queued at most.
  static constexpr int kQueueLimit = 2;

  // Listens to the modem's queue from here on.
  ModemOutputPath(Psk31Modem& modem, EventLoop& loop);
  ~ModemOutputPath() override;
  ModemOutputPath(const ModemOutputPath&) = delete;
  ModemOutputPath& operator=(const ModemOutputPath&) = delete;

  // Queues the code, then waits while more than kQueueLimit are queued:
  // on the window thread dispatching events, on others blocked until the
  // modem's queue shrinks.
  void Send(int code) override;
  bool TrySend(int code) override;
  bool Idle() override { return modem_.QueuedCount() == 0; }
  std::string LostBecause() override { return modem_.LostBecause(); }

 private:
  Psk31Modem& modem_;
  EventCondition queueShrunk_;
};

}  // namespace kestrix
