#pragma once
// Wakes the chat sessions when something they wait for happens elsewhere:
// a character went on the air (to echo it), the transmit flag came free
// (to send a waiting line). Each session waits on its own descriptor
// together with its connection.

#include <mutex>
#include <set>

namespace kestrix {

class ChatWakeup {
 public:
  ChatWakeup();
  ~ChatWakeup();
  ChatWakeup(const ChatWakeup&) = delete;
  ChatWakeup& operator=(const ChatWakeup&) = delete;

  int Descriptor() const { return fd_; }
  // Any thread.
  void Signal();
  // The session, after its wait: takes the signals given so far.
  void Clear();

 private:
  int fd_;
};

class ChatWakeups {
 public:
  void Add(ChatWakeup& wakeup);
  void Remove(ChatWakeup& wakeup);
  // Any thread.
  void SignalAll();

 private:
  std::mutex mutex_;
  std::set<ChatWakeup*> wakeups_;
};

}  // namespace kestrix
