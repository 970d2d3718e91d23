// What a map that places child maps inside its own space needs of them:
// the window each child gets and the room for the names they are published
// under. The generated map classes hold the children themselves.
#pragma once

#include <stdint.h>

namespace arm {

class tMapFamily {
 public:
  // Room for a child's registration name: the parent's name, "_" and the
  // child's own name, with the terminator.
  static constexpr uint64_t kNameSize = 256;

  // A child's window always starts at its own offset 0, so it can only be a
  // leading part of the child's part of the block: the part of it that lies
  // inside the parent's window (windowStart, windowSize). A part whose first
  // byte lies outside the parent's window gets an empty window, so a child
  // never reaches a register the parent's window leaves out.
  static uint32_t childWindowSize(uint32_t windowStart, uint32_t windowSize, uint32_t partOffset,
                                  uint32_t partSize);

  tMapFamily() = delete;
};

}  // namespace arm
