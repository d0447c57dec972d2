#include "station/app/queue_side.h"

namespace kestrix {

QueueSide::QueueSide(StationSettings& settings, EventLoop& loop, EventLog& log, WindowClock& clock,
                     StationWindow& window, TransmitSide& transmit, SettingsMenus& settingsMenus,
                     Psk31Modem& modem, Launcher& launcher)
    : files_(settings, loop, log, transmit.Encoder(), transmit.Router(), transmit.Morse(), modem,
             transmit.Busy(), monitor_,
             FileTransmitterControls{window.TransmittedText(), window.FileNameLine(),
                                     window.CharactersLeft(), window.FlowStatus()}),
      schedule_(settings, loop, log, queue_),
      commands_(settings, loop, log, queue_, schedule_, help_, window.Chooser(),
                window.FlowStatus(), launcher),
      cycle_(settings, loop, log, clock, queue_, transmit.Transmit(), transmit.Router(), files_,
             modem, transmit.Busy(),
             TransmitCycleControls{window.ScheduleStatus(), window.FlowStatus(), window.CountDown(),
                                   window.CwIdCountdown()}),
      cwIdentifier_(settings, log, clock, transmit.Transmit(), files_, transmit.Morse(), modem,
                    transmit.Busy(), help_, cycle_,
                    CwIdControls{window.Menus(), window.CwIdCountdown(), window.WindowTitle(),
                                 window.MessageBoxes()}),
      scriptCommands_(settings, log, window.Menus(), settingsMenus, transmit.Transmit(), cycle_,
                      commands_, cwIdentifier_),
      import_(settings, log, window.Chooser(), commands_) {
  cycle_.PlugIn(scriptCommands_, cwIdentifier_);
}

}  // namespace kestrix
