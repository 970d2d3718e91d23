// What a map that places child maps inside its own space needs of them:
// the window each child gets, the room for the names they are published
// under and the publishing itself. The generated map classes hold the
// children themselves.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/model/tRegisterMap.h"

namespace arm {

class tMapFamily {
 public:
  // Room for a child's registration name: the parent's name, "_" and the
  // child's own name, with the terminator.
  static constexpr uint64_t kNameSize = 256;

  // Writes the name child `familyIndex` is published under after `prefix`;
  // false when it does not fit the buffer. Generated per map.
  using tChildNameFormat = bool (*)(const char* prefix, uint32_t familyIndex, char* buffer, uint64_t size);

  // A child's window always starts at its own offset 0, so it can only be a
  // leading part of the child's part of the block: the part of it that lies
  // inside the parent's window (windowStart, windowSize). A part whose first
  // byte lies outside the parent's window gets an empty window, so a child
  // never reaches a register the parent's window leaves out.
  static uint32_t childWindowSize(uint32_t windowStart, uint32_t windowSize, uint32_t partOffset,
                                  uint32_t partSize);

  // Publishes `map` under `name` unless `childrenOnly`, then each child of
  // `family` under the name, "_" and the child's name, in walk order. Stops
  // at the first failure; what was published stays for remove. Empty child
  // slots are skipped.
  template <class tDispatcher>
  static void add(tDispatcher& dispatcher, nKIVAPALS100::tStatus& status, tRegisterMap& map, const char* name,
                  tRegisterMap* const* family, uint32_t count, tChildNameFormat format, bool childrenOnly) {
    if (status.isFatal()) return;
    char childName[kNameSize];
    // Refused before anything is published: a name that does not fit could
    // not be withdrawn again either.
    for (uint32_t c = 0; c < count; ++c) {
      if (!format(name, c, childName, sizeof(childName))) {
        vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
        return;
      }
    }
    if (!childrenOnly) dispatcher.add(name, map, status);
    for (uint32_t c = 0; c < count && status.isNotFatal(); ++c) {
      if (family[c] == nullptr) continue;
      format(name, c, childName, sizeof(childName));
      dispatcher.add(childName, *family[c], status);
    }
  }

  // Withdraws the same names. Each withdrawal gets a status of its own, so
  // neither an error the caller already holds nor a name that was never
  // published leaves a registration behind to outlive the map; the caller's
  // status keeps the first error.
  template <class tDispatcher>
  static void remove(tDispatcher& dispatcher, nKIVAPALS100::tStatus& status, const char* name,
                     tRegisterMap* const* family, uint32_t count, tChildNameFormat format, bool childrenOnly) {
    if (!childrenOnly) {
      nKIVAPALS100::tStatus local;
      dispatcher.remove(name, local);
      status.merge(local);
    }
    char childName[kNameSize];
    for (uint32_t c = 0; c < count; ++c) {
      if (family[c] == nullptr || !format(name, c, childName, sizeof(childName))) continue;
      nKIVAPALS100::tStatus local;
      dispatcher.remove(childName, local);
      status.merge(local);
    }
  }

  tMapFamily() = delete;
};

}  // namespace arm
