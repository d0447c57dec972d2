#include "station/app/transmit_side.h"

namespace kestrix {

TransmitSide::TransmitSide(StationSettings& settings, EventLoop& loop, EventLog& log,
                           WindowClock& clock, const PortDeviceMap& portDevices,
                           StationWindow& window, StationDevices devices,
                           const WindowClock::EndProcess& endProcess)
    : serialPort_(devices.serialLine, loop, portDevices, settings, log, window.MessageBoxes(),
                  endProcess),
      soundKeying_(SoundKeyingContext{
          settings, loop, log, window.MessageBoxes(), devices.waveDevices, tones_, {}}),
      router_(settings, loop, serialPort_, devices.modem, soundKeying_),
      transmitter_(
          settings, loop, log, clock, serialPort_, devices.modem, soundKeying_,
          TransmitterControls{window.Menus(), window.TransmitStatus(), window.CwIdCountdown()}),
      morse_(settings, clock, serialPort_, soundKeying_),
      transmitBusy_(loop),
      modes_(settings, log, window.MessageBoxes(), window.Menus(), serialPort_, devices.modem,
             transmitBusy_),
      encoder_(router_, loop),
      idleFill_(settings, loop, router_, encoder_, transmitBusy_) {
  // The port and the sound path come before the transmitter that keys
  // them; what they ask of it is handed over once it exists.
  soundKeying_.SetSwitchTransmitterOff([this] { transmitter_.CmRX(); });
  serialPort_.SetBeforeFatalBox([this] { transmitter_.CmRX(); });
  serialPort_.SetSwitchTransmitterOff([this] { transmitter_.CmRX(); });
  serialPort_.SetAfterOpen([this] { transmitter_.KeepLinesAfterOpen(); });
  modes_.SetModeChangedWork([this] { transmitter_.FollowModeAndRate(); });
  devices.modem.AttachStation(settings, log);
}

}  // namespace kestrix
