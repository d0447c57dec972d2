#pragma once
// The intake's view of the station: every call runs on the window thread
// and the session thread waits for it, so the queue list and the file
// chooser are only touched where the window touches them.

#include "common/event_loop.h"
#include "station/config/station_settings.h"
#include "station/net/intake_queue.h"
#include "station/queue/queue_commands.h"
#include "station/queue/schedule_loader.h"
#include "station/queue/send_queue.h"

namespace kestrix {

class WindowIntakeQueue final : public IntakeQueue {
 public:
  WindowIntakeQueue(EventLoop& loop, const StationSettings& settings, SendQueue& queue,
                    QueueCommands& commands, ScheduleLoader& schedule)
      : loop_(loop), settings_(settings), queue_(queue), commands_(commands), schedule_(schedule) {}

  std::optional<IntakeSettings> Settings() override;
  std::optional<std::string> RecipientAddress() override;
  bool AnyEntryContains(const std::string& text) override;
  bool AnyEntrySends(const std::string& name) override;
  bool Submit(const std::string& name) override;

 private:
  EventLoop& loop_;
  const StationSettings& settings_;
  SendQueue& queue_;
  QueueCommands& commands_;
  ScheduleLoader& schedule_;
};

}  // namespace kestrix
