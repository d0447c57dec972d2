#pragma once
// An independent PSK31 receiver for the tests, written from the modulation
// rules alone: it mixes the audio down at the carrier frequency, low-pass
// filters it, finds the symbol timing of each transmission from where the
// signal is strongest, reads a bit from the phase of each symbol against
// the one before (same phase 1, reversed 0), and reads the varicode table
// of psk31-varicode.tsv beside this file (characters end at "00").

#include <string>
#include <vector>

namespace kestrix::testing {

// The text of every transmission in `samples` (8000 per second), in order.
std::string ReceivePsk31(const std::vector<double>& samples, double carrier);

// The 16-bit mono samples of a WAV file written by the station.
std::vector<double> WavSamples(const std::string& path);

}  // namespace kestrix::testing
