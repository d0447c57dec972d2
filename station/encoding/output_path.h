#pragma once
// One way out of the station for the codes the encoder decides on: the
// serial port, the sound keyer or the PSK31 modem. The output routing
// chooses one per code by mode and sound card.

#include <string>

namespace kestrix {

class OutputPath {
 public:
  virtual ~OutputPath() = default;
  // Blocks (dispatching window events on the window thread) until the path
  // has taken the code; codes the path cannot carry now are dropped.
  virtual void Send(int code) = 0;
  // Hands the code over only if the path takes it without waiting; for the
  // idle fill. False when it was not sent.
  virtual bool TrySend(int code) = 0;
  // True when a code handed over now would go out without waiting behind
  // another one.
  virtual bool Idle() = 0;
  // Why codes handed over are lost now; empty while they go out.
  virtual std::string LostBecause() { return {}; }
};

}  // namespace kestrix
