// Synthesises the built-in subroutine package and writes the source the
// driver links: the image as one LZ4 block, the ids and the start addresses.
//
// The package has the shape the driver's header fixes: 2703 words, 172
// entries whose addresses ascend strictly from 0 to 2675, the sequence
// engine's reset first, every id the driver runs present, and filler ids for
// the rest. Every word is a command word of a layout whose opcode the
// sequencer's packages use (1, 2, 3, 4, 6, 7, 9 and 11). Subroutines are
// built from a small vocabulary of recurring phrases with some words drawn
// fresh; how many are fresh is searched so that the block has exactly the
// size the header fixes. Everything is drawn from a fixed seed, so every
// build makes the same package.
//
// Usage: subroutinepackagegen OUTPUT.cpp
#include <lz4.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "controllers/sequencer/commandWordLayouts.h"
#include "controllers/subroutine/builtInSubroutinePackage.h"
#include "controllers/subroutine/subroutineIds.h"

namespace {

namespace pkg = vorlan_driver::builtInSubroutinePackage;
namespace cw = vorlan_driver::commandWord;
namespace ids = vorlan_driver::subroutineIds;

constexpr uint32_t kUsedOpcodes[] = {1, 2, 3, 4, 6, 7, 9, 11};
constexpr uint32_t kPhraseCount = 48;
constexpr uint32_t kMaxSeeds = 4096;

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t below(uint32_t bound) { return static_cast<uint32_t>(next() % bound); }

 private:
  uint64_t state_;
};

bool opcodeUsed(uint32_t opcode) {
  return std::find(std::begin(kUsedOpcodes), std::end(kUsedOpcodes), opcode) != std::end(kUsedOpcodes);
}

std::vector<cw::Layout> usableLayouts() {
  std::vector<cw::Layout> out;
  for (uint32_t i = 0; i < cw::kLayoutCount; ++i) {
    if (opcodeUsed(cw::opcodeOf(cw::kLayouts[i].reset))) out.push_back(static_cast<cw::Layout>(i));
  }
  return out;
}

// A word of the layout with every field drawn at random.
uint64_t drawWord(cw::Layout layout, Random& random) {
  const cw::LayoutRow& row = cw::rowOf(layout);
  return row.reset | (random.next() & cw::coveredBits(row.fields));
}

struct Package {
  std::vector<uint64_t> image;
  std::vector<uint32_t> ids;
  std::vector<uint32_t> addresses;
};

// The table: the reset first at word 0, the driver's other ids and fresh
// fillers in a drawn order, start addresses cut at random.
void drawTable(Package& p, Random& random) {
  std::vector<uint32_t> fixed;
  for (const ids::VariantIds* v : {&ids::kWren, &ids::kLark}) {
    fixed.insert(fixed.end(), std::begin(v->errorResponse), std::end(v->errorResponse));
    fixed.push_back(v->alarmResponse);
    fixed.push_back(v->finishStartup);
    fixed.push_back(v->shutdown);
    fixed.insert(fixed.end(), std::begin(v->channelStartup), std::end(v->channelStartup));
  }
  std::set<uint32_t> taken(fixed.begin(), fixed.end());
  taken.insert(ids::kSequenceEngineReset);
  std::vector<uint32_t> rest = fixed;
  while (rest.size() < pkg::kEntryCount - 1) {
    const uint32_t id = static_cast<uint32_t>(random.next());
    if (taken.insert(id).second) rest.push_back(id);
  }
  for (size_t i = rest.size() - 1; i > 0; --i) std::swap(rest[i], rest[random.below(static_cast<uint32_t>(i + 1))]);
  p.ids.assign(1, ids::kSequenceEngineReset);
  p.ids.insert(p.ids.end(), rest.begin(), rest.end());

  std::set<uint32_t> cuts;
  while (cuts.size() < pkg::kEntryCount - 2) cuts.insert(1 + random.below(pkg::kLastAddress - 1));
  p.addresses.assign(1, 0);
  p.addresses.insert(p.addresses.end(), cuts.begin(), cuts.end());
  p.addresses.push_back(pkg::kLastAddress);
}

// The image: phrases of the vocabulary one after the other; the words at
// the first `fresh` places of a drawn order of places are drawn anew.
void drawImage(Package& p, uint32_t fresh, const std::vector<std::vector<uint64_t>>& phrases,
               const std::vector<uint32_t>& phraseOrder, const std::vector<uint32_t>& places, uint64_t seed) {
  p.image.clear();
  for (uint32_t k = 0; p.image.size() < pkg::kImageWords; ++k) {
    const std::vector<uint64_t>& phrase = phrases[phraseOrder[k % phraseOrder.size()]];
    for (uint64_t w : phrase) {
      if (p.image.size() < pkg::kImageWords) p.image.push_back(w);
    }
  }
  const std::vector<cw::Layout> layouts = usableLayouts();
  Random random(seed ^ 0x5EEDF00Dull);
  for (uint32_t i = 0; i < fresh; ++i) {
    p.image[places[i]] = drawWord(layouts[random.below(static_cast<uint32_t>(layouts.size()))], random);
  }
}

std::vector<char> compress(const std::vector<uint64_t>& image) {
  const int source = static_cast<int>(image.size() * sizeof(uint64_t));
  std::vector<char> block(static_cast<size_t>(LZ4_compressBound(source)));
  const int size = LZ4_compress_default(reinterpret_cast<const char*>(image.data()), block.data(), source,
                                        static_cast<int>(block.size()));
  block.resize(size > 0 ? static_cast<size_t>(size) : 0);
  return block;
}

bool check(const Package& p, const std::vector<char>& block, std::string& why) {
  std::set<uint32_t> opcodes;
  for (uint64_t w : p.image) {
    if (!cw::fitsSomeLayout(w)) return why = "a word fits no layout", false;
    opcodes.insert(cw::opcodeOf(w));
  }
  if (opcodes != std::set<uint32_t>(std::begin(kUsedOpcodes), std::end(kUsedOpcodes))) {
    return why = "the image does not use exactly the package opcodes", false;
  }
  std::vector<uint64_t> back(pkg::kImageWords);
  const int n = LZ4_decompress_safe(block.data(), reinterpret_cast<char*>(back.data()), static_cast<int>(block.size()),
                                    static_cast<int>(pkg::kImageBytes));
  if (n != static_cast<int>(pkg::kImageBytes) || back != p.image) return why = "the block does not decompress back", false;
  if (p.ids.size() != pkg::kEntryCount || p.addresses.size() != pkg::kEntryCount) return why = "table size", false;
  if (p.ids[0] != ids::kSequenceEngineReset || p.addresses[0] != 0 || p.addresses.back() != pkg::kLastAddress) {
    return why = "table ends", false;
  }
  for (size_t i = 1; i < p.addresses.size(); ++i) {
    if (p.addresses[i] <= p.addresses[i - 1]) return why = "addresses do not ascend", false;
  }
  return true;
}

bool build(uint64_t seed, Package& p, std::vector<char>& block) {
  Random random(seed);
  drawTable(p, random);
  const std::vector<cw::Layout> layouts = usableLayouts();
  // The vocabulary; the first phrase holds one word of every usable layout.
  std::vector<std::vector<uint64_t>> phrases(kPhraseCount);
  for (cw::Layout l : layouts) phrases[0].push_back(drawWord(l, random));
  for (uint32_t k = 1; k < kPhraseCount; ++k) {
    const uint32_t length = 4 + random.below(13);
    for (uint32_t i = 0; i < length; ++i) {
      phrases[k].push_back(drawWord(layouts[random.below(static_cast<uint32_t>(layouts.size()))], random));
    }
  }
  std::vector<uint32_t> phraseOrder(1, 0);
  for (uint32_t k = 0; k < 400; ++k) phraseOrder.push_back(1 + random.below(kPhraseCount - 1));
  // Places that may be drawn fresh: never inside the first phrase, so every
  // usable layout stays in the image.
  std::vector<uint32_t> places;
  for (uint32_t i = static_cast<uint32_t>(phrases[0].size()); i < pkg::kImageWords; ++i) places.push_back(i);
  for (size_t i = places.size() - 1; i > 0; --i) std::swap(places[i], places[random.below(static_cast<uint32_t>(i + 1))]);

  // The block grows with the number of fresh words: the largest number
  // whose block is no larger than wanted, then its neighbours.
  uint32_t low = 0;
  uint32_t high = static_cast<uint32_t>(places.size());
  while (low < high) {
    const uint32_t mid = (low + high + 1) / 2;
    drawImage(p, mid, phrases, phraseOrder, places, seed);
    if (compress(p.image).size() <= pkg::kCompressedBytes) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  for (uint32_t fresh = low > 8 ? low - 8 : 0; fresh <= low + 8 && fresh <= places.size(); ++fresh) {
    drawImage(p, fresh, phrases, phraseOrder, places, seed);
    block = compress(p.image);
    if (block.size() == pkg::kCompressedBytes) return true;
  }
  return false;
}

void writeSource(const std::string& path, const Package& p, const std::vector<char>& block, uint64_t seed) {
  std::string out;
  char line[128];
  out += "// Generated by tools/subroutinepackagegen at build time; not committed, do not edit.\n";
  std::snprintf(line, sizeof line, "// Seed %llu.\n", static_cast<unsigned long long>(seed));
  out += line;
  out += "#include \"controllers/subroutine/builtInSubroutinePackage.h\"\n\n";
  out += "namespace vorlan_driver {\nnamespace builtInSubroutinePackage {\n\n";
  out += "const uint8_t kCompressedImage[kCompressedBytes] = {\n";
  for (size_t i = 0; i < block.size(); ++i) {
    std::snprintf(line, sizeof line, "%s0x%02X,%s", i % 16 == 0 ? "    " : " ",
                  static_cast<unsigned>(static_cast<uint8_t>(block[i])), i % 16 == 15 ? "\n" : "");
    out += line;
  }
  out += block.size() % 16 == 0 ? "};\n\n" : "\n};\n\n";
  for (const auto* table : {&p.ids, &p.addresses}) {
    out += table == &p.ids ? "const uint32_t kIds[kEntryCount] = {\n" : "const uint32_t kAddresses[kEntryCount] = {\n";
    for (size_t i = 0; i < table->size(); ++i) {
      std::snprintf(line, sizeof line, "%s0x%08Xu,%s", i % 8 == 0 ? "    " : " ", (*table)[i], i % 8 == 7 ? "\n" : "");
      out += line;
    }
    out += table->size() % 8 == 0 ? "};\n\n" : "\n};\n\n";
  }
  out += "}  // namespace builtInSubroutinePackage\n}  // namespace vorlan_driver\n";
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << out;
  if (!file) {
    std::fprintf(stderr, "subroutinepackagegen: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
    return 2;
  }
  for (uint64_t seed = 1; seed <= kMaxSeeds; ++seed) {
    Package p;
    std::vector<char> block;
    if (!build(seed, p, block)) continue;
    std::string why;
    if (!check(p, block, why)) {
      std::fprintf(stderr, "subroutinepackagegen: seed %llu: %s\n", static_cast<unsigned long long>(seed), why.c_str());
      return 1;
    }
    writeSource(argv[1], p, block, seed);
    return 0;
  }
  std::fprintf(stderr, "subroutinepackagegen: no seed up to %u gives a block of exactly %llu bytes\n", kMaxSeeds,
               static_cast<unsigned long long>(pkg::kCompressedBytes));
  return 1;
}
