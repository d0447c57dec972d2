#include "station/audio/msk_generator.h"

#include <cmath>

namespace kestrix {
namespace {

// The character's bits with the unused high bits set, so that whatever the
// word length the bits after the data are stop (mark).
int PaddedBits(int code, int dataBits) {
  switch (dataBits) {
    case 5:
      return (code | 0xE0) & 0xFF;
    case 6:
      return (code | 0xC0) & 0xFF;
    case 7:
      return (code | 0x80) & 0xFF;
    default:
      return code & 0xFF;
  }
}

constexpr int kMark = -1;
constexpr int kSpace = 1;

}  // namespace

CMSKGen::CMSKGen(ToneState& shared) : shared_(shared), twoPi_(8.0 * std::atan(1.0)) {}

void CMSKGen::Init(int sampleRate, double centre, double baud) {
  shared_.baud = baud;
  SetFrequency(sampleRate, centre);
  sampleRate_ = sampleRate;
  baud_ = baud;
}

void CMSKGen::SetFrequency(int sampleRate, double centre) {
  const double centreStep = centre * twoPi_ / sampleRate;
  const double shiftStep = shared_.halfShift * twoPi_ / sampleRate;
  stepHigh_ = centreStep + shiftStep;
  stepLow_ = centreStep - shiftStep;
}

// Each frame opens its block, so the stop element is the rest of the block
// (1.5 bit periods for five bits) whatever the blocks before it held; a
// teleprinter needs more than 1.4 of them to latch again. Bit k covers the
// samples from k bit periods after the block start on, the boundaries
// falling between samples where they fall. Returns the index of the last
// bit boundary in the block, 0 for an idle block, which sets no level.
int CMSKGen::GenerateCharacter(double* buffer, int count, int code, int dataBits) {
  const int bits = PaddedBits(code, dataBits);
  int level = kMark;
  int bit = -1;
  int lastSet = 0;
  for (int i = 0; i < count; ++i) {
    // Whole numbers stay exact: i * baud / rate is k at the k-th boundary.
    const int bitHere = static_cast<int>(std::floor(i * baud_ / sampleRate_));
    if (code != 0 && bitHere != bit) {
      bit = bitHere;
      if (bit == 0) {
        level = kSpace;  // start bit
      } else if (bit <= 8) {
        level = ((bits >> (bit - 1)) & 1) != 0 ? kMark : kSpace;
      } else {
        level = kMark;
      }
      lastSet = i;
    }
    // Mark is the lower tone whichever way round the caller gave the tones.
    shared_.tonePhase = std::fmod(shared_.tonePhase + (level > 0 ? stepHigh_ : stepLow_), twoPi_);
    buffer[i] = std::sin(shared_.tonePhase) + std::cos(shared_.tonePhase);
  }
  return lastSet;
}

void CGenerators::ApplyGain(int count, double* buffer, double gain) {
  for (int i = 0; i < count; ++i) {
    buffer[i] *= gain;
  }
}

int SamplesPerCharacter(int dataBits, int sampleRate, double baud) {
  double stop = 2.0;
  if (dataBits < 6 || dataBits > 8) {
    dataBits = 5;
    stop = 1.5;
  }
  return static_cast<int>((dataBits + 1 + stop) * (sampleRate / baud));
}

}  // namespace kestrix
