// The installed package's table: subroutine ids and their start word
// addresses at the same index. A lookup returns the address of the first
// entry with the id. Empty until a package is registered; every operation
// runs under the registrar's mutex, so a download that replaces the table
// never races a reader.
#pragma once

#include <stdint.h>

#include "controllers/subroutine/SubroutineId.h"
#include "controllers/subroutine/SubroutinePackageInterface.h"
#include "platform/containers/tVector.h"
#include "platform/status/statusCodes.h"
#include "platform/synchronization/tMutex.h"

namespace vorlan_driver {

class SubroutineRegistrar {
 public:
  static constexpr int64_t kUnknownSubroutine = statusCodes::fromWord(0xBFFA4309u);

  explicit SubroutineRegistrar(nKIVAPALS100::tStatus& status) : mutex_(status) {}
  virtual ~SubroutineRegistrar() {}
  SubroutineRegistrar(const SubroutineRegistrar&) = delete;
  SubroutineRegistrar& operator=(const SubroutineRegistrar&) = delete;

  // Replaces the table with the package's.
  virtual void registerPackage(SubroutinePackageInterface& package, nKIVAPALS100::tStatus& status);
  // A consistent snapshot of both tables: the caller compares its length
  // with what it expects and copies from the snapshot, never from the live
  // table another thread may replace meanwhile.
  virtual void getSubroutines(nKIVAPAL000::tVector<harrowtools::SubroutineId>& ids,
                              nKIVAPAL000::tVector<uint32_t>& addresses, nKIVAPALS100::tStatus& status);
  // -52003 and 0 when the count does not fit 32 bits.
  virtual uint32_t getNumSubroutines(nKIVAPALS100::tStatus& status);
  // 0xBFFA4309 and 0 for an id not in the table.
  virtual uint32_t getSubroutineAddress(harrowtools::SubroutineId id, nKIVAPALS100::tStatus& status);

 private:
  nKIVAPAL000::tVector<harrowtools::SubroutineId> ids_;
  nKIVAPAL000::tVector<uint32_t> addresses_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
