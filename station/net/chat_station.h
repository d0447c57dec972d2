#pragma once
// The parts of the station a chat line goes through on its way to the air,
// and the window controls the chat shows itself in.

#include "common/event_log.h"
#include "common/event_loop.h"
#include "station/app/chat_user_list.h"
#include "station/app/window_clock.h"
#include "station/audio/psk31_modem.h"
#include "station/config/station_settings.h"
#include "station/encoding/character_encoder.h"
#include "station/encoding/code_output.h"
#include "station/encoding/morse_keyer.h"
#include "station/encoding/transmit_busy.h"
#include "station/encoding/transmitter.h"
#include "station/queue/monitor_ring.h"
#include "station/queue/send_queue.h"
#include "station/queue/text_pane.h"
#include "station/queue/transmit_cycle.h"

namespace kestrix {

struct ChatStation {
  StationSettings& settings;
  EventLoop& loop;
  EventLog& log;
  WindowClock& clock;
  MonitorRing& ring;
  TransmitBusy& busy;
  CharacterEncoder& encoder;
  CodeOutput& output;
  Psk31Modem& modem;
  MorseKeyer& morse;
  Transmitter& transmitter;
  TransmitCycle& cycle;
  SendQueue& queue;     // window thread
  TextPane& textPane;   // window thread
  ChatUserList& users;  // window thread
};

}  // namespace kestrix
