#include "station/audio/sound_block_player.h"

#include <new>
#include <vector>

#include "station/audio/sound.h"

namespace kestrix {

int SoundBlockPlayer::Play(std::unique_ptr<WaveDevice> device, SoundBlockSource& source,
                           const std::function<void()>& firstBlockTaken) const {
  std::vector<double> block;
  try {
    block.resize(static_cast<std::size_t>(blockLength) * static_cast<std::size_t>(format.channels));
  } catch (const std::bad_alloc&) {
    return kSoundMemoryError;
  }
  const SoundCardHold hold(card);
  CSound sound(std::move(device), bufferWait);
  const int opened = sound.OpenOutput(format, blockLength, 0);
  if (opened != 0) {
    return opened;
  }
  bool taken = false;
  while (source.NextBlock(block.data())) {
    if (sound.WriteOutput(block.data(), blockLength) != blockLength) {
      const int error = sound.LastError();
      sound.CloseOutput();
      return error != 0 ? error : kSoundNotOpenForWrite;
    }
    if (!taken) {
      taken = true;
      if (firstBlockTaken) {
        firstBlockTaken();
      }
    }
  }
  // What was written is played out before the card is let go, so the last
  // characters of a transmission always reach the air.
  sound.CloseOutput();
  return 0;
}

}  // namespace kestrix
