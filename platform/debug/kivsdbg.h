// Debug print: single lines to the kernel's debug log, and the stop on a
// fatal assertion. Every line is built in a 256-byte buffer on the caller's
// stack, with no allocation and no lock, so it can be used on error paths,
// in deferred context and inside the allocator's own failure paths. The
// configuration is a set of writable globals, constant-initialised.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

// Where a line or a halt comes from.
struct kivsdbg_Location {
  const char* file;
  int32_t line;
  // Appended to the line; "\n" at every call site.
  const char* suffix;
};
static_assert(sizeof(kivsdbg_Location) == 24, "location record layout");
static_assert(offsetof(kivsdbg_Location, line) == 8, "location record layout");
static_assert(offsetof(kivsdbg_Location, suffix) == 16, "location record layout");

// One thread's indentation depth.
struct kivsdbg_IndentSlot {
  uint64_t threadId;
  int32_t depth;
  int32_t inUse;
};
static_assert(sizeof(kivsdbg_IndentSlot) == 16, "indentation slot layout");

constexpr uint32_t kivsdbg_kLineSize = 256;
constexpr uint32_t kivsdbg_kIndentSlots = 16;
constexpr uint32_t kivsdbg_kPrefixTableSize = 9;

// Writes text at position followed by a zero, with remaining bytes of room,
// and returns the position of that zero.
typedef char* (*kivsdbg_PrefixBuilder)(char* position, uint64_t remaining, const kivsdbg_Location* location);
typedef void (*kivsdbg_HaltHook)(const kivsdbg_Location* location, const char* message);
typedef void (*kivsdbg_OutputHook)(const char* text);
typedef int32_t (*kivsdbg_FormatHook)(char* buffer, uint64_t size, const char* format, va_list arguments);
typedef kivsdbg_IndentSlot* (*kivsdbg_IndentEnterHook)();
typedef void (*kivsdbg_IndentLeaveHook)(kivsdbg_IndentSlot* slot);

// ---- configuration
extern kivsdbg_HaltHook kivsdbg_haltHook;
// Run in order at the start of every prefixed line; a null entry ends it.
extern kivsdbg_PrefixBuilder kivsdbg_prefixTable[kivsdbg_kPrefixTableSize];
extern uint32_t kivsdbg_lineFieldWidth;
extern uint32_t kivsdbg_fileFieldWidth;
extern uint32_t kivsdbg_componentFieldWidth;
// A levelled print is written only at this level or above.
extern int32_t kivsdbg_levelThreshold;
extern kivsdbg_OutputHook kivsdbg_outputHook;
extern kivsdbg_IndentLeaveHook kivsdbg_indentLeaveHook;
extern kivsdbg_IndentEnterHook kivsdbg_indentEnterHook;
extern kivsdbg_FormatHook kivsdbg_formatHook;
extern kivsdbg_IndentSlot kivsdbg_indentSlots[kivsdbg_kIndentSlots];

// ---- printing
// No prefix and no suffix: callers end their text with "\n".
void kivsdbg_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void kivsdbg_printLine(const kivsdbg_Location* location, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void kivsdbg_printLevel(int32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void kivsdbg_printLevelLine(int32_t level, const kivsdbg_Location* location, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// Builds the prefixed line for location and hands it to the output hook. The
// message is cut so that the suffix still fits in the 255 characters.
void kivsdbg_formatLine(const kivsdbg_Location* location, const char* format, va_list arguments);

// ---- stopping
// Never returns. A null location names this library; a null message is "halt".
[[noreturn]] void kivsdbg_halt(const kivsdbg_Location* location, const char* message);

// ---- indentation
// The calling thread's slot with its depth raised, or null when all slots are
// taken by other threads.
kivsdbg_IndentSlot* kivsdbg_indentEnter();
// Lowers the depth and frees the slot at 0. A null slot is ignored.
void kivsdbg_indentLeave(kivsdbg_IndentSlot* slot);

// ---- text helpers
// Writes the `count` texts one after another into `destination` (a null
// text adds nothing), as many characters as fit in `size` bytes with the
// terminating zero. Returns the characters written, the zero included; 0
// when size is 0.
uint64_t kivsdbg_concatenate(char* destination, uint64_t size, uint32_t count, const char* const* texts);
// Returns its argument.
void* kivsdbg_identity(void* value);

// ---- prefix builders of the standard table
char* kivsdbg_buildOpenBracket(char* position, uint64_t remaining, const kivsdbg_Location* location);
char* kivsdbg_buildComponent(char* position, uint64_t remaining, const kivsdbg_Location* location);
char* kivsdbg_buildBar(char* position, uint64_t remaining, const kivsdbg_Location* location);
char* kivsdbg_buildFile(char* position, uint64_t remaining, const kivsdbg_Location* location);
char* kivsdbg_buildLine(char* position, uint64_t remaining, const kivsdbg_Location* location);
char* kivsdbg_buildCloseBracket(char* position, uint64_t remaining, const kivsdbg_Location* location);
char* kivsdbg_buildIndentation(char* position, uint64_t remaining, const kivsdbg_Location* location);
