#include "storage/storageMap/StorageMapCommon.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "storage/storageStatusCodes.h"

namespace storagemap {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::copyBytes;
using vorlan_driver::nKIVAPAL000::tVector;

namespace {

void reverseBytes(uint8_t* element, uint64_t size) {
  for (uint64_t low = 0, high = size; low + 1 < high; ++low, --high) {
    const uint8_t byte = element[low];
    element[low] = element[high - 1];
    element[high - 1] = byte;
  }
}

// Reverses the order of the element's 32-bit words, each word's bytes kept.
void reverseWords(uint8_t* element, uint64_t size) {
  for (uint64_t low = 0, high = size / 4; low + 1 < high; ++low, --high) {
    uint8_t word[4];
    copyBytes(word, element + 4 * low, 4);
    copyBytes(element + 4 * low, element + 4 * (high - 1), 4);
    copyBytes(element + 4 * (high - 1), word, 4);
  }
}

bool swapsWords(const StorageMapCommon::FieldInfo& field) {
  return field.swapWords && field.elementSize <= kLargestConvertedElement && field.elementSize % 4 == 0;
}

}  // namespace

StorageMapCommon::StorageMapCommon(const char* version, const char* oldestCompatibleVersion, int32_t byteOrder,
                                   uint64_t base, uint64_t size, ChecksumInterface* checksum,
                                   const FieldInfo* checksumField, devicewindow::DeviceWindow* window)
    : byteOrder_(byteOrder),
      base_(base),
      size_(size),
      checksum_(checksum),
      checksumField_(checksumField),
      window_(window),
      version_(version),
      oldestCompatibleVersion_(oldestCompatibleVersion),
      passedAt_(0) {}

const StorageMapCommon::FieldInfo* StorageMapCommon::findField(const FieldInfo* table, uint64_t count, uint32_t id,
                                                               tStatus& status) {
  if (status.isFatal()) return nullptr;
  for (uint64_t i = 0; i < count; ++i) {
    if (table[i].id == id) return &table[i];
  }
  vorlanSetCode(status, storagecodes::kFieldNotDefined);
  return nullptr;
}

const StorageMapCommon::FieldInfo* StorageMapCommon::checkAccess(Access access, uint32_t id, const void* buffer,
                                                                 uint64_t first, uint64_t count, uint32_t typeCode,
                                                                 uint64_t elementSize, tStatus& status) const {
  const FieldInfo* field = getFieldInfo(id, status);
  if (field == nullptr) return nullptr;
  if (buffer == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return nullptr;
  }
  if (first >= field->count || count > field->count - first) {
    vorlanSetCode(status, storagecodes::kOutOfRange);
    return nullptr;
  }
  const bool raw = access == kRawGet || access == kRawSet;
  const bool writes = access == kTypedSet || access == kRawSet;
  if (raw && elementSize != field->elementSize) {
    vorlanSetCode(status, storagecodes::kElementSizeMismatch);
    return nullptr;
  }
  if (writes && isChecksumField(*field)) {
    vorlanSetCode(status, storagecodes::kChecksumFieldReadOnly);
    return nullptr;
  }
  if (!raw && field->type != typeCode) {
    vorlanSetCode(status, storagecodes::kTypeMismatch);
    return nullptr;
  }
  // A descriptor whose element size disagrees with its code's value type
  // would move more bytes than the caller's values hold.
  if (!raw && typeCode != kTypeString && elementSize != field->elementSize) {
    vorlanSetCode(status, storagecodes::kElementSizeMismatch);
    return nullptr;
  }
  return field;
}

uint64_t StorageMapCommon::addressOf(const FieldInfo& field, uint64_t index) const {
  return base_ + field.offset + index * field.stride;
}

bool StorageMapCommon::convertsBytes(const FieldInfo& field) const {
  return byteOrder_ == kByteOrderReversed && field.type != kTypeString &&
         field.elementSize <= kLargestConvertedElement;
}

void StorageMapCommon::readElements(const FieldInfo& field, uint64_t first, uint64_t count, uint8_t* data,
                                    tStatus& status) {
  const bool reverse = convertsBytes(field);
  const bool swap = swapsWords(field);
  for (uint64_t i = first; i < first + count && status.isNotFatal(); ++i) {
    uint8_t* element = data + (i - first) * field.elementSize;
    window_->get(addressOf(field, i), field.elementSize, element, status);
    if (status.isFatal()) return;
    if (reverse) reverseBytes(element, field.elementSize);
    if (swap) reverseWords(element, field.elementSize);
  }
}

void StorageMapCommon::writeElements(const FieldInfo& field, uint64_t first, uint64_t count, const uint8_t* data,
                                     tStatus& status) {
  const bool reverse = convertsBytes(field);
  const bool swap = swapsWords(field);
  for (uint64_t i = first; i < first + count && status.isNotFatal(); ++i) {
    const uint8_t* element = data + (i - first) * field.elementSize;
    if (!reverse && !swap) {
      window_->set(element, addressOf(field, i), field.elementSize, status);
      continue;
    }
    uint8_t scratch[kLargestConvertedElement];
    copyBytes(scratch, element, field.elementSize);
    if (reverse) reverseBytes(scratch, field.elementSize);
    if (swap) reverseWords(scratch, field.elementSize);
    window_->set(scratch, addressOf(field, i), field.elementSize, status);
  }
}

void StorageMapCommon::writeChecked(Access access, uint32_t id, uint64_t first, uint64_t count, const void* data,
                                    uint32_t typeCode, uint64_t elementSize, tStatus& status) {
  const FieldInfo* field = checkAccess(access, id, data, first, count, typeCode, elementSize, status);
  if (field == nullptr) return;
  writeElements(*field, first, count, static_cast<const uint8_t*>(data), status);
}

void StorageMapCommon::readChecked(Access access, uint32_t id, uint64_t first, uint64_t count, void* data,
                                   uint32_t typeCode, uint64_t elementSize, tStatus& status) {
  const FieldInfo* field = checkAccess(access, id, data, first, count, typeCode, elementSize, status);
  if (field == nullptr) return;
  readElements(*field, first, count, static_cast<uint8_t*>(data), status);
}

void StorageMapCommon::setStrings(uint32_t id, uint64_t first, uint64_t count, const StringValue* values,
                                  tStatus& status) {
  const FieldInfo* field = checkAccess(kTypedSet, id, values, first, count, kTypeString, 0, status);
  if (field == nullptr) return;
  const uint8_t zero = 0;
  for (uint64_t i = first; i < first + count && status.isNotFatal(); ++i) {
    const StringValue& value = values[i - first];
    const uint64_t length = value.length();
    // At least one zero byte must end every element.
    if (length >= field->elementSize) {
      vorlanSetCode(status, storagecodes::kOutOfRange);
      return;
    }
    const uint64_t address = addressOf(*field, i);
    if (length != 0) window_->set(reinterpret_cast<const uint8_t*>(value.text()), address, length, status);
    for (uint64_t k = length; k < field->elementSize && status.isNotFatal(); ++k) {
      window_->set(&zero, address + k, 1, status);
    }
  }
}

void StorageMapCommon::getStrings(uint32_t id, uint64_t first, uint64_t count, StringValue* values, tStatus& status) {
  const FieldInfo* field = checkAccess(kTypedGet, id, values, first, count, kTypeString, 0, status);
  if (field == nullptr || count == 0) return;
  uint8_t* scratch = static_cast<uint8_t*>(vorlan_driver::nKIVAPAL000::allocate(field->elementSize, status, 0));
  if (scratch == nullptr) return;
  vorlan_driver::nKIVAPAL000::fillBytes(scratch, 0, field->elementSize);
  for (uint64_t i = first; i < first + count && status.isNotFatal(); ++i) {
    window_->get(addressOf(*field, i), field->elementSize, scratch, status);
    if (status.isFatal()) break;
    uint64_t length = 0;
    while (length < field->elementSize && scratch[length] != 0) ++length;
    StringValue& value = values[i - first];
    value.clear();
    // An element without a terminating zero is not a text.
    if (length == field->elementSize) continue;
    value.append(reinterpret_cast<const char*>(scratch), length, status);
  }
  vorlan_driver::nKIVAPAL000::release(scratch);
}

void StorageMapCommon::gatherCovered(tVector<uint8_t>& bytes, tStatus& status) {
  if (status.isFatal()) return;
  const FieldInfo& field = *checksumField_;
  const uint64_t extent = field.count * field.stride;
  if (field.offset > size_ || extent > size_ - field.offset) {
    vorlanSetCode(status, storagecodes::kOutOfRange);
    return;
  }
  const uint64_t before = field.offset;
  const uint64_t after = size_ - field.offset - extent;
  bytes.resize(before + after, status);
  if (status.isFatal()) return;
  if (before != 0) window_->get(base_, before, bytes.data(), status);
  if (after != 0) window_->get(base_ + field.offset + extent, after, bytes.data() + before, status);
}

uint32_t StorageMapCommon::computeCovered(tStatus& status) {
  tVector<uint8_t> bytes;
  gatherCovered(bytes, status);
  return checksum_->compute(bytes.data(), bytes.count(), status);
}

void StorageMapCommon::flushMap(bool force, tStatus& status) {
  if (status.isFatal()) return;
  if (hasChecksum()) {
    // The stored word is written as one u32 element.
    if (checksumField_->elementSize != sizeof(uint32_t)) {
      vorlanSetCode(status, storagecodes::kElementSizeMismatch);
      return;
    }
    const uint32_t crc = computeCovered(status);
    if (status.isFatal()) return;
    writeElements(*checksumField_, 0, 1, reinterpret_cast<const uint8_t*>(&crc), status);
  }
  window_->flush(base_, size_, force, status);
}

void StorageMapCommon::refreshMap(tStatus& status) {
  if (status.isFatal()) return;
  window_->refresh(base_, size_, status);
}

bool StorageMapCommon::checkChecksum(tStatus& status) {
  if (status.isFatal()) return false;
  if (!hasChecksum()) {
    vorlanSetCode(status, storagecodes::kNoChecksum);
    return false;
  }
  if (checksumField_->elementSize != sizeof(uint32_t)) {
    vorlanSetCode(status, storagecodes::kElementSizeMismatch);
    return false;
  }
  // A pass stands while the window's copy is unchanged: the same bytes give
  // the same verdict. The count is taken first, so a change made while the
  // bytes are read leaves the pass recorded against an older count.
  const uint64_t changes = window_->getChangeCount();
  if (passedAt_.getValue() == changes + 1) return true;
  const uint32_t computed = computeCovered(status);
  uint32_t stored = 0xFFFFFFFFu;
  readElements(*checksumField_, 0, 1, reinterpret_cast<uint8_t*>(&stored), status);
  const bool passed = status.isNotFatal() && stored == computed;
  if (passed) passedAt_.setValue(changes + 1);
  return passed;
}

}  // namespace storagemap
