// The isolated-side maps as their definitions describe them, register by
// register, written down here on their own so that the maps are checked
// against them rather than against themselves.
//
// Access: R read-only, W write-only, B read-write, V read-write with a read
// view (a second whole-register ID with bit 30), U format only. Fields are
// bit ranges in ascending order; in a read view, '=' marks a field that is
// the write view's field at the same bits. A keep of all ones means no
// strobes.
#pragma once

#include <cstdint>
#include <vector>

namespace isomaptest {

struct Row {
  uint32_t offset;
  char access;
  const char* fields;
  uint32_t keep;
  uint32_t reset;
  const char* readView;
};

constexpr uint32_t kAll = 0xFFFFFFFFu;

// Singles in offset order, then the families: the order of the map-wide walks.
inline const std::vector<Row>& isoFpgaRows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> r{
        {0x000, 'R', "0-31", kAll, 0, ""},
        {0x001, 'R', "0-31", kAll, 0, ""},
        {0x003, 'B', "0-31", kAll, 0, ""},
        {0x004, 'U', "0-31", kAll, 0, ""},
        {0x005, 'U', "0-31", kAll, 0, ""},
        {0x006, 'W', "0-7 8-15 16-17 18 23", 0xFF780000u, 0, ""},
        {0x007, 'W', "1 2 8 9 31", 0x7FFFFCFBu, 0, ""},
        {0x008, 'W', "0-23 24-27 28-29", 0xC0000000u, 0, ""},
        {0x009, 'W', "0 4 8", 0xFFFFFEEEu, 0, ""},
        {0x00A, 'R', "0-31", kAll, 0, ""},
        {0x00B, 'R', "0-29 30 31", kAll, 0, ""},
        {0x00C, 'R', "0-31", kAll, 0, ""},
        {0x00D, 'R', "0-29 30 31", kAll, 0, ""},
        {0x00E, 'W', "0 1 2 3 4 5 6 7 8 9 10 11 12 13 16-17 24 25", 0xFCFCD400u, 0, ""},
        {0x020, 'R', "8 9", kAll, 0, ""},
        {0x021, 'R', "0-3 8-11 16-19 24-27 31", kAll, 0, ""},
        {0x022, 'W', "0-23", 0x00FFFFFFu, 0, ""},
        {0x023, 'W', "0-31", kAll, 0, ""},
        {0x024, 'R', "0-10 16 17 18", kAll, 0, ""},
        {0x025, 'R', "0-15 16-31", kAll, 0, ""},
        {0x026, 'W', "0-7", kAll, 0, ""},
        {0x027, 'R', "0-15", kAll, 0, ""},
        {0x030, 'R', "0-14 16-30", kAll, 0, ""},
        {0x031, 'R', "0-13 16-29", kAll, 0, ""},
        {0x032, 'R', "0-13 16-29", kAll, 0, ""},
        {0x040, 'W', "0-15", kAll, 0, ""},
        {0x050, 'W', "0-31", 0, 0, ""},
        {0x051, 'W', "0-31", 0, 0, ""},
        {0x052, 'B', "0-31", kAll, 0, ""},
        {0x053, 'B', "0-31", kAll, 0, ""},
        {0x054, 'W', "0-15 24 25 26 27-31", 0xF8FFFFFFu, 0, ""},
        {0x055, 'R', "0-31", kAll, 0, ""},
        {0x056, 'R', "0-31", kAll, 0, ""},
        {0x057, 'W', "0 1 2 3", 0xFFFFFFF0u, 0, ""},
        {0x058, 'W', "0-4", kAll, 0, ""},
        {0x059, 'R', "0-7 8-15 30 31", kAll, 0, ""},
        {0x05A, 'R', "0-31", kAll, 0, ""},
        {0x05B, 'R', "0-31", kAll, 0, ""},
        {0x05C, 'W', "0-31", kAll, 0, ""},
        {0x074, 'W', "2 3 4 5", 0xFFFFFFC3u, 0, ""},
        {0x100, 'W', "0-6 16-22", kAll, 0, ""},
        {0x102, 'W', "0-11 16-27", kAll, 0, ""},
        {0x103, 'W', "0-13 16-29", kAll, 0, ""},
        {0x110, 'W', "0-17", kAll, 0, ""},
        {0x111, 'W', "0-17", kAll, 0, ""},
        {0x112, 'W', "0-14", kAll, 0, ""},
        {0x120, 'W', "0 1 2 3 4 5 6 7", 0xFFFFFF00u, 0, ""},
        {0x121, 'W', "0 1 2 3 4 5 6 7", 0xFFFFFF00u, 0, ""},
        {0x122, 'W', "0-4 5 8 10", 0xFFFFFADFu, 0, ""},
        {0x123, 'R', "0-11 12 16-27 28", kAll, 0, ""},
        {0x124, 'R', "0-11 12 16-27 28", kAll, 0, ""},
        {0x125, 'R', "0-11 12", kAll, 0, ""},
        {0x130, 'W', "0-4 8 16-19", 0xFFF0FEE0u, 0, ""},
    };
    for (uint32_t o = 0x131; o <= 0x135; ++o) r.push_back({o, 'R', "0-21 22-31", kAll, 0, ""});
    const Row tail[] = {
        {0x166, 'R', "0 1 16 17 18 31", kAll, 0, ""},
        {0x167, 'W', "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23", 0xFF000000u, 0, ""},
        {0x168, 'W', "15 31", 0x7FFF7FFFu, 0, ""},
        {0x169, 'W', "0-11 16-27", kAll, 0, ""},
        {0x16A, 'W', "0-9 16-21", kAll, 0, ""},
        {0x16B, 'W', "0-4 31", kAll, 0, ""},
        {0x170, 'V', "0-2 4-6 8", 0xFFFFFEFFu, 0, "=0-2 =4-6"},
        {0x171, 'B', "0-31", kAll, 0, ""},
        {0x180, 'W', "0-5", 0xFFFFFFC0u, 0, ""},
        {0x181, 'W', "0-11 16-27", kAll, 0, ""},
        {0x182, 'W', "0-14 16-30", kAll, 0, ""},
        {0x183, 'W', "0-14 16-30", kAll, 0, ""},
        {0x184, 'W', "0-11 16-27", kAll, 0, ""},
        {0x185, 'W', "0-11 16-27", kAll, 0, ""},
        {0x186, 'W', "0-11", kAll, 0, ""},
        {0x187, 'W', "0-11 12-23 24-31", kAll, 0x03064064u, ""},
        {0x188, 'W', "0-11", kAll, 0x000001F4u, ""},
        {0x189, 'W', "0-11 12 13-24 25", kAll, 0x00D0442Bu, ""},
        {0x18A, 'W', "0-11", kAll, 0x0000029Bu, ""},
        {0x210, 'W', "0-23", 0xFF000000u, 0, ""},
        {0x220, 'W', "0 1 2 3", 0xFFFFFFF0u, 0, ""},
        {0x221, 'B', "0-15 16-31", kAll, 0, ""},
        {0x222, 'B', "0-15 16-27 28 29 30 31", kAll, 0, ""},
        {0x223, 'B', "0-7 8-19 20-31", kAll, 0, ""},
        {0x224, 'B', "0-24 25 26 30 31", kAll, 0, ""},
    };
    r.insert(r.end(), std::begin(tail), std::end(tail));
    struct Family {
      uint32_t first, count;
      char access;
      const char* fields;
      uint32_t keep;
    };
    const Family families[] = {
        {0x02C, 4, 'R', "8-31", kAll},  {0x070, 4, 'B', "0-31", kAll},  {0x080, 6, 'R', "0-26", kAll},
        {0x09C, 4, 'R', "0-7", kAll},   {0x104, 4, 'W', "0-27 28-31", 0}, {0x108, 4, 'W', "0-19", kAll},
        {0x10C, 4, 'W', "0-23", kAll},  {0x150, 16, 'R', "0-31", kAll}, {0x200, 9, 'W', "0-15", kAll},
    };
    for (const Family& f : families) {
      for (uint32_t k = 0; k < f.count; ++k) r.push_back({f.first + k, f.access, f.fields, f.keep, 0, ""});
    }
    return r;
  }();
  return rows;
}

inline const std::vector<Row>& isoChannelRows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> r{
        {0x1000, 'W', "0-2", kAll, 0, ""},
        {0x1001, 'W', "0 1", 0xFFFFFFFCu, 0, ""},
        {0x1002, 'W', "0 1 2 8 9", 0xFFFFFCF8u, 0, ""},
        {0x1003, 'R', "0-14 15 16-18 19 20 21 22 23 24 25 26-28 29-30 31", kAll, 0, ""},
        {0x1004, 'W', "0-31", kAll, 0, ""},
        {0x1005, 'W', "0-31", kAll, 0, ""},
        {0x1006, 'B', "0-31", kAll, 0, ""},
        {0x1007, 'R', "0 4 6 7 8 9 10 11 12 16 20 22", kAll, 0, ""},
        {0x1008, 'B', "0-4", kAll, 0, ""},
        {0x1009, 'B', "0-15", kAll, 0, ""},
        {0x100A, 'B', "0-4", kAll, 0, ""},
        {0x100B, 'B', "0-15", kAll, 0, ""},
        {0x100C, 'W', "0-31", kAll, 0, ""},
        {0x100D, 'B', "0-15", kAll, 0, ""},
        {0x100E, 'W', "0-2", 0xFFFFFFF8u, 0, ""},
        {0x100F, 'R', "0-31", kAll, 0, ""},
        {0x1010, 'W', "0-27 28-31", 0, 0, ""},
        {0x1011, 'W', "0-27 28-31", 0, 0, ""},
        {0x1012, 'W', "0-27 28-31", 0, 0, ""},
        {0x1013, 'W', "0-27 28-31", 0, 0, ""},
        {0x1014, 'W', "0-19", kAll, 0, ""},
        {0x1015, 'W', "0-19", kAll, 0, ""},
        {0x1016, 'W', "0-19", kAll, 0, ""},
        {0x1017, 'W', "0-19", kAll, 0, ""},
        {0x1018, 'W', "0-23", kAll, 0, ""},
        {0x1019, 'W', "0-23", kAll, 0, ""},
        {0x101A, 'W', "0-23", kAll, 0, ""},
        {0x101B, 'W', "0-13 16-29", kAll, 0, ""},
        {0x101C, 'W', "4-6", kAll, 0, ""},
        {0x101D, 'W', "4-6", kAll, 0, ""},
        {0x101E, 'W', "4-6", kAll, 0, ""},
        {0x101F, 'W', "4-6", kAll, 0, ""},
        {0x1020, 'W', "0-31", kAll, 0, ""},
        {0x1021, 'W', "0-31", kAll, 0, ""},
        {0x1022, 'W', "0-17", kAll, 0, ""},
        {0x1023, 'W', "0-17", kAll, 0, ""},
        {0x1024, 'W', "0-17", kAll, 0, ""},
        {0x1025, 'W', "0-17", kAll, 0, ""},
        {0x1026, 'W', "0-14", kAll, 0, ""},
        {0x1027, 'W', "0-14", kAll, 0, ""},
        {0x1028, 'W', "0", kAll, 0, ""},
        {0x1029, 'W', "0-31", kAll, 0, ""},
        {0x102A, 'W', "0-31", kAll, 0, ""},
        {0x102B, 'W', "0-31", kAll, 0, ""},
        {0x102C, 'W', "0-31", kAll, 0, ""},
        {0x102D, 'W', "0-31", kAll, 0, ""},
        {0x102E, 'W', "6 7-9 10-12 13 14 15 16 17 18-20 21-23", 0xFF00003Fu, 0, ""},
        {0x102E, 'R', "0 1 2 3 8-15 16-23", kAll, 0, ""},
        {0x102F, 'W', "0-2 4 24-26 28 30 31", 0x28FFFFEFu, 0, ""},
        {0x1030, 'W', "0-24 28", kAll, 0, ""},
        {0x1031, 'W', "0-19 24-25 28-30 31", kAll, 0, ""},
        {0x1032, 'W', "0 1 2 3 4 5 8 9 12 13 14 16 20 21 24 25 26 27", 0xF0CE8CC0u, 0, ""},
        {0x1033, 'B', "0-2", kAll, 0, ""},
        {0x1034, 'B', "0-2", kAll, 0, ""},
        {0x1035, 'R', "0-31", kAll, 0, ""},
        {0x1036, 'R', "0-31", kAll, 0, ""},
        {0x1037, 'B', "0-15", kAll, 0, ""},
        {0x1039, 'R', "0-5", kAll, 0, ""},
        {0x103A, 'W', "0-5", 0xFFFFFFC0u, 0, ""},
        {0x103B, 'W', "0-2", 0xFFFFFFF8u, 0, ""},
        {0x103C, 'W', "0-1 2-3 4-5 6-7 8-9 10-11 12-13 14-15", kAll, 0, ""},
        {0x103D, 'W', "0-1 2-3 4-5 6-7 8-9 10-11 12-13 14-15", kAll, 0, ""},
        {0x103E, 'W', "0-11", kAll, 0, ""},
        {0x103F, 'W', "0-15 16 31", 0x7FFE0000u, 0, ""},
        {0x1051, 'B', "0-31", kAll, 0, ""},
        {0x1052, 'B', "0-3", kAll, 0, ""},
        {0x1053, 'B', "0", kAll, 0, ""},
        {0x1054, 'B', "0", kAll, 0, ""},
        {0x1055, 'W', "0-31", kAll, 0, ""},
        {0x1056, 'R', "0-16 31", kAll, 0, ""},
        {0x1057, 'W', "0-16 31", 0x7FFE0000u, 0, ""},
        {0x1058, 'W', "0-19 20 24 25 31", 0x7CEFFFFFu, 0, ""},
        {0x1059, 'B', "0-15", kAll, 0, ""},
        {0x105A, 'B', "0-4", kAll, 0, ""},
        {0x105B, 'B', "0-4", kAll, 0, ""},
        {0x105C, 'B', "0-14", kAll, 0, ""},
        {0x105D, 'B', "0-14", kAll, 0, ""},
        {0x105E, 'B', "0-31", kAll, 0, ""},
        {0x105F, 'R', "0-9 16-25", kAll, 0, ""},
        {0x1060, 'B', "0-11", kAll, 0, ""},
        {0x1061, 'B', "0-11", kAll, 0, ""},
        {0x1062, 'B', "0-11", kAll, 0, ""},
        {0x1064, 'B', "0-24", kAll, 0, ""},
        {0x1065, 'B', "0-24", kAll, 0, ""},
        {0x1066, 'B', "0-24", kAll, 0, ""},
        {0x1068, 'B', "0-7", kAll, 0, ""},
        {0x1069, 'B', "0-7", kAll, 0, ""},
        {0x106A, 'B', "0-7", kAll, 0, ""},
        {0x106B, 'B', "0-7", kAll, 0, ""},
        {0x106C, 'B', "0-7", kAll, 0, ""},
        {0x106E, 'B', "0-15", kAll, 0, ""},
        {0x106F, 'R', "0-15 16-31", kAll, 0, ""},
        {0x1070, 'V', "0 1 24 30 31", 0xBEFFFFFFu, 0, "=0 =1 8-10 25"},
        {0x1071, 'R', "0-31", kAll, 0, ""},
        {0x1072, 'R', "0-31", kAll, 0, ""},
        {0x1074, 'V', "0 1 12 13 14 15 16 17 18-22 23 24 25 26 27 28", 0xE87D5FFDu, 0,
         "=0 =12 =14 =16 24 25 26"},
        {0x1075, 'W', "0-27 28-29 31", 0x7FFFFFFFu, 0, ""},
        {0x1076, 'B', "0-15", kAll, 0, ""},
        {0x1077, 'W', "0-11 16-27 31", kAll, 0, ""},
        {0x1078, 'W', "0-23 24-25 26-28 29-31", 0, 0, ""},
    };
    for (uint32_t o = 0x1040; o <= 0x1050; ++o) r.push_back({o, 'B', "0-15", kAll, 0, ""});
    return r;
  }();
  return rows;
}

// The strobes this register holds apart from its shadow until written.
inline uint32_t pendingStrobes(uint32_t offset) { return offset == 0x1074 ? 0x1782A002u : 0u; }

// What a refresh of these registers keeps from the shadow.
inline uint32_t refreshKept(uint32_t offset) {
  return offset == 0x1070 ? 0x80000000u : offset == 0x1074 ? 0x087C0000u : 0u;
}

inline const std::vector<Row>& cpldRows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> r{
        {0x04, 'W', "0 8", kAll, 0, ""},
        {0x05, 'W', "0-7 8-15 16-17 18 23", kAll, 0, ""},
        {0x08, 'B', "6 7", kAll, 0, ""},
        {0x09, 'B', "0-7", kAll, 0, ""},
        {0x0A, 'B', "0 1 2 3 4 5 7", kAll, 0, ""},
        {0x0B, 'B', "0-7", kAll, 0, ""},
        {0x0C, 'B', "0 1 2 3 4 5", kAll, 0, ""},
        {0x0D, 'B', "0 1 2 3 4 5", kAll, 0, ""},
    };
    for (uint32_t o = 0x10; o <= 0x15; ++o) r.push_back({o, 'W', "0-11 12-19 20 21 22 23 24 25 26", kAll, 0, ""});
    return r;
  }();
  return rows;
}

}  // namespace isomaptest
