// Marking one register pending: the next unforced write of an unchanged
// value, or an unforced flush, goes out once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/status/tStatus.h"
#include "tests/regmaps/tFakeAccessor32.h"
#include "tests/regmaps/tWord32TestMap.h"

namespace {

using nKIVAPALS100::tStatus;
using regmaptest::tFakeAccessor32;
using regmaptest::tWord32TestMap;

TEST(RegisterPending, MarkedRegisterIsWrittenOnceThoughUnchanged) {
  tFakeAccessor32 accessor;
  tWord32TestMap map{accessor};
  tStatus status;
  map.First.writeRegister(5, status);
  map.First.writeRegister(5, status);
  EXPECT_EQ(accessor.calls, (std::vector<std::string>{"w16=5"})) << "unchanged and clean: no write";

  map.First.markDirty();
  EXPECT_TRUE(map.First.isDirty());
  map.First.writeRegister(5, status);
  map.First.writeRegister(5, status);
  map.First.markDirty();
  map.First.flush(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(accessor.calls, (std::vector<std::string>{"w16=5", "w16=5", "w16=5"}));
  EXPECT_FALSE(map.First.isDirty());
}

}  // namespace
