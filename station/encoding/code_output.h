#pragma once
// Where the encoder hands each code it decides on: the output routing.

#include <string>

namespace kestrix {

class CodeOutput {
 public:
  virtual ~CodeOutput() = default;
  // Sends one code on the current path; may block (pumping window events on
  // the window thread) until the path has taken it.
  virtual void SendCode(int code) = 0;
  // Empty while codes handed over go out; otherwise why they are lost now
  // (the device of the path failed, or it plays only while the transmitter
  // is on).
  virtual std::string LostBecause() { return {}; }
};

}  // namespace kestrix
