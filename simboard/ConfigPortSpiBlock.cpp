#include "simboard/ConfigPortSpiBlock.h"

#include "simboard/ConfigPortWindowBlock.h"

namespace simboard {

namespace {

// Fields of both transfer-format registers.
uint32_t opcodeBits(uint32_t format) { return format & 0x1F; }
uint32_t addressBits(uint32_t format) { return (format >> 16) & 0x3F; }
uint32_t dataBits(uint32_t format) { return (format >> 24) & 0x7F; }
constexpr uint32_t kReadFlag = 0x80000000u;
constexpr uint32_t kFlashOpcodeBits = 8;
constexpr uint64_t kWindowOffsetBits = 0xFFF;

}  // namespace

ConfigPortSpiBlock& ConfigPortSpiBlock::install(SimBoard& board, const TimingDigitalOutputBlock* outputs) {
  auto& engine = board.addBlock(kBar0Offset, std::make_unique<ConfigPortSpiBlock>(board.bridgeCore(), outputs));
  auto& window = board.addBlock(kDefaultWindowOffset, std::make_unique<ConfigPortWindowBlock>(board.bridgeCore()));
  window.attachSpiEngine(&engine);
  return engine;
}

ConfigPortSpiBlock::ConfigPortSpiBlock(BridgeCoreBlock& core, const TimingDigitalOutputBlock* outputs)
    : RegisterBlock(kSize), core_(core), flash_([outputs]() {
        return outputs != nullptr && outputs->writeProtectLineIsOutput() && outputs->writeProtectLineLevel();
      }) {}

bool ConfigPortSpiBlock::claims(bool read) const {
  const uint32_t format = static_cast<uint32_t>(peek(read ? kReadFormatOffset : kWriteFormatOffset, 32));
  if (read && (format & kReadFlag) == 0) return false;
  return opcodeBits(format) == kFlashOpcodeBits;
}

FlashTransaction ConfigPortSpiBlock::transactionFor(bool read, uint64_t windowOffset, uint8_t value) const {
  const uint32_t format = static_cast<uint32_t>(peek(read ? kReadFormatOffset : kWriteFormatOffset, 32));
  const uint32_t opcodes = static_cast<uint32_t>(peek(kOpcodeOffset, 32));
  const uint32_t spiAddress = static_cast<uint32_t>(core_.peek(kSPIAddressRegister, 32));
  FlashTransaction t{};
  t.opcode = static_cast<uint8_t>(read ? opcodes >> 16 : opcodes);
  t.addressBits = addressBits(format);
  t.dataBits = dataBits(format);
  t.read = read;
  t.dataOut = value;
  // The window's offset carries the address's low bits, the SPI address
  // register the rest.
  const uint32_t address =
      (spiAddress & ~static_cast<uint32_t>(kWindowOffsetBits)) | static_cast<uint32_t>(windowOffset & kWindowOffsetBits);
  t.address = t.addressBits >= 32 ? address : address & ((uint32_t(1) << t.addressBits) - 1);
  return t;
}

uint8_t ConfigPortSpiBlock::windowRead(uint64_t windowOffset) {
  return flash_.transact(transactionFor(true, windowOffset, 0));
}

void ConfigPortSpiBlock::windowWrite(uint64_t windowOffset, uint8_t value) {
  flash_.transact(transactionFor(false, windowOffset, value));
}

}  // namespace simboard
