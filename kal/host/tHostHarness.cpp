#include "kal/host/tHostHarness.h"

#include <cstring>

namespace kalsim {

tHostHarness::tHostHarness() : record_(kRecordSize, kLayerPattern) {}

tHostHarness::~tHostHarness() {
  if (loaded_) unload();
}

int32_t tHostHarness::load() {
  const int32_t result = nKIVAPAL200_driverEntry(record_.data());
  loaded_ = result >= 0;
  return result;
}

void tHostHarness::unload() {
  if (!loaded_) return;
  record().unload(this);
  loaded_ = false;
}

const vorlan_driver::nKIVAPAL000::tDriverRecordView& tHostHarness::record() const {
  return *reinterpret_cast<const vorlan_driver::nKIVAPAL000::tDriverRecordView*>(record_.data());
}

}  // namespace kalsim
