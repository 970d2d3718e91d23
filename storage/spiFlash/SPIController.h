// One SPI transaction at a time through the bridge chip's configuration-port
// SPI engine: an opcode, an optional address and at most one data byte. The
// transfer format and opcode registers are programmed first (stored only
// when they change), the SPI address register always; then one byte-wide
// access to the data window starts the transaction.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/bridge/tTarnConfigPortSPIWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortWindowWithOffset.h"

namespace tarntools {

class SPIController {
 public:
  using tSPIMap = tTarnConfigPortSPIWithOffset<0u>;
  using tWindowMap = tTarnConfigPortWindowWithOffset<0u>;

  // The maps are not owned. `windowBase` points at the owner's pointer to
  // the data window, read at every data access.
  SPIController(tSPIMap& spiMap, tWindowMap& windowMap, uint8_t* const* windowBase,
                nKIVAPALS100::tStatus& status);
  virtual ~SPIController() {}
  SPIController(const SPIController&) = delete;
  SPIController& operator=(const SPIController&) = delete;

  // Returns the byte read.
  virtual uint32_t read8(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                         nKIVAPALS100::tStatus& status);
  virtual void write8(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits, uint8_t data,
                      nKIVAPALS100::tStatus& status);
  virtual void command(uint8_t opcode, uint32_t opcodeBits, nKIVAPALS100::tStatus& status);
  virtual void commandWithData(uint8_t opcode, uint32_t opcodeBits, uint8_t data, nKIVAPALS100::tStatus& status);
  virtual void commandWithAddress(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                                  nKIVAPALS100::tStatus& status);

  void setupTransaction(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                        uint32_t dataBits, bool write, nKIVAPALS100::tStatus& status);

  // The low address bits that pick the byte in the data window.
  static constexpr uint32_t kWindowOffsetMask = 0xFFF;

 private:
  volatile uint8_t* dataAddress(uint32_t address) const { return *windowBase_ + (address & kWindowOffsetMask); }
  // A transaction in the write direction: the byte written to the address's
  // place in the data window starts it.
  // False, with the status set, when construction failed: there is then no
  // mutex to take.
  bool isUsable(nKIVAPALS100::tStatus& status) const;
  void writeTransaction(uint8_t opcode, uint32_t opcodeBits, uint32_t address, uint32_t addressBits,
                        uint32_t dataBits, uint8_t data, nKIVAPALS100::tStatus& status);

  tSPIMap* spiMap_;
  tWindowMap* windowMap_;
  uint8_t* const* windowBase_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
};

}  // namespace tarntools
