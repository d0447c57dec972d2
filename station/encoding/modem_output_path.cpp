#include "station/encoding/modem_output_path.h"

namespace kestrix {

void ModemOutputPath::Send(int code) {
  modem_.QueueCharacter(code, 0);
  while (modem_.QueuedCount() > kQueueLimit) {
    loop_.WaitForNextEvent();
  }
}

bool ModemOutputPath::TrySend(int code) {
  if (!Idle()) {
    return false;
  }
  modem_.QueueCharacter(code, 0);
  return true;
}

}  // namespace kestrix
