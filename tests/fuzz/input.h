// Reads a fuzz input front to back; past its end every value reads as zero,
// so that any input, however short, describes a complete case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), left_(size) {}

  template <typename T>
  T Take() {
    T value{};
    const size_t n = left_ < sizeof(T) ? left_ : sizeof(T);
    std::memcpy(&value, data_, n);
    data_ += n;
    left_ -= n;
    return value;
  }

 private:
  const uint8_t* data_;
  size_t left_;
};
