// One channel's sequence engine: runs the command words queued in the
// channel's command FIFO. A session that starts an engine registers it as a
// cleanup, so an engine left running by a closing session is reset.
#pragma once

#include <stdint.h>

#include "controllers/channel/ChannelPollers.h"
#include "controllers/channel/MiscControlStrobe.h"
#include "controllers/sequencer/IsoInterruptGeneratorController.h"
#include "framework/kdut/CheckHardwareStateTimeoutHandler.h"
#include "framework/kdut/CleanupOperationInterface.h"
#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

class SequenceEngineController : public kdut::CleanupOperationInterface {
 public:
  static constexpr int64_t kEngineRunning = statusCodes::fromWord(0xBFFA4315u);
  static constexpr int64_t kEngineTimeout = statusCodes::fromWord(0xBFFA4317u);
  static constexpr int64_t kAbstractedEventBusy = statusCodes::fromWord(0xBFFA431Cu);
  static constexpr int64_t kTooManyCommands = statusCodes::fromWord(0xBFFA4326u);
  static constexpr uint32_t kMaximumCommands = 512;
  static constexpr uint64_t kFifoFillTimeoutMicroseconds = 10000;
  static constexpr uint64_t kResetTimeoutMicroseconds = 500;
  static constexpr uint32_t kResetBusyMask = 1u << 19;

  // The map, the strobe, the generator and the checker are not owned and
  // must outlive the controller.
  SequenceEngineController(vorlan_regmaps::tTheQuillIsoChannelRegMap& channelMap, MiscControlStrobe& misc,
                           IsoInterruptGeneratorController& generator, uint8_t channel,
                           kdut::HardwareStateCheckerInterface& checker, nKIVAPALS100::tStatus& status);
  ~SequenceEngineController() override {}
  SequenceEngineController(const SequenceEngineController&) = delete;
  SequenceEngineController& operator=(const SequenceEngineController&) = delete;

  void cleanup(nKIVAPALS100::tStatus& status) override { reset(status); }
  // Waits until the FIFO holds at least commandCount words, then strobes
  // the start. Refused while the engine runs, and above 512 words.
  virtual void start(uint32_t commandCount, nKIVAPALS100::tStatus& status);
  // Runs the engine's reset subroutine and waits for its busy bit to clear.
  virtual void reset(nKIVAPALS100::tStatus& status);
  virtual bool isRunning(nKIVAPALS100::tStatus& status);
  // Selects the abstracted event the engine acts on (low five bits); the
  // answer is the channel's event-busy bit as read after the selection.
  virtual bool selectAbstractedEvent(uint32_t event, nKIVAPALS100::tStatus& status);

  kdut::CleanupOperationInterface* getCleanupOperation() { return this; }
  uint8_t getChannel() const { return channel_; }

 private:
  vorlan_regmaps::tTheQuillIsoChannelRegMap& map_;
  MiscControlStrobe& misc_;
  IsoInterruptGeneratorController& generator_;
  uint8_t channel_;
  kdut::CheckHardwareStateTimeoutHandler handler_;
  tChannelPoller poller_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
