#pragma once
// Tells the operator how the PSK31 modem's start went: a log line when it
// started, a stop box with the numbered error text when it did not.

#include <string>

#include "common/event_log.h"
#include "common/message_box.h"

namespace kestrix {

// "(%3i) " and the text of a modem start error number.
std::string ModemStartErrorText(int result);

void ReportModemStart(int result, EventLog& log, MessageBox& box);

}  // namespace kestrix
