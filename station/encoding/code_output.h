#pragma once
// Where the encoder hands each code it decides on: the output routing.

namespace kestrix {

class CodeOutput {
 public:
  virtual ~CodeOutput() = default;
  // Sends one code on the current path; may block (pumping window events on
  // the window thread) until the path has taken it.
  virtual void SendCode(int code) = 0;
};

}  // namespace kestrix
