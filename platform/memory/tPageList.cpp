#include "platform/memory/tPageList.h"

#include "kal/include/nKIVKAL.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

void destroyPageList(tPageList& pageList) {
  if (pageList.handle != nullptr) nKIVKAL220_tPageList_destroy(pageList.handle);
  pageList.clear();
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
