// Test doubles shared by the storage tests: an accessor over a plain byte
// array that counts and can fail its calls, and a window decorator that
// counts what a storage map asks of its window.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/deviceWindow/memoryWindow/MemoryAccessorInterface.h"

namespace storagetest {

using nKIVAPALS100::tStatus;

struct CountingAccessor : devicewindow::MemoryAccessorInterface {
  explicit CountingAccessor(size_t size, uint8_t fill = 0xFF) : memory(size, fill) {}

  void beginRead(tStatus& status) override {
    ++beginReads;
    if (beginReadCode != 0) status.setCode(beginReadCode, "test", "test", 0);
  }
  void beginWrite(tStatus&) override { ++beginWrites; }
  void endRead(tStatus&) override { ++endReads; }
  void endWrite(tStatus& status) override {
    ++endWrites;
    if (endWriteCode != 0) status.setCode(endWriteCode, "test", "test", 0);
  }
  void read(uint64_t offset, uint64_t count, uint8_t* destination, tStatus& status) override {
    if (status.isFatal()) return;
    reads.emplace_back(offset, count);
    if (readCode != 0) {
      status.setCode(readCode, "test", "test", 0);
      return;
    }
    std::copy(memory.begin() + offset, memory.begin() + offset + count, destination);
  }
  void write(const uint8_t* source, uint64_t offset, uint64_t count, tStatus& status) override {
    if (status.isFatal()) return;
    writes.emplace_back(offset, count);
    if (writeCode != 0) {
      status.setCode(writeCode, "test", "test", 0);
      return;
    }
    std::copy(source, source + count, memory.begin() + offset);
  }
  uint64_t getSizeInBytes() const override { return memory.size(); }

  void forgetCalls() {
    reads.clear();
    writes.clear();
    beginReads = endReads = beginWrites = endWrites = 0;
  }

  std::vector<uint8_t> memory;
  std::vector<std::pair<uint64_t, uint64_t>> reads, writes;  // {offset, count}
  int beginReads = 0, endReads = 0, beginWrites = 0, endWrites = 0;
  int64_t beginReadCode = 0, readCode = 0, writeCode = 0, endWriteCode = 0;
};

struct CountingWindow : devicewindow::DeviceWindow {
  explicit CountingWindow(devicewindow::DeviceWindow& inner) : inner(inner) {}

  void get(uint64_t a, uint64_t n, uint8_t* d, tStatus& s) override {
    ++calls;
    inner.get(a, n, d, s);
  }
  void set(const uint8_t* src, uint64_t a, uint64_t n, tStatus& s) override {
    ++calls;
    ++sets;
    inner.set(src, a, n, s);
  }
  void flush(uint64_t a, uint64_t n, bool force, tStatus& s) override {
    ++calls;
    flushes.push_back({a, n, force});
    inner.flush(a, n, force, s);
  }
  void read(uint64_t a, uint64_t n, uint8_t* d, tStatus& s) override {
    ++calls;
    inner.read(a, n, d, s);
  }
  void write(const uint8_t* src, uint64_t a, uint64_t n, bool force, tStatus& s) override {
    ++calls;
    inner.write(src, a, n, force, s);
  }
  void refresh(uint64_t a, uint64_t n, tStatus& s) override {
    ++calls;
    refreshes.emplace_back(a, n);
    inner.refresh(a, n, s);
  }
  uint64_t getSizeInBytes() const override { return inner.getSizeInBytes(); }
  uint64_t getChangeCount() const override { return inner.getChangeCount(); }

  struct Flush {
    uint64_t address, length;
    bool force;
  };
  devicewindow::DeviceWindow& inner;
  int calls = 0, sets = 0;
  std::vector<Flush> flushes;
  std::vector<std::pair<uint64_t, uint64_t>> refreshes;
};

// The reference CRC-32, one bit at a time.
inline uint32_t referenceCrc32(const uint8_t* data, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

}  // namespace storagetest
