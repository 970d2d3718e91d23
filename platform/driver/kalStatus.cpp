#include "platform/driver/kalStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

struct tCodePair {
  int64_t driver;
  int32_t kal;
};

// Driver code and kernel-layer code, both ways.
const tCodePair kPairs[] = {
    {0, 0},           {-52000, -51352}, {-52001, -51353}, {-52002, -51256}, {-52003, -51150},
    {-52005, -51009}, {-52006, -51101}, {-52007, -51550}, {-52008, -51202}, {-52010, -51104},
    {-52013, -51000}, {-52018, -51152}, {-52019, -51409}, {-52020, -51300}, {-52023, -51405},
    {-52024, -51401}, {-52031, -51106},
};

constexpr int32_t kUnknownDriverCode = -51001;
constexpr int64_t kUnknownKalCode = -52008;
// Only inbound: the layer's own time-out code.
constexpr int32_t kKalTimeout = -51400;

}  // namespace

int32_t toKalStatus(int64_t driverCode) {
  for (const tCodePair& pair : kPairs) {
    if (pair.driver == driverCode) return pair.kal;
  }
  return kUnknownDriverCode;
}

int64_t fromKalStatus(int32_t kalCode) {
  if (kalCode == kKalTimeout) return -52007;
  if (kalCode == -51550) return kUnknownKalCode;
  for (const tCodePair& pair : kPairs) {
    if (pair.kal == kalCode) return pair.driver;
  }
  return kUnknownKalCode;
}

void translateKalStatus(int32_t kalCode, nKIVAPALS100::tStatus& status, const char* file, uint64_t line) {
  status.setCode(fromKalStatus(kalCode), kivComponentName, file, line);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
