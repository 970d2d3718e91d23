// Status codes of the DMA channel and stream controllers.
#pragma once

#include "platform/status/statusCodes.h"

namespace tarntools {
namespace dmaStreamCodes {

constexpr int64_t kStreamCircuitAlreadyStarted = vorlan_driver::statusCodes::fromWord(0xBFFA806Du);
constexpr int64_t kChannelAlreadyStarted = vorlan_driver::statusCodes::fromWord(0xBFFA806Eu);
constexpr int64_t kChannelNotReady = vorlan_driver::statusCodes::fromWord(0xBFFA8079u);
constexpr int64_t kStopTimedOut = vorlan_driver::statusCodes::fromWord(0xBFFA807Cu);

}  // namespace dmaStreamCodes
}  // namespace tarntools
