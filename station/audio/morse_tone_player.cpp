#include "station/audio/morse_tone_player.h"

#include <algorithm>

namespace kestrix {

MorseTonePlayer::MorseTonePlayer(int sampleRate, double frequency, double amplitude,
                                 std::chrono::milliseconds tick)
    : tone_(sampleRate, frequency, amplitude),
      sampleRate_(sampleRate),
      tickMs_(std::max<std::int64_t>(1, tick.count())) {}

std::int64_t MorseTonePlayer::SamplesAt(std::int64_t ticks) const {
  return ticks * tickMs_ * sampleRate_ / 1000;
}

bool MorseTonePlayer::NextElement() {
  if (pending_.empty()) {
    return false;
  }
  const MorseElement element = pending_.front();
  pending_.pop_front();
  const std::int64_t ticks = std::max(0, element.ticks);
  left_ = SamplesAt(ticksDone_ + ticks) - SamplesAt(ticksDone_);
  ticksDone_ += ticks;
  down_ = element.down;
  return true;
}

void MorseTonePlayer::Render(double* out, int count) {
  int at = 0;
  while (at < count) {
    if (silence_ > 0) {
      const int run = static_cast<int>(std::min<std::int64_t>(silence_, count - at));
      tone_.Render(out + at, run, false);
      silence_ -= run;
      at += run;
      continue;
    }
    if (left_ == 0 && !NextElement()) {
      down_ = false;
      tone_.Render(out + at, count - at, false);
      return;
    }
    const int run = static_cast<int>(std::min<std::int64_t>(left_, count - at));
    tone_.Render(out + at, run, down_);
    left_ -= run;
    at += run;
  }
}

}  // namespace kestrix
