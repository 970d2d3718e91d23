#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/tTriggersWithOffset.h"
#include "simboard/SimBoard.h"
#include "simboard/TriggerBlock.h"
#include "tests/regmaps/RegMapExpectations.h"

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::Direction;

namespace {

using tTriggers = tarntools::tTriggersWithOffset<0u>;

// The trigger block register by register: Table 1 in declaration order, then
// the six output-select arrays, each in ascending offset.
const regmaptest::ExpectedMap kTriggersRegisters = {
    {0xA0u, 16, arm::kWriteOnly, 0x0u, 0xFFDFu, {{0x000000A0u, 0x7u, 1, false}, {0x280000A0u, 0x20u, 0, true}, {0x040000A0u, 0x300u, 1, false}}},
    {0xA2u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000A2u, 0xFu, 1, false}, {0x0C0000A2u, 0x1000u, 0, false}, {0x1C0000A2u, 0x4000u, 0, false}, {0x3C0000A2u, 0x8000u, 0, false}}},
    {0xA4u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000A4u, 0x1u, 0, false}, {0x200000A4u, 0x2u, 0, false}, {0x100000A4u, 0x4u, 0, false}, {0x300000A4u, 0x8u, 0, false}, {0x080000A4u, 0x10u, 0, false}, {0x280000A4u, 0x20u, 0, false}, {0x180000A4u, 0x40u, 0, false}, {0x380000A4u, 0x80u, 0, false}, {0x040000A4u, 0x100u, 0, false}, {0x240000A4u, 0x200u, 0, false}, {0x140000A4u, 0x400u, 0, false}, {0x340000A4u, 0x800u, 0, false}, {0x0C0000A4u, 0x1000u, 0, false}, {0x2C0000A4u, 0x2000u, 0, false}, {0x1C0000A4u, 0x4000u, 0, false}, {0x3C0000A4u, 0x8000u, 0, false}}},
    {0xA6u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x040000A6u, 0x100u, 0, false}, {0x240000A6u, 0x200u, 0, false}, {0x140000A6u, 0x400u, 0, false}, {0x340000A6u, 0x800u, 0, false}, {0x0C0000A6u, 0x1000u, 0, false}, {0x2C0000A6u, 0x2000u, 0, false}, {0x1C0000A6u, 0x4000u, 0, false}, {0x3C0000A6u, 0x8000u, 0, false}}},
    {0xB0u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000B0u, 0x7u, 1, false}, {0x080000B0u, 0x70u, 1, false}, {0x040000B0u, 0x700u, 1, false}, {0x0C0000B0u, 0x7000u, 1, false}}},
    {0xB2u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000B2u, 0x7u, 1, false}, {0x080000B2u, 0x70u, 1, false}, {0x040000B2u, 0x700u, 1, false}, {0x0C0000B2u, 0x7000u, 1, false}}},
    {0xB4u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000B4u, 0x7u, 1, false}, {0x080000B4u, 0x70u, 1, false}, {0x040000B4u, 0x700u, 1, false}, {0x0C0000B4u, 0x7000u, 1, false}}},
    {0xB6u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000B6u, 0x7u, 1, false}, {0x080000B6u, 0x70u, 1, false}, {0x040000B6u, 0x700u, 1, false}, {0x0C0000B6u, 0x7000u, 1, false}}},
    {0xB8u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000B8u, 0xFu, 1, false}, {0x3C0000B8u, 0x8000u, 0, true}}},
    {0xCAu, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000CAu, 0xFu, 1, false}, {0x0C0000CAu, 0x3000u, 1, false}, {0x1C0000CAu, 0x4000u, 0, true}, {0x3C0000CAu, 0x8000u, 0, true}}},
    {0xCCu, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000CCu, 0x1u, 0, true}, {0x200000CCu, 0x2u, 0, true}, {0x100000CCu, 0x4u, 0, true}, {0x300000CCu, 0x8u, 0, true}, {0x080000CCu, 0x10u, 0, true}, {0x280000CCu, 0x20u, 0, true}, {0x180000CCu, 0x40u, 0, true}, {0x380000CCu, 0x80u, 0, true}, {0x040000CCu, 0x100u, 0, true}, {0x240000CCu, 0x200u, 0, true}, {0x140000CCu, 0x400u, 0, true}, {0x340000CCu, 0x800u, 0, true}, {0x0C0000CCu, 0x1000u, 0, true}, {0x2C0000CCu, 0x2000u, 0, true}, {0x1C0000CCu, 0x4000u, 0, true}, {0x3C0000CCu, 0x8000u, 0, true}}},
    {0xCEu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000CEu, 0x1u, 0, false}, {0x200000CEu, 0x2u, 0, false}, {0x100000CEu, 0x4u, 0, false}, {0x300000CEu, 0x8u, 0, false}, {0x080000CEu, 0x10u, 0, false}, {0x280000CEu, 0x20u, 0, false}, {0x180000CEu, 0x40u, 0, false}, {0x380000CEu, 0x80u, 0, false}}},
    {0xD7u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000D7u, 0x1u, 0, true}, {0x200000D7u, 0x2u, 0, true}, {0x100000D7u, 0x4u, 0, true}, {0x300000D7u, 0x8u, 0, true}, {0x080000D7u, 0x10u, 0, true}, {0x280000D7u, 0x20u, 0, true}, {0x180000D7u, 0x40u, 0, true}, {0x380000D7u, 0x80u, 0, true}}},
    {0xD8u, 16, arm::kWriteOnly, 0xD10u, 0xFFFFu, {{0x000000D8u, 0x1u, 0, false}, {0x200000D8u, 0x2u, 0, false}, {0x100000D8u, 0x4u, 0, false}, {0x080000D8u, 0x30u, 1, false}, {0x180000D8u, 0x40u, 0, true}, {0x040000D8u, 0x300u, 1, false}, {0x140000D8u, 0x400u, 0, false}, {0x340000D8u, 0x1800u, 1, false}, {0x2C0000D8u, 0x2000u, 0, true}, {0x1C0000D8u, 0x4000u, 0, true}}},
    {0xDAu, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000DAu, 0x1Fu, 1, false}, {0x180000DAu, 0x40u, 0, false}}},
    {0xDCu, 32, arm::kWriteOnly, 0x6000u, 0xFFFFFFFFu, {{0x040000DCu, 0x3F00u, 1, false}, {0x1C0000DCu, 0x1FC000u, 1, false}, {0x2A0000DCu, 0xFE00000u, 1, false}, {0x0E0000DCu, 0x70000000u, 1, false}, {0x3E0000DCu, 0x80000000u, 0, true}}},
    {0xDCu, 16, arm::kReadOnly, 0x0u, 0xFFFFu, {{0x400000DCu, 0x1u, 0, false}, {0x600000DCu, 0x2u, 0, false}}},
    {0xE0u, 16, arm::kReadOnly, 0x0u, 0xFFFFu, {{0x400000E0u, 0x1u, 0, false}, {0x600000E0u, 0x2u, 0, false}, {0x500000E0u, 0x4u, 0, false}, {0x700000E0u, 0x8u, 0, false}, {0x480000E0u, 0x10u, 0, false}, {0x680000E0u, 0x20u, 0, false}, {0x580000E0u, 0x40u, 0, false}, {0x780000E0u, 0x80u, 0, false}, {0x440000E0u, 0x100u, 0, false}, {0x640000E0u, 0x200u, 0, false}, {0x540000E0u, 0x400u, 0, false}, {0x740000E0u, 0x800u, 0, false}, {0x4C0000E0u, 0x1000u, 0, false}, {0x6C0000E0u, 0x2000u, 0, false}, {0x5C0000E0u, 0x4000u, 0, false}, {0x7C0000E0u, 0x8000u, 0, false}}},
    {0xE0u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000E0u, 0xFFFFu, 2, false}}},
    {0xE2u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000E2u, 0xFFFFu, 2, false}}},
    {0xE4u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x000000E4u, 0x3u, 1, false}, {0x100000E4u, 0xCu, 1, false}, {0x080000E4u, 0x30u, 1, false}, {0x180000E4u, 0xC0u, 1, false}, {0x040000E4u, 0x300u, 1, false}, {0x140000E4u, 0xC00u, 1, false}, {0x0C0000E4u, 0x3000u, 1, false}, {0x1C0000E4u, 0xC000u, 1, false}, {0x020000E4u, 0x30000u, 1, false}, {0x120000E4u, 0xC0000u, 1, false}, {0x0A0000E4u, 0x300000u, 1, false}, {0x1A0000E4u, 0xC00000u, 1, false}, {0x060000E4u, 0x3000000u, 1, false}, {0x160000E4u, 0xC000000u, 1, false}, {0x0E0000E4u, 0x30000000u, 1, false}, {0x1E0000E4u, 0xC0000000u, 1, false}}},
    {0xF8u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000F8u, 0x7u, 1, false}, {0x080000F8u, 0x70u, 1, false}, {0x040000F8u, 0x700u, 1, false}, {0x0C0000F8u, 0x7000u, 1, false}}},
    {0xFAu, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000FAu, 0x7u, 1, false}, {0x080000FAu, 0x70u, 1, false}, {0x040000FAu, 0x700u, 1, false}, {0x0C0000FAu, 0x7000u, 1, false}}},
    {0xFCu, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000FCu, 0x7u, 1, false}, {0x080000FCu, 0x70u, 1, false}, {0x040000FCu, 0x700u, 1, false}, {0x0C0000FCu, 0x7000u, 1, false}}},
    {0xFEu, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x000000FEu, 0x7u, 1, false}, {0x080000FEu, 0x70u, 1, false}, {0x040000FEu, 0x700u, 1, false}, {0x0C0000FEu, 0x7000u, 1, false}}},
    {0x100u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x00000100u, 0x1FFu, 2, false}, {0x14000100u, 0xC00u, 1, false}, {0x2C000100u, 0xE000u, 1, false}}},
    {0x102u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x00000102u, 0x1FFu, 2, false}, {0x14000102u, 0xC00u, 1, false}}},
    {0x104u, 16, arm::kWriteOnly, 0xD6D8u, 0xFFFFu, {{0x00000104u, 0xFFFFu, 2, false}}},
    {0x106u, 8, arm::kWriteOnly, 0x8u, 0xFFu, {{0x00000106u, 0xFFu, 1, false}}},
    {0x88u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000088u, 0xFu, 1, false}, {0x38000088u, 0x80u, 0, false}}},
    {0x89u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000089u, 0xFu, 1, false}, {0x38000089u, 0x80u, 0, false}}},
    {0x8Au, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000008Au, 0xFu, 1, false}, {0x3800008Au, 0x80u, 0, false}}},
    {0x8Bu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000008Bu, 0xFu, 1, false}, {0x3800008Bu, 0x80u, 0, false}}},
    {0x8Cu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000008Cu, 0xFu, 1, false}, {0x3800008Cu, 0x80u, 0, false}}},
    {0x8Du, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000008Du, 0xFu, 1, false}, {0x3800008Du, 0x80u, 0, false}}},
    {0x8Eu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000008Eu, 0xFu, 1, false}, {0x3800008Eu, 0x80u, 0, false}}},
    {0x8Fu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000008Fu, 0xFu, 1, false}, {0x3800008Fu, 0x80u, 0, false}}},
    {0x90u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000090u, 0xFu, 1, false}, {0x38000090u, 0x80u, 0, false}}},
    {0x91u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000091u, 0xFu, 1, false}, {0x38000091u, 0x80u, 0, false}}},
    {0x92u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000092u, 0xFu, 1, false}, {0x38000092u, 0x80u, 0, false}}},
    {0x93u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000093u, 0xFu, 1, false}, {0x38000093u, 0x80u, 0, false}}},
    {0x94u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000094u, 0xFu, 1, false}, {0x38000094u, 0x80u, 0, false}}},
    {0x95u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000095u, 0xFu, 1, false}, {0x38000095u, 0x80u, 0, false}}},
    {0x96u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000096u, 0xFu, 1, false}, {0x38000096u, 0x80u, 0, false}}},
    {0x97u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000097u, 0xFu, 1, false}, {0x38000097u, 0x80u, 0, false}}},
    {0x98u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000098u, 0xFu, 1, false}, {0x38000098u, 0x80u, 0, false}}},
    {0x99u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000099u, 0xFu, 1, false}, {0x38000099u, 0x80u, 0, false}}},
    {0x9Au, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000009Au, 0xFu, 1, false}, {0x3800009Au, 0x80u, 0, false}}},
    {0x9Bu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000009Bu, 0xFu, 1, false}, {0x3800009Bu, 0x80u, 0, false}}},
    {0x9Cu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000009Cu, 0xFu, 1, false}, {0x3800009Cu, 0x80u, 0, false}}},
    {0x9Du, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000009Du, 0xFu, 1, false}, {0x3800009Du, 0x80u, 0, false}}},
    {0x9Eu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000009Eu, 0xFu, 1, false}, {0x3800009Eu, 0x80u, 0, false}}},
    {0x9Fu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x0000009Fu, 0xFu, 1, false}, {0x3800009Fu, 0x80u, 0, false}}},
    {0xA8u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000A8u, 0x7Fu, 1, false}}},
    {0xA9u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000A9u, 0x7Fu, 1, false}}},
    {0xAAu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000AAu, 0x7Fu, 1, false}}},
    {0xABu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000ABu, 0x7Fu, 1, false}}},
    {0xACu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000ACu, 0x7Fu, 1, false}}},
    {0xADu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000ADu, 0x7Fu, 1, false}}},
    {0xAEu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000AEu, 0x7Fu, 1, false}}},
    {0xAFu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000AFu, 0x7Fu, 1, false}}},
    {0xBAu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000BAu, 0x7Fu, 1, false}, {0x380000BAu, 0x80u, 0, false}}},
    {0xBBu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000BBu, 0x7Fu, 1, false}, {0x380000BBu, 0x80u, 0, false}}},
    {0xBCu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000BCu, 0x7Fu, 1, false}, {0x380000BCu, 0x80u, 0, false}}},
    {0xBDu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000BDu, 0x7Fu, 1, false}, {0x380000BDu, 0x80u, 0, false}}},
    {0xBEu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000BEu, 0x7Fu, 1, false}, {0x380000BEu, 0x80u, 0, false}}},
    {0xBFu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000BFu, 0x7Fu, 1, false}, {0x380000BFu, 0x80u, 0, false}}},
    {0xC0u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C0u, 0x7Fu, 1, false}, {0x380000C0u, 0x80u, 0, false}}},
    {0xC1u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C1u, 0x7Fu, 1, false}, {0x380000C1u, 0x80u, 0, false}}},
    {0xC2u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C2u, 0x7Fu, 1, false}, {0x380000C2u, 0x80u, 0, false}}},
    {0xC3u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C3u, 0x7Fu, 1, false}, {0x380000C3u, 0x80u, 0, false}}},
    {0xC4u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C4u, 0x7Fu, 1, false}, {0x380000C4u, 0x80u, 0, false}}},
    {0xC5u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C5u, 0x7Fu, 1, false}, {0x380000C5u, 0x80u, 0, false}}},
    {0xC6u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C6u, 0x7Fu, 1, false}, {0x380000C6u, 0x80u, 0, false}}},
    {0xC7u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C7u, 0x7Fu, 1, false}, {0x380000C7u, 0x80u, 0, false}}},
    {0xC8u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C8u, 0x7Fu, 1, false}, {0x380000C8u, 0x80u, 0, false}}},
    {0xC9u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000C9u, 0x7Fu, 1, false}, {0x380000C9u, 0x80u, 0, false}}},
    {0xCFu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000CFu, 0x7Fu, 1, false}}},
    {0xD0u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000D0u, 0x7Fu, 1, false}}},
    {0xD1u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000D1u, 0x7Fu, 1, false}}},
    {0xD2u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000D2u, 0x7Fu, 1, false}}},
    {0xD3u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000D3u, 0x7Fu, 1, false}}},
    {0xD4u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000D4u, 0x7Fu, 1, false}}},
    {0xD5u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000D5u, 0x7Fu, 1, false}}},
    {0xD6u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000D6u, 0x7Fu, 1, false}}},
    {0xE8u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000E8u, 0x7Fu, 1, false}}},
    {0xE9u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000E9u, 0x7Fu, 1, false}}},
    {0xEAu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000EAu, 0x7Fu, 1, false}}},
    {0xEBu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000EBu, 0x7Fu, 1, false}}},
    {0xECu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000ECu, 0x7Fu, 1, false}}},
    {0xEDu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000EDu, 0x7Fu, 1, false}}},
    {0xEEu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000EEu, 0x7Fu, 1, false}}},
    {0xEFu, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000EFu, 0x7Fu, 1, false}}},
    {0xF0u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000F0u, 0x1Fu, 1, false}}},
    {0xF1u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000F1u, 0x1Fu, 1, false}}},
    {0xF2u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000F2u, 0x1Fu, 1, false}}},
    {0xF3u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000F3u, 0x1Fu, 1, false}}},
    {0xF4u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000F4u, 0x1Fu, 1, false}}},
    {0xF5u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000F5u, 0x1Fu, 1, false}}},
    {0xF6u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000F6u, 0x1Fu, 1, false}}},
    {0xF7u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x000000F7u, 0x1Fu, 1, false}}},
};

constexpr uint64_t kBase = 0x50000;  // the map's memory space in BAR 0

struct TriggersMapTest : ::testing::Test {
  struct Fresh {
    Fresh() { kalsim::reset(); }
  } fresh;
  simboard::SimBoard board;
  simboard::TriggerBlock& block{
      board.addBlock(simboard::TriggerBlock::kBar0Offset, std::make_unique<simboard::TriggerBlock>())};
  vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false> space{board.bar0Address() + kBase, 0x107};
  tTriggers map{space};

  std::vector<Access> writeAndLog(uint32_t id, uint64_t value, bool force = false) {
    board.clearAccessLog();
    tStatus status;
    map.write(id, value, force, status, 0);
    EXPECT_EQ(status.getCode(), 0) << std::hex << id;
    return board.accessLog();
  }
};

TEST_F(TriggersMapTest, AnswersItsIdsAndNoOthers) {
  const auto ids = regmaptest::idsOf(kTriggersRegisters);
  EXPECT_EQ(kTriggersRegisters.size(), 101u);
  EXPECT_EQ(ids.size(), 374u);
  EXPECT_EQ(tTriggers::kRegisterCount, 101u);
  regmaptest::expectAnswersExactly(map, board, kTriggersRegisters, 0x110);
  EXPECT_STREQ(map.getVersion(), "200a13081315");
  EXPECT_STREQ(map.getOldestCompatibleVersion(), "200a13081315");
}

TEST_F(TriggersMapTest, FormatsListEachRegistersFields) {
  regmaptest::expectFormats(map, kTriggersRegisters);
  arm::FieldType types[4];
  uint64_t masks[4];
  uint32_t count = 4;
  tStatus status;
  map.getRegisterFormat(0xA1, count, types, masks, status);
  EXPECT_EQ(status.getCode(), -52002);
  EXPECT_EQ(count, 0u);
}

TEST_F(TriggersMapTest, EveryRegisterIsAccessedAtItsOwnWidth) {
  regmaptest::expectAccessWidths(map, board, kTriggersRegisters, kBase);
}

TEST_F(TriggersMapTest, FieldsConvertValuesByKind) {
  regmaptest::expectFieldConversions(map, board, kTriggersRegisters, kBase);
}

TEST_F(TriggersMapTest, MapWideWalksVisitTheirRegistersInDeclarationOrder) {
  tStatus status;
  board.clearAccessLog();
  map.flushRegMap(false, status);
  EXPECT_TRUE(board.accessLog().empty()) << "a fresh map has nothing dirty";

  map.flushRegMap(true, status);
  const auto forced = board.accessLog();
  EXPECT_EQ(forced, regmaptest::flushWalk(kTriggersRegisters, kBase));
  std::map<uint32_t, int> byWidth;
  for (const Access& a : forced) ++byWidth[a.width];
  EXPECT_EQ(forced.size(), 99u);
  EXPECT_EQ(byWidth, (std::map<uint32_t, int>{{8, 75}, {16, 22}, {32, 2}}));
  // What the hardware now holds is the fresh map's reset values.
  EXPECT_EQ(block.latch(0xD8, 16), 0x0D10u);
  EXPECT_EQ(block.latch(0xDC, 32), 0x00006000u);
  EXPECT_EQ(block.latch(0x104, 16), 0xD6D8u);
  EXPECT_EQ(block.latch(0x106, 8), 0x08u);

  board.clearAccessLog();
  map.markDirtyRegMap();
  map.flushRegMap(false, status);
  EXPECT_EQ(board.accessLog(), forced);

  board.clearAccessLog();
  block.setReadSide(0xDC, 0x0003);
  block.setReadSide(0xE0, 0x0008);
  map.refreshRegMap(status);
  EXPECT_EQ(board.accessLog(), (std::vector<Access>{{kBase + 0xDC, 16, Direction::kRead, 0x0003},
                                                    {kBase + 0xE0, 16, Direction::kRead, 0x0008}}));
  EXPECT_EQ(status.getCode(), 0);
  uint64_t value = 0;
  map.get(0xC00000DC, value, status, 0);
  EXPECT_EQ(value, 0x3u);
  map.get(0x800000DC, value, status, 0);
  EXPECT_EQ(value, 0x6000u) << "the write side never sees the read side";
}

TEST_F(TriggersMapTest, WritesReachTheBlockAsTheirRegistersDefine) {
  struct Case {
    uint32_t id;
    uint64_t value;
    bool force;
    std::vector<Access> expected;
  };
  const Access none{};
  (void)none;
  const std::vector<Case> cases = {
      // The analog-trigger strobe goes out every time and never stays.
      {0x280000A0, 1, false, {{kBase + 0xA0, 16, Direction::kWrite, 0x0020}}},
      {0x280000A0, 1, false, {{kBase + 0xA0, 16, Direction::kWrite, 0x0020}}},
      // Only the low 32 bits of the PLL control value exist.
      {0x800000DC, 0x1234567890ull, false, {{kBase + 0xDC, 32, Direction::kWrite, 0x34567890}}},
      {0x38000088, 3, false, {{kBase + 0x88, 8, Direction::kWrite, 0x80}}},
      {0x00000088, 0x1F, false, {{kBase + 0x88, 8, Direction::kWrite, 0x8F}}},
      {0x000000F0, 0x3F, false, {{kBase + 0xF0, 8, Direction::kWrite, 0x1F}}},
      // Equal to the reset shadow: nothing to do unless forced.
      {0x800000D8, 0x0D10, false, {}},
      {0x800000D8, 0x0D10, true, {{kBase + 0xD8, 16, Direction::kWrite, 0x0D10}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(writeAndLog(c.id, c.value, c.force), c.expected) << std::hex << c.id;
  }
  uint64_t value = 1;
  tStatus status;
  map.get(0x280000A0, value, status, 0);
  EXPECT_EQ(value, 0u);
}

TEST_F(TriggersMapTest, ReadsAndRefreshesTakeOnlyTheReadSides) {
  block.setReadSide(0xE0, 0x0008);
  board.clearAccessLog();
  uint64_t value = 7;
  tStatus refused;
  map.read(0x800000A0, value, refused, 0);
  EXPECT_EQ(refused.getCode(), -52005);
  EXPECT_EQ(value, 0u);
  EXPECT_TRUE(board.accessLog().empty());

  tStatus status;
  map.read(0x700000E0, value, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(board.accessLog(), (std::vector<Access>{{kBase + 0xE0, 16, Direction::kRead, 0x0008}}));

  struct Refusal {
    uint32_t id;
    bool flush;  // else refresh
  };
  for (const Refusal& r : {Refusal{0x400000E0, true}, Refusal{0x800000E0, false}, Refusal{0x000000A6, false}}) {
    tStatus s;
    if (r.flush) {
      map.flush(r.id, true, s, 0);
    } else {
      map.refresh(r.id, s, 0);
    }
    EXPECT_EQ(s.getCode(), -52005) << std::hex << r.id;
  }

  // A field ID selects its whole register for flush, even one whose bare
  // offset is no ID.
  board.clearAccessLog();
  tStatus flushStatus;
  map.flush(0x000000A6, true, flushStatus, 0);
  EXPECT_EQ(flushStatus.getCode(), 0);
  EXPECT_EQ(board.accessLog(), (std::vector<Access>{{kBase + 0xA6, 16, Direction::kWrite, 0}}));
}

TEST_F(TriggersMapTest, OutputSelectArraysAreDrivenThroughTheirFieldWriters) {
  tStatus status;
  board.clearAccessLog();
  map.ExtendedPFI_OutputSelectRegister_t[5].writeExtendedPFI_i_Output_Select(
      static_cast<tarntools::nTriggers::ExtendedPFI_Output_Select_t>(0x1A), status, false);
  map.PFI_OutputSelectRegister_t[15].writePFI_i_EnableP0_Routing(
      static_cast<tarntools::nTriggers::Trig_PFI_EnableP0_Routing_t>(1), status, false);
  map.IntTriggerB_OutputSelectRegister_t[7].writeIntTriggerB_i_Output_Select(
      static_cast<tarntools::nTriggers::Trig_IntTriggerB_i_Output_Select_t>(0x3F), status, false);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(board.accessLog(), (std::vector<Access>{{kBase + 0x8D, 8, Direction::kWrite, 0x0A},
                                                    {kBase + 0xC9, 8, Direction::kWrite, 0x80},
                                                    {kBase + 0xF7, 8, Direction::kWrite, 0x1F}}));
  EXPECT_EQ(map.PFI_OutputSelectRegister_t[15].getRegisterOffset(), 0xC9u);
  uint64_t value = 0;
  map.get(0x8000008D, value, status, 0);
  EXPECT_EQ(value, 0x0Au);
}

TEST_F(TriggersMapTest, AnErrorOnEntryLeavesEverythingAlone) {
  tStatus failed;
  failed.setCode(-52007, "test", "here", 1);
  board.clearAccessLog();
  uint64_t value = 0x5A;
  map.write(0x800000A2, 0xFFFF, true, failed, 0);
  map.set(0x800000A4, 0xFFFF, failed, 0);
  map.read(0xC00000E0, value, failed, 0);
  map.get(0x800000D8, value, failed, 0);
  map.flushRegMap(true, failed);
  map.refreshRegMap(failed);
  EXPECT_EQ(value, 0x5Au);
  EXPECT_TRUE(board.accessLog().empty());
  EXPECT_EQ(failed.getCode(), -52007);
  tStatus fresh;
  map.get(0x800000A4, value, fresh, 0);
  EXPECT_EQ(value, 0u);
  EXPECT_FALSE(map.PFI_Direction_Register.isDirty());
}

}  // namespace
