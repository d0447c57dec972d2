#pragma once
// Ids of the windows' controls, kept as the "controlId" property of each
// widget so that tests and tools find a control by the same number.

namespace kestrix::control {

// Main window
constexpr int kQueueList = 1002;
constexpr int kCharactersLeft = 1003;  // "SendQueue"
constexpr int kCountDown = 1004;
constexpr int kFileNameLine = 1031;
constexpr int kScheduleDisable = 1036;
constexpr int kScheduleEnable = 1037;
constexpr int kScheduleStatus = 1038;
constexpr int kTransmitOff = 1039;
constexpr int kTransmitOn = 1040;
constexpr int kTransmitStatus = 1041;
constexpr int kFlowStatus = 1042;
constexpr int kFlowPause = 1043;
constexpr int kFlowResume = 1044;
constexpr int kFlowCancel = 1045;
constexpr int kTransmittedText = 1047;
constexpr int kFileChooser = 1060;
constexpr int kRefreshFileChooser = 1062;
constexpr int kCwIdCountdown = 1091;
constexpr int kEventList = 1121;
constexpr int kChatUsers = 1124;
constexpr int kKillChatUser = 1125;
// Sound card frequency setup
constexpr int kSpaceTone = 1104;
constexpr int kMarkTone = 1105;
constexpr int kToneShift = 1107;

}  // namespace kestrix::control
