#include "simboard/SimBoard.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>

#include "simboard/FpgaLoadDataBlock.h"

namespace simboard {

SimBoard::SimBoard() : space_(Space::kBar0, kBar0Size, 2) {
  bar0_ = mmap(nullptr, kBar0Size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (bar0_ == MAP_FAILED) {
    std::perror("simboard: mmap of BAR 0");
    std::abort();
  }
  bridgeCore_ = &addBlock(0, std::make_unique<BridgeCoreBlock>());
  addBlock(FpgaLoadDataBlock::kOffset, std::make_unique<FpgaLoadDataBlock>(bridgeCore_->loader()));
  bridgeCore_->attachLoadPort(addBlock(BridgeCoreBlock::kLoadPortBlockOffset,
                                       std::make_unique<RegisterBlock>(BridgeCoreBlock::kLoadPortBlockSize)));
  kalsim::registerMmioRange(bar0_, kBar0Size, *this);
}

SimBoard::~SimBoard() {
  kalsim::unregisterMmioRange(bar0_);
  munmap(bar0_, kBar0Size);
}

std::vector<Access> SimBoard::accessLog() const {
  Guard guard(*this);
  return space_.log().in(Space::kBar0);
}

void SimBoard::clearAccessLog() {
  Guard guard(*this);
  space_.log().clear(Space::kBar0);
}

}  // namespace simboard
