// KEvent: an auto-reset event that a thread can wait for beside other file descriptors.
//
// Set() signals it; a wait that sees it signalled consumes the signal (auto-reset). The event is
// an eventfd, so a waiting thread polls it together with its own descriptors (the directory
// watcher waits on its change notifications and the stop event at once, without any sleep).
// Every member may be called from any thread.
#pragma once

namespace ktpm::detail {

class KEvent {
 public:
  KEvent();
  KEvent(const KEvent&) = delete;
  KEvent& operator=(const KEvent&) = delete;
  ~KEvent();

  void Set();
  // Clears a pending signal.
  void Reset();
  // Consumes a pending signal; true when there was one. Does not wait.
  bool TryConsume();
  // Waits up to timeoutMs (negative: without time-out); true when the event was signalled.
  bool Wait(int timeoutMs);
  // The descriptor that becomes readable while the event is signalled; -1 when it could not be
  // made (then Set and Wait do nothing and Wait returns false).
  int Descriptor() const { return m_fd; }

 private:
  int m_fd = -1;
};

}  // namespace ktpm::detail
