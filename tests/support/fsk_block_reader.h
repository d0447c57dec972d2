#pragma once
// Reads the blocks a sound keying worker hands to a fake wave device: each
// block opens with its character's frame, so a bit is read from the middle
// of its period by which of the two tones is the stronger there.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrix::testing {

class FskBlockReader {
 public:
  FskBlockReader(double baud, int dataBits, double mark = 2125.0, double space = 2295.0)
      : baud_(baud), dataBits_(dataBits), mark_(mark), space_(space) {}

  // The 16-bit samples of a block as the ring hands them over.
  static std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
  }

  // The code a block carries, -1 for idle mark (no start bit).
  int Code(const std::vector<std::uint8_t>& block) const {
    const auto samples = Samples(block);
    if (IsMark(samples, 0)) {
      return -1;
    }
    int code = 0;
    for (int bit = 1; bit <= dataBits_; ++bit) {
      code |= (IsMark(samples, bit) ? 1 : 0) << (bit - 1);
    }
    return code;
  }

  // The text of five-bit (US teleprinter) blocks, the shift kept across
  // blocks; idle, letters and figures shifts and carriage returns left out.
  std::string Text(const std::vector<std::vector<std::uint8_t>>& blocks) const {
    static constexpr char kLetters[] = "\0E\nA SIU\rDRJNFCKTZLWHYPQOBG\0MXV\0";
    static constexpr char kFigures[] = "\0003\n- \a87\r$4',!:(5\")2#6019?&\0./;\0";
    std::string text;
    bool figures = false;
    for (const auto& block : blocks) {
      const int code = Code(block);
      if (code == 31 || code == 27) {
        figures = code == 27;
      } else if (code > 0 && code != 8) {
        text += (figures ? kFigures : kLetters)[code];
      }
    }
    return text;
  }

 private:
  static constexpr double kRate = 8000.0;

  bool IsMark(const std::vector<std::int16_t>& samples, int bit) const {
    const double period = kRate / baud_;
    const auto from = static_cast<std::size_t>((bit + 0.25) * period);
    const auto to = std::min(samples.size(), static_cast<std::size_t>((bit + 0.75) * period));
    return Power(samples, from, to, mark_) > Power(samples, from, to, space_);
  }

  static double Power(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to,
                      double hertz) {
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = from; i < to; ++i) {
      const double angle = 2.0 * M_PI * hertz * static_cast<double>(i) / kRate;
      re += samples[i] * std::cos(angle);
      im += samples[i] * std::sin(angle);
    }
    return re * re + im * im;
  }

  double baud_;
  int dataBits_;
  double mark_;
  double space_;
};

}  // namespace kestrix::testing
