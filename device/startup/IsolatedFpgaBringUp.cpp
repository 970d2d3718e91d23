#include "device/startup/IsolatedFpgaBringUp.h"

namespace vorlan_driver {

namespace {
using tIsoCommStatusReg = vorlan_regmaps::tTheQuillNisoFpgaRegMap::tIsoCommStatusReg;
}  // namespace

void IsolatedFpgaBringUp::enterLinkMode(uint8_t mode, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  isoComm_->getConfigReg().writeIsoCommMode(mode, status);
  linkPoller(isoComm_->getLinkModeTimeoutCode())
      .poll(isoComm_->getStatusReg(), &tIsoCommStatusReg::readRegister, mode, tIsoCommStatusReg::kIsoCommStatusMask,
            kLinkTimeoutMicroseconds, true, tLinkPoller::kMaskedValueEquals, status);
}

void IsolatedFpgaBringUp::startDcBus(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  isoComm_->getConfigReg().writeDcBusStartupStb(true, status);
  linkPoller(isoComm_->getDcBusStartupTimeoutCode())
      .poll(isoComm_->getStatusReg(), &tIsoCommStatusReg::readNisoDcBusStartupComplete, 1u, 1u,
            kLinkTimeoutMicroseconds, true, tLinkPoller::kMaskedValueEquals, status);
}

}  // namespace vorlan_driver
