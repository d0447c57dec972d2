#pragma once
// The part every sound worker shares: take the card, open the device
// through the sound ring, play a source block by block at the device's
// pace, and play out what was written before letting go of the card.

#include <chrono>
#include <functional>
#include <memory>

#include "station/audio/sound_block_source.h"
#include "station/audio/sound_card_lock.h"
#include "station/audio/wave_device.h"

namespace kestrix {

struct SoundBlockPlayer {
  SoundCardLock& card;
  WaveFormat format;
  int blockLength = 256;
  std::chrono::milliseconds bufferWait{2000};

  // Returns 0 once the source has ended and its last block has been played
  // out, or the sound error number that ended the playing (CSound's texts).
  // `firstBlockTaken` runs once the device has taken the first block.
  int Play(std::unique_ptr<WaveDevice> device, SoundBlockSource& source,
           const std::function<void()>& firstBlockTaken) const;
};

}  // namespace kestrix
