#include "mailer/metered_mail.h"

#include <cstdlib>

namespace kestrix {

MeteredMail::MeteredMail(EventLoop& loop, TextField& countDown, TextField& secondsBetween,
                         StartSession startSession)
    : loop_(loop),
      countDown_field_(countDown),
      secondsBetween_(secondsBetween),
      startSession_(std::move(startSession)) {
  countDown_field_.SetText("Disabled");
}

void MeteredMail::Switch(bool on) {
  on_ = on;
  if (on) {
    countDown_field_.SetText(" ");
    loop_.StartTimer(kTimerId, std::chrono::milliseconds(1000));
    return;
  }
  loop_.StopTimer(kTimerId);
  countDown_field_.SetText("Disabled");
  countDown_ = 0;
}

void MeteredMail::Tick() {
  loop_.PumpMessages();
  --countDown_;
  if (busy_ || !on_) {
    return;
  }
  if (countDown_ > 0) {
    countDown_field_.SetText(std::to_string(countDown_));
    return;
  }
  busy_ = true;
  if (!startSession_([this] { SessionEnded(); })) {
    SessionEnded();  // another session runs: try again after a period
  }
}

// The period counts from the end of the session, never less than a minute.
void MeteredMail::SessionEnded() {
  busy_ = false;
  int seconds = std::atoi(secondsBetween_.Text().c_str());
  if (seconds < kMinimumSeconds) {
    seconds = kMinimumSeconds;
    secondsBetween_.SetText("60");
  }
  countDown_ = seconds;
  loop_.PumpMessages();
}

}  // namespace kestrix
