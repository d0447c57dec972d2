#pragma once
// A code output that keeps every code sent, in order.

#include <vector>

#include "station/encoding/code_output.h"

namespace kestrix::testing {

class RecordingCodeOutput final : public CodeOutput {
 public:
  void SendCode(int code) override { codes.push_back(code); }

  std::vector<int> codes;
};

}  // namespace kestrix::testing
