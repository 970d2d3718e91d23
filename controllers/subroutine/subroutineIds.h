// The subroutine ids the driver itself runs, per board variant. Any package
// that is to work with the driver contains them; the built-in package is
// generated around them.
#pragma once

#include <stdint.h>

#include "controllers/subroutine/SubroutineId.h"
#include "platform/driver/pciIdentity.h"

namespace vorlan_driver {
namespace subroutineIds {

using harrowtools::SubroutineId;

constexpr uint32_t kChannelCount = 24;

// The sequence engine's reset: the built-in package's first entry, at word 0.
inline constexpr SubroutineId kSequenceEngineReset = 0x24EA160Bu;

struct VariantIds {
  SubroutineId errorResponse[2];  // command types 0 and 1
  SubroutineId alarmResponse;
  SubroutineId finishStartup;     // channel 0, the last start-up step
  SubroutineId shutdown;          // channel 0, the first teardown step
  SubroutineId channelStartup[kChannelCount];
};

inline constexpr VariantIds kWren = {
    {0xC31DB36Eu, 0x46DCE239u},
    0x5FE3F6BBu,
    0x018A505Cu,
    0xA1951BE0u,
    {0x0B6DD5F0u, 0x5176773Bu, 0xBA772C61u, 0xEABD994Bu, 0x4E420DFFu, 0x0082EAE2u, 0xC18053FAu, 0x12ACC069u,
     0x164DB86Cu, 0x1F538B31u, 0xEAFB77F8u, 0x8F091A16u, 0x206CC16Fu, 0x93D36FEAu, 0xC1916702u, 0x4ED206AAu,
     0x98779682u, 0x0261EE77u, 0x72617FC2u, 0x2BB39329u, 0xC84DF113u, 0xF7D64985u, 0x1EDD7C5Fu, 0xEFC40EE6u},
};

inline constexpr VariantIds kLark = {
    {0x17EB91D1u, 0x2B6EA0ADu},
    0x43413D19u,
    0xC5E4BFFBu,
    0xCDE02A45u,
    {0x043AF104u, 0x13CA8525u, 0x9D8C48AFu, 0x9BA18A6Bu, 0xBB3DB8C4u, 0x30408D59u, 0x708FF841u, 0x343EC518u,
     0x0B5C5677u, 0xD527A2A6u, 0xFBEB0553u, 0xF543DDF5u, 0x7ECDD99Cu, 0x51B00AE5u, 0xBD2CAA3Cu, 0x7D6768F7u,
     0x0E826EA7u, 0x9573810Bu, 0x5090BA3Eu, 0x60736043u, 0x425FDFA4u, 0x6271B199u, 0xA0BC1904u, 0xC7E92FE3u},
};

// The ids of the board with this PCI subsystem identifier.
inline const VariantIds& forSubsystem(uint32_t pciSubsystemID) {
  return nKIVAPAL000::isWrenSubsystemID(pciSubsystemID) ? kWren : kLark;
}

}  // namespace subroutineIds
}  // namespace vorlan_driver
