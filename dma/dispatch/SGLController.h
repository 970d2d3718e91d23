// The buffer owner of one DMA channel: pins and maps the caller's buffers,
// appends their segments to the channel's finite or continuous chain, and
// releases them when the session clears its transfers or goes away.
//
// Every operation runs under the channel's one lock, its stream
// controller's (see TarnDMAStreamController.h), so two threads of a session
// never meet inside a chain, and looks there whether the channel is
// started: a chain the engine may be walking is neither added to,
// committed again, emptied nor freed.
//
// A buffer whose pages could not be pinned or mapped is dropped at once, so
// the list holds only buffers that are really pinned and mapped. The
// buffers are never released while the channel's engine may still read or
// write them: cleanup refuses while the channel is started (a stop clears
// that only once the engine showed it is idle), and the destructor stops
// the channel, waiting for the same sign (after a reset when it would not
// stop), before it releases anything. Should neither show it, the link
// memory and the buffers go to the device's DMA configuration, untouched,
// until the device goes.
#pragma once

#include <stdint.h>

#include "dma/memory/tStandardDMAMap.h"
#include "dma/sgl/FiniteAndContinuousSGL.h"
#include "dma/stream/TarnDMAStreamController.h"
#include "framework/kdut/CleanupOperationInterface.h"
#include "platform/device/tDMAConfiguration.h"
#include "platform/device/tKeptDMAMemory.h"
#include "platform/memory/tPageList.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace tarntools {

class SGLController : public kdut::CleanupOperationInterface {
 public:
  static constexpr uint32_t kToDevice = 0;
  static constexpr uint32_t kFromDevice = 1;
  static constexpr uint32_t kFiniteList = 0;
  static constexpr uint32_t kContinuousList = 1;
  static constexpr int64_t kRepeatCountZero = vorlan_driver::statusCodes::fromWord(0xBFFA806Cu);
  static constexpr int64_t kWrongDirection = vorlan_driver::statusCodes::fromWord(0xBFFA806Fu);
  static constexpr int64_t kChannelStarted = vorlan_driver::statusCodes::fromWord(0xBFFA806Eu);
  // The most address entries the channel's two chains hold together, a
  // buffer added with a repeat count counting its segments that many times.
  // A repeat count costs the caller nothing, and neither does adding the
  // same buffer again, yet every entry is link memory in the kernel: the
  // bound is on the sum since the last clear, not on one add, which alone
  // would have let a run of adds take the kernel's memory. 2^20 entries
  // (16 MiB of links) repeat a page-sized block into 4 GiB of transfers,
  // past the engine's data rate for any stream a session would lay out
  // ahead.
  static constexpr uint64_t kMostAddressEntries = uint64_t{1} << 20;

  // `channel` is the engine the buffers are handed to; it must outlive this.
  SGLController(const vorlan_driver::nKIVAPAL000::tDMAConfiguration& configuration, uint32_t linkSize,
                uint32_t direction, bool openEnded, TarnDMAStreamController& channel, nKIVAPALS100::tStatus& status);
  ~SGLController() override;
  SGLController(const SGLController&) = delete;
  SGLController& operator=(const SGLController&) = delete;

  // Empties both chains back to one empty link each and releases every
  // buffer; refused while the channel is started.
  void cleanup(nKIVAPALS100::tStatus& status) override;
  // Refused while the channel is started, and (-52005) when the chains
  // would hold more than kMostAddressEntries; a refused add keeps nothing.
  virtual void addBuffer(uint32_t listKind, uint64_t userAddress, uint64_t byteCount, uint32_t direction,
                         uint32_t repeatCount, nKIVAPALS100::tStatus& status);
  virtual void releaseAll();
  // Writes the chains' headers for the engine; refused while the channel is
  // started. The start that hands them over holds the channel's lock across
  // both, so nothing comes between.
  void commit(nKIVAPALS100::tStatus& status);

  FiniteAndContinuousSGL& getLists() { return lists_; }
  bool hasBuffers();
  uint32_t getDirection() const { return direction_; }

 private:
  // Unmapped and unpinned when it goes.
  struct tBuffer : vorlan_driver::nKIVAPAL000::tKeptDMAMemory {
    explicit tBuffer(const vorlan_driver::nKIVAPAL000::tDMAConfiguration& configuration) : next(nullptr), map(configuration) {
      pages.clear();
    }
    ~tBuffer() override;
    uint64_t getKeptBytes() const override { return pages.size; }
    tBuffer* next;
    vorlan_driver::nKIVAPAL000::tPageList pages;
    vorlan_driver::nKIVAPAL000::tStandardDMAMap map;
  };

  void initializeLists(nKIVAPALS100::tStatus& status);
  // False, with the code, when the channel's lock could not be made or the
  // channel is started; the caller holds the lock.
  bool mayChangeLists(nKIVAPALS100::tStatus& status);
  // Hands the link memory and the buffers, as they are, to the device's DMA
  // configuration; the lists are left without links.
  void keepForTheEngine();

  const vorlan_driver::nKIVAPAL000::tDMAConfiguration& configuration_;
  uint32_t linkSize_;
  uint32_t direction_;
  TarnDMAStreamController& channel_;
  FiniteAndContinuousSGL lists_;
  // In the order added.
  tBuffer* first_;
  tBuffer* last_;
  // What the adds since the last clear appended to either chain, at most
  // kMostAddressEntries.
  uint64_t addressEntries_;
};

}  // namespace tarntools
