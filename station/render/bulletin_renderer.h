#pragma once
// Renders a bulletin to a WAV file as the station would send it through a
// sound card: the same encoder, tone generators, block framing and 16-bit
// samples as its sound ring writes (only in larger buffers), with a lead-in
// of letters shift (mark in ASCII) before the text.
// For previewing a bulletin or testing a receiver without keying a radio.

#include <optional>
#include <string>
#include <vector>

#include "common/event_loop.h"

namespace kestrix {

struct RenderOptions {
  int mode = 3;  // the MODE numbers: 0 ASCII, 1 ITA2, 2 TELEX, 3 Military
  double baud = 45.45;
  double markTone = 2125.0;
  double spaceTone = 2295.0;
  double leadInSeconds = 2.0;
  std::string input;
  std::string output;
  bool help = false;  // --help or -h: the usage, nothing rendered
};

class BulletinRenderer {
 public:
  static constexpr double kTrailSeconds = 1.0;  // mark after the text

  // The options of a command line (without the program name), or nothing
  // with `error` set to what is wrong. --baud takes the rates the station
  // can send (IsSendableRate).
  static std::optional<RenderOptions> ParseArguments(const std::vector<std::string>& args,
                                                     std::string& error);
  static std::string Usage();

  // The codes of the whole transmission: one idle block, lead-in, text,
  // trailing idle (0 is an idle block of mark).
  static std::vector<int> TransmissionCodes(const RenderOptions& options, const std::string& text,
                                            const TimeSource& clock);
  // Writes the WAV file afresh. False with `error` set when it fails.
  static bool Render(const RenderOptions& options, std::string& error);
  // Writes the WAV file of `codes` (one block each) afresh; `options.input`
  // is not read.
  static bool RenderCodes(const RenderOptions& options, const std::vector<int>& codes,
                          std::string& error);
};

}  // namespace kestrix
