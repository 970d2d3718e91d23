// A 1 MiB serial NOR flash as the configuration port's SPI engine drives it:
// 4 KiB sectors, a status register with busy, write-enable latch and
// block-protection bits, and a write-protect pin that must be driven high
// for program and erase. Erased bytes read 0xFF and programming
// only clears bits. The image belongs to the board, so it outlives whatever
// the driver builds and tears down over it.
//
// Every transaction and every change of the write-protect pin seen between
// transactions goes into the board's log (Space::kSerialFlash), as the
// flash's log policy says, and the flash counts the transactions it served
// (reads: those it answered). A transaction is one Access there: its
// address as the offset, 8 bits wide with a data byte (0 without), the byte
// sent or answered as the value, and in `via` the command: the opcode with
// kViaHasAddress and kViaIgnored. A pin change is an Access with via
// kViaPinChange and value 1 (raised) or 0 (lowered). log() reads the
// flash's entries back as FlashEvents.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "simboard/AccessLog.h"

namespace simboard {

struct FlashEvent {
  enum class Kind { kTransaction, kWriteProtectRaised, kWriteProtectLowered };
  Kind kind;
  uint8_t opcode;
  bool hasAddress;
  uint32_t address;
  bool hasData;
  uint8_t data;   // the byte sent, or the byte answered for a read
  bool accepted;  // false when the flash ignored the command

  bool operator==(const FlashEvent& other) const;
};

// What one transaction carries.
struct FlashTransaction {
  uint8_t opcode;
  uint32_t addressBits;  // 0 or 24
  uint32_t address;
  uint32_t dataBits;  // 0 or 8
  bool read;
  uint8_t dataOut;
};

class SerialFlash {
 public:
  static constexpr uint64_t kSize = 0x100000;
  static constexpr uint64_t kSectorSize = 0x1000;
  static constexpr uint8_t kErased = 0xFF;

  static constexpr uint8_t kWriteStatus = 0x01;
  static constexpr uint8_t kByteProgram = 0x02;
  static constexpr uint8_t kRead = 0x03;
  static constexpr uint8_t kWriteDisable = 0x04;
  static constexpr uint8_t kReadStatus = 0x05;
  static constexpr uint8_t kWriteEnable = 0x06;
  static constexpr uint8_t kSectorErase = 0x20;
  static constexpr uint8_t kEnableWriteStatus = 0x50;

  static constexpr uint8_t kBusy = 0x01;
  static constexpr uint8_t kWriteEnableLatch = 0x02;
  static constexpr uint8_t kBlockProtectionBits = 0x3C;
  static constexpr uint8_t kBlockProtectionLock = 0x80;
  // As the board leaves the factory: every block protected.
  static constexpr uint8_t kPowerOnStatus = 0x0C;

  // `writeProtectPin` tells whether the pin is driven high; without one the
  // pin reads low.
  explicit SerialFlash(std::function<bool()> writeProtectPin = {});
  SerialFlash(const SerialFlash&) = delete;
  SerialFlash& operator=(const SerialFlash&) = delete;

  // Runs one transaction; returns the byte a read transaction answers.
  uint8_t transact(const FlashTransaction& transaction);

  // ---- contents
  // Anything other than exactly kSize bytes aborts: a test that gets the size
  // wrong should not pass by accident.
  void loadImage(std::vector<uint8_t> image);
  const std::vector<uint8_t>& image() const { return image_; }
  uint8_t statusRegister() const { return status_; }
  void setStatusRegister(uint8_t value) { status_ = value; }

  // ---- log policy, counters and the flash's entries of the log
  static constexpr uint16_t kViaHasAddress = 0x100;
  static constexpr uint16_t kViaIgnored = 0x200;
  static constexpr uint16_t kViaPinChange = 0x400;
  std::vector<FlashEvent> log();
  void clearLog();
  // Logs into the board's log from now on.
  void joinLog(AccessLog& log) { log_ = &log; }
  void setLogPolicy(LogPolicy policy) { policy_ = policy; }
  uint64_t reads() const { return reads_; }
  uint64_t writes() const { return writes_; }

  // ---- knobs
  // Busy never clears once a program or erase has started.
  void setBusyStuck(bool stuck) { busyStuck_ = stuck; }
  // Write enable is accepted but the latch never sets.
  void setWriteEnableNeverSets(bool never) { writeEnableNeverSets_ = never; }
  // Byte program goes through the motions (latch, busy) but changes nothing.
  void setProgrammingIgnored(bool ignored) { programmingIgnored_ = ignored; }
  // How many status reads a program or erase stays busy for.
  void setBusyReads(uint32_t program, uint32_t erase) {
    programBusyReads_ = program;
    eraseBusyReads_ = erase;
  }

 private:
  bool pinHigh() const { return writeProtectPin_ && writeProtectPin_(); }
  void notePin();
  bool mayModify() const;
  void startBusy(uint32_t reads);
  uint8_t readStatus();
  bool run(const FlashTransaction& transaction, uint8_t& answer);

  std::function<bool()> writeProtectPin_;
  std::vector<uint8_t> image_;
  uint8_t status_ = kPowerOnStatus;
  bool statusWriteEnabled_ = false;
  uint32_t busyReadsLeft_ = 0;
  uint32_t programBusyReads_ = 1;
  uint32_t eraseBusyReads_ = 3;
  bool busyStuck_ = false;
  bool writeEnableNeverSets_ = false;
  bool programmingIgnored_ = false;
  bool lastPinHigh_ = false;
  AccessLog ownLog_;
  AccessLog* log_ = &ownLog_;
  LogPolicy policy_ = LogPolicy::kFull;
  uint64_t reads_ = 0;
  uint64_t writes_ = 0;
};

// What the flash holds when a board is built: the factory image with the
// board's records.
std::vector<uint8_t> defaultFlashImage();

std::string describe(const FlashEvent& event);

}  // namespace simboard
