// Hashes of attribute values that agree with the exact equality the attribute set compares
// values by: 0.0 and -0.0 are equal and hash alike; vectors hash by length and elements.
#pragma once

#include <bit>
#include <cstdint>
#include <functional>
#include <vector>

namespace ktpm::detail {

struct ValueHash {
  // Spreads the bits of a word over the whole hash (the finaliser of a well-known 64-bit mix).
  static uint64_t Mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return x;
  }
  size_t operator()(int32_t value) const { return Mix(static_cast<uint32_t>(value)); }
  size_t operator()(double value) const {
    return value == 0.0 ? 0 : Mix(std::bit_cast<uint64_t>(value));
  }
  template <typename T>
  size_t operator()(const std::vector<T>& values) const {
    uint64_t hash = values.size();
    for (const T& value : values) hash = Mix(hash ^ (*this)(value)) + 0x9e3779b97f4a7c15ULL;
    return hash;
  }
};

}  // namespace ktpm::detail
