// The optional record a reset request carries: replacement firmware images,
// window limits and a sequencer subroutine package, all in user memory. A
// zero pointer or size selects what the driver carries itself.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver_codegen {

struct CustomResetParameters {
  uint64_t nisoFpgaImage;
  uint64_t nisoFpgaImageSize;
  uint64_t isoFpgaImage;
  uint64_t isoFpgaImageSize;
  uint64_t cpldImage;
  uint64_t cpldImageSize;
  uint64_t limits;
  uint64_t packageImage;
  uint64_t packageWordCount;
  uint64_t packageIds;
  uint64_t packageAddresses;
  uint64_t packageIdCount;
};
static_assert(offsetof(CustomResetParameters, nisoFpgaImage) == 0, "reset record: non-isolated image");
static_assert(offsetof(CustomResetParameters, isoFpgaImage) == 16, "reset record: isolated image");
static_assert(offsetof(CustomResetParameters, cpldImage) == 32, "reset record: CPLD image");
static_assert(offsetof(CustomResetParameters, limits) == 48, "reset record: limits");
static_assert(offsetof(CustomResetParameters, packageImage) == 56, "reset record: package image");
static_assert(offsetof(CustomResetParameters, packageWordCount) == 64, "reset record: package word count");
static_assert(offsetof(CustomResetParameters, packageIds) == 72, "reset record: package ids");
static_assert(offsetof(CustomResetParameters, packageAddresses) == 80, "reset record: package addresses");
static_assert(offsetof(CustomResetParameters, packageIdCount) == 88, "reset record: package id count");
static_assert(sizeof(CustomResetParameters) == 96, "reset record is 96 bytes");

}  // namespace vorlan_driver_codegen
