// The whole simulated board as the driver meets it after power-on: every
// block placed at its BAR 0 offset, the flash holding the factory image, the
// non-isolated FPGA unconfigured (its signature reads all ones) until the
// bridge's loader has taken its image.
// Tests of single blocks build a bare SimBoard and place what they need.
#pragma once

#include "simboard/BusInterfaceBlock.h"
#include "simboard/ConfigPortSpiBlock.h"
#include "simboard/ConfigPortWindowBlock.h"
#include "simboard/GeographicAddressBlock.h"
#include "simboard/IsolatedPortSwitchBlock.h"
#include "simboard/NisoFpgaDmaBlock.h"
#include "simboard/SimBoard.h"
#include "simboard/TimingDigitalOutputBlock.h"
#include "simboard/TimingOutputTimerBlock.h"
#include "simboard/TriggerBlock.h"

namespace simboard {

class QuillBoard : public SimBoard {
 public:
  // The chassis slot the board reports through its geographic address.
  static constexpr uint32_t kDefaultSlot = 5;

  QuillBoard();

  BusInterfaceBlock& busInterface() { return *busInterface_; }
  TimingDigitalOutputBlock& digitalOutputs() { return *digitalOutputs_; }
  TimingOutputTimerBlock& outputTimer() { return *outputTimer_; }
  TriggerBlock& triggers() { return *triggers_; }
  ConfigPortSpiBlock& spi() { return *spi_; }
  SerialFlash& flash() { return spi_->flash(); }
  GeographicAddressBlock& geographicAddress() { return *geographicAddress_; }
  NisoFpgaDmaBlock& nisoFpga() { return *nisoFpga_; }
  IsolatedPortSwitchBlock& isolatedPortSwitch() { return *isolatedPortSwitch_; }

  // ---- knobs on the factory image in the flash
  // A board of another revision: the Manufacturing record says so and its
  // checksum still holds.
  void setOldestCompatibleBoardRevision(uint8_t revision);
  // One bit of the serial number flipped after the record was sealed.
  void corruptManufacturingRecord();
  // A Manufacturing record of another layout: its version and oldest
  // compatible version as packed words, the record sealed again.
  void setManufacturingMapVersions(uint32_t version, uint32_t oldestCompatible);
  // Every byte of the flash erased.
  void eraseFlash();

 private:
  // The loader took a good image for the FPGA behind `portSelect`.
  void fpgaLoaded(uint32_t portSelect);

  BusInterfaceBlock* busInterface_;
  TimingDigitalOutputBlock* digitalOutputs_;
  TimingOutputTimerBlock* outputTimer_;
  TriggerBlock* triggers_;
  ConfigPortSpiBlock* spi_;
  GeographicAddressBlock* geographicAddress_;
  NisoFpgaDmaBlock* nisoFpga_;
  IsolatedPortSwitchBlock* isolatedPortSwitch_;
};

}  // namespace simboard
