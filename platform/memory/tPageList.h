// A kernel-layer page list: the pages behind a user buffer or a DMA buffer.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tPageList {
  uint64_t size;
  // Where the data starts within the first page.
  uint64_t offset;
  void* handle;

  void clear() {
    size = 0;
    offset = 0;
    handle = nullptr;
  }
};

// Destroys the kernel page list, if there is one, and clears the record.
void destroyPageList(tPageList& pageList);
static_assert(sizeof(tPageList) == 24, "page list record is 24 bytes");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
