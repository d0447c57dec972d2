#pragma once
// Sends one text file of the data directory over the air, character by
// character in the current mode, while the main window shows the file with
// the character being sent selected and counts down what is left. Pause
// holds it and CANCEL stops it between two characters. Also shows a file
// in the text pane. Window thread.

#include <string>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/text_field.h"
#include "station/audio/psk31_modem.h"
#include "station/config/station_settings.h"
#include "station/encoding/character_encoder.h"
#include "station/encoding/code_output.h"
#include "station/encoding/morse_keyer.h"
#include "station/encoding/transmit_busy.h"
#include "station/queue/monitor_ring.h"
#include "station/queue/text_pane.h"

namespace kestrix {

struct FileTransmitterControls {
  TextPane& textPane;         // control::kTransmittedText
  TextField& fileNameLine;    // control::kFileNameLine, the name of the file shown
  TextField& charactersLeft;  // control::kCharactersLeft, "SendQueue"
  TextField& flowStatus;      // control::kFlowStatus
};

class FileTransmitter {
 public:
  static constexpr std::size_t kMaxRead = 31998;

  FileTransmitter(StationSettings& settings, EventLoop& loop, EventLog& log,
                  CharacterEncoder& encoder, CodeOutput& output, MorseKeyer& morse,
                  Psk31Modem& modem, TransmitBusy& busy, MonitorRing& ring,
                  FileTransmitterControls controls);

  // Sends "data/" + name in `mode` (the MODE numbers). The outcome is in
  // the event log and in transferCancel.
  void TXFile(const std::string& name, int mode);
  // Shows a file in the text pane: 0 when shown or nothing to show, 1 when
  // it could not be read.
  int PrintFile(const std::string& name);

 private:
  // Holds while paused; false when CANCEL ends the transmission.
  bool WaitWhilePaused(int mode);
  // When codes would be lost (the sound card failed, or it is off with the
  // transmitter), ends the file as CANCEL does and logs why: true then.
  bool WayOutGone(const std::string& name, int sent, int length, int mode);
  // Sends one character of the text and leaves what went out in its place.
  void SendCharacter(char& slot, int mode);

  StationSettings& settings_;
  EventLoop& loop_;
  EventLog& log_;
  CharacterEncoder& encoder_;
  CodeOutput& output_;
  MorseKeyer& morse_;
  Psk31Modem& modem_;
  TransmitBusy& busy_;
  MonitorRing& ring_;
  FileTransmitterControls controls_;
};

}  // namespace kestrix
