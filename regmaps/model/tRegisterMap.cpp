#include "regmaps/model/tRegisterMap.h"

#include "platform/status/statusCodes.h"
#include "platform/synchronization/tAutoLock.h"

namespace arm {

namespace {

using vorlan_driver::statusCodes::kBufferTooSmall;
using vorlan_driver::statusCodes::kInvalidArgument;
using vorlan_driver::statusCodes::kNotFound;
using vorlan_driver::statusCodes::kNotSupported;
using vorlan_driver::statusCodes::kOutOfMemory;
using tHold = vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex>;

// Every operation's verdict on a register follows from these three facts
// about its access kind.
struct tAccessRules {
  bool shadowed;
  bool readable;
  bool writable;
};

constexpr tAccessRules kAccessRules[] = {
    /* kReadWrite */ {true, true, true},
    /* kWriteOnly */ {true, false, true},
    /* kReadOnly */ {true, true, false},
    /* kUnshadowedReadWrite */ {false, true, true},
    /* kUnshadowedWriteOnly */ {false, false, true},
    /* kUnshadowedReadOnly */ {false, true, false},
    /* kFormatOnly */ {false, false, false},
};
static_assert(sizeof(kAccessRules) / sizeof(kAccessRules[0]) == kFormatOnly + 1, "one row per kind");

const tAccessRules& rulesOf(const tRegisterDescriptor& reg) { return kAccessRules[reg.kind]; }

bool isSplit(const tRegisterDescriptor& reg) { return (reg.flags & kRegisterSplitFields) != 0; }
bool hasReadView(const tRegisterDescriptor& reg) { return (reg.flags & kRegisterReadView) != 0; }

// The strobe bits of a register whose strobes wait apart from its shadow;
// none for any other register.
uint64_t pendingMask(const tRegisterDescriptor& reg) {
  return (reg.flags & kRegisterPendingStrobes) != 0 ? ~reg.keepMask : 0u;
}

// What each operation asks of the ID index.
constexpr uint8_t kForShadow = kIdTakenList | kIdShownList;
constexpr uint8_t kForWrite = kIdTakenList;
constexpr uint8_t kForRead = kIdReadList;

uint64_t onesOfWidth(uint32_t width) { return width >= 64 ? ~0ull : ((1ull << width) - 1u); }

}  // namespace

#define mapRaise(status, code) raise((status), (code), __LINE__)

// A fixed map is a windowed one whose window starts at 0 and covers every
// offset a descriptor can hold.
tRegisterMap::tRegisterMap(const tMapDescriptor& descriptor, tRegisterState* states,
                           const tAccessorOperations& operations, void* accessor, uint32_t addressBase,
                           tStatus* creation)
    : tRegisterMap(descriptor, states, operations, accessor, addressBase, 0, 0xFFFFFFFFu, creation) {}

tRegisterMap::tRegisterMap(const tMapDescriptor& descriptor, tRegisterState* states,
                           const tAccessorOperations& operations, void* accessor, uint32_t base,
                           uint32_t windowStart, uint32_t windowSize, tStatus* creation)
    : descriptor_(&descriptor),
      states_(states),
      operations_(&operations),
      accessor_(accessor),
      children_(nullptr),
      childCount_(0),
      base_(base),
      windowStart_(windowStart),
      windowSize_(windowSize) {
  tStatus own;
  lock_.create(creation != nullptr ? *creation : own);
}

bool tRegisterMap::usable(tStatus& status) const {
  if (lock_.isCreated()) return true;
  mapRaise(status, kOutOfMemory);
  return false;
}

void tRegisterMap::raise(tStatus& status, int64_t code, uint32_t line) const {
  status.setCode(code, kivComponentName, descriptor_->headerFile, line);
}

void tRegisterMap::placeRegisters() {
  tHold hold(lock_);
  for (uint32_t i = 0; i < descriptor_->registerCount; ++i) {
    const uint32_t offset = descriptor_->registers[i].offset;
    tRegisterState& state = states_[i];
    // Unsigned 32-bit arithmetic throughout: an offset below the window start
    // wraps to a huge distance and so lies outside any window.
    state.address = base_ - windowStart_ + offset;
    state.accessible = windowStart_ <= offset && (offset - windowStart_) < windowSize_;
    state.shadow = descriptor_->registers[i].resetValue;
    state.pending = 0;
    state.dirty = false;
  }
}

void tRegisterMap::placeRegistersWithChildren() {
  placeRegisters();
  // A slot left empty by a failed construction is skipped here and in every
  // map-wide walk: such a map may still be walked before it is destroyed.
  for (uint32_t c = 0; c < childCount_; ++c) {
    if (children_[c] != nullptr) children_[c]->placeRegistersWithChildren();
  }
}

// ---- IDs

// The first index entry of `id` that serves the side asked for (a side of
// 0 takes any); null when there is none. A binary search: the index is
// sorted by ID, and equal IDs keep declaration order.
const tIdIndexEntry* tRegisterMap::findId(uint32_t id, uint8_t side) const {
  const tIdIndexEntry* entries = descriptor_->idIndex;
  uint32_t low = 0;
  uint32_t high = descriptor_->idIndexCount;
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    if (entries[middle].id < id) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  for (; low < descriptor_->idIndexCount && entries[low].id == id; ++low) {
    if (side == 0 || (entries[low].sides & side) != 0) return &entries[low];
  }
  return nullptr;
}

// A split register offers the fields it reads to a read instead of those it
// takes; a read view's own fields are shown to get and read alone.
bool tRegisterMap::selectItem(uint32_t id, uint32_t& index, uint32_t& field, uint8_t sides) const {
  if ((id & kWholeRegisterBit) != 0) {
    field = kWholeRegister;
    return selectRegister(id, index);
  }
  const tIdIndexEntry* entry = findId(id, sides);
  if (entry == nullptr) return false;
  index = entry->registerIndex;
  field = entry->field;
  return true;
}

// flush, refresh and getRegisterFormat: any ID of a register selects it,
// whatever bits 24-29 and 31 hold.
bool tRegisterMap::selectRegister(uint32_t id, uint32_t& index) const {
  const tIdIndexEntry* entry = findId((id & (kReadSideBit | kOffsetMask)) | kWholeRegisterBit, 0);
  if (entry == nullptr) return false;
  index = entry->registerIndex;
  return true;
}

// ---- values

uint64_t tRegisterMap::takeField(uint32_t index, uint32_t field, uint64_t registerValue) const {
  const tRegisterDescriptor& reg = descriptor_->registers[index];
  if (field == kWholeRegister) return registerValue & onesOfWidth(reg.width);
  const tFieldDescriptor& f = descriptor_->fields[reg.firstField + field];
  return (registerValue >> f.lowBit) & onesOfWidth(f.width);
}

uint64_t tRegisterMap::putField(uint32_t index, uint32_t field, uint64_t registerValue, uint64_t value) const {
  const tRegisterDescriptor& reg = descriptor_->registers[index];
  if (field == kWholeRegister) return value & onesOfWidth(reg.width);
  const tFieldDescriptor& f = descriptor_->fields[reg.firstField + field];
  uint64_t bits = value & onesOfWidth(f.width);
  if (f.width == 1 && (f.flags & kFieldBoolean) != 0) bits = value != 0 ? 1u : 0u;
  const uint64_t mask = onesOfWidth(f.width) << f.lowBit;
  return (registerValue & ~mask) | (bits << f.lowBit);
}

uint64_t tRegisterMap::allOnes(uint32_t index, uint32_t field) const {
  return takeField(index, field, ~0ull);
}

// ---- hardware

bool tRegisterMap::hardwareRead(uint32_t index, uint64_t& value, tStatus& status) {
  const tRegisterState& state = states_[index];
  if (!state.accessible) {
    mapRaise(status, kNotFound);
    return false;
  }
  uint64_t raw = 0;
  if (!operations_->read(accessor_, state.address, descriptor_->registers[index].width, raw, status)) return false;
  value = raw & onesOfWidth(descriptor_->registers[index].width);
  return true;
}

bool tRegisterMap::hardwareWrite(uint32_t index, uint64_t value, tStatus& status) {
  const tRegisterState& state = states_[index];
  if (!state.accessible) {
    mapRaise(status, kNotFound);
    return false;
  }
  return operations_->write(accessor_, state.address, descriptor_->registers[index].width, value, status);
}

// A register whose write failed stays dirty: its shadow still holds a value
// the hardware has not taken, and the next unforced flush retries it.
void tRegisterMap::commit(uint32_t index, tStatus& status) {
  tRegisterState& state = states_[index];
  // Pending strobes go out with the shadow and stay pending until they did.
  if (!hardwareWrite(index, state.shadow | state.pending, status)) return;
  // Strobe bits do not hold their value in the hardware, so they do not in
  // the shadow either: writing them again is always a change.
  state.shadow &= descriptor_->registers[index].keepMask;
  state.pending = 0;
  state.dirty = false;
}

// ---- per register object

uint64_t tRegisterMap::getShadow(uint32_t index, uint32_t field) const {
  tHold hold(lock_);
  return takeField(index, field, states_[index].shadow);
}

bool tRegisterMap::isDirty(uint32_t index) const {
  tHold hold(lock_);
  return states_[index].dirty;
}

uint32_t tRegisterMap::getAddress(uint32_t index) const {
  tHold hold(lock_);
  return states_[index].address;
}

bool tRegisterMap::isAccessible(uint32_t index) const {
  tHold hold(lock_);
  return states_[index].accessible;
}

void tRegisterMap::setShadow(uint32_t index, uint32_t field, uint64_t value) {
  if (!lock_.isCreated()) return;
  tHold hold(lock_);
  tRegisterState& state = states_[index];
  const uint64_t strobes = pendingMask(descriptor_->registers[index]);
  const uint64_t next = putField(index, field, state.shadow | state.pending, value);
  // Asking for a strobe is a change even when the shadow stays as it was.
  if (next != state.shadow || (next & strobes) != 0) {
    state.pending = static_cast<uint32_t>(next & strobes);
    state.shadow = next & ~strobes;
    state.dirty = true;
  }
}

void tRegisterMap::markDirty(uint32_t index) {
  if (!lock_.isCreated()) return;
  tHold hold(lock_);
  if (rulesOf(descriptor_->registers[index]).shadowed) states_[index].dirty = true;
}

void tRegisterMap::refreshRegister(uint32_t index, tStatus& status) {
  if (status.isFatal() || !usable(status)) return;
  tHold hold(lock_);
  uint64_t value = 0;
  if (!hardwareRead(index, value, status)) return;
  tRegisterState& state = states_[index];
  const uint64_t kept = descriptor_->registers[index].refreshKeepMask;
  state.shadow = (value & ~kept) | (state.shadow & kept);
  state.pending = 0;
  state.dirty = false;
}

void tRegisterMap::flushRegister(uint32_t index, tStatus& status, bool force) {
  if (status.isFatal() || !usable(status)) return;
  tHold hold(lock_);
  if (force || states_[index].dirty) commit(index, status);
}

uint64_t tRegisterMap::readRegister(uint32_t index, uint32_t field, tStatus& status) {
  const bool shadowed = rulesOf(descriptor_->registers[index]).shadowed;
  if (status.isFatal() || !usable(status)) return shadowed ? getShadow(index, field) : allOnes(index, field);
  tHold hold(lock_);
  if (shadowed) {
    refreshRegister(index, status);
    return getShadow(index, field);
  }
  uint64_t value = 0;
  if (!hardwareRead(index, value, status)) return allOnes(index, field);
  return takeField(index, field, value);
}

void tRegisterMap::writeRegister(uint32_t index, uint32_t field, uint64_t value, tStatus& status, bool force) {
  if (status.isFatal() || !usable(status)) return;
  tHold hold(lock_);
  if (!rulesOf(descriptor_->registers[index]).shadowed) {
    hardwareWrite(index, putField(index, field, 0, value), status);
    return;
  }
  setShadow(index, field, value);
  if (force || states_[index].dirty) commit(index, status);
}

void tRegisterMap::updateRegister(uint32_t index, uint64_t clearBits, uint64_t setBits, tStatus& status, bool force) {
  if (status.isFatal() || !usable(status)) return;
  tHold hold(lock_);
  const uint64_t value = (states_[index].shadow & ~clearBits) | setBits;
  setShadow(index, kWholeRegister, value);
  if (force || states_[index].dirty) commit(index, status);
}

// ---- the dynamic-access interface

namespace {

// What an operation needs of a register's kind.
struct tNeed {
  bool shadowed;
  bool readable;
  bool writable;
};

bool allows(const tAccessRules& rules, const tNeed& need) {
  return (!need.shadowed || rules.shadowed) && (!need.readable || rules.readable) &&
         (!need.writable || rules.writable);
}

}  // namespace

bool tRegisterMap::selectAllowed(uint32_t id, bool wholeRegister, uint8_t sides, bool needShadowed,
                                 bool needReadable, bool needWritable, uint32_t& index, uint32_t& field,
                                 tStatus& status) const {
  const bool found = wholeRegister ? selectRegister(id, index) : selectItem(id, index, field, sides);
  if (found && allows(rulesOf(descriptor_->registers[index]), tNeed{needShadowed, needReadable, needWritable})) {
    return true;
  }
  mapRaise(status, kInvalidArgument);
  return false;
}

void tRegisterMap::get(uint32_t id, uint64_t& value, tStatus& status, uint32_t) {
  if (status.isFatal() || !usable(status)) return;
  uint32_t index = 0;
  uint32_t field = 0;
  value = selectAllowed(id, false, kForShadow, true, false, false, index, field, status) ? getShadow(index, field) : 0;
}

void tRegisterMap::set(uint32_t id, uint64_t value, tStatus& status, uint32_t) {
  if (status.isFatal() || !usable(status)) return;
  uint32_t index = 0;
  uint32_t field = 0;
  if (selectAllowed(id, false, kForWrite, true, false, true, index, field, status)) setShadow(index, field, value);
}

void tRegisterMap::read(uint32_t id, uint64_t& value, tStatus& status, uint32_t) {
  if (status.isFatal() || !usable(status)) return;
  uint32_t index = 0;
  uint32_t field = 0;
  value = selectAllowed(id, false, kForRead, false, true, false, index, field, status) ? readRegister(index, field, status)
                                                                                    : 0;
}

void tRegisterMap::write(uint32_t id, uint64_t value, bool force, tStatus& status, uint32_t) {
  if (status.isFatal() || !usable(status)) return;
  uint32_t index = 0;
  uint32_t field = 0;
  if (selectAllowed(id, false, kForWrite, false, false, true, index, field, status)) {
    writeRegister(index, field, value, status, force);
  }
}

void tRegisterMap::flush(uint32_t id, bool force, tStatus& status, uint32_t) {
  if (status.isFatal() || !usable(status)) return;
  uint32_t index = 0;
  uint32_t field = 0;
  if (!selectAllowed(id, true, kForWrite, false, false, true, index, field, status)) return;
  // An unshadowed register has nothing pending: success without an access.
  if (!rulesOf(descriptor_->registers[index]).shadowed) return;
  flushRegister(index, status, force);
}

void tRegisterMap::refresh(uint32_t id, tStatus& status, uint32_t) {
  if (status.isFatal() || !usable(status)) return;
  uint32_t index = 0;
  uint32_t field = 0;
  if (selectAllowed(id, true, kForRead, true, true, false, index, field, status)) refreshRegister(index, status);
}

void tRegisterMap::getRegisterFormat(uint32_t id, uint32_t& count, FieldType* types, uint64_t* masks,
                                     tStatus& status) const {
  if (status.isFatal()) return;
  uint32_t index = 0;
  if (!selectRegister(id, index)) {
    count = 0;
    mapRaise(status, kNotSupported);
    return;
  }
  const tRegisterDescriptor& reg = descriptor_->registers[index];
  // A split or read-view register describes what it reads when named from
  // the read side.
  const bool readList = (isSplit(reg) || hasReadView(reg)) && (id & kReadSideBit) != 0;
  const uint32_t first = reg.firstField + (readList ? reg.fieldCount : 0u);
  const uint32_t fieldCount = readList ? reg.readFieldCount : reg.fieldCount;
  if (count < fieldCount) {
    mapRaise(status, kBufferTooSmall);
    return;
  }
  // The arrays come from whoever asks by ID; a capacity without room behind
  // it is refused rather than written through.
  if (types == nullptr || masks == nullptr) {
    mapRaise(status, kInvalidArgument);
    return;
  }
  count = fieldCount;
  for (uint32_t f = 0; f < fieldCount; ++f) {
    const tFieldDescriptor& field = descriptor_->fields[first + f];
    types[f] = fieldTypeOfWidth(field.width);
    masks[f] = onesOfWidth(field.width) << field.lowBit;
  }
}

// The map-wide walks give every register a fresh status and never stop; the
// first error reaches the caller.
void tRegisterMap::flushRegMap(bool force, tStatus& status) {
  if (status.isFatal() || !usable(status)) return;
  tHold hold(lock_);
  for (uint32_t i = 0; i < descriptor_->registerCount; ++i) {
    const tAccessRules& rules = rulesOf(descriptor_->registers[i]);
    if (!rules.shadowed || !rules.writable) continue;
    tStatus local;
    flushRegister(i, local, force);
    status.merge(local);
  }
  for (uint32_t c = 0; c < childCount_; ++c) {
    if (children_[c] == nullptr) continue;
    tStatus local;
    children_[c]->flushRegMap(force, local);
    status.merge(local);
  }
}

void tRegisterMap::refreshRegMap(tStatus& status) {
  if (status.isFatal() || !usable(status)) return;
  tHold hold(lock_);
  for (uint32_t i = 0; i < descriptor_->registerCount; ++i) {
    const tAccessRules& rules = rulesOf(descriptor_->registers[i]);
    if (!rules.shadowed || !rules.readable) continue;
    tStatus local;
    refreshRegister(i, local);
    status.merge(local);
  }
  for (uint32_t c = 0; c < childCount_; ++c) {
    if (children_[c] == nullptr) continue;
    tStatus local;
    children_[c]->refreshRegMap(local);
    status.merge(local);
  }
}

void tRegisterMap::markDirtyRegMap() {
  if (!lock_.isCreated()) return;
  tHold hold(lock_);
  for (uint32_t i = 0; i < descriptor_->registerCount; ++i) {
    if (rulesOf(descriptor_->registers[i]).shadowed) states_[i].dirty = true;
  }
  for (uint32_t c = 0; c < childCount_; ++c) {
    if (children_[c] != nullptr) children_[c]->markDirtyRegMap();
  }
}

const char* tRegisterMap::getVersion() const { return descriptor_->version; }
const char* tRegisterMap::getOldestCompatibleVersion() const { return descriptor_->version; }

}  // namespace arm
