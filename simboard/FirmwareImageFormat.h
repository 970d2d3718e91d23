// The layout of the stand-in firmware images: what the build's image tool
// (tools/firmwareimagegen) writes and what the simulated loaders accept.
// An image is little-endian 32-bit words:
//   word 0: the target's magic, word 1: the target, word 2: the image's
//   byte count, word 3: 0;
//   then a deterministic pattern (one 4 KiB phrase repeated, its first word
//   the word's own index, so a dropped or repeated stretch shows);
//   the last word: the check value folded over every word before it.
// Every image size used here is a multiple of 4, so the check value is the
// last four bytes whatever mixture of 64-bit and byte stores carries them.
// A loader checks an image on the fly with ImageCheck: nothing is stored.
#pragma once

#include <cstdint>

namespace simboard {
namespace firmwareImage {

constexpr uint32_t kMagic[3] = {0x4E49534Fu, 0x49534F46u, 0x43504C44u};
constexpr uint32_t kHeaderWords = 4;
constexpr uint32_t kPhraseWords = 1024;
constexpr uint32_t kCheckSeed = 0x811C9DC5u;

constexpr uint32_t fold(uint32_t check, uint32_t word) { return (check ^ word) * 0x01000193u; }

constexpr uint32_t mix(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  return x ^ (x >> 16);
}

// Word `index` of the image of `target` and `bytes` bytes, check value aside.
constexpr uint32_t wordAt(uint32_t target, uint32_t bytes, uint32_t index) {
  if (index == 0) return kMagic[target % 3];
  if (index == 1) return target;
  if (index == 2) return bytes;
  if (index == 3) return 0;
  if (index % kPhraseWords == 0) return index;
  return mix((index % kPhraseWords) + (target << 16));
}

// Writes the whole image, check value included, into `out` (`bytes` bytes,
// a multiple of 4).
inline void fill(uint8_t* out, uint32_t target, uint32_t bytes) {
  const uint32_t words = bytes / 4;
  uint32_t check = kCheckSeed;
  for (uint32_t i = 0; i < words; ++i) {
    const uint32_t w = i + 1 == words ? check : wordAt(target, bytes, i);
    check = fold(check, w);
    for (uint32_t b = 0; b < 4; ++b) out[4 * i + b] = static_cast<uint8_t>(w >> (8 * b));
  }
}

// Checks a stream of bytes against the image of `target` and the expected
// size as it arrives: the header, every word's fold and the check value.
class ImageCheck {
 public:
  void begin(uint32_t target, uint64_t expectedBytes) {
    target_ = target;
    expectedWords_ = expectedBytes / 4;
    words_ = 0;
    pending_ = 0;
    pendingBytes_ = 0;
    check_ = kCheckSeed;
    good_ = expectedBytes % 4 == 0 && expectedWords_ > kHeaderWords && expectedBytes <= 0xFFFFFFFFu;
  }
  // `count` little-endian bytes of `value` (1 to 8).
  void take(uint64_t value, uint32_t count) {
    if (count == 8 && pendingBytes_ == 0) {
      word(static_cast<uint32_t>(value));
      word(static_cast<uint32_t>(value >> 32));
      return;
    }
    for (uint32_t i = 0; i < count; ++i) {
      pending_ |= static_cast<uint32_t>(static_cast<uint8_t>(value >> (8 * i))) << (8 * pendingBytes_);
      if (++pendingBytes_ == 4) {
        word(pending_);
        pending_ = 0;
        pendingBytes_ = 0;
      }
    }
  }
  uint64_t bytes() const { return words_ * 4 + pendingBytes_; }
  bool complete() const { return pendingBytes_ == 0 && words_ == expectedWords_; }
  // The whole image arrived, no more, and it is the target's image.
  bool verified() const { return complete() && good_; }
  // Nothing that arrived so far contradicts the target's image.
  bool intact() const { return good_ && words_ <= expectedWords_; }

 private:
  void word(uint32_t w) {
    const uint64_t index = words_++;
    if (index + 1 >= expectedWords_) {
      good_ = good_ && index + 1 == expectedWords_ && w == check_;
      return;
    }
    if (index < kHeaderWords) {
      good_ = good_ && w == wordAt(target_, static_cast<uint32_t>(expectedWords_ * 4), static_cast<uint32_t>(index));
    }
    check_ = fold(check_, w);
  }

  uint32_t target_ = 0;
  uint64_t expectedWords_ = 0;
  uint64_t words_ = 0;
  uint32_t pending_ = 0;
  uint32_t pendingBytes_ = 0;
  uint32_t check_ = kCheckSeed;
  bool good_ = false;
};

}  // namespace firmwareImage
}  // namespace simboard
