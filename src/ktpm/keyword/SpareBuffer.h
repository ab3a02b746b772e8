// Large buffers that finished keyword files leave to the next one on the same thread.
//
// A keyword file of some megabytes needs a few large buffers (text, slots, index table). Taking
// them fresh for every file makes the system hand out new pages, and faulting those in costs more
// than reading the file. So a store that ends gives its buffers to a per-thread spare, and the
// next store that needs as much takes them. Each thread keeps at most one spare per kind of
// buffer, of at most kMaxSpareBytes; a thread's spares are freed when it ends.
//
// Per-thread state only: no locks.
#pragma once

#include <cstddef>

namespace ktpm::detail {

inline constexpr std::size_t kMaxSpareBytes = 8 * 1024 * 1024;

// The calling thread's spare of one kind of buffer (std::string or std::vector).
template <class Buffer>
class ThreadSpare {
 public:
  // nullptr while the thread is ending: a store destroyed after that frees its buffers itself.
  static Buffer* Get() {
    if (t_closed) return nullptr;
    if (t_spare == nullptr) {
      thread_local Closer closer;
      t_spare = new Buffer;
    }
    return t_spare;
  }

 private:
  struct Closer {
    ~Closer() {
      delete t_spare;
      t_spare = nullptr;
      t_closed = true;
    }
  };
  // Plain pointers and flags have no destructor, so they can be read at any time of the thread.
  static inline thread_local Buffer* t_spare = nullptr;
  static inline thread_local bool t_closed = false;
};

template <class Buffer>
std::size_t CapacityBytes(const Buffer& buffer) {
  return buffer.capacity() * sizeof(typename Buffer::value_type);
}

// Leaves buffer's storage as the spare when it is larger than the spare (and not too large).
// buffer itself ends empty.
template <class Buffer>
void DonateBuffer(Buffer& buffer) {
  Buffer* spare = ThreadSpare<Buffer>::Get();
  buffer.clear();
  if (spare == nullptr || CapacityBytes(buffer) > kMaxSpareBytes) return;
  if (buffer.capacity() > spare->capacity()) spare->swap(buffer);
}

// Gives an empty buffer that needs room for capacity elements the spare's storage, when the spare
// is large enough.
template <class Buffer>
void AdoptSpareBuffer(Buffer& buffer, std::size_t capacity) {
  if (!buffer.empty() || buffer.capacity() >= capacity) return;
  Buffer* spare = ThreadSpare<Buffer>::Get();
  if (spare == nullptr || spare->capacity() < capacity) return;
  spare->clear();
  spare->swap(buffer);
}

}  // namespace ktpm::detail
