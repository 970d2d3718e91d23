// Declarations of the kernel abstraction layer's functions as this driver calls
// them. The real layer is a closed kernel module; on this machine kal/src
// stands in for it. Driver code includes only this header from kal/.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

// Single-use events live in driver records; the layer owns their contents.
#define nKIVKAL_SINGLE_USE_EVENT_SIZE 128u

// Timed event waits take their time-out in milliseconds.
#define nKIVKAL_WAIT_UNIT_IS_MILLISECONDS 1

// What an interruptible wait returns when a signal ended it.
#define nKIVKAL_WAIT_INTERRUPTED (-51108)

extern "C" {

typedef struct nKIVKAL_tSingleUseEvent {
  alignas(16) uint8_t opaque[nKIVKAL_SINGLE_USE_EVENT_SIZE];
} nKIVKAL_tSingleUseEvent;

// {function, context}: called by the layer when a timed wait expires.
typedef struct nKIVKAL_tTimeoutCallback {
  void (*function)(void* context);
  void* context;
} nKIVKAL_tTimeoutCallback;

// {function, context}: the primary interrupt routine and its argument.
typedef struct nKIVKAL_tInterruptCallback {
  int32_t (*function)(void* context);
  void* context;
} nKIVKAL_tInterruptCallback;

// ---- driver and device registration
int32_t nKIVKAL200_registerDriver(void* driverRecord);
int32_t nKIVKAL200_unregisterDriver(void* argument);
void* nKIVKAL240_registerDeviceInterface(void* driverHandle, void* layerDevice, const char* name,
                                         uint32_t index, void* interfaceObject);
void nKIVKAL200_unregisterDeviceInterface(void* interfaceHandle);
int32_t nKIVKAL240_notifyUserspaceAddEvent(void* interfaceHandle);
void* nKIVKAL200_registerProperty(int32_t scope, void* owner, const char* name, const void* value,
                                  int32_t size);
void nKIVKAL200_unregisterProperty(void* propertyHandle);

// ---- PCI
typedef int32_t (*nKIVKAL_tBridgeCallback)(void* context, const void* bridgeRecord);
int32_t nKIVKAL1_getDeviceNUMANode(void* pciRecord);
int32_t nKIVKAL230_pciRequestMSI(void* pciRecord, uint32_t vectors);
int32_t nKIVKAL100_pciConfigRead8(void* pciFunction, uint32_t offset, uint8_t* value);
int32_t nKIVKAL100_pciConfigRead16(void* pciFunction, uint32_t offset, uint16_t* value);
int32_t nKIVKAL100_pciConfigWrite16(void* pciFunction, uint32_t offset, uint16_t value);
int32_t nKIVKAL220_pciSetDMAMask(void* pciFunction, uint64_t mask);
int32_t nKIVKAL240_getPCIDomain(void* pciFunction);
int32_t nKIVKAL100_enumeratePCIBuses(nKIVKAL_tBridgeCallback callback, void* context, uint32_t flags);
int32_t nKIVKAL1400_reserveInterrupt(uint32_t interrupt, nKIVKAL_tInterruptCallback* callback,
                                     const char* component, uint32_t flags);
void nKIVKAL100_relinquishInterrupt(uint32_t interrupt, nKIVKAL_tInterruptCallback* callback);
void* nKIVKAL230_mapPhysicalToKernel(uint64_t physical, uint64_t length, uint32_t cacheMode);
void nKIVKAL230_unmapPhysicalFromKernel(void* address, uint32_t flag);

// ---- deferred procedure calls
// The routine runs later at deferred-call level with the argument given to
// scheduleDPC; a call scheduled again before it ran runs once.
void* nKIVKAL100_createDPC(void (*routine)(void* argument));
void nKIVKAL100_destroyDPC(void* dpc);
void nKIVKAL100_scheduleDPC(void* dpc, void* argument);

// ---- kernel threads
// A named kernel thread running entry(context); null when refused. Join
// waits for the entry to return and frees the handle.
void* nKIVKAL250_createNamedThread(const char* name, void (*entry)(void* context), void* context);
void nKIVKAL200_joinThread(void* thread);

// ---- user memory maps (handles handed to the mmap callback)
uint64_t nKIVKAL220_tUserMemMap_getSize(void* userMemMap);
void* nKIVKAL220_tUserMemMap_getVirtualAddress(void* userMemMap);
uint32_t nKIVKAL220_tUserMemMap_getAccessMode(void* userMemMap);
int32_t nKIVKAL220_tUserMemMap_mapPageList(void* userMemMap, void* pageList, uint64_t firstPage,
                                           uint64_t pageCount);
int32_t nKIVKAL2280_tUserMemMap_mapPhysicalAddress(void* userMemMap, uint64_t offset, uint64_t physical,
                                                   uint32_t cached);

// ---- memory-mapped register access
uint8_t nKIVKAL100_memoryRead8(const volatile void* address);
uint16_t nKIVKAL100_memoryRead16(const volatile void* address);
uint32_t nKIVKAL100_memoryRead32(const volatile void* address);
void nKIVKAL100_memoryWrite8(volatile void* address, uint8_t value);
void nKIVKAL100_memoryWrite16(volatile void* address, uint16_t value);
void nKIVKAL100_memoryWrite32(volatile void* address, uint32_t value);

// Plain register loads and stores on a mapped BAR (64-bit registers, and
// the components that drive a BAR window without the layer). Not the
// layer's: hooks of ours, so that in this build every such access reaches
// whatever owns the address, as the layer's own accesses do.
uint64_t kalHook_memoryRead64(const volatile void* address);
void kalHook_memoryWrite64(volatile void* address, uint64_t value);
uint32_t kalHook_memoryRead32(const volatile void* address);
void kalHook_memoryWrite32(volatile void* address, uint32_t value);

// ---- memory
void* nKIVKAL100_malloc(uint64_t size);
void nKIVKAL100_free(void* block);
void* nKIVKAL180_memCpy(void* destination, const void* source, uint64_t size);
void* nKIVKAL180_memMove(void* destination, const void* source, uint64_t size);
void* nKIVKAL240_memSet(void* destination, int32_t value, uint64_t size);
uint64_t nKIVKAL100_getPageSize(void);

// ---- DMA memory: page lists and scatter-gather lists
// A page list describes whole pages: allocated ones (zeroed, contiguous in
// bus addresses once mapped) or a user buffer's pinned pages. Null when the
// layer has none to give.
void* nKIVKAL220_tPageList_createFromAllocation(uint64_t pages, uint32_t flags);
void* nKIVKAL1_tPageList_createFromAllocationNUMA(uint64_t pages, uint32_t flags, int32_t node);
void* nKIVKAL220_tPageList_createFromUser(void* pageAlignedAddress, uint64_t pages, uint32_t flags,
                                          uint64_t byteCount, uint64_t offset);
void nKIVKAL220_tPageList_destroy(void* pageList);
void* nKIVKAL220_tPageList_mapToKernel(void* pageList);
void nKIVKAL220_tPageList_unmapFromKernel(void* pageList);
// A scatter-gather list for one PCI function (or none) that can map any
// range touching at most `capacityPages` pages; it keeps its own walk
// position over the segments of the current mapping.
void* nKIVKAL220_tSGL_createForPCI(void* pciFunction, uint64_t capacityPages);
void nKIVKAL220_tSGL_destroy(void* sgl);
int32_t nKIVKAL220_tSGL_map(void* sgl, void* pageList, uint64_t offset, uint64_t size, uint32_t fromDevice);
void nKIVKAL220_tSGL_unmap(void* sgl);
void nKIVKAL220_tSGL_prepareForDMA(void* sgl);
void nKIVKAL220_tSGL_completeDMA(void* sgl, uint64_t byteCount);
void nKIVKAL220_tSGL_iterate(void* sgl);
uint32_t nKIVKAL220_tSGL_numSegments(void* sgl);
void nKIVKAL220_tSGL_nextSegment(void* sgl);
uint64_t nKIVKAL220_tSGL_getSegmentAddress(void* sgl);
uint64_t nKIVKAL220_tSGL_getSegmentSize(void* sgl);

// ---- user memory
int32_t nKIVKAL100_replicateInboundIOControlBuffer(void* kernelDestination, const void* userSource,
                                                   uint64_t size);
int32_t nKIVKAL100_replicateOutboundIOControlBuffer(void* userDestination, const void* kernelSource,
                                                    uint64_t size);

// ---- spinlocks, mutexes, threads, events
void* nKIVKAL100_createSpinLock(void);
void nKIVKAL100_destroySpinLock(void* spinLock);
uint64_t nKIVKAL110_acquireSpinLockInterrupt(void* spinLock);
void nKIVKAL110_releaseSpinLockInterrupt(void* spinLock, uint64_t savedState);
void nKIVKAL100_acquireSpinLockDPC(void* spinLock);
void nKIVKAL100_releaseSpinLockDPC(void* spinLock);
void* nKIVKAL150_createMutex(void);
void nKIVKAL150_destroyMutex(void* mutex);
int32_t nKIVKAL150_acquireMutex(void* mutex);
void nKIVKAL150_releaseMutex(void* mutex);
void* nKIVKAL100_getThreadHandle(void);
uint32_t nKIVKAL100_getThreadID(void);
void nKIVKAL100_initializeSingleUseEvent(nKIVKAL_tSingleUseEvent* event);
void nKIVKAL100_releaseSingleUseEvent(nKIVKAL_tSingleUseEvent* event);
void nKIVKAL100_waitForSingleUseEvent(nKIVKAL_tSingleUseEvent* event);
int32_t nKIVKAL100_waitForSingleUseEventInterruptible(nKIVKAL_tSingleUseEvent* event);
int32_t nKIVKAL100_waitForSingleUseEventTimeout(nKIVKAL_tSingleUseEvent* event, uint32_t timeout,
                                                const nKIVKAL_tTimeoutCallback* callback);
int32_t nKIVKAL100_waitForSingleUseEventTimeoutInterruptible(nKIVKAL_tSingleUseEvent* event,
                                                             uint32_t timeout,
                                                             const nKIVKAL_tTimeoutCallback* callback);

// ---- time
uint32_t nKIVKAL100_getTimerInterval(void);
uint64_t nKIVKAL110_getTimerCount(void);
uint64_t nKIVKAL1_getMonotonicCounter(void);
void nKIVKAL100_getTimeOfDay(uint32_t* seconds, uint32_t* microseconds);
void nKIVKAL250_sleepTimeout(int32_t microseconds);

// ---- debug output
void nKIVKAL100_printToDebugger(const char* text);
int32_t nKIVKAL100_vsnPrintf(char* buffer, uint64_t size, const char* format, va_list arguments);
int32_t nKIVKAL100_vsprintf(char* buffer, const char* format, va_list arguments);
void nKIVKAL250_halt(const char* component, const char* file, uint32_t line, const char* message);

// ---- kernel sockets
void* nKIVKAL250_createKernelSocketBuffer(uint32_t size);
// Takes over the buffer only when it returns 0.
int32_t nKIVKAL250_kernelSocketSend(void* buffer, uint32_t port, uint32_t type, const void* message,
                                    uint32_t size);
void nKIVKAL250_releaseKernelSocketBuffer(void* buffer);

}  // extern "C"
