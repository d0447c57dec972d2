#pragma once
// The send queue: an ordered list of "MM/DD/YYYY hh:mm:ss name [...]" lines,
// head at index 0, with the operator's selection and focus. The station's
// logic holds it; the main window's queue list shows it and reports the
// operator's selection back. Window thread only: other threads reach it
// through a window call.

#include <functional>
#include <string>
#include <vector>

namespace kestrix {

class SendQueue {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  const std::string& Text(int index) const { return entries_.at(index).text; }
  std::vector<std::string> Texts() const;

  void Insert(int index, std::string text);  // index past the end appends
  void Append(std::string text) { Insert(Count(), std::move(text)); }
  void Remove(int index);
  void Clear();

  // The operator's selection (extended selection) and the entry with the
  // selection focus (-1 when none).
  bool IsSelected(int index) const { return entries_.at(index).selected; }
  void SetSelected(int index, bool selected);
  int FocusIndex() const { return focus_; }
  void SetFocusIndex(int index);

  // Called after every change, for the window's list to redraw.
  void SetChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

 private:
  struct Entry {
    std::string text;
    bool selected = false;
  };
  void Changed();

  std::vector<Entry> entries_;
  int focus_ = -1;
  std::function<void()> changed_;
};

// A queue line split into at most three blank- or tab-separated tokens:
// date, time, name. `count` is how many were found.
struct QueueLineTokens {
  int count = 0;
  std::string date;
  std::string time;
  std::string name;  // the first token when count is 1, else the third
  std::string first, second, third;
};
QueueLineTokens SplitQueueLine(const std::string& line);

// "%02d/%02d/%4d %02d:%02d:%02d %s" of a local time and a name.
std::string FormatQueueLine(long long timeTag, const std::string& name);

}  // namespace kestrix
