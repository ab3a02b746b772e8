// Hashes of attribute values that agree with the exact equality the attribute set compares
// values by: 0.0 and -0.0 are equal and hash alike; vectors hash by length and elements.
#pragma once

#include <bit>
#include <cstdint>
#include <functional>
#include <vector>

namespace ktpm::detail {

struct ValueHash {
  size_t operator()(int32_t value) const { return std::hash<int32_t>()(value); }
  size_t operator()(double value) const {
    return value == 0.0 ? 0 : std::hash<uint64_t>()(std::bit_cast<uint64_t>(value));
  }
  template <typename T>
  size_t operator()(const std::vector<T>& values) const {
    size_t hash = values.size();
    for (const T& value : values) hash = hash * 1000003u ^ (*this)(value);
    return hash;
  }
};

}  // namespace ktpm::detail
