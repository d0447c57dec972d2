#include "common/pumping_mutex.h"

namespace kestrix {

void PumpingMutex::lock() {
  if (!loop_.IsWindowThread()) {
    mutex_.lock();
    return;
  }
  while (!mutex_.try_lock()) {
    loop_.WaitForWake();
  }
}

void PumpingMutex::unlock() {
  mutex_.unlock();
  loop_.Wake();
}

}  // namespace kestrix
