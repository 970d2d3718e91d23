// A prefixed debug line prepared at its call site: the location and two
// further texts are filled in there, and print writes the line.
#pragma once

#include "platform/debug/kivsdbg.h"

class kivsdbg_VarLine {
 public:
  kivsdbg_VarLine(const kivsdbg_Location& location, const char* firstText, const char* secondText)
      : location_(location), firstText_(firstText), secondText_(secondText) {}
  virtual ~kivsdbg_VarLine();
  kivsdbg_VarLine(const kivsdbg_VarLine&) = delete;
  kivsdbg_VarLine& operator=(const kivsdbg_VarLine&) = delete;

  virtual void print(const char* format, ...) __attribute__((format(printf, 2, 3)));

  const kivsdbg_Location& getLocation() const { return location_; }
  const char* getFirstText() const { return firstText_; }
  const char* getSecondText() const { return secondText_; }

 private:
  kivsdbg_Location location_;
  const char* firstText_;
  const char* secondText_;
};
