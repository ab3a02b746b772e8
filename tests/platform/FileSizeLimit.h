// Test helper: while alive, the process may not write a file beyond a few bytes (RLIMIT_FSIZE),
// so that a write fails as on a full disk. SIGXFSZ is ignored meanwhile, so the failing write
// returns EFBIG instead of ending the process. Shared by the tests of every saver.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace ktpm::test {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    m_previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &m_previous);
    struct rlimit limit = m_previous;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_previous);
    ::signal(SIGXFSZ, m_previousHandler);
  }

 private:
  struct rlimit m_previous {};
  void (*m_previousHandler)(int) = nullptr;
};

}  // namespace ktpm::test
