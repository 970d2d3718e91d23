#include "platform/quarks/kivString.h"

#include "kal/include/nKIVKAL.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

uint64_t stringLength(const char* text) {
  uint64_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

void stringCopy(char* destination, uint64_t size, const char* source) {
  if (size == 0) return;
  uint64_t i = 0;
  for (; i + 1 < size && source[i] != '\0'; ++i) destination[i] = source[i];
  destination[i] = '\0';
}

bool stringEqual(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

bool bytesEqual(const void* a, const void* b, uint64_t size) {
  const uint8_t* left = static_cast<const uint8_t*>(a);
  const uint8_t* right = static_cast<const uint8_t*>(b);
  uint64_t i = 0;
  // Eight bytes at a time (unaligned loads the compiler makes single moves).
  for (; i + 8 <= size; i += 8) {
    uint64_t x;
    uint64_t y;
    __builtin_memcpy(&x, left + i, sizeof(x));
    __builtin_memcpy(&y, right + i, sizeof(y));
    if (x != y) return false;
  }
  for (; i < size; ++i) {
    if (left[i] != right[i]) return false;
  }
  return true;
}

void copyBytes(void* destination, const void* source, uint64_t size) {
  if (size != 0) nKIVKAL180_memCpy(destination, source, size);
}

void fillBytes(void* destination, uint8_t value, uint64_t size) {
  if (size != 0) nKIVKAL240_memSet(destination, value, size);
}

int32_t boundedFormatV(char* buffer, uint64_t size, const char* format, va_list arguments) {
  return nKIVKAL100_vsnPrintf(buffer, size, format, arguments);
}

int32_t boundedFormat(char* buffer, uint64_t size, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int32_t written = boundedFormatV(buffer, size, format, arguments);
  va_end(arguments);
  return written;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
