// What a register map must look like from outside, written down register by
// register from the map's definition, and the checks that hold a built map
// against it through the dynamic-access interface and the board's log.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "regmaps/model/tMapDescriptor.h"
#include "regmaps/model/tRegisterMap.h"
#include "simboard/SimBoard.h"

namespace regmaptest {

struct ExpectedField {
  uint32_t id;
  uint64_t mask;
  uint32_t type;  // arm::FieldType
  bool boolean;   // one-bit fields: any nonzero value sets it
};

struct ExpectedRegister {
  uint32_t offset;
  uint32_t width;
  arm::tAccessKind kind;
  uint64_t reset;
  uint64_t keep;
  std::vector<ExpectedField> fields;

  bool shadowed() const;
  bool readable() const;
  bool writable() const;
  uint32_t wholeId() const;
};

using ExpectedMap = std::vector<ExpectedRegister>;

std::set<uint32_t> idsOf(const ExpectedMap& map);

// Every expected ID works for the operations its register's kind allows, and
// no other ID up to `lastOffset` (any of bits 24-30, and bit 31 with either
// side) is taken by get, set, read or write, none of which then touches the
// board. `extraIds` are IDs the map answers beyond the list (alternate views).
void expectAnswersExactly(arm::tRegisterMap& map, simboard::SimBoard& board, const ExpectedMap& expected,
                          uint32_t lastOffset, const std::set<uint32_t>& extraIds = {});

// getRegisterFormat of every register, by its whole-register ID and by each
// field ID, with an exact and a one-too-small capacity.
void expectFormats(const arm::tRegisterMap& map, const ExpectedMap& expected);

// A forced whole-register write of all ones reaches the board once, at
// `bar0Base` + offset with the register's width, and leaves the shadow at
// all ones under the keep-mask; a read of a readable register is one access
// of its width there.
void expectAccessWidths(arm::tRegisterMap& map, simboard::SimBoard& board, const ExpectedMap& expected,
                        uint64_t bar0Base);

// One-bit fields take 2 as set (boolean) or clear (numeric); wider fields
// keep only the bits that fit. Shadowed fields are checked through set/get,
// unshadowed ones through the value the board receives.
void expectFieldConversions(arm::tRegisterMap& map, simboard::SimBoard& board, const ExpectedMap& expected,
                            uint64_t bar0Base);

// The accesses a forced flushRegMap (writes of the reset values) and a
// refreshRegMap make, in declaration order.
std::vector<simboard::Access> flushWalk(const ExpectedMap& expected, uint64_t bar0Base);
std::vector<simboard::Access> refreshWalk(const ExpectedMap& expected, uint64_t bar0Base);

// The log without the values read (what a read returns is the board's business).
std::vector<simboard::Access> withoutReadValues(std::vector<simboard::Access> log);

}  // namespace regmaptest
