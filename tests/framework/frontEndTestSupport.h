// The front-end accessor tests' names for the shared board fixture
// (tests/support/nisoFpgaBoard.h): the FPGA block with its access windows
// and power-monitor relay, the isolated side powered and the map built.
#pragma once

#include "simboard/NisoFpgaLinkBlock.h"
#include "tests/support/nisoFpgaBoard.h"

namespace frontendtest {

using boardtest::BlockAccess;
using boardtest::FakeChecker;
using boardtest::FrontEndBoard;
using nKIVAPALS100::tStatus;
using simboard::NisoFpgaLinkBlock;
using vorlan_regmaps::tTheQuillNisoFpgaRegMap;

inline BlockAccess W(uint64_t offset, uint64_t value) { return boardtest::W32(offset, value); }
inline BlockAccess R(uint64_t offset, uint64_t value) { return boardtest::R32(offset, value); }

}  // namespace frontendtest
