// The controllers behind the isolation barrier, owned by value and built in
// a fixed order: each channel's miscellaneous-control strobe (shared by the
// channel's controllers), the interrupt generator and error responses, the six
// per-channel controllers (24 each), the board-wide ones (analog-monitor
// limits, channel errors, bus events, trigger override, charge balance,
// calibration bus, LO sense, temperature), and the local-RAM controller last. Every constructor gets the same status; after a failure
// the later ones still run, but make no mutex. Six per-channel tables,
// filled last, lead the owner and the requests to channel i's controller.
// Destruction clears the tables, then runs in reverse.
#pragma once

#include <stdint.h>

#include "controllers/ChannelErrorController.h"
#include "controllers/CpldInterfaceController.h"
#include "controllers/ErrorCheckerInterface.h"
#include "controllers/HardwareErrorRegisterCheckers.h"
#include "controllers/TemperatureSensorController.h"
#include "controllers/XAdcLimitsController.h"
#include "controllers/channel/AbstractedEventController.h"
#include "controllers/channel/BusEventController.h"
#include "controllers/channel/CalibrationBusController.h"
#include "controllers/channel/ChannelAlarmController.h"
#include "controllers/channel/ChannelArray.h"
#include "controllers/channel/ChargeBalanceOffsetController.h"
#include "controllers/channel/EventsGeneratedLatchController.h"
#include "controllers/channel/IsoChannelController.h"
#include "controllers/channel/MeasureOverflowQueryInterface.h"
#include "controllers/channel/MeasureTriggerOverrideController.h"
#include "controllers/channel/MeasureUnitController.h"
#include "controllers/channel/MiscControlStrobe.h"
#include "controllers/channel/SequenceEngineController.h"
#include "controllers/channel/SharedLoSenseController.h"
#include "controllers/localRAMController/LocalRAMController.h"
#include "controllers/sequencer/ErrorResponseSubroutineController.h"
#include "controllers/sequencer/IsoInterruptGeneratorController.h"
#include "controllers/subroutine/SubroutineRegistrar.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class IsolatedControllers {
 public:
  static constexpr uint32_t kChannelCount = 24;
  static constexpr uint32_t kCpldCount = 4;
  static constexpr uint64_t kLocalRamWords = 0x10000;
  using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;
  using tLocalRAMController = harrowtools::LocalRAMController<vorlan_regmaps::tTheQuillIsoFpgaRegMap>;

  // Nothing is owned: the maps, the 24 channel and 4 CPLD maps, the
  // non-isolated side's overflow query and error controller, the checkers
  // and the registrar must outlive the aggregate.
  IsolatedControllers(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, tChannelMap* const* channels,
                      CpldInterfaceController::tCpldMap* const* cplds,
                      vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso, MeasureOverflowQueryInterface& overflow,
                      ErrorCheckerInterface& nisoErrors, HardwareErrorRegisterCheckers& checkers,
                      SubroutineRegistrar& registrar, uint32_t pciSubsystemID, nKIVAPALS100::tStatus& status);
  virtual ~IsolatedControllers();
  IsolatedControllers(const IsolatedControllers&) = delete;
  IsolatedControllers& operator=(const IsolatedControllers&) = delete;

  // Filled as the strobes are built: the override controller needs them.
  MiscControlStrobe* miscStrobeTable[kChannelCount];
  ChannelArray<MiscControlStrobe> miscStrobes;
  IsoInterruptGeneratorController interruptGenerator;
  ErrorResponseSubroutineController errorResponses;
  ChannelArray<MeasureUnitController> measureUnits;
  ChannelArray<AbstractedEventController> abstractedEvents;
  ChannelArray<EventsGeneratedLatchController> eventLatches;
  ChannelArray<SequenceEngineController> sequenceEngines;
  ChannelArray<IsoChannelController> isoChannels;
  ChannelArray<ChannelAlarmController> alarms;
  CpldInterfaceController cpldInterface;
  XAdcLimitsController xadcLimits;
  ChannelErrorController channelErrors;
  BusEventController busEvents;
  MeasureTriggerOverrideController triggerOverride;
  ChargeBalanceOffsetController chargeBalanceOffsets;
  CalibrationBusController calibrationBus;
  SharedLoSenseController sharedLoSense;
  TemperatureSensorController temperatureSensor;
  tLocalRAMController localRam;

  MeasureUnitController* measureUnitTable[kChannelCount];
  AbstractedEventController* abstractedEventTable[kChannelCount];
  EventsGeneratedLatchController* eventLatchTable[kChannelCount];
  SequenceEngineController* sequenceEngineTable[kChannelCount];
  IsoChannelController* isoChannelTable[kChannelCount];
  ChannelAlarmController* alarmTable[kChannelCount];

  // Loads the variant's alarm response address into the board-wide macro
  // register, written even when it seems unchanged: after a new package is
  // installed the response may have moved. 0xBFFA4309 with nothing written
  // when the package lacks the response.
  void reloadAlarmMacro(nKIVAPALS100::tStatus& status);

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
};

}  // namespace vorlan_driver
