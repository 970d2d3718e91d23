// What every instrument request shares once its gate has passed: the
// calling session, the objects the hardware owner has built, and the frame's
// channel and reservation steps. Each step does nothing once the status
// holds an error, so the first failure ends the request.
#pragma once

#include <stdint.h>

#include "device/KernelSession.h"
#include "device/RequestFacade.h"
#include "device/startup/SequencerPreparation.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "requests/InstrumentObjects.h"

namespace vorlan_driver {
namespace requests {

class InstrumentRequest {
 public:
  static constexpr int64_t kValueOutOfRange = statusCodes::fromWord(0xBFFA4300u);
  // Given in place of a channel after a failed step.
  static constexpr uint32_t kNoChannel = 0xFFFFFFFFu;

  // The session may be null (it then holds no channel); nothing is owned.
  InstrumentRequest(const nKIVAPAL000::tEventDescriptor& descriptor, meridansharedsource::KernelSession* session,
                    const InstrumentObjects& objects)
      : descriptor_(descriptor), session_(session), objects_(objects) {}
  InstrumentRequest(const InstrumentRequest&) = delete;
  InstrumentRequest& operator=(const InstrumentRequest&) = delete;

 protected:
  // Steps R E H: a mask of channels, every one held by the session.
  bool checkHeld(uint64_t mask, nKIVAPALS100::tStatus& status);
  // Steps R E H 1: the one channel of a mask, held by the session.
  uint32_t heldChannel(uint64_t mask, nKIVAPALS100::tStatus& status);
  // Steps I R E H: a channel by its index.
  uint32_t heldChannelAt(uint32_t index, nKIVAPALS100::tStatus& status);
  // Step H alone (A with the all-channels mask).
  bool checkReserved(uint64_t mask, nKIVAPALS100::tStatus& status);

  // The object, or null with "not supported" where start-up has not built it.
  template <typename T>
  static T* built(T* object, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return nullptr;
    if (object == nullptr) vorlanSetCode(status, statusCodes::kNotSupported);
    return object;
  }
  IsolatedControllers* isolated(nKIVAPALS100::tStatus& status) const { return built(objects_.isolated, status); }
  // The owner's operations over the controllers.
  RequestFacade facade() const { return RequestFacade(objects_.isolated, objects_.coolingMode, objects_.wisp); }
  // Runs `operation` on the sequencer's operations over the isolated side,
  // once every object they need is built.
  template <typename Operation>
  void withSequencer(nKIVAPALS100::tStatus& status, Operation operation) const {
    if (status.isFatal()) return;
    if (objects_.isolated == nullptr || objects_.isoFpga == nullptr || objects_.channelMaps == nullptr ||
        objects_.registrar == nullptr) {
      vorlanSetCode(status, statusCodes::kNotSupported);
      return;
    }
    SequencerPreparation sequencer(*objects_.isolated, *objects_.isoFpga, objects_.channelMaps, *objects_.registrar,
                                   objects_.pciSubsystemId);
    operation(sequencer);
  }
  // The session's cleanup operations; null after a failure.
  kdut::CleanupOperationComposite* composite(nKIVAPALS100::tStatus& status);

  // Copies `length` bytes between user memory and the kernel.
  void copyFromUser(uint64_t pointer, void* destination, uint64_t length, nKIVAPALS100::tStatus& status) const;
  void copyToUser(uint64_t pointer, const void* source, uint64_t length, nKIVAPALS100::tStatus& status) const;

  const nKIVAPAL000::tEventDescriptor& descriptor_;
  meridansharedsource::KernelSession* session_;
  const InstrumentObjects& objects_;
};

}  // namespace requests
}  // namespace vorlan_driver
