#include <cstdint>

#include <ktpm/platform/FileTimes.h>

namespace ktpm::detail {
namespace {

constexpr int64_t kNanosPerSecond = 1000000000;
constexpr int64_t kFineMargin = kNanosPerSecond / 10;
constexpr int64_t kCoarseMargin = 2 * kNanosPerSecond;

int64_t ToNanos(const struct timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * kNanosPerSecond + time.tv_nsec;
}

}  // namespace

bool IsTimestampSettled(const struct timespec& changeTime) {
  struct timespec now;
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  const int64_t margin = changeTime.tv_nsec == 0 ? kCoarseMargin : kFineMargin;
  return ToNanos(now) - ToNanos(changeTime) >= margin;
}

}  // namespace ktpm::detail
