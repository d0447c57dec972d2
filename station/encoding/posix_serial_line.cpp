#include "station/encoding/posix_serial_line.h"

namespace kestrix {
PosixSerialLine::PosixSerialLine() = default;
PosixSerialLine::~PosixSerialLine() = default;
}  // namespace kestrix
