// What every fuzz target shares: a check that stops the run with a message
// when a rule is broken, so that libFuzzer records the input as a crash,
// and a reader that takes fields off the front of the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace mavrel::fuzz {

// Takes fixed-size fields off the front of the input; once the input runs
// out every field reads as zero.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint32_t U32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
    return value;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // Everything not taken yet.
  std::string_view Rest() {
    std::string_view rest(reinterpret_cast<const char*>(data_) + pos_, size_ - pos_);
    pos_ = size_;
    return rest;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace mavrel::fuzz
