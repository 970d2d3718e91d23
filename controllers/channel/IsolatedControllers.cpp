#include "controllers/channel/IsolatedControllers.h"

namespace vorlan_driver {

namespace {

using nKIVAPAL000::kPlacement;

template <typename T>
void clearTable(T* (&table)[IsolatedControllers::kChannelCount]) {
  for (T*& entry : table) entry = nullptr;
}

template <typename T>
void fillTable(T* (&table)[IsolatedControllers::kChannelCount], ChannelArray<T>& controllers) {
  for (uint32_t i = 0; i < IsolatedControllers::kChannelCount; ++i) table[i] = &controllers[i];
}

}  // namespace

IsolatedControllers::IsolatedControllers(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, tChannelMap* const* channels,
                                         CpldInterfaceController::tCpldMap* const* cplds,
                                         vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso,
                                         MeasureOverflowQueryInterface& overflow, ErrorCheckerInterface& nisoErrors,
                                         HardwareErrorRegisterCheckers& checkers, SubroutineRegistrar& registrar,
                                         uint32_t pciSubsystemID, nKIVAPALS100::tStatus& status)
    : miscStrobes([&](void* where, uint32_t i) {
        miscStrobeTable[i] = new (where, kPlacement) MiscControlStrobe(*channels[i]);
      }),
      interruptGenerator(registrar, iso, channels, pciSubsystemID, status),
      errorResponses(interruptGenerator, pciSubsystemID),
      measureUnits([&](void* where, uint32_t i) {
        new (where, kPlacement) MeasureUnitController(static_cast<uint8_t>(i), *channels[i], *miscStrobeTable[i],
                                                      niso.NisoMeasureUnitConfigRegType[i], overflow,
                                                      checkers.channel(i), status);
      }),
      abstractedEvents([&](void* where, uint32_t i) { new (where, kPlacement) AbstractedEventController(*channels[i]); }),
      eventLatches(
          [&](void* where, uint32_t i) { new (where, kPlacement) EventsGeneratedLatchController(*channels[i]); }),
      sequenceEngines([&](void* where, uint32_t i) {
        new (where, kPlacement)
            SequenceEngineController(*channels[i], *miscStrobeTable[i], interruptGenerator, static_cast<uint8_t>(i), checkers.channel(i), status);
      }),
      isoChannels([&](void* where, uint32_t i) { new (where, kPlacement) IsoChannelController(*channels[i], *miscStrobeTable[i]); }),
      alarms([&](void* where, uint32_t i) {
        new (where, kPlacement) ChannelAlarmController(*channels[i], registrar, pciSubsystemID);
      }),
      cpldInterface(iso, cplds, kCpldCount),
      xadcLimits(iso),
      channelErrors(iso, nisoErrors, status),
      busEvents(iso, status),
      triggerOverride(iso, channels, miscStrobeTable, status),
      chargeBalanceOffsets(channels, iso, status),
      calibrationBus(iso.CalBusControlReg, status),
      sharedLoSense(iso, status),
      temperatureSensor(niso, iso, checkers.allChannels()),
      localRam(iso.SeqLocalCommandHighReg, iso.SeqLocalCommandLowReg, iso.SeqLocalRamWriteAddressReg,
               iso.SeqLocalRamReadAddressReg, kLocalRamWords, status),
      iso_(iso) {
  // A fresh map's shadow is 0 and clean, so an alarm response at address 0
  // would never reach the register: the first load must go out.
  iso.SeqMasterMacroAddress.markDirty();
  fillTable(measureUnitTable, measureUnits);
  fillTable(abstractedEventTable, abstractedEvents);
  fillTable(eventLatchTable, eventLatches);
  fillTable(sequenceEngineTable, sequenceEngines);
  fillTable(isoChannelTable, isoChannels);
  fillTable(alarmTable, alarms);
}

IsolatedControllers::~IsolatedControllers() {
  clearTable(sequenceEngineTable);
  clearTable(abstractedEventTable);
  clearTable(measureUnitTable);
}

void IsolatedControllers::reloadAlarmMacro(nKIVAPALS100::tStatus& status) {
  alarms[0].writeAlarmMacro(iso_, true, status);
}

}  // namespace vorlan_driver
