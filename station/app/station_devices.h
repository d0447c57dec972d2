#pragma once
// The device backends, chosen where the program is put together.

#include "common/launcher.h"
#include "station/audio/psk31_modem.h"
#include "station/audio/wave_device.h"
#include "station/encoding/serial_line.h"

namespace kestrix {

struct StationDevices {
  SerialLine& serialLine;
  Psk31Modem& modem;
  WaveDeviceFactory& waveDevices;
  Launcher& launcher;
  // The listeners take ports of the system's choosing instead of the
  // configured ones, so stations under test never meet on a real port.
  bool listenOnFreePorts = false;
};

}  // namespace kestrix
