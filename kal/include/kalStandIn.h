// Test controls of the user-space stand-in for the kernel abstraction layer.
// Driver code never includes this header; tests, the harness and the
// simulated board do.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

namespace kalsim {

// Back to a freshly loaded layer: knobs disarmed, logs empty, virtual clock at 0.
void reset();

// ---- memory
// The Nth call of nKIVKAL100_malloc made on the calling thread from now on
// fails (1 = the next one); 0 disarms.
void failAllocationOnThisThread(uint32_t nth);
// Like a kernel's allocator, refuses any single block above `bytes` (0: no
// limit) asked for on the calling thread; for callers that let user mode
// size the driver's allocations.
void refuseAllocationsAboveOnThisThread(uint64_t bytes);
// The largest single block the driver asked for on the calling thread since
// the last reset of it, refused ones included: what a caller's numbers made
// the driver ask of a kernel's allocator.
uint64_t largestAllocationOnThisThread();
void resetLargestAllocationOnThisThread();
uint64_t allocationCallsOnThisThread();
uint64_t liveAllocations();
// Those of the driver's own (made outside HostAllocations scopes).
uint64_t liveDriverAllocations();
// Every nKIVKAL100_malloc of the calling thread, the host's included.
uint64_t allAllocationCallsOnThisThread();
// The stand-in, the board and the harness allocate through the process's one
// operator new, the driver's, which reaches nKIVKAL100_malloc. Inside a
// HostAllocations scope on a thread those allocations are neither counted nor
// failed, so the knob above (a fail-nth sweep over every N included) hits
// only the driver's own. Every layer routine that allocates and every
// register access opens one.
namespace detail {
extern thread_local uint32_t tHostDepth;
}  // namespace detail
class HostAllocations {
 public:
  HostAllocations() { ++detail::tHostDepth; }
  ~HostAllocations() { --detail::tHostDepth; }
  HostAllocations(const HostAllocations&) = delete;
  HostAllocations& operator=(const HostAllocations&) = delete;
};

// ---- debug output
std::vector<std::string> printedLines();
void clearPrintedLines();
// Echo each printed line to stderr as well (also on when KAL_ECHO is set).
void setEcho(bool echo);

// ---- driver registration
void setRegisterDriverResult(int32_t result);
void* registeredDriverRecord();
uint32_t unregisterDriverCalls();

// ---- locks
// The Nth kernel mutex / spinlock created from now on fails (1 = next); 0 disarms.
void failMutexCreation(uint32_t nth);
void failSpinLockCreation(uint32_t nth);
uint64_t liveMutexes();
// Every kernel mutex creation asked for since the last reset, failed ones too.
uint64_t mutexCreations();
uint64_t liveSpinLocks();
// A test that must act at the exact moment a lock changes hands keys on that
// lock's kernel mutex alone: the driver takes many others on the same paths
// (register maps, composites), and their releases say nothing about this one.
// The kernel mutex the calling thread acquired last (null before any): a
// test takes a driver lock it reached through the driver's own interface,
// then asks this for the handle the hooks below key on.
void* lastMutexAcquiredOnThisThread();
// Runs on the acquiring or releasing thread, just after it acquired or gave
// back that kernel mutex, for that one mutex only; null (or an empty
// function) disarms. A hook may wait for other threads: on kReleased the
// mutex is free for them, on kAcquired this thread holds it.
enum class MutexPoint { kAcquired, kReleased };
void setMutexHook(const void* mutex, std::function<void(MutexPoint)> hook);
// Threads that found that kernel mutex held and wait for it (or are about
// to) right now; one that got it no longer counts.
uint32_t mutexWaiters(const void* mutex);

// ---- kernel threads
// The Nth kernel thread created from now on is refused (1 = next); 0 disarms.
void failThreadCreation(uint32_t nth);
uint64_t liveThreads();
// The name of every kernel thread created, in order.
std::vector<std::string> createdThreadNames();

// ---- teardown order
// While armed, every interrupt relinquished, deferred call destroyed, kernel
// thread joined and spinlock destroyed is recorded in order, so a test sees
// whether a teardown gave back what a deferred call or a worker still uses
// before it had stopped them. Arming (or disarming) empties the record.
enum class Release { kInterrupt, kDeferredCall, kThread, kSpinLock };
void recordReleases(bool on);
std::vector<Release> releases();

// ---- single-use events
// Makes the next (or current) interruptible wait of that thread return negative.
void interruptThread(void* threadHandle);
// Runs on the waiting thread, with no lock held, at the moments where a
// release may race with the end of a wait: just before a timed wait calls its
// time-out callback, just after it (the wait has expired but not returned),
// and just before an interruptible wait reports an interruption. An empty
// function disarms.
enum class WaitPoint { kBeforeTimeoutCallback, kAfterTimeoutCallback, kBeforeInterruptedReturn };
void setWaitHook(std::function<void(WaitPoint)> hook);
// Threads inside an interruptible wait right now: a test that must not touch
// what a waiter set up before it sleeps waits for this instead.
uint32_t interruptibleWaiters();

// ---- user memory
// Copies touching [start, start + size) fail with the given layer code; a
// null user pointer with a nonzero size always fails with -51009.
void markUserRangeBad(const void* start, uint64_t size, int32_t code = -51009);
void clearBadUserRanges();
// Makes [start, start + size) the only user memory: copies touching anything
// else fail with -51009 (size 0 lifts it). For callers that hand the driver
// arbitrary addresses.
void confineUserMemoryTo(const void* start, uint64_t size);
uint64_t userCopies();
// The Nth user copy from now on (1 = next) fails with the given layer code
// whatever its range; 0 disarms.
void failUserCopy(uint32_t nth, int32_t code = -51009);

// ---- time
// Virtual (default): sleeping advances the clock and every counter read
// advances it by one quantum, so polls end without real time passing.
void useVirtualClock();
// Real: counters follow the machine's steady clock; sleeps really sleep.
void useRealClock();
bool isVirtualClock();
constexpr uint32_t kTickMicroseconds = 4000;
constexpr uint64_t kReadQuantumNanoseconds = 1000;
uint64_t virtualNanoseconds();
void advanceVirtualClock(uint64_t nanoseconds);
// The first kSleepRecordCapacity nKIVKAL250_sleepTimeout arguments since the
// last clear, in order. A start-up polls thousands of times, so the record is
// bounded; sleepCount() still counts every call.
constexpr size_t kSleepRecordCapacity = 4096;
std::vector<int32_t> sleepCalls();
uint64_t sleepCount();
void clearSleepCalls();

}  // namespace kalsim
