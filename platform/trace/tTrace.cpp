#include "platform/trace/tTrace.h"

#include "platform/trace/versionText.h"
#include "kal/include/nKIVKAL.h"
#include "platform/debug/kivsdbg.h"
#include "platform/quarks/kivString.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

using nKIVAPALS100::tStatus;

const char kUpperDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr uint32_t kLargestBase = 36;
// "-", "36#", 64 binary digits and the zero.
constexpr uint32_t kNumberTextSize = 72;
constexpr uint32_t kStatusTextSize = 256;
constexpr uint64_t kHexDumpLineBytes = 16;
constexpr uint32_t kHexDumpLineSize = 96;

// Writes the number at the end of buffer and returns where it starts. A base
// that cannot be written (below 2 or above 36) is shown in decimal rather
// than looping forever or dividing by zero.
const char* formatNumber(char (&buffer)[kNumberTextSize], uint64_t magnitude, bool negative, uint32_t base) {
  if (base < 2 || base > kLargestBase) base = 10;
  char* position = buffer + kNumberTextSize - 1;
  *position = '\0';
  do {
    *--position = kUpperDigits[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);
  if (base == 16) {
    *--position = 'x';
    *--position = '0';
  } else if (base != 10) {
    *--position = '#';
    uint32_t prefix = base;
    do {
      *--position = kUpperDigits[prefix % 10];
      prefix /= 10;
    } while (prefix != 0);
  }
  if (negative) *--position = '-';
  return position;
}

// The part of a path after its last "/" or "\".
const char* baseName(const char* path) {
  const char* name = path;
  for (const char* character = path; *character != '\0'; ++character) {
    if (*character == '/' || *character == '\\') name = character + 1;
  }
  return name;
}

// Fills one hex-dump line; never longer than kHexDumpLineSize - 1.
class tLineBuilder {
 public:
  tLineBuilder() : length_(0) {}
  void put(char character) {
    if (length_ + 1 < kHexDumpLineSize) text_[length_++] = character;
  }
  void put(const char* text) {
    for (; *text != '\0'; ++text) put(*text);
  }
  void putHex(uint64_t value, uint32_t digits) {
    for (uint32_t i = digits; i > 0; --i) put(kUpperDigits[(value >> (4 * (i - 1))) & 0xF]);
  }
  const char* text() const { return text_; }
  uint64_t length() const { return length_; }

 private:
  char text_[kHexDumpLineSize];
  uint64_t length_;
};

}  // namespace

tTrace::tTrace(iTraceDestination* destination)
    : destination_(destination),
      enabled_(true),
      showComponent_(true),
      showVersion_(false),
      showNumber_(true),
      showFile_(true),
      fullPath_(false),
      showTimer_(false),
      showLine_(false),
      showThread_(false),
      locking_(false),
      indent_(true),
      pad_(true),
      width_(kDefaultWidth),
      depth_(0),
      mutex_(nullptr),
      lineOwner_(nullptr),
      lineBuffer_(),
      writePosition_(lineBuffer_) {}

tTrace::~tTrace() {
  enabled_ = false;
  if (locking_) disableLocking();
}

// ---- locking

void tTrace::enableLocking() {
  // A second mutex would orphan the first.
  if (locking_) return;
  void* mutex = nKIVKAL150_createMutex();
  // Tracing carries on unlocked; there is no caller to hand a failure to.
  if (mutex == nullptr) return;
  mutex_ = mutex;
  locking_ = true;
}

void tTrace::disableLocking() {
  if (!locking_) return;
  if (isLineOwnedByCaller()) {
    __atomic_store_n(&lineOwner_, static_cast<void*>(nullptr), __ATOMIC_RELAXED);
    nKIVKAL150_releaseMutex(mutex_);
  }
  locking_ = false;
  nKIVKAL150_destroyMutex(mutex_);
  mutex_ = nullptr;
}

bool tTrace::isLineOwnedByCaller() const {
  return __atomic_load_n(&lineOwner_, __ATOMIC_RELAXED) == nKIVKAL100_getThreadHandle();
}

void tTrace::beginLockedLine() {
  if (!locking_ || mutex_ == nullptr) return;
  // A second header before the line ends must not wait for itself.
  if (isLineOwnedByCaller()) return;
  if (nKIVKAL150_acquireMutex(mutex_) != 0) return;
  __atomic_store_n(&lineOwner_, nKIVKAL100_getThreadHandle(), __ATOMIC_RELAXED);
}

void tTrace::endLockedLine() {
  // Only a line whose header took the mutex gives it back: a line ended
  // without a header, or begun before locking was enabled, holds nothing.
  if (!locking_ || mutex_ == nullptr || !isLineOwnedByCaller()) return;
  __atomic_store_n(&lineOwner_, static_cast<void*>(nullptr), __ATOMIC_RELAXED);
  nKIVKAL150_releaseMutex(mutex_);
}

// ---- the line buffer

void tTrace::handOver() {
  char* position = __atomic_load_n(&writePosition_, __ATOMIC_RELAXED);
  *position = '\0';
  char* const start = lineBuffer_;
  __atomic_store_n(&writePosition_, start, __ATOMIC_RELAXED);
  if (destination_ != nullptr) destination_->write(lineBuffer_);
}

void tTrace::append(const char* text, uint64_t length) {
  if (!enabled_ || text == nullptr) return;
  char* const end = lineBuffer_ + kLineBufferSize;
  uint64_t copied = 0;
  while (copied < length) {
    // Unlocked writers share the buffer: each works from its own copy of the
    // position, so characters may mix but never land past the buffer.
    char* position = __atomic_load_n(&writePosition_, __ATOMIC_RELAXED);
    bool newline = false;
    while (copied < length && position < end) {
      const char character = text[copied++];
      *position++ = character;
      if (character == '\n') newline = true;
    }
    __atomic_store_n(&writePosition_, position, __ATOMIC_RELAXED);
    if (position == end || newline) handOver();
  }
}

void tTrace::appendText(const char* text) {
  if (text == nullptr) return;
  append(text, stringLength(text));
}

void tTrace::appendUnsigned(uint64_t value, uint32_t base) {
  char buffer[kNumberTextSize];
  appendText(formatNumber(buffer, value, false, base));
}

void tTrace::appendSigned(int64_t value, uint32_t base) {
  // The magnitude in unsigned arithmetic, so the most negative value has one.
  const bool negative = value < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char buffer[kNumberTextSize];
  appendText(formatNumber(buffer, magnitude, negative, base));
}

// ---- lines

void tTrace::writeHeader(const char* component, uint32_t version, uint64_t number, const char* file,
                         uint64_t line, tIndentChange change) {
  beginLockedLine();
  if (!enabled_) return;

  const uint64_t limit = pad_ ? (width_ == 0 ? 0 : width_ - 1) : UINT64_MAX;
  uint64_t counter = 0;
  const char* separator = "[";
  bool shown = false;
  auto beginField = [&]() {
    boundedWrite(separator, limit, counter);
    separator = "--";
    shown = true;
  };

  if (showComponent_) {
    beginField();
    boundedWrite(component != nullptr ? component : "", limit, counter);
  }
  if (showVersion_) {
    beginField();
    char text[kVersionTextSize];
    formatVersionText(version, text);
    boundedWrite(text, limit, counter);
  }
  if (showNumber_) {
    beginField();
    this->number(number, 10, limit, counter);
  }
  if (showFile_) {
    beginField();
    const char* path = file != nullptr ? file : "";
    boundedWrite(fullPath_ ? path : baseName(path), limit, counter);
  }
  if (showThread_) {
    beginField();
    this->number(nKIVKAL100_getThreadID(), 16, limit, counter);
  }
  if (showTimer_) {
    beginField();
    this->number(nKIVKAL110_getTimerCount(), 10, limit, counter);
  }
  if (showLine_) {
    beginField();
    this->number(line, 10, limit, counter);
  }

  // Without padding the header keeps its natural length.
  if (pad_) {
    const char* filler = shown ? "-" : " ";
    while (counter < limit) boundedWrite(filler, limit, counter);
  }
  if (!pad_ || width_ != 0) appendText(shown ? "] " : "  ");

  if (change == kOutdentBefore) --depth_;
  if (depth_ < 0) {
    depth_ = 0;
  } else if (indent_) {
    for (int64_t level = 0; level < depth_; ++level) append("  ", 2);
  }
  if (change == kIndentAfter) ++depth_;
}

void tTrace::endLine() {
  append("\n", 1);
  endLockedLine();
}

iTraceDestination* tTrace::setDestination(iTraceDestination* destination) {
  iTraceDestination* const previous = destination_;
  if (destination == nullptr) return previous;
  // Taken like a header, so the line's end gives back only what it took and
  // no other thread's line goes to a destination being switched.
  beginLockedLine();
  appendText("Switching trace destination to ");
  appendText(destination->getName());
  append("\n", 1);
  if (destination != previous && destination->attach()) {
    destination_ = destination;
    if (previous != nullptr) previous->detach();
  }
  endLockedLine();
  return previous;
}

// ---- text

tTrace& tTrace::operator<<(const char* text) {
  appendText(text);
  return *this;
}

tTrace& tTrace::operator<<(char character) {
  append(&character, 1);
  return *this;
}

tTrace& tTrace::operator<<(bool value) {
  appendText(value ? "true(1)" : "false(0)");
  return *this;
}

tTrace& tTrace::operator<<(uint16_t value) { return *this << inBase(value, 10); }
tTrace& tTrace::operator<<(uint32_t value) { return *this << inBase(value, 10); }
tTrace& tTrace::operator<<(uint64_t value) { return *this << inBase(value, 10); }
tTrace& tTrace::operator<<(int16_t value) { return *this << inBase(value, 10); }
tTrace& tTrace::operator<<(int32_t value) { return *this << inBase(value, 10); }
tTrace& tTrace::operator<<(int64_t value) { return *this << inBase(value, 10); }

tTrace& tTrace::operator<<(tTraceNumber<uint16_t> number) {
  appendUnsigned(number.value, number.base);
  return *this;
}

tTrace& tTrace::operator<<(tTraceNumber<uint32_t> number) {
  appendUnsigned(number.value, number.base);
  return *this;
}

tTrace& tTrace::operator<<(tTraceNumber<uint64_t> number) {
  appendUnsigned(number.value, number.base);
  return *this;
}

tTrace& tTrace::operator<<(tTraceNumber<int16_t> number) {
  appendSigned(number.value, number.base);
  return *this;
}

tTrace& tTrace::operator<<(tTraceNumber<int32_t> number) {
  appendSigned(number.value, number.base);
  return *this;
}

tTrace& tTrace::operator<<(tTraceNumber<int64_t> number) {
  appendSigned(number.value, number.base);
  return *this;
}

tTrace& tTrace::operator<<(const wchar_t* text) {
  if (text == nullptr || !enabled_) return *this;
  append("L\"", 2);
  for (; *text != L'\0'; ++text) {
    const char narrowed = static_cast<char>(*text);
    append(&narrowed, 1);
  }
  append("\"", 1);
  return *this;
}

tTrace& tTrace::operator<<(const tStatus& status) {
  if (!enabled_) return *this;
  char text[kStatusTextSize];
  text[0] = '\0';
  // A dump that does not fit is shown as far as it got.
  status.toText(text, sizeof(text));
  text[sizeof(text) - 1] = '\0';
  appendText(text);
  return *this;
}

tTrace& tTrace::operator<<(const tTraceManipulator& manipulator) {
  manipulator.apply(*this);
  return *this;
}

void tTrace::write(const char* text, uint64_t length) {
  if (text == nullptr) return;
  uint64_t available = 0;
  while (available < length && text[available] != '\0') ++available;
  append(text, available);
}

void tTrace::boundedWrite(const char* text, uint64_t limit, uint64_t& counter) {
  if (text == nullptr) return;
  uint64_t length = 0;
  while (counter + length < limit && text[length] != '\0') ++length;
  append(text, length);
  counter += length;
}

void tTrace::number(uint64_t value, uint32_t base, uint64_t limit, uint64_t& counter) {
  char buffer[kNumberTextSize];
  boundedWrite(formatNumber(buffer, value, false, base), limit, counter);
}

void tTrace::printf(const char* format, ...) {
  if (!enabled_ || format == nullptr) return;
  char text[kMaxTraceLine];
  text[0] = '\0';
  va_list arguments;
  va_start(arguments, format);
  const int32_t written = kivsdbg_formatHook(text, sizeof(text), format, arguments);
  va_end(arguments);
  text[sizeof(text) - 1] = '\0';
  if (written == -1) appendText("!!Formatted string exceeds kMaxTraceLine characters!!");
  appendText(text);
}

void tTrace::hexDump(const void* data, uint64_t length, uint64_t groupSize) {
  if (!enabled_ || data == nullptr || length == 0) return;
  uint64_t group = groupSize;
  if (group > kHexDumpLineBytes) group = kHexDumpLineBytes;
  if (group > length) group = length;
  if (group == 0) group = 1;
  const uint64_t groups = kHexDumpLineBytes / group;
  const uint64_t lineBytes = groups * group;
  const uint8_t* const bytes = static_cast<const uint8_t*>(data);

  for (uint64_t start = 0; start < length; start += lineBytes) {
    const uint8_t* const first = bytes + start;
    const uint64_t count = length - start < lineBytes ? length - start : lineBytes;
    tLineBuilder line;
    line.putHex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(first)), 8);
    line.put(": ");
    for (uint64_t offset = 0; offset < lineBytes; offset += group) {
      const bool whole = offset + group <= count;
      if (whole && group == 2) {
        uint16_t value;
        copyBytes(&value, first + offset, sizeof(value));
        line.putHex(value, 4);
      } else if (whole && group == 4) {
        uint32_t value;
        copyBytes(&value, first + offset, sizeof(value));
        line.putHex(value, 8);
      } else {
        // A group cut by the end shows the bytes it has; nothing past the
        // end of the data is read.
        for (uint64_t i = offset; i < offset + group; ++i) {
          if (i < count) {
            line.putHex(first[i], 2);
          } else {
            line.put("XX");
          }
        }
      }
      line.put(' ');
    }
    line.put(": ");
    for (uint64_t i = 0; i < count; ++i) {
      const uint8_t character = first[i];
      line.put(character >= 32 && character <= 126 ? static_cast<char>(character) : '.');
    }
    line.put('\n');
    append(line.text(), line.length());
  }
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
