// A streaming trace: a line begins with a bracketed header that says where it
// comes from, is filled through insertion operators and is ended; finished
// text goes to a trace destination in pieces of at most one line buffer.
// Nothing is allocated while writing, so a stream can report from error
// paths. Without locking, lines written by several threads at once may mix;
// with locking, a header holds the stream's mutex until its line ends.
#pragma once

#include <stdarg.h>
#include <stdint.h>

#include "platform/trace/iTraceDestination.h"
#include "platform/trace/tTraceManipulator.h"
#include "platform/trace/tTraceNumber.h"

namespace nKIVAPALS100 {
class tStatus;
}  // namespace nKIVAPALS100

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tTrace {
 public:
  static constexpr uint32_t kLineBufferSize = 253;
  static constexpr uint64_t kDefaultWidth = 50;
  // Formatted text is built in a buffer of this size before it is appended.
  static constexpr uint32_t kMaxTraceLine = 256;

  // The indentation change a header makes.
  enum tIndentChange : uint32_t { kNoIndentChange = 0, kIndentAfter = 1, kOutdentBefore = 2 };

  explicit tTrace(iTraceDestination* destination);
  virtual ~tTrace();
  tTrace(const tTrace&) = delete;
  tTrace& operator=(const tTrace&) = delete;

  // ---- settings
  bool isEnabled() const { return enabled_; }
  void setEnabled() { enabled_ = true; }
  void clearEnabled() { enabled_ = false; }
  bool isShowComponent() const { return showComponent_; }
  void setShowComponent() { showComponent_ = true; }
  void clearShowComponent() { showComponent_ = false; }
  bool isShowVersion() const { return showVersion_; }
  void setShowVersion() { showVersion_ = true; }
  void clearShowVersion() { showVersion_ = false; }
  bool isShowNumber() const { return showNumber_; }
  void setShowNumber() { showNumber_ = true; }
  void clearShowNumber() { showNumber_ = false; }
  bool isShowFile() const { return showFile_; }
  void setShowFile() { showFile_ = true; }
  void clearShowFile() { showFile_ = false; }
  bool isFullPath() const { return fullPath_; }
  void setFullPath() { fullPath_ = true; }
  void clearFullPath() { fullPath_ = false; }
  bool isShowTimer() const { return showTimer_; }
  void setShowTimer() { showTimer_ = true; }
  void clearShowTimer() { showTimer_ = false; }
  bool isShowLine() const { return showLine_; }
  void setShowLine() { showLine_ = true; }
  void clearShowLine() { showLine_ = false; }
  bool isShowThread() const { return showThread_; }
  void setShowThread() { showThread_ = true; }
  void clearShowThread() { showThread_ = false; }
  bool isIndent() const { return indent_; }
  void setIndent() { indent_ = true; }
  void clearIndent() { indent_ = false; }
  bool isPad() const { return pad_; }
  void setPad() { pad_ = true; }
  void clearPad() { pad_ = false; }
  uint64_t getWidth() const { return width_; }
  void setWidth(uint64_t width) { width_ = width; }
  int64_t getDepth() const { return depth_; }

  // Switch locking while no other thread is writing to the stream.
  bool isLocking() const { return locking_; }
  void enableLocking();
  void disableLocking();

  // ---- lines
  // version is a packed version word.
  void writeHeader(const char* component, uint32_t version, uint64_t number, const char* file, uint64_t line,
                   tIndentChange change);
  void endLine();
  // Writes a line naming the new destination to the old one, then makes the
  // new one current if it is another destination and accepts. Returns the
  // destination that was current before.
  iTraceDestination* setDestination(iTraceDestination* destination);

  // ---- text
  tTrace& operator<<(const char* text);
  tTrace& operator<<(char character);
  tTrace& operator<<(bool value);
  tTrace& operator<<(uint16_t value);
  tTrace& operator<<(uint32_t value);
  tTrace& operator<<(uint64_t value);
  tTrace& operator<<(int16_t value);
  tTrace& operator<<(int32_t value);
  tTrace& operator<<(int64_t value);
  tTrace& operator<<(tTraceNumber<uint16_t> number);
  tTrace& operator<<(tTraceNumber<uint32_t> number);
  tTrace& operator<<(tTraceNumber<uint64_t> number);
  tTrace& operator<<(tTraceNumber<int16_t> number);
  tTrace& operator<<(tTraceNumber<int32_t> number);
  tTrace& operator<<(tTraceNumber<int64_t> number);
  tTrace& operator<<(const wchar_t* text);
  tTrace& operator<<(const nKIVAPALS100::tStatus& status);
  tTrace& operator<<(const tTraceManipulator& manipulator);

  // Up to length characters; stops early at a terminating zero.
  void write(const char* text, uint64_t length);
  // Appends only while counter is below limit, adding what it wrote to counter.
  void boundedWrite(const char* text, uint64_t limit, uint64_t& counter);
  void number(uint64_t value, uint32_t base, uint64_t limit, uint64_t& counter);
  void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Lines of 16 bytes at most, in groups of groupSize bytes: address, the
  // groups in hexadecimal, then the bytes as characters.
  void hexDump(const void* data, uint64_t length, uint64_t groupSize);

 private:
  void append(const char* text, uint64_t length);
  void appendText(const char* text);
  void appendSigned(int64_t value, uint32_t base);
  void appendUnsigned(uint64_t value, uint32_t base);
  void handOver();
  void beginLockedLine();
  void endLockedLine();
  bool isLineOwnedByCaller() const;

  iTraceDestination* destination_;
  bool enabled_;
  bool showComponent_;
  bool showVersion_;
  bool showNumber_;
  bool showFile_;
  bool fullPath_;
  bool showTimer_;
  bool showLine_;
  bool showThread_;
  bool locking_;
  bool indent_;
  bool pad_;
  uint64_t width_;
  int64_t depth_;
  void* mutex_;
  // The thread whose line holds the mutex. Written only by that thread while
  // it holds the mutex, so the end of a line releases only a mutex its own
  // header took.
  void* lineOwner_;
  // One byte more than the line: the byte after the line is always 0.
  char lineBuffer_[kLineBufferSize + 1];
  char* writePosition_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
