#include <gtest/gtest.h>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"

namespace {

// Reads and writes of the stand-in's configuration space stay inside its
// 256 bytes, also for offsets whose end would wrap 32 bits.
TEST(KalPciConfig, AccessesStayInsideTheConfigurationSpace) {
  kalsim::reset();
  kalsim::PciFunction& function = kalsim::addPciFunction();
  struct Case {
    uint32_t offset;
    bool inside;
  };
  const Case cases[] = {{0x00, true}, {0xFE, true}, {0xFF, false}, {0x100, false}, {0xFFFFFFFFu, false}};
  for (const Case& c : cases) {
    uint16_t word = 0;
    EXPECT_EQ(nKIVKAL100_pciConfigRead16(function.handle(), c.offset, &word), c.inside ? 0 : -51202) << c.offset;
    EXPECT_EQ(nKIVKAL100_pciConfigWrite16(function.handle(), c.offset, 0x1234), c.inside ? 0 : -51202) << c.offset;
  }
  uint8_t byte = 0;
  EXPECT_EQ(nKIVKAL100_pciConfigRead8(function.handle(), 0xFF, &byte), 0);
  EXPECT_EQ(nKIVKAL100_pciConfigRead8(function.handle(), 0xFFFFFFFFu, &byte), -51202);
  EXPECT_EQ(function.configWrites(), 2u);
  EXPECT_EQ(function.configByte(0xFE), 0x34);
  kalsim::reset();
}

}  // namespace
