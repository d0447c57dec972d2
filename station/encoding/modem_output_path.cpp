#include "station/encoding/modem_output_path.h"

namespace kestrix {

ModemOutputPath::ModemOutputPath(Psk31Modem& modem, EventLoop& loop)
    : modem_(modem), queueShrunk_(loop) {
  modem_.SetQueueShrunk([this] { queueShrunk_.Notify(); });
}

ModemOutputPath::~ModemOutputPath() {
  modem_.SetQueueShrunk(nullptr);
}

void ModemOutputPath::Send(int code) {
  modem_.QueueCharacter(code, 0);
  queueShrunk_.WaitUntil([&] { return modem_.QueuedCount() <= kQueueLimit; });
}

bool ModemOutputPath::TrySend(int code) {
  if (!Idle()) {
    return false;
  }
  modem_.QueueCharacter(code, 0);
  return true;
}

}  // namespace kestrix
