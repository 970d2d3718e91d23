#include "storage/spiFlash/SPIController.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace tarntools {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;

namespace {

// Both transfer-format registers carry the same fields; the read one also
// says which way the data goes.
template <typename FormatRegister>
void programFormat(FormatRegister& format, uint32_t opcodeBits, uint32_t addressBits, uint32_t dataBits,
                   tStatus& status) {
  format.setCommandBits(static_cast<uint8_t>(opcodeBits & 0x1F))
      .setBits8to13(0)
      .setDataBits(static_cast<uint8_t>(dataBits & 0x7F))
      .setAddressBits(static_cast<uint8_t>(addressBits & 0x3F));
  format.flush(status);
}

}  // namespace

SPIController::SPIController(tSPIMap& spiMap, tWindowMap& windowMap, uint8_t* const* windowBase, tStatus& status)
    : spiMap_(&spiMap), windowMap_(&windowMap), windowBase_(windowBase), mutex_(status) {}

bool SPIController::isUsable(tStatus& status) const {
  if (status.isFatal()) return false;
  if (!mutex_.isCreated()) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kResourceNotAvailable);
    return false;
  }
  return true;
}

void SPIController::setupTransaction(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                                     uint32_t dataBits, bool write, tStatus& status) {
  if (status.isFatal()) return;
  windowMap_->SPIAddressReg.writeRegister(address, status, true);
  if (status.isFatal()) return;
  // A write set-up clears the read flag in the shadow only; the next read
  // set-up sets it again, so the register always reaches the engine with it.
  spiMap_->ReadFormatReg.setIsRead(!write);
  if (write) {
    programFormat(spiMap_->WriteFormatReg, opcodeBits, addressBits, dataBits, status);
    spiMap_->OpcodeReg.setWriteOpcode(opcode);
  } else {
    programFormat(spiMap_->ReadFormatReg, opcodeBits, addressBits, dataBits, status);
    spiMap_->OpcodeReg.setReadOpcode(opcode);
  }
  spiMap_->OpcodeReg.flush(status);
}

uint32_t SPIController::read8(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                              tStatus& status) {
  if (!isUsable(status)) return 0;
  tAutoLock<tMutex> lock(mutex_);
  setupTransaction(opcode, opcodeBits, address, addressBits, 8, false, status);
  if (status.isFatal()) return 0;
  return nKIVKAL100_memoryRead8(dataAddress(address));
}

void SPIController::writeTransaction(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                                     uint32_t dataBits, uint8_t data, tStatus& status) {
  if (!isUsable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  setupTransaction(opcode, opcodeBits, address, addressBits, dataBits, true, status);
  if (status.isFatal()) return;
  nKIVKAL100_memoryWrite8(dataAddress(address), data);
}

void SPIController::write8(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                           uint8_t data, tStatus& status) {
  writeTransaction(opcode, opcodeBits, address, addressBits, 8, data, status);
}

void SPIController::command(uint8_t opcode, uint32_t opcodeBits, tStatus& status) {
  writeTransaction(opcode, opcodeBits, 0, 0, 0, 0, status);
}

void SPIController::commandWithData(uint8_t opcode, uint32_t opcodeBits, uint8_t data, tStatus& status) {
  write8(opcode, opcodeBits, 0, 0, data, status);
}

void SPIController::commandWithAddress(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                                       tStatus& status) {
  writeTransaction(opcode, opcodeBits, address, addressBits, 0, 0, status);
}

}  // namespace tarntools
