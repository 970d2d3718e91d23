#include "device/IsolatedRegMaps.h"

#include "platform/cppRuntime/cppNewDelete.h"

namespace vorlan_driver {

namespace {

using nKIVAPAL000::kPlacement;
using nKIVAPALS100::tStatus;

constexpr uint32_t kWholeWindow = 0xFFFFFFFFu;

constexpr int32_t kNoIndex = -1;

// `prefix`, followed by the decimal `index` (below 100) unless it is kNoIndex.
void writeName(const char* prefix, int32_t index, char (&name)[64]) {
  uint32_t length = 0;
  while (prefix[length] != '\0' && length < sizeof(name) - 3) {
    name[length] = prefix[length];
    ++length;
  }
  if (index >= 10) name[length++] = static_cast<char>('0' + index / 10 % 10);
  if (index >= 0) name[length++] = static_cast<char>('0' + index % 10);
  name[length] = '\0';
}

}  // namespace

IsolatedRegMaps::ChannelPort::ChannelPort(vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso, uint32_t channel,
                                          kdut::HardwareStateCheckerInterface* checker,
                                          const voltarissharedsource::ChannelBaseAddressCalculatorInterface& calculator,
                                          tStatus& status)
    : window(niso.IsoRegAccessStatusRegType[channel], niso.IsoRegAccessAddrRegType[channel],
             niso.IsoRegAccessWriteDataRegType[channel], niso.IsoRegAccessReadDataRegType[channel], checker, status),
      channel(static_cast<voltarissharedsource::PhysicalChannelNumber>(channel), &window, calculator),
      map(this->channel, 0, 0, kWholeWindow, &status) {}

IsolatedRegMaps::CpldPort::CpldPort(uint8_t index, CpldAccessor& accessor, tStatus& status)
    : frontEnd(index, &accessor), map(frontEnd, 0, 0, kWholeWindow, &status) {}

IsolatedRegMaps::IsolatedRegMaps(vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso, armki::ARMDispatcher& dispatcher,
                                 HardwareErrorRegisterCheckers& checkers, tStatus& status)
    : dispatcher_(dispatcher),
      calculator_(),
      isoPort_(niso, &checkers.noChannel(), status),
      channels_([&](void* where, uint32_t ch) {
        new (where, kPlacement) ChannelPort(niso, ch, &checkers.channel(ch), calculator_, status);
      }),
      iso_(isoPort_, 0, 0, kWholeWindow, &status),
      channelMaps_(),
      cpldAccessor_(&iso_),
      cplds_([&](void* where, uint32_t k) { new (where, kPlacement) CpldPort(static_cast<uint8_t>(k), cpldAccessor_, status); }),
      cpldMaps_(),
      published_(0) {
  if (status.isFatal()) return;
  for (uint32_t ch = 0; ch < kChannelCount; ++ch) channelMaps_[ch] = &channels_[ch].map;
  for (uint32_t k = 0; k < kCpldCount; ++k) cpldMaps_[k] = &cplds_[k].map;
  for (uint32_t i = 0; i < kPublicationCount; ++i) {
    char name[64];
    armki::tRegisterMapInterface& map = publication(i, name);
    dispatcher_.add(name, map, status);
    if (status.isFatal()) return;
    published_ = i + 1;
  }
}

IsolatedRegMaps::~IsolatedRegMaps() {
  // The reverse of publication by group: the CPLDs, the channels, the FPGA.
  // Only this aggregate's own publications are withdrawn: a name it never
  // published may belong to someone else.
  const uint32_t withdrawalGroups[][2] = {
      {1 + kChannelCount, kPublicationCount}, {1, 1 + kChannelCount}, {0, 1}};
  for (const uint32_t(&group)[2] : withdrawalGroups) {
    for (uint32_t i = group[0]; i < group[1] && i < published_; ++i) {
      char name[64];
      publication(i, name);
      tStatus removal;
      dispatcher_.remove(name, removal);
    }
  }
  for (tChannelMap*& map : channelMaps_) map = nullptr;
  for (tCpldMap*& map : cpldMaps_) map = nullptr;
}

armki::tRegisterMapInterface& IsolatedRegMaps::publication(uint32_t i, char (&name)[64]) {
  if (i == 0) {
    writeName(tIsoFpgaMap::kName, kNoIndex, name);
    return iso_;
  }
  if (i <= kChannelCount) {
    writeName(tChannelMap::kName, static_cast<int32_t>(i - 1), name);
    return channels_[i - 1].map;
  }
  writeName(tCpldMap::kName, static_cast<int32_t>(i - 1 - kChannelCount), name);
  return cplds_[i - 1 - kChannelCount].map;
}

}  // namespace vorlan_driver
