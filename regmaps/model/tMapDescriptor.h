// Constant description of one register map: the data the generator emits and
// the engine (tRegisterMap) interprets. Nothing here holds state.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace arm {

// The six access kinds. A kind fixes which operations a register takes and
// whether it keeps a shadow; see kAccessRules in tRegisterMap.cpp.
enum tAccessKind : uint8_t {
  kReadWrite = 0,
  kWriteOnly = 1,
  kReadOnly = 2,
  kUnshadowedReadWrite = 3,
  kUnshadowedWriteOnly = 4,
  kUnshadowedReadOnly = 5,
  // Known to getRegisterFormat alone: no shadow, no access.
  kFormatOnly = 6,
};

struct tFieldDescriptor {
  uint8_t lowBit;
  uint8_t width;
  // kFieldBoolean: a one-bit field set by any nonzero value (else bit 0 of
  // the value is taken). kFieldStrobe: documentation of the keep-mask.
  // kFieldShared: a read-view field that is the write view's field at the
  // same bits; it has no ID of its own.
  uint8_t flags;
  uint8_t reserved;
};
static_assert(sizeof(tFieldDescriptor) == 4, "field descriptor layout");

constexpr uint8_t kFieldBoolean = 0x1;
constexpr uint8_t kFieldStrobe = 0x2;
constexpr uint8_t kFieldShared = 0x4;

struct tRegisterDescriptor {
  uint32_t offset;
  uint8_t width;  // 8, 16, 32 or 64
  tAccessKind kind;
  // kRegisterView: a second object for the address of another register,
  // never described by getRegisterFormat and never selected by flush or
  // refresh; its field IDs (if it has fields) are accepted by get/set/read/write.
  // kRegisterSplitFields: the register reads other fields than it takes;
  // see readFieldCount.
  // kRegisterReadView: a shadowed read-write register with a second
  // whole-register ID, the read-side one; its read view's fields follow the
  // written ones (readFieldCount) and are described when it is named from
  // the read side. The ID index says which fields each operation takes.
  // kRegisterPendingStrobes: the strobe bits a set asks for wait apart from
  // the shadow until the next write sends them.
  uint8_t flags;
  uint8_t reserved;
  uint16_t firstField;  // index into the map's field table
  uint16_t fieldCount;  // the fields written (and read, unless split)
  // Split registers only: the fields read, listed in the field table right
  // after the fields written. Such a register is named with or without the
  // read-side bit; the bit only chooses which list getRegisterFormat gives.
  uint16_t readFieldCount;
  uint16_t reserved2;
  uint64_t resetValue;
  uint64_t keepMask;
  // Shadow bits a refresh keeps rather than taking them from the hardware:
  // bits the hardware does not read back.
  uint64_t refreshKeepMask;
};
static_assert(sizeof(tRegisterDescriptor) == 40, "register descriptor layout");

constexpr uint8_t kRegisterView = 0x1;
constexpr uint8_t kRegisterSplitFields = 0x2;
constexpr uint8_t kRegisterReadView = 0x4;
constexpr uint8_t kRegisterPendingStrobes = 0x8;

// One entry of a map's ID index: every ID the map answers to, sorted by ID
// and, among equal IDs, by declaration order, so the first entry of an ID is
// the item a scan in declaration order would find. Whole-register entries
// carry kWholeRegisterField and the ID with bit 31 set and bits 24-29 clear.
struct tIdIndexEntry {
  uint32_t id;
  uint16_t registerIndex;  // declaration index of the register object
  uint16_t field;          // index into the register's field list
  // kIdTakenList / kIdReadList: the entry serves IDs that are written (or
  // read, respectively); a split register's fields serve only one side.
  uint8_t sides;
  uint8_t reserved[3];
};
static_assert(sizeof(tIdIndexEntry) == 12, "ID index entry layout");

constexpr uint16_t kWholeRegisterField = 0xFFFF;
constexpr uint8_t kIdTakenList = 0x1;
constexpr uint8_t kIdReadList = 0x2;
// A field get shows but set and write do not take: a read view's own field.
constexpr uint8_t kIdShownList = 0x4;

struct tMapDescriptor {
  const char* name;
  const char* version;
  // Recorded as the file of every error the map raises.
  const char* headerFile;
  const tRegisterDescriptor* registers;  // declaration order
  uint32_t registerCount;
  const tFieldDescriptor* fields;
  uint32_t fieldCount;
  const tIdIndexEntry* idIndex;  // sorted; see tIdIndexEntry
  uint32_t idIndexCount;
};

}  // namespace arm
