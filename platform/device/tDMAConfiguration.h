// How the device addresses DMA memory, recorded by configureDMA.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tPCIDescription;

class tDMAConfiguration {
 public:
  enum tDMAType : uint32_t {
    kDMATypeNone = 0,
    kDMAType32Bit = 1,
    kDMAType64Bit = 2,
  };

  tDMAConfiguration() : type_(kDMATypeNone), description_(nullptr) {}

  tDMAType getType() const { return type_; }
  const tPCIDescription* getDescription() const { return description_; }
  void record(tDMAType type, const tPCIDescription* description) {
    type_ = type;
    description_ = description;
  }

 private:
  tDMAType type_;
  const tPCIDescription* description_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
