#pragma once
// The socket error texts the mail loader logs, by the Windows Sockets codes
// operators know from its log, and the POSIX errors that stand for them.

#include <string>

namespace kestrix {

class WinsockErrors {
 public:
  // The code of a POSIX errno value (the error number itself when no code
  // stands for it).
  static int CodeOf(int posixError);
  // The logged text of a code; "Error Code %d" for codes without one.
  static std::string Text(int code);
};

}  // namespace kestrix
