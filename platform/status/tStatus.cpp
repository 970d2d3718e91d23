#include "platform/status/tStatus.h"

#include "platform/quarks/kivString.h"

namespace nKIVAPALS100 {

namespace {

// Copies up to fieldSize characters, zero-fills the rest and forces the last
// byte to 0, so at most fieldSize - 1 characters survive.
void copyField(char* field, uint32_t fieldSize, const char* text) {
  uint32_t i = 0;
  for (; i < fieldSize && text[i] != '\0'; ++i) field[i] = text[i];
  for (; i < fieldSize; ++i) field[i] = '\0';
  field[fieldSize - 1] = '\0';
}

}  // namespace

bool tStatus::setCode(int64_t code, const char* component, const char* file, uint64_t line) {
  const bool taken = (code_ == 0) ? code != 0 : (code_ > 0 && code < 0);
  if (!taken) return false;
  code_ = code;
  if (!isExtended()) return true;

  tStatusExtended& extended = static_cast<tStatusExtended&>(*this);
  copyField(extended.component_, tStatusExtended::kComponentSize, component);
  copyField(extended.file_, tStatusExtended::kFileSize, file);
  const uint64_t fileLength = vorlan_driver::nKIVAPAL000::stringLength(file);
  if (fileLength > tStatusExtended::kFileSize - 1) {
    // Keep both ends of an overlong path: 49 characters, "..", the last 49.
    extended.file_[49] = '.';
    extended.file_[50] = '.';
    const char* tail = file + fileLength - 49;
    for (uint32_t i = 0; i < 49; ++i) extended.file_[51 + i] = tail[i];
    extended.file_[100] = '\0';
  }
  extended.line_ = line;
  extended.stack_[0] = 0;
  return true;
}

bool tStatus::merge(const tStatus& source) {
  const bool sourceExtended = source.isExtended();
  const tStatusExtended* located = sourceExtended ? static_cast<const tStatusExtended*>(&source) : nullptr;
  const bool taken = setCode(source.code_, located ? located->component_ : "", located ? located->file_ : "",
                             located ? located->line_ : 0);
  if (taken && located && isExtended()) {
    uint64_t* stack = static_cast<tStatusExtended&>(*this).stack_;
    for (uint32_t i = 0; i < tStatusExtended::kStackDepth; ++i) {
      stack[i] = located->stack_[i];
      if (located->stack_[i] == 0) break;
    }
  }
  return taken;
}

void tStatus::clear() {
  code_ = 0;
  if (!isExtended()) return;
  tStatusExtended& extended = static_cast<tStatusExtended&>(*this);
  for (uint32_t i = 0; i < tStatusExtended::kComponentSize; ++i) extended.component_[i] = '\0';
  for (uint32_t i = 0; i < tStatusExtended::kFileSize; ++i) extended.file_[i] = '\0';
  extended.line_ = 0;
  for (uint32_t i = 0; i < tStatusExtended::kStackDepth; ++i) extended.stack_[i] = 0;
}

int32_t tStatus::toText(char* buffer, uint64_t size) const {
  using vorlan_driver::nKIVAPAL000::boundedFormat;
  const int64_t limit = static_cast<int64_t>(size);
  int64_t n = boundedFormat(buffer, size, "\ntStatus contents:\n\tcode = %ld\n", static_cast<long>(code_));
  if (isExtended() && code_ != 0) {
    const tStatusExtended& extended = static_cast<const tStatusExtended&>(*this);
    if (n <= 0 || limit - n <= 0) return -1;
    const int32_t header = boundedFormat(buffer + n, size - n,
                                         "\tcomponent name = %s\n\tfile name: %s\n\tline number = %lu\n\tstack trace:\n",
                                         extended.component_, extended.file_, static_cast<unsigned long>(extended.line_));
    if (header < 0) return -1;
    n += header;
    for (uint32_t i = 0; i < tStatusExtended::kStackDepth; ++i) {
      if (n <= 0 || limit - n <= 0) return -1;
      const int32_t entry = boundedFormat(buffer + n, size - n, "\t\t0x%016lx\n",
                                          static_cast<unsigned long>(extended.stack_[i]));
      if (entry < 0) return -1;
      n += entry;
      if (extended.stack_[i] == 0) break;
    }
  }
  return (n >= 0 && n < limit) ? static_cast<int32_t>(n) : -1;
}

}  // namespace nKIVAPALS100
