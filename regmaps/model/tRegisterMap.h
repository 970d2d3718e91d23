// The one engine behind every register map. A generated map supplies its
// constant descriptor, storage for its registers' state and an accessor; all
// behaviour (ID dispatch, shadows, dirty flags, keep-masks, windows,
// map-wide walks) lives here.
//
// Every map owns one lock, and every read, refresh, write and shadow change
// of its registers runs under it, whoever asks: a by-name request (its
// registration lends this lock rather than making its own), a controller, a
// checker, an accessor, start-up. A caller whose step spans several
// operations (a read-modify-write of a whole register, a strobe with its
// address, a refresh and a look at what came back) takes getLock() around
// them, or uses updateRegister, so no one else's change falls in between.
//
// Where the lock stands: after any controller's, session's or
// reservation's mutex, and before any accessor's. A by-name request holds
// it for its whole request, as its registration's mutex. A map calls its
// accessor with its lock held. An isolated map's accessor is an access
// window: it takes the window's mutex, works the window through the
// non-isolated map (that map's lock, one operation at a time), and on a
// failed access asks the error controller, which takes its mutex and reads
// the non-isolated map's error registers (that map's lock again). A
// tunnelled bridge map (isolation port, IO port 2) reaches its port
// through the bus-interface map, under that map's lock. So the order is:
// controller or request mutex -> CPLD map -> isolated map -> window ->
// error controller -> non-isolated map, and tunnelled bridge map ->
// bus-interface map. No cycle follows: the non-isolated and bus-interface
// maps' accessors reach memory and report nothing, so nothing under their
// locks takes another lock; the error controller reads only the
// non-isolated map; and no code calls out of a map under its lock other
// than into its own accessor and its child maps (parent first).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "framework/armki/DynamicAccessInterfaceBase.h"
#include "regmaps/model/tAccessorOperations.h"
#include "regmaps/model/tMapDescriptor.h"

namespace arm {

// What a map keeps per register object.
struct tRegisterState {
  uint64_t shadow;
  uint32_t address;  // as handed to the accessor
  // Strobes asked for and not yet written (kRegisterPendingStrobes only).
  uint32_t pending;
  bool dirty;
  bool accessible;   // always true outside the windowed variant
};

class tRegisterMap : public DynamicAccessInterfaceBase<nKIVAPALS100::tStatus> {
 public:
  using tStatus = nKIVAPALS100::tStatus;

  static constexpr uint32_t kWholeRegisterBit = 0x80000000u;
  static constexpr uint32_t kReadSideBit = 0x40000000u;
  static constexpr uint32_t kOffsetMask = 0x00FFFFFFu;

  // Where the map lies in its accessor's space.
  uint32_t getBase() const { return base_; }

  // The ID bits 25-29 a field adds: its lowest bit number written backwards.
  static constexpr uint32_t lowBitCode(uint32_t lowBit) {
    return (((lowBit & 1u) << 4) | ((lowBit & 2u) << 2) | (lowBit & 4u) | ((lowBit & 8u) >> 2) |
            ((lowBit & 16u) >> 4))
           << 25;
  }

  // ---- the dynamic-access interface
  void get(uint32_t id, uint64_t& value, tStatus& status, uint32_t unused) override;
  void set(uint32_t id, uint64_t value, tStatus& status, uint32_t unused) override;
  void read(uint32_t id, uint64_t& value, tStatus& status, uint32_t unused) override;
  void write(uint32_t id, uint64_t value, bool force, tStatus& status, uint32_t unused) override;
  void flush(uint32_t id, bool force, tStatus& status, uint32_t unused) override;
  void refresh(uint32_t id, tStatus& status, uint32_t unused) override;
  void getRegisterFormat(uint32_t id, uint32_t& count, FieldType* types, uint64_t* masks,
                         tStatus& status) const override;
  void flushRegMap(bool force, tStatus& status) override;
  void refreshRegMap(tStatus& status) override;
  void markDirtyRegMap() override;
  const char* getVersion() const override;
  const char* getOldestCompatibleVersion() const override;
  ~tRegisterMap() override {}

  // ---- per register object, by declaration index; the generated register
  // classes are typed wrappers of these. `field` indexes the register's field
  // list; kWholeRegister names the register itself.
  static constexpr uint32_t kWholeRegister = 0xFFFFFFFFu;

  uint64_t getShadow(uint32_t index, uint32_t field) const;
  bool isDirty(uint32_t index) const;
  uint32_t getAddress(uint32_t index) const;
  bool isAccessible(uint32_t index) const;
  // Changes the shadow alone; dirty when the shadow changed.
  void setShadow(uint32_t index, uint32_t field, uint64_t value);
  // For an owner that knows the hardware may no longer hold the shadow: the
  // next unforced write or flush goes out even with an unchanged value.
  void markDirty(uint32_t index);
  void refreshRegister(uint32_t index, tStatus& status);
  void flushRegister(uint32_t index, tStatus& status, bool force);
  // Shadowed: refresh, then take from the shadow. Unshadowed: one read.
  uint64_t readRegister(uint32_t index, uint32_t field, tStatus& status);
  // Shadowed: into the shadow, then write when changed, dirty or forced.
  // Unshadowed: one write, whatever force says.
  void writeRegister(uint32_t index, uint32_t field, uint64_t value, tStatus& status, bool force);
  // A shadowed register's read-modify-write as one step: the bits in
  // `clearBits` cleared and those in `setBits` set in the shadow, then
  // written when changed, dirty or forced.
  void updateRegister(uint32_t index, uint64_t clearBits, uint64_t setBits, tStatus& status, bool force);

  // The lock described above. A map whose lock could not be made refuses
  // every operation that has a status with -52000 and does nothing in the
  // others; its registration refuses to be made.
  vorlan_driver::nKIVAPAL000::tMutex* getLock() const override { return &lock_; }

  const tMapDescriptor& getDescriptor() const { return *descriptor_; }

  // Maps that this one embeds or creates, set by their owner once it has
  // built them; the map-wide walks and reinitialize visit their registers
  // after this map's own. The array must outlive the map.
  void setChildMaps(tRegisterMap* const* children, uint32_t count) {
    children_ = children;
    childCount_ = count;
  }

 protected:
  // `addressBase` is added to every register offset (fixed variant: the
  // map's offset in its block). `states` has one entry per register of the
  // descriptor and is filled by placeRegisters. The lock is made unless
  // `creation` holds an error, and a failure to make it goes there (-52000);
  // null for a map whose builder has no status to give.
  tRegisterMap(const tMapDescriptor& descriptor, tRegisterState* states, const tAccessorOperations& operations,
               void* accessor, uint32_t addressBase, tStatus* creation);
  // Windowed variant: placed by base and window inside the accessor's space.
  tRegisterMap(const tMapDescriptor& descriptor, tRegisterState* states, const tAccessorOperations& operations,
               void* accessor, uint32_t base, uint32_t windowStart, uint32_t windowSize, tStatus* creation);

  // Addresses and accessibility from base and window; shadows to their reset
  // values, nothing dirty. No hardware access.
  void placeRegisters();
  // The same for this map and then, recursively, each child map.
  void placeRegistersWithChildren();

 private:
  const tIdIndexEntry* findId(uint32_t id, uint8_t side) const;
  // `sides`: the index lists (kIdTakenList, kIdReadList, kIdShownList) an
  // entry must serve for the operation.
  bool selectItem(uint32_t id, uint32_t& index, uint32_t& field, uint8_t sides) const;
  bool selectRegister(uint32_t id, uint32_t& index) const;
  // The item an ID names (a whole register for flush and refresh), when its
  // register's kind allows what the operation needs; -52005 otherwise.
  bool selectAllowed(uint32_t id, bool wholeRegister, uint8_t sides, bool needShadowed, bool needReadable,
                     bool needWritable, uint32_t& index, uint32_t& field, tStatus& status) const;
  uint64_t takeField(uint32_t index, uint32_t field, uint64_t registerValue) const;
  uint64_t putField(uint32_t index, uint32_t field, uint64_t registerValue, uint64_t value) const;
  uint64_t allOnes(uint32_t index, uint32_t field) const;
  bool hardwareRead(uint32_t index, uint64_t& value, tStatus& status);
  bool hardwareWrite(uint32_t index, uint64_t value, tStatus& status);
  void commit(uint32_t index, tStatus& status);
  void raise(tStatus& status, int64_t code, uint32_t line) const;
  // False, with -52000 in the status, for a map without its lock.
  bool usable(tStatus& status) const;

  const tMapDescriptor* descriptor_;
  tRegisterState* states_;
  const tAccessorOperations* operations_;
  void* accessor_;
  tRegisterMap* const* children_;
  uint32_t childCount_;
  uint32_t base_;
  uint32_t windowStart_;
  uint32_t windowSize_;
  mutable vorlan_driver::nKIVAPAL000::tMutex lock_;
};

static_assert(tRegisterMap::lowBitCode(7) == 0x38000000u, "lowest-bit code");
static_assert(tRegisterMap::lowBitCode(24) == 0x06000000u, "lowest-bit code");
static_assert(tRegisterMap::lowBitCode(31) == 0x3E000000u, "lowest-bit code");

}  // namespace arm
