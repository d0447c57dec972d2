#pragma once
// Turns the schedule files into send-queue entries: timed lines keep their
// time, bare names follow one another at the estimated length of the file
// before them, and whatever lies in the past is reported and dropped. Also
// appends received mail to the temporary schedule. Window thread (the
// append: any thread).

#include <cstdint>
#include <mutex>
#include <string>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "station/config/station_settings.h"
#include "station/queue/send_queue.h"

namespace kestrix {

class ScheduleLoader {
 public:
  ScheduleLoader(StationSettings& settings, EventLoop& loop, EventLog& log, SendQueue& queue);

  // Reads one schedule file and appends its entries at the end of the queue.
  void GetSchedule(const std::string& path);
  // Appends "name\n" to the data directory's schedule_temp.lst.
  void AppendToTempSchedule(const std::string& name);

  float BaudEstimate() const { return baudEstimate_; }

 private:
  StationSettings& settings_;
  EventLoop& loop_;
  EventLog& log_;
  SendQueue& queue_;
  // Carries over from one load to the next.
  float baudEstimate_ = 45.45f;

  void TakeBaudCommand(const std::string& token);
  void UpdateCharacterTime();

  std::int64_t nextStart_ = 0;
  float characterTime_ = 0.0f;  // seconds per character
  std::int64_t previousSize_ = 1;
  // Mail intake threads queue received files concurrently.
  std::mutex tempScheduleMutex_;
};

}  // namespace kestrix
