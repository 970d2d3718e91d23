#include "platform/debug/kivsdbg_VarLine.h"

kivsdbg_VarLine::~kivsdbg_VarLine() {}

void kivsdbg_VarLine::print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  kivsdbg_formatLine(&location_, format, arguments);
  va_end(arguments);
}
