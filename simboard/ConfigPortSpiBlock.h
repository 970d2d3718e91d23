// The bridge chip's configuration-port SPI engine with the board's serial
// flash behind it. Its transfer-format and opcode registers are at BAR 0 +
// 0x580 (this block: read format 0x584, write format 0x588, opcodes 0x58C);
// the SPI address register 0xE0 and the data-window register 0xC0 belong to
// the bridge core's register space and are read from there. A byte-wide
// access to the data window starts a transaction: a read takes the read
// format and read opcode, a write the write format and write opcode, and the
// flash address is the SPI address register's upper bits with the access's
// offset in the window as its low 12 bits.
//
// The data window is the configuration port's one window
// (ConfigPortWindowBlock): it answers the SPI engine only while a flash
// transfer format (an 8-bit opcode) is programmed for the access's direction,
// and shows the configuration-port address space otherwise.
#pragma once

#include <cstdint>
#include <memory>

#include "simboard/BridgeCoreBlock.h"
#include "simboard/ConfigPortWindowBlock.h"
#include "simboard/RegisterBlock.h"
#include "simboard/SerialFlash.h"
#include "simboard/SimBoard.h"
#include "simboard/TimingDigitalOutputBlock.h"

namespace simboard {

class ConfigPortSpiBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x580;
  static constexpr uint64_t kSize = 0x10;
  static constexpr uint64_t kReadFormatOffset = 0x4;
  static constexpr uint64_t kWriteFormatOffset = 0x8;
  static constexpr uint64_t kOpcodeOffset = 0xC;
  // In the bridge core's register space.
  static constexpr uint64_t kDataWindowRegister = 0xC0;
  static constexpr uint64_t kSPIAddressRegister = 0xE0;
  // The board's data window where power-on places it: 4 KiB at BAR 0 + 0x10000.
  static constexpr uint64_t kDefaultWindowOffset = ConfigPortWindowBlock::kBar0Offset;

  // Places the engine and the configuration port's window on the board. The
  // write-protect pin is digital line 7 of `outputs` (an output driven high);
  // without it the pin reads low.
  static ConfigPortSpiBlock& install(SimBoard& board, const TimingDigitalOutputBlock* outputs);

  ConfigPortSpiBlock(BridgeCoreBlock& core, const TimingDigitalOutputBlock* outputs);

  SerialFlash& flash() { return flash_; }
  void joinLog(AccessLog& log) override { flash_.joinLog(log); }

  // ---- what the data window asks
  // True when a byte-wide access in that direction is a flash transaction.
  bool claims(bool read) const;
  uint8_t windowRead(uint64_t windowOffset);
  void windowWrite(uint64_t windowOffset, uint8_t value);

 private:
  FlashTransaction transactionFor(bool read, uint64_t windowOffset, uint8_t value) const;

  BridgeCoreBlock& core_;
  SerialFlash flash_;
};

}  // namespace simboard
