// Plays the kernel layer's side of the driver: owns a driver record, calls
// the entry routine and then reaches the driver only through the callbacks
// the driver stored in that record, as the real layer does.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/driver/tDriverRecord.h"

namespace kalsim {

class tHostHarness {
 public:
  // The layer's record is larger than the part the driver fills.
  static constexpr size_t kRecordSize = 192;
  static constexpr uint8_t kLayerPattern = 0xA5;

  tHostHarness();
  ~tHostHarness();

  int32_t load();
  void unload();
  bool isLoaded() const { return loaded_; }

  const vorlan_driver::nKIVAPAL000::tDriverRecordView& record() const;
  const uint8_t* recordBytes() const { return record_.data(); }

 private:
  std::vector<uint8_t> record_;
  bool loaded_ = false;
};

}  // namespace kalsim
