// The isolated side as the access windows reach it: 32-bit registers by word
// address. Window 24 reaches the isolated FPGA's own registers (below
// 0x1000, its signature at 0); window c (0-23) reaches channel c's block of
// 128 words at 0x1000 | (c << 7). An access a window cannot reach (another
// channel's block, windows 25 and 26) finds nothing: a read answers all
// ones, a write is dropped; both are logged.
//
// Each register has a write view (what was last written to it) and a read
// view (what a read answers):
// - read-only registers ignore writes; tests set their read view;
// - registers with split views (the FPGA's interrupt command, a channel's
//   alarm, live-monitor and autorange words) take writes into the write
//   view only and answer reads from a read view tests set;
// - on every other register a write lands in both views.
// Strobe bits act once: the write view keeps the last word as written, but
// no read ever shows them.
//
// Each write of the FPGA's CPLD access register (0x008) is one access to a
// relay CPLD: bits 28-29 the CPLD, 24-27 its register, 0-23 the data; the
// side keeps the words per CPLD and register, and logs each in the CPLD
// space (offset the register, via the CPLD).
//
// The FPGA's external PLL (ExternalPll, behind 0x020 bits 8-9 and 0x022)
// and the relay CPLDs' JTAG and enable interface (CpldJtagPort, behind
// 0x007, 0x021, 0x023 and 0x024, its image words under a log policy of
// their own) answer from their models: their bits join the read views.
//
// The FPGA's sequencer local RAM (SequencerLocalRam, behind 0x50-0x53, with
// a log policy of its own for its bulk traffic) and its interrupt generator
// (InterruptGenerator: the board's vectors at 0x170/0x171, each channel's
// generate register 0x3B and interrupt status 0x39) live here too, and
// each channel's engines (ChannelEngines) react to their strobes.
//
// Nothing answers until the side is powered: until then no window is ready
// for an access (the link block asks isPowered()).
//
// Accesses go into the board's log (Space::kIsolated, Access::via the
// window), as the side's log policy says; the side counts what it served.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "simboard/AccessLog.h"
#include "simboard/ChannelEngines.h"
#include "simboard/CpldJtagPort.h"
#include "simboard/ExternalPll.h"
#include "simboard/InterruptGenerator.h"
#include "simboard/SequencerLocalRam.h"

namespace simboard {

class IsolatedRegisterSpace {
 public:
  static constexpr uint32_t kWordCount = 1u << 14;
  static constexpr uint32_t kAddressMask = kWordCount - 1;
  static constexpr uint32_t kIsoFpgaWindow = 24;
  static constexpr uint32_t kChannelCount = 24;
  static constexpr uint32_t kChannelBlockWords = 0x80;
  static constexpr uint32_t kSignatureAddress = 0x000;
  static constexpr uint32_t kSignature = 0x2D61B7C4u;
  static constexpr uint32_t kCpldAccessAddress = 0x008;
  static constexpr uint32_t kCpldCount = 4;
  static constexpr uint32_t kCpldRegisterCount = 16;
  static constexpr uint32_t kNothing = 0xFFFFFFFFu;
  static constexpr uint32_t channelBase(uint32_t channel) { return 0x1000u | (channel << 7); }

  struct Access {
    uint32_t window;
    uint32_t address;
    bool write;
    uint32_t value;
    bool operator==(const Access& other) const {
      return window == other.window && address == other.address && write == other.write && value == other.value;
    }
  };

  // How a register takes a write; see the file comment.
  enum class Kind : uint8_t { kPlain, kReadOnly, kSplit };
  struct Behaviour {
    Kind kind;
    uint32_t strobes;
  };

  IsolatedRegisterSpace();

  void setPowered(bool powered) { powered_ = powered; }
  bool isPowered() const { return powered_; }

  // Whether a window reaches an address.
  static bool reaches(uint32_t window, uint32_t address);
  // How an access through `window` to `address` is logged.
  LogPolicy policyFor(uint32_t window, uint32_t address) const;

  uint32_t read(uint32_t window, uint32_t address);
  void write(uint32_t window, uint32_t address, uint32_t value);

  // Told of every write a register took (after both views were updated):
  // how the blocks around the side learn what the driver asked of it.
  using WriteObserver = std::function<void(uint32_t address, uint32_t value)>;
  void observeWrites(WriteObserver observer) { observer_ = std::move(observer); }

  // The registers themselves, unlogged: poke sets both views, setReadView
  // the read view alone; peek answers what a read would.
  uint32_t peek(uint32_t address) const { return readView_[address & kAddressMask]; }
  uint32_t writeView(uint32_t address) const { return writeView_[address & kAddressMask]; }
  void poke(uint32_t address, uint32_t value);
  void setReadView(uint32_t address, uint32_t value) { readView_[address & kAddressMask] = value; }

  SequencerLocalRam& localRam() { return localRam_; }
  ExternalPll& externalPll() { return pll_; }
  CpldJtagPort& cpldJtag() { return cpldJtag_; }
  // The FPGA lost its configuration: the PLL and the CPLD interface start
  // over.
  void resetFpga() {
    pll_.reset();
    cpldJtag_.reset();
  }
  InterruptGenerator& interruptGenerator() { return interrupts_; }
  ChannelEngines& channelEngines() { return engines_; }

  // The isolated side's entries of the board's log.
  std::vector<Access> log() const;
  void clearLog() { log_->clear(Space::kIsolated); }
  void joinLog(AccessLog& log) { log_ = &log; }
  void setLogPolicy(LogPolicy policy) { policy_ = policy; }
  uint64_t reads() const { return reads_; }
  uint64_t writes() const { return writes_; }

  // Every CPLD access word in arrival order, and the data words one CPLD
  // register received.
  const std::vector<uint32_t>& cpldWords() const { return cpldWords_; }
  const std::vector<uint32_t>& cpldLog(uint32_t cpld, uint32_t reg) const {
    return cpldLog_[(cpld % kCpldCount) * kCpldRegisterCount + reg % kCpldRegisterCount];
  }

 private:
  static Behaviour behaviourOf(uint32_t address);
  void cpldAccess(uint32_t word);
  void sequencerWrite(uint32_t window, uint32_t address, uint32_t value);
  // The FPGA's own registers that answer from a model: what a read finds,
  // and what a write tells the model.
  uint32_t fpgaRead(uint32_t address, uint32_t value);
  void fpgaWrite(uint32_t address, uint32_t value);

  bool powered_ = false;
  std::vector<uint32_t> readView_;
  std::vector<uint32_t> writeView_;
  void note(uint32_t window, uint32_t address, Direction direction, uint32_t value);

  WriteObserver observer_;
  AccessLog ownLog_;
  AccessLog* log_ = &ownLog_;
  LogPolicy policy_ = LogPolicy::kFull;
  uint64_t reads_ = 0;
  uint64_t writes_ = 0;
  std::vector<uint32_t> cpldWords_;
  std::array<std::vector<uint32_t>, kCpldCount * kCpldRegisterCount> cpldLog_;
  SequencerLocalRam localRam_;
  InterruptGenerator interrupts_{localRam_};
  ChannelEngines engines_;
  ExternalPll pll_;
  CpldJtagPort cpldJtag_;
};

}  // namespace simboard
