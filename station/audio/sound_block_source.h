#pragma once
// What a sound worker plays: one block of samples after another, at the
// level that goes to the card, until the source says it has ended.

namespace kestrix {

class SoundBlockSource {
 public:
  virtual ~SoundBlockSource() = default;
  // Fills one block. False when the source has ended; that block is not
  // played.
  virtual bool NextBlock(double* block) = 0;
};

}  // namespace kestrix
