#include <pthread.h>
#include <sched.h>

#include <ktpm/platform/ThreadPriority.h>

namespace ktpm::detail {

bool SetCurrentThreadIdlePriority() {
#ifdef SCHED_IDLE
  sched_param parameters{};
  parameters.sched_priority = 0;
  return pthread_setschedparam(pthread_self(), SCHED_IDLE, &parameters) == 0;
#else
  return false;
#endif
}

}  // namespace ktpm::detail
