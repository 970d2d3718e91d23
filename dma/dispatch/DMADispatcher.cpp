#include "dma/dispatch/DMADispatcher.h"

#include "platform/status/statusCodes.h"
#include "platform/synchronization/tAutoLock.h"
#include "platform/synchronization/tMutex.h"

namespace meridandma {

using vorlan_driver::statusCodes::kBufferTooSmall;
using vorlan_driver::statusCodes::kInvalidArgument;

bool DMADispatcher::checkChannel(uint32_t channel, nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return false;
  if (channel < channelCount_) return true;
  vorlanSetCode(status, kInvalidArgument);
  return false;
}

void DMADispatcher::startDMA(uint32_t channel, bool flag, kdut::CleanupOperationComposite& composite,
                             nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  composite.add(&channels_.getFifoController(channel)->getCleanupOperation(), status);
  tarntools::SGLController* buffers = channels_.getSGLController(channel);
  tarntools::TarnDMAStreamController* stream = channels_.getDMAStreamController(channel);
  {
    // The chains the start hands over are the ones just committed: no
    // other thread's clear or add comes between.
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(stream->getChannelLock());
    buffers->commit(status);
    stream->start(buffers->getLists(), flag, status);
  }
  composite.add(&stream->getCleanupOperation(), status);
  restartSequencerStream(channel, composite, status);
}

void DMADispatcher::stopSequencerStream(uint32_t channel, kdut::CleanupOperationComposite& composite,
                                        nKIVAPALS100::tStatus& status) {
  vorlan_driver::SequencerStreamController* sequencer = channels_.getSequencerStreamController(channel, status);
  if (sequencer == nullptr) return;
  sequencer->stop(status);
  composite.remove(&sequencer->getCleanupOperation(), status);
}

void DMADispatcher::stopDMA(uint32_t channel, kdut::CleanupOperationComposite& composite,
                            nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  stopSequencerStream(channel, composite, status);
  tarntools::TarnDMAStreamController* stream = channels_.getDMAStreamController(channel);
  stream->stop(status);
  composite.remove(&stream->getCleanupOperation(), status);
  vorlan_driver::StreamCircuitFifoController* fifo = channels_.getFifoController(channel);
  fifo->resetFifo(status);
  composite.remove(&fifo->getCleanupOperation(), status);
}

void DMADispatcher::addTransfer(const vorlan_driver::nKIVAPAL000::tEventDescriptor& descriptor, uint32_t channel,
                                uint32_t listKind, uint64_t userAddress, uint64_t byteCount, uint32_t direction,
                                uint32_t repeatCount, kdut::CleanupOperationComposite& composite,
                                nKIVAPALS100::tStatus& status) {
  // The caller's pages are pinned in the caller's own address space, which
  // the layer knows from the thread the request runs on.
  (void)descriptor;
  if (!checkChannel(channel, status)) return;
  if (byteCount == 0) {
    vorlanSetCode(status, kBufferTooSmall);
    return;
  }
  if (listKind > tarntools::SGLController::kContinuousList) {
    vorlanSetCode(status, kInvalidArgument);
    return;
  }
  tarntools::SGLController* buffers = channels_.getSGLController(channel);
  buffers->addBuffer(listKind, userAddress, byteCount, direction, repeatCount, status);
  // Whenever the channel holds buffers, this session's cleanup releases
  // them: also when this add failed part way and kept its buffer, whose
  // pages would otherwise stay pinned for the next session on the channel.
  if (!buffers->hasBuffers() || composite.contains(buffers)) return;
  nKIVAPALS100::tStatus registration;
  composite.add(buffers, registration);
  status.merge(registration);
}

void DMADispatcher::writeStreamAdditiveTransferCount(uint32_t channel, uint32_t count, nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  channels_.getDMAStreamController(channel)->addCredit(count, status);
}

uint64_t DMADispatcher::getTransferCount(uint32_t channel, nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return 0;
  const uint64_t count = channels_.getDMAStreamController(channel)->getTransferCount(status);
  return status.isNotFatal() ? count : 0;
}

void DMADispatcher::clearTransfers(uint32_t channel, kdut::CleanupOperationComposite& composite,
                                   nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  tarntools::SGLController* buffers = channels_.getSGLController(channel);
  buffers->cleanup(status);
  composite.remove(buffers, status);
}

void DMADispatcher::clearApplicationFIFO(uint32_t channel, kdut::CleanupOperationComposite& composite,
                                         nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  stopSequencerStream(channel, composite, status);
  channels_.getFifoController(channel)->resetFifo(status);
}

void DMADispatcher::restartSequencerStream(uint32_t channel, kdut::CleanupOperationComposite& composite,
                                           nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  vorlan_driver::SequencerStreamController* sequencer = channels_.getSequencerStreamController(channel, status);
  if (sequencer == nullptr) return;
  sequencer->start(status);
  composite.add(&sequencer->getCleanupOperation(), status);
}

}  // namespace meridandma
