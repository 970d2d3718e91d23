// Test controls of the stand-in's DMA memory, and its small fake IOMMU.
//
// Every page the device may reach gets a bus address only while a
// scatter-gather list maps it: bus pages come from a private range
// (kLowBusBase upward, below 4 GiB, for a device whose DMA mask is 32 bits or
// memory allocated with flag 2; kHighBusBase upward otherwise) and are never
// handed out twice, so a stale bus address stays unmapped. The simulated
// board translates the DMA engine's accesses through translate(), which
// answers null for anything unmapped, so use after unmap, wrong offsets and
// addresses the device mask does not cover are faults rather than quiet
// reads of host memory.
#pragma once

#include <stdint.h>

#include <functional>

namespace kalsim {

constexpr uint64_t kDmaPageSize = 4096;
constexpr uint64_t kLowBusBase = 0x10000000ull;
constexpr uint64_t kHighBusBase = 0x100000000ull;
// A segment never grows beyond this unless a test says otherwise.
constexpr uint64_t kDefaultMaxSegmentSize = 0xFFFFF000ull;

// ---- knobs; "the Nth from now on" counts from 1 (1 = the next one), 0 disarms
void failPageListAllocation(uint32_t nth);
void failUserPinning(uint32_t nth);
void failKernelViewOfPageList(uint32_t nth);
void failSGLCreation(uint32_t nth);
// The Nth map from now on answers the layer code (and maps nothing).
void failSGLMap(uint32_t nth, int32_t code = -51202);
// User buffers are mapped one segment per page, on bus pages with gaps
// between them, so appends of one buffer span many segments.
void fragmentUserBuffers(bool fragment);
void setMaxSegmentSize(uint64_t bytes);

// ---- what the layer saw
uint64_t livePageLists();
uint64_t liveSGLs();
uint64_t liveKernelViews();
// User pages pinned by page lists still alive.
uint64_t livePinnedUserPages();
// Mapped bus ranges (one per contiguous run).
uint64_t liveBusMappings();
uint64_t prepareForDMACalls();
// Runs on the preparing thread, with no lock held, each time a list is
// prepared for the device: a test looks there at what the device may see,
// since on a non-coherent bus a write after the last prepare may never reach
// it. An empty function disarms.
void onPrepareForDMA(std::function<void()> hook);
uint64_t completeDMACalls();
// Page lists destroyed while a scatter-gather list still mapped them.
uint64_t pageListsDestroyedWhileMapped();
// The flags of the last allocated page list, and the node of the last NUMA one.
uint32_t lastAllocationFlags();
int32_t lastAllocationNode();

// ---- the fake IOMMU, for the simulated board
// The host memory behind [bus, bus + length), or null when any byte of it is
// not mapped (or not in one contiguous run) or lies above the device's DMA
// mask.
void* translate(uint64_t bus, uint64_t length);
// The DMA mask last accepted for any PCI function (all ones before any).
uint64_t deviceDmaMask();

}  // namespace kalsim
