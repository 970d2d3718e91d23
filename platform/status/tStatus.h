// The status object every fallible operation takes by reference, last.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace nKIVAPALS100 {

class tStatus {
 public:
  static constexpr uint64_t kCompactSize = 16;
  static constexpr uint64_t kExtendedSize = 216;

  tStatus() : sizeWord_(kCompactSize), code_(0) {}

  int64_t getCode() const { return code_; }
  bool isFatal() const { return code_ < 0; }
  bool isNotFatal() const { return code_ >= 0; }
  bool isWarning() const { return code_ > 0; }
  bool isExtended() const { return sizeWord_ >= kExtendedSize; }

  // Takes the code when the current one is 0 (and the new one is not) or
  // the current one is a warning and the new one an error.
  bool setCode(int64_t code, const char* component, const char* file, uint64_t line);
  bool merge(const tStatus& source);
  // Back to success, forgetting where the code was raised: for the rare
  // caller that decides an error it was handed is none.
  void clear();
  // Readable dump; the character count, or -1 when the buffer is too small.
  int32_t toText(char* buffer, uint64_t size) const;

 protected:
  explicit tStatus(uint64_t sizeWord) : sizeWord_(sizeWord), code_(0) {}

 private:
  uint64_t sizeWord_;
  int64_t code_;
};

// The extended form also records where the code was raised.
class tStatusExtended : public tStatus {
 public:
  static constexpr uint32_t kComponentSize = 10;
  static constexpr uint32_t kFileSize = 101;
  static constexpr uint32_t kStackDepth = 10;

  tStatusExtended() : tStatus(kExtendedSize), component_(), file_(), line_(0), stack_() {}

  const char* getComponent() const { return component_; }
  const char* getFile() const { return file_; }
  uint64_t getLine() const { return line_; }
  const uint64_t* getStack() const { return stack_; }
  uint64_t* getStack() { return stack_; }

 private:
  friend class tStatus;
  char component_[kComponentSize];
  char file_[kFileSize];
  uint64_t line_;
  uint64_t stack_[kStackDepth];
};

static_assert(sizeof(tStatus) == tStatus::kCompactSize, "compact status layout");
static_assert(sizeof(tStatusExtended) == tStatus::kExtendedSize, "extended status layout");

}  // namespace nKIVAPALS100

// Every code the driver raises names this component and our own file and line.
#define kivComponentName "vorlan_driver"
#define vorlanSetCode(status, code) ((status).setCode((code), kivComponentName, __FILE__, __LINE__))
