#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include <ktpm/platform/KEvent.h>

namespace ktpm::detail {

KEvent::KEvent() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

KEvent::~KEvent() {
  if (m_fd >= 0) close(m_fd);
}

void KEvent::Set() {
  if (m_fd < 0) return;
  const uint64_t one = 1;
  // A full counter (impossible in practice) still leaves the event signalled.
  while (write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void KEvent::Reset() { TryConsume(); }

bool KEvent::TryConsume() {
  if (m_fd < 0) return false;
  uint64_t count = 0;
  ssize_t got;
  while ((got = read(m_fd, &count, sizeof count)) < 0 && errno == EINTR) {
  }
  return got == static_cast<ssize_t>(sizeof count);
}

bool KEvent::Wait(int timeoutMs) {
  if (m_fd < 0) return false;
  pollfd entry{m_fd, POLLIN, 0};
  for (;;) {
    const int ready = poll(&entry, 1, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    // Another waiter may have consumed the signal first.
    if (TryConsume()) return true;
    if (timeoutMs >= 0) return false;
  }
}

}  // namespace ktpm::detail
