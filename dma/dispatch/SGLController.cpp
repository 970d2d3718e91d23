#include "dma/dispatch/SGLController.h"

#include "dma/memory/pinUserBuffer.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/synchronization/tAutoLock.h"

namespace tarntools {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;

SGLController::SGLController(const vorlan_driver::nKIVAPAL000::tDMAConfiguration& configuration, uint32_t linkSize,
                             uint32_t direction, bool openEnded, TarnDMAStreamController& channel,
                             nKIVAPALS100::tStatus& status)
    : mutex_(status),
      configuration_(configuration),
      linkSize_(linkSize),
      direction_(direction),
      channel_(channel),
      lists_(openEnded),
      first_(nullptr),
      last_(nullptr) {
  initializeLists(status);
}

SGLController::~SGLController() {
  // The engine must not walk chains or buffers that are going away: a
  // stop whose wait saw the channel idle, and a channel reset when it
  // would not stop, waiting for the same sign. Should even the reset not
  // show it, nothing further would stop the engine, and the memory goes.
  if (channel_.isStarted()) {
    nKIVAPALS100::tStatus stopped;
    channel_.stop(stopped);
    if (channel_.isStarted()) {
      nKIVAPALS100::tStatus reset;
      channel_.resetAndWait(reset);
    }
  }
  releaseAll();
  lists_.finite().destroyAll();
  lists_.continuous().destroyAll();
}

void SGLController::initializeLists(nKIVAPALS100::tStatus& status) {
  lists_.finite().initialize(configuration_, linkSize_, status);
  lists_.continuous().initialize(configuration_, linkSize_, status);
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
  if (!mutex_.isCreated()) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
    return;
  }
  tAutoLock<tMutex> lock(mutex_);
  tBuffer* buffer = kivNew(status) tBuffer(configuration_);
  if (buffer == nullptr) return;
  vorlan_driver::nKIVAPAL000::pinUserBuffer(userAddress, byteCount, buffer->pages, status);
  buffer->map.map(buffer->pages, 0, byteCount, direction == kFromDevice ? 1 : 0, status);
  if (status.isFatal()) {
    // Nothing of it reached a chain: drop it now rather than keep a record
    // of pages that were never pinned or mapped.
    release(buffer);
    return;
  }
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

void SGLController::release(tBuffer* buffer) {
  buffer->map.unmap();
  vorlan_driver::nKIVAPAL000::destroyPageList(buffer->pages);
  delete buffer;
}

void SGLController::releaseAll() {
  while (first_ != nullptr) {
    tBuffer* buffer = first_;
    first_ = buffer->next;
    release(buffer);
  }
  last_ = nullptr;
}

void SGLController::cleanup(nKIVAPALS100::tStatus& status) {
  if (channel_.isStarted()) {
    // A stop that failed leaves the engine possibly running over these
    // buffers; the teardown resets the channel and releases them then.
    vorlanSetCode(status, kChannelStarted);
    return;
  }
  lists_.finite().clear();
  lists_.continuous().clear();
  initializeLists(status);
  releaseAll();
}

}  // namespace tarntools
