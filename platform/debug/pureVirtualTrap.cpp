// Every unimplemented slot of an abstract class's virtual table points here.
// Reaching it means an object was used while only partly built or already
// partly destroyed: report where and stop.
#include "platform/debug/kivsdbg.h"
#include "platform/status/tStatus.h"

extern "C" void __cxa_pure_virtual() {
  const kivsdbg_Location location = {__FILE__, __LINE__, "\n"};
  kivsdbg_printf("[%s|%s|%d] !!ASSERT!!\n", kivComponentName, location.file, location.line);
  kivsdbg_printf("BUG: A call to a pure virtual function was made!\n");
  kivsdbg_haltHook(&location, "ASSERT");
  for (;;) __asm__ __volatile__("" ::: "memory");
}
