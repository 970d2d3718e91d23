#include "storage/StorageMaps/QuillStorageMaps.h"

namespace vorlan_storagemaps {

using nKIVAPALS100::tStatus;

namespace {

// Layout order: registration goes forward, withdrawal backward.
constexpr const char* kMapNames[QuillStorageMaps::kMapCount] = {"Posc",
                                                                "ManufacturingICT",
                                                                "Manufacturing",
                                                                "Header",
                                                                "DefaultCalibration",
                                                                "FactoryCalibration",
                                                                "ExternalCalibration",
                                                                "SelfCalibration"};

// Each record starts where the previous one ends.
static_assert(QuillStorageMaps::kPoscOffset + poscLayout::kRecordSize == QuillStorageMaps::kManufacturingICTOffset &&
                  QuillStorageMaps::kManufacturingICTOffset + manufacturingICTLayout::kRecordSize ==
                      QuillStorageMaps::kManufacturingOffset &&
                  QuillStorageMaps::kManufacturingOffset + manufacturingLayout::kRecordSize ==
                      QuillStorageMaps::kHeaderOffset &&
                  QuillStorageMaps::kHeaderOffset + voltariscalibrationtools::headerLayout::kRecordSize ==
                      QuillStorageMaps::kDefaultCalibrationOffset &&
                  QuillStorageMaps::kDefaultCalibrationOffset + calibrationLayout::kRecordSize ==
                      QuillStorageMaps::kFactoryCalibrationOffset &&
                  QuillStorageMaps::kFactoryCalibrationOffset + calibrationLayout::kRecordSize ==
                      QuillStorageMaps::kExternalCalibrationOffset &&
                  QuillStorageMaps::kExternalCalibrationOffset + calibrationLayout::kRecordSize ==
                      QuillStorageMaps::kSelfCalibrationOffset,
              "the records are contiguous");

}  // namespace

QuillStorageMaps::QuillStorageMaps(devicewindow::DeviceWindow& window, storagemap::StorageMapDispatcher& dispatcher,
                                   tStatus& status)
    : dispatcher_(&dispatcher),
      posc_(kPoscOffset, window),
      manufacturingICT_(kManufacturingICTOffset, window),
      manufacturing_(kManufacturingOffset, window),
      header_(kHeaderOffset, window),
      defaultCalibration_(kDefaultCalibrationOffset, window),
      factoryCalibration_(kFactoryCalibrationOffset, window),
      externalCalibration_(kExternalCalibrationOffset, window),
      selfCalibration_(kSelfCalibrationOffset, window),
      published_(0) {
  for (uint32_t k = 0; k < kMapCount && status.isNotFatal(); ++k) {
    dispatcher_->add(kMapNames[k], *getMap(k), status);
    if (status.isNotFatal()) ++published_;
  }
}

QuillStorageMaps::~QuillStorageMaps() {
  // Only our own names: a name whose registration failed may be another
  // owner's. Each removal has its own status so that one cannot stop the
  // others; nothing is reported.
  while (published_ > 0) {
    --published_;
    tStatus removal;
    dispatcher_->remove(kMapNames[published_], removal);
  }
}

storagemap::StorageMapInterface* QuillStorageMaps::getMap(uint32_t k) {
  switch (k) {
    case 0:
      return &posc_;
    case 1:
      return &manufacturingICT_;
    case 2:
      return &manufacturing_;
    case 3:
      return &header_;
    case 4:
      return &defaultCalibration_;
    case 5:
      return &factoryCalibration_;
    case 6:
      return &externalCalibration_;
    case 7:
      return &selfCalibration_;
    default:
      return nullptr;
  }
}

}  // namespace vorlan_storagemaps
