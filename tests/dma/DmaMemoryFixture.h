// A PCI function of the stand-in with its DMA configured, and a look at
// DMA memory the way the device sees it: through the fake IOMMU.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kal/include/kalDma.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "platform/device/tDMAConfiguration.h"
#include "platform/status/tStatus.h"
#include "tests/platform/pciTestSupport.h"

namespace dmatest {

using vorlan_driver::nKIVAPAL000::tDMAConfiguration;

// Built on a freshly reset layer.
struct DmaDevice {
  kalsim::PciFunction* function = nullptr;
  vorlan_driver::nKIVAPAL000::tPCIDescription description{};
  tDMAConfiguration configuration;

  DmaDevice() {
    function = &kalsim::addPciFunction();
    description = pcitest::describe(*function);
    configure(tDMAConfiguration::kDMAType64Bit);
  }

  // As configureDMA leaves it: the mask set in the layer, the type recorded.
  void configure(tDMAConfiguration::tDMAType type) {
    if (type != tDMAConfiguration::kDMATypeNone) {
      nKIVKAL220_pciSetDMAMask(function->handle(), type == tDMAConfiguration::kDMAType64Bit ? ~0ull : 0xFFFFFFFFull);
    }
    configuration.record(type, type == tDMAConfiguration::kDMATypeNone ? nullptr : &description);
  }

  // `length` bytes at a bus address, as the device would read them.
  static std::vector<uint8_t> deviceRead(uint64_t bus, uint64_t length) {
    const void* host = kalsim::translate(bus, length);
    if (host == nullptr) return {};
    const uint8_t* bytes = static_cast<const uint8_t*>(host);
    return std::vector<uint8_t>(bytes, bytes + length);
  }
  static uint32_t deviceWord(uint64_t bus) {
    std::vector<uint8_t> bytes = deviceRead(bus, 4);
    uint32_t word = 0xDEADBEEF;
    if (bytes.size() == 4) std::memcpy(&word, bytes.data(), 4);
    return word;
  }
  static uint64_t deviceDouble(uint64_t bus) {
    std::vector<uint8_t> bytes = deviceRead(bus, 8);
    uint64_t value = 0xDEADBEEFDEADBEEFull;
    if (bytes.size() == 8) std::memcpy(&value, bytes.data(), 8);
    return value;
  }
};

struct ResetLayer {
  ResetLayer() { kalsim::reset(); }
};

struct DmaMemoryTest : ResetLayer, ::testing::Test, DmaDevice {
  ~DmaMemoryTest() override {
    kalsim::failAllocationOnThisThread(0);
    kalsim::reset();
  }
};

}  // namespace dmatest
