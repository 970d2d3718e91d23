#include "dma/dispatch/SGLController.h"

#include "dma/memory/pinUserBuffer.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/debug/kivsdbg.h"
#include "platform/synchronization/tAutoLock.h"

namespace tarntools {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
using vorlan_driver::nKIVAPAL000::tTarnSGL;

SGLController::SGLController(const vorlan_driver::nKIVAPAL000::tDMAConfiguration& configuration, uint32_t linkSize,
                             uint32_t direction, bool openEnded, TarnDMAStreamController& channel,
                             nKIVAPALS100::tStatus& status)
    : configuration_(configuration),
      linkSize_(linkSize),
      direction_(direction),
      channel_(channel),
      lists_(openEnded),
      first_(nullptr),
      last_(nullptr),
      addressEntries_(0) {
  initializeLists(status);
}

SGLController::~SGLController() {
  tAutoLock<tMutex> lock(channel_.getChannelLock());
  // The engine must not walk chains or buffers that are going away: a
  // stop whose wait saw the channel idle, and a channel reset when it
  // would not stop, waiting for the same sign (a reset does not end the
  // fetches already in flight either).
  if (channel_.isStarted()) {
    nKIVAPALS100::tStatus stopped;
    channel_.stop(stopped);
  }
  if (channel_.isStarted()) {
    nKIVAPALS100::tStatus reset;
    channel_.resetAndWait(reset);
  }
  if (channel_.isStarted()) {
    // Nothing is left that would stop it: what it may reach stays as it is.
    keepForTheEngine();
    return;
  }
  releaseAll();
  lists_.finite().destroyAll();
  lists_.continuous().destroyAll();
}

SGLController::tBuffer::~tBuffer() {
  map.unmap();
  vorlan_driver::nKIVAPAL000::destroyPageList(pages);
}

void SGLController::keepForTheEngine() {
  uint64_t bytes = 0;
  tTarnSGL::tLinkMemory* const taken[] = {lists_.finite().takeLinkMemory(), lists_.continuous().takeLinkMemory()};
  for (tTarnSGL::tLinkMemory* block : taken) {
    while (block != nullptr) {
      tTarnSGL::tLinkMemory* older = block->getNext();
      bytes += block->getKeptBytes();
      configuration_.keep(block);
      block = older;
    }
  }
  while (first_ != nullptr) {
    tBuffer* buffer = first_;
    first_ = buffer->next;
    bytes += buffer->getKeptBytes();
    configuration_.keep(buffer);
  }
  last_ = nullptr;
  const kivsdbg_Location location = {__FILE__, __LINE__, "\n"};
  kivsdbg_printLine(&location,
                    "DMA channel %u never showed it stopped: %llu bytes of its links and buffers are kept, as they "
                    "are, until the device goes",
                    channel_.getChannel(), static_cast<unsigned long long>(bytes));
}

void SGLController::initializeLists(nKIVAPALS100::tStatus& status) {
  lists_.finite().initialize(configuration_, linkSize_, status);
  lists_.continuous().initialize(configuration_, linkSize_, status);
}

bool SGLController::mayChangeLists(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  if (channel_.getChannelLock() == nullptr) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
    return false;
  }
  if (!channel_.isStarted()) return true;
  // A stop that failed leaves the engine possibly running over the chains
  // and buffers; the teardown resets the channel and releases them then.
  vorlanSetCode(status, kChannelStarted);
  return false;
}

void SGLController::addBuffer(uint32_t listKind, uint64_t userAddress, uint64_t byteCount, uint32_t direction,
                              uint32_t repeatCount, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (repeatCount == 0) {
    vorlanSetCode(status, kRepeatCountZero);
    return;
  }
  if (direction != direction_) {
    vorlanSetCode(status, kWrongDirection);
    return;
  }
  tAutoLock<tMutex> lock(channel_.getChannelLock());
  if (!mayChangeLists(status)) return;
  tBuffer* buffer = kivNew(status) tBuffer(configuration_);
  if (buffer == nullptr) return;
  vorlan_driver::nKIVAPAL000::pinUserBuffer(userAddress, byteCount, buffer->pages, status);
  buffer->map.map(buffer->pages, 0, byteCount, direction == kFromDevice ? 1 : 0, status);
  if (status.isFatal()) {
    // Nothing of it reached a chain: drop it now rather than keep a record
    // of pages that were never pinned or mapped.
    delete buffer;
    return;
  }
  const uint64_t entries = uint64_t{repeatCount} * buffer->map.numSGLSegments();
  if (entries > kMostAddressEntries - addressEntries_) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
    delete buffer;
    return;
  }
  // Counted whole even should an append fail part way: its buffer is kept
  // until the clear that takes the count back.
  addressEntries_ += entries;
  vorlan_driver::nKIVAPAL000::tTarnSGL& list =
      listKind == kContinuousList ? static_cast<vorlan_driver::nKIVAPAL000::tTarnSGL&>(lists_.continuous())
                                  : static_cast<vorlan_driver::nKIVAPAL000::tTarnSGL&>(lists_.finite());
  for (uint32_t i = 0; i < repeatCount && status.isNotFatal(); ++i) {
    buffer->map.resetSGLIterator();
    list.addSGL(buffer->map, status);
  }
  // Kept even when an append failed part way: the chain may already hold
  // some of its segments.
  if (last_ != nullptr) {
    last_->next = buffer;
  } else {
    first_ = buffer;
  }
  last_ = buffer;
}

bool SGLController::hasBuffers() {
  tAutoLock<tMutex> lock(channel_.getChannelLock());
  return first_ != nullptr;
}

void SGLController::releaseAll() {
  tAutoLock<tMutex> lock(channel_.getChannelLock());
  while (first_ != nullptr) {
    tBuffer* buffer = first_;
    first_ = buffer->next;
    delete buffer;
  }
  last_ = nullptr;
}

void SGLController::commit(nKIVAPALS100::tStatus& status) {
  tAutoLock<tMutex> lock(channel_.getChannelLock());
  if (mayChangeLists(status)) lists_.commit(status);
}

void SGLController::cleanup(nKIVAPALS100::tStatus& status) {
  tAutoLock<tMutex> lock(channel_.getChannelLock());
  if (!mayChangeLists(status)) return;
  lists_.finite().clear();
  lists_.continuous().clear();
  addressEntries_ = 0;
  initializeLists(status);
  releaseAll();
}

}  // namespace tarntools
