#include "platform/cppRuntime/cppRunTime.h"

#include "platform/cppRuntime/staticConstructorTable.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

tDestructorRecord* gDestructorListHead = nullptr;
uint32_t gReferenceCount = 0;
bool gStaticObjectNotBuilt = false;

const char* const kVersionRecord[] = {
    "nKIVVersion_CompanyName=Vorlan driver developers",
    "nKIVVersion_LegalCopyright=Copyright the Vorlan driver developers",
    "nKIVVersion_ProductName=vorlan_driver",
    "nKIVVersion_OriginalFilename=vorlan_driver.o",
    "nKIVVersion_FileDescription=Source-measure unit kernel driver",
    "nKIVVersion_ProductVersion=1.0.0",
    "nKIVVersion_FileVersion=1.0.0",
    "nKIVVersion_InternalName=vorlan_driver",
    "nKIVVersion_Comments=built from the project tree",
    nullptr,
};

}  // namespace

tDestructorRecord** staticDestructorListHead() { return &gDestructorListHead; }
uint32_t runTimeReferenceCount() { return gReferenceCount; }
const char* const* getVersionRecord() { return kVersionRecord; }

int32_t registerStaticDestructor(void (*function)(void* argument), void* argument, tDestructorRecord** head) {
  // A non-throwing form, so the language itself keeps the null check on the
  // result whatever the compiler; the status-less forms are allowed to be
  // assumed never to return null. Kind flag 1, as the status-less forms write.
  nKIVAPALS100::tStatus dropped;
  tDestructorRecord* record = new (dropped, static_cast<uint8_t>(1)) tDestructorRecord;
  if (record == nullptr) return -1;
  record->function = function;
  record->argument = argument;
  record->next = *head;
  *head = record;
  return 0;
}

void noteStaticObjectNotBuilt() { gStaticObjectNotBuilt = true; }

bool initializeRunTime() {
  const uint32_t previous = gReferenceCount;
  gReferenceCount = previous + 1;
  if (previous != 0) return true;
  gStaticObjectNotBuilt = false;
  // The table has an empty slot at each end; the constructors run from the
  // last to the first.
  const tStaticConstructor* table = staticConstructorTable();
  for (uint32_t slot = staticConstructorTableSize(); slot > 0; --slot) {
    if (table[slot - 1] != nullptr) table[slot - 1]();
  }
  return !gStaticObjectNotBuilt;
}

void finalizeRunTime() {
  if (gReferenceCount == 0) return;
  if (--gReferenceCount != 0) return;
  while (gDestructorListHead != nullptr) {
    tDestructorRecord* record = gDestructorListHead;
    gDestructorListHead = record->next;
    void (*function)(void*) = record->function;
    void* argument = record->argument;
    delete record;
    function(argument);
  }
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
