// The few string and byte routines the freestanding driver needs.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

uint64_t stringLength(const char* text);
// Copies up to size - 1 characters and always terminates (size > 0).
void stringCopy(char* destination, uint64_t size, const char* source);
bool stringEqual(const char* a, const char* b);
bool bytesEqual(const void* a, const void* b, uint64_t size);
void copyBytes(void* destination, const void* source, uint64_t size);
void fillBytes(void* destination, uint8_t value, uint64_t size);

// Bounded formatting through the kernel layer: the characters written, or -1
// when the text did not fit.
int32_t boundedFormat(char* buffer, uint64_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int32_t boundedFormatV(char* buffer, uint64_t size, const char* format, va_list arguments);

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
