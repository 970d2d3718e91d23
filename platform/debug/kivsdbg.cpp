#include "platform/debug/kivsdbg.h"

#include "kal/include/nKIVKAL.h"
#include "platform/quarks/kivString.h"
#include "platform/status/tStatus.h"

using vorlan_driver::nKIVAPAL000::stringLength;

kivsdbg_HaltHook kivsdbg_haltHook = kivsdbg_halt;
kivsdbg_PrefixBuilder kivsdbg_prefixTable[kivsdbg_kPrefixTableSize] = {
    kivsdbg_buildOpenBracket, kivsdbg_buildComponent,    kivsdbg_buildBar,
    kivsdbg_buildFile,        kivsdbg_buildBar,          kivsdbg_buildLine,
    kivsdbg_buildCloseBracket, kivsdbg_buildIndentation, nullptr,
};
uint32_t kivsdbg_lineFieldWidth = 4;
uint32_t kivsdbg_fileFieldWidth = 32;
uint32_t kivsdbg_componentFieldWidth = 10;
int32_t kivsdbg_levelThreshold = 4096;
kivsdbg_OutputHook kivsdbg_outputHook = nKIVKAL100_printToDebugger;
kivsdbg_IndentLeaveHook kivsdbg_indentLeaveHook = kivsdbg_indentLeave;
kivsdbg_IndentEnterHook kivsdbg_indentEnterHook = kivsdbg_indentEnter;
kivsdbg_FormatHook kivsdbg_formatHook = nKIVKAL100_vsnPrintf;
kivsdbg_IndentSlot kivsdbg_indentSlots[kivsdbg_kIndentSlots] = {};

namespace {

// Appends to a field with the builders' bounds rule: at most remaining - 1
// characters, then the zero.
class tFieldWriter {
 public:
  tFieldWriter(char* position, uint64_t remaining) : position_(position), room_(remaining == 0 ? 0 : remaining - 1) {}

  void put(char character) {
    if (room_ == 0) return;
    *position_++ = character;
    --room_;
  }
  void put(const char* text, uint64_t length) {
    for (uint64_t i = 0; i < length; ++i) put(text[i]);
  }
  char* finish() {
    *position_ = '\0';
    return position_;
  }

 private:
  char* position_;
  uint64_t room_;
};

char* writeText(char* position, uint64_t remaining, const char* text, uint64_t length) {
  // With no room at all the zero goes on the byte before, which holds the
  // previous field's zero.
  if (remaining == 0) {
    position[-1] = '\0';
    return position - 1;
  }
  tFieldWriter writer(position, remaining);
  writer.put(text, length);
  return writer.finish();
}

// Right-aligned in width characters: padded in front when shorter, only its
// last width characters when longer. Width 0 writes the whole text.
char* writePadded(char* position, uint64_t remaining, const char* text, uint32_t width, char pad) {
  const uint64_t length = stringLength(text);
  if (width == 0) return writeText(position, remaining, text, length);
  if (remaining == 0) return writeText(position, remaining, text, 0);
  tFieldWriter writer(position, remaining);
  if (length < width) {
    for (uint64_t i = length; i < width; ++i) writer.put(pad);
    writer.put(text, length);
  } else {
    writer.put(text + (length - width), width);
  }
  return writer.finish();
}

kivsdbg_IndentSlot* findSlot(uint64_t threadId) {
  for (uint32_t i = 0; i < kivsdbg_kIndentSlots; ++i) {
    kivsdbg_IndentSlot& slot = kivsdbg_indentSlots[i];
    if (__atomic_load_n(&slot.inUse, __ATOMIC_ACQUIRE) != 0 &&
        __atomic_load_n(&slot.threadId, __ATOMIC_RELAXED) == threadId) {
      return &slot;
    }
  }
  return nullptr;
}

const kivsdbg_Location kNoLocation = {"", 0, ""};

void output(const char* text) {
  if (kivsdbg_outputHook != nullptr) kivsdbg_outputHook(text);
}

void formatPlain(const char* format, va_list arguments) {
  char buffer[kivsdbg_kLineSize];
  buffer[0] = '\0';
  kivsdbg_formatHook(buffer, kivsdbg_kLineSize, format, arguments);
  buffer[kivsdbg_kLineSize - 1] = '\0';
  output(buffer);
}

}  // namespace

char* kivsdbg_buildOpenBracket(char* position, uint64_t remaining, const kivsdbg_Location*) {
  return writeText(position, remaining, "[", 1);
}

char* kivsdbg_buildBar(char* position, uint64_t remaining, const kivsdbg_Location*) {
  return writeText(position, remaining, "|", 1);
}

char* kivsdbg_buildCloseBracket(char* position, uint64_t remaining, const kivsdbg_Location*) {
  return writeText(position, remaining, "] ", 2);
}

char* kivsdbg_buildComponent(char* position, uint64_t remaining, const kivsdbg_Location*) {
  return writePadded(position, remaining, kivComponentName, kivsdbg_componentFieldWidth, ' ');
}

char* kivsdbg_buildFile(char* position, uint64_t remaining, const kivsdbg_Location* location) {
  const char* file = location->file != nullptr ? location->file : "";
  return writePadded(position, remaining, file, kivsdbg_fileFieldWidth, ' ');
}

char* kivsdbg_buildLine(char* position, uint64_t remaining, const kivsdbg_Location* location) {
  // Decimal without a sign.
  char digits[11];
  uint32_t value = static_cast<uint32_t>(location->line);
  uint32_t first = sizeof(digits) - 1;
  digits[first] = '\0';
  do {
    digits[--first] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return writePadded(position, remaining, digits + first, kivsdbg_lineFieldWidth, '0');
}

char* kivsdbg_buildIndentation(char* position, uint64_t remaining, const kivsdbg_Location*) {
  const kivsdbg_IndentSlot* slot = findSlot(nKIVKAL100_getThreadID());
  if (slot == nullptr) return position;
  if (remaining == 0) return writeText(position, remaining, "", 0);
  tFieldWriter writer(position, remaining);
  for (int32_t level = 0; level < slot->depth; ++level) writer.put(' ');
  return writer.finish();
}

void kivsdbg_formatLine(const kivsdbg_Location* location, const char* format, va_list arguments) {
  if (location == nullptr) location = &kNoLocation;
  const char* suffix = location->suffix != nullptr ? location->suffix : "";
  const uint64_t suffixLength = stringLength(suffix);
  const uint64_t last = kivsdbg_kLineSize - 1;
  const uint64_t limit = suffixLength >= last ? 0 : last - suffixLength;

  char buffer[kivsdbg_kLineSize];
  buffer[0] = '\0';
  char* position = buffer;
  for (uint32_t i = 0; i < kivsdbg_kPrefixTableSize && kivsdbg_prefixTable[i] != nullptr; ++i) {
    position = kivsdbg_prefixTable[i](position, kivsdbg_kLineSize - static_cast<uint64_t>(position - buffer), location);
  }
  kivsdbg_formatHook(position, kivsdbg_kLineSize - static_cast<uint64_t>(position - buffer), format, arguments);
  buffer[last] = '\0';
  // Cut the message where the suffix still fits.
  buffer[limit] = '\0';
  uint64_t end = stringLength(buffer);
  for (const char* character = suffix; *character != '\0' && end < last; ++character) buffer[end++] = *character;
  buffer[end] = '\0';
  output(buffer);
}

void kivsdbg_printf(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  formatPlain(format, arguments);
  va_end(arguments);
}

void kivsdbg_printLine(const kivsdbg_Location* location, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  kivsdbg_formatLine(location, format, arguments);
  va_end(arguments);
}

void kivsdbg_printLevel(int32_t level, const char* format, ...) {
  if (level < kivsdbg_levelThreshold) return;
  va_list arguments;
  va_start(arguments, format);
  formatPlain(format, arguments);
  va_end(arguments);
}

void kivsdbg_printLevelLine(int32_t level, const kivsdbg_Location* location, const char* format, ...) {
  if (level < kivsdbg_levelThreshold) return;
  va_list arguments;
  va_start(arguments, format);
  kivsdbg_formatLine(location, format, arguments);
  va_end(arguments);
}

void kivsdbg_halt(const kivsdbg_Location* location, const char* message) {
  if (message == nullptr) message = "halt";
  if (location != nullptr) {
    nKIVKAL250_halt(kivComponentName, location->file, static_cast<uint32_t>(location->line), message);
  } else {
    nKIVKAL250_halt(kivComponentName, __FILE__, __LINE__, message);
  }
  // The kernel layer does not come back from a halt; if it ever does, stay.
  for (;;) __asm__ __volatile__("" ::: "memory");
}

kivsdbg_IndentSlot* kivsdbg_indentEnter() {
  const uint64_t threadId = nKIVKAL100_getThreadID();
  kivsdbg_IndentSlot* slot = findSlot(threadId);
  if (slot != nullptr) {
    ++slot->depth;
    return slot;
  }
  for (uint32_t i = 0; i < kivsdbg_kIndentSlots; ++i) {
    kivsdbg_IndentSlot& candidate = kivsdbg_indentSlots[i];
    int32_t expected = 0;
    if (__atomic_compare_exchange_n(&candidate.inUse, &expected, 1, false, __ATOMIC_ACQ_REL, __ATOMIC_RELAXED)) {
      candidate.depth = 1;
      __atomic_store_n(&candidate.threadId, threadId, __ATOMIC_RELEASE);
      return &candidate;
    }
  }
  return nullptr;
}

void kivsdbg_indentLeave(kivsdbg_IndentSlot* slot) {
  if (slot == nullptr) return;
  if (slot->depth-- != 1) return;
  __atomic_store_n(&slot->threadId, uint64_t{0}, __ATOMIC_RELAXED);
  int32_t expected = 1;
  __atomic_compare_exchange_n(&slot->inUse, &expected, 0, false, __ATOMIC_ACQ_REL, __ATOMIC_RELAXED);
}

uint64_t kivsdbg_concatenate(char* destination, uint64_t size, uint32_t count, const char* const* texts) {
  if (destination == nullptr || size == 0) return 0;
  tFieldWriter writer(destination, size);
  for (uint32_t i = 0; i < count; ++i) {
    if (texts[i] != nullptr) writer.put(texts[i], stringLength(texts[i]));
  }
  return static_cast<uint64_t>(writer.finish() - destination) + 1;
}

void* kivsdbg_identity(void* value) { return value; }
