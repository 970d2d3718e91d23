// The isolated FPGA's sequencer on the simulated side: the local RAM behind
// its staging registers, and the interrupt generator that runs subroutines
// and acknowledges them in virtual time.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "simboard/IsolatedRegisterSpace.h"

namespace {

using simboard::IsolatedRegisterSpace;
using simboard::LogPolicy;

constexpr uint32_t kIso = 24;

void commit(IsolatedRegisterSpace& side, uint32_t address, uint64_t word) {
  side.write(kIso, 0x52, static_cast<uint32_t>(word >> 32));
  side.write(kIso, 0x53, static_cast<uint32_t>(word));
  side.write(kIso, 0x50, address);
}

uint32_t channelWord(uint32_t channel, uint32_t offset) { return 0x1000u | channel << 7 | offset; }

TEST(SequencerSide, TheLocalRamCommitsLoadsAndKnowsTheImageWrittenFromWordZero) {
  IsolatedRegisterSpace side;
  commit(side, 0x10005, 0x0102030405060708ull);  // the address's low 16 bits
  EXPECT_EQ(side.localRam().word(5), 0x0102030405060708ull);
  side.write(kIso, 0x51, 5);
  EXPECT_EQ(side.read(kIso, 0x52), 0x01020304u);
  EXPECT_EQ(side.read(kIso, 0x53), 0x05060708u);
  EXPECT_EQ(side.read(kIso, 0x50), 0u) << "the address fires and never reads back";

  EXPECT_EQ(side.localRam().imageWords(), 0u) << "nothing written from word 0 yet";
  for (uint32_t a : {0u, 1u, 2u, 4u}) commit(side, a, a);
  EXPECT_EQ(side.localRam().imageWords(), 3u) << "a gap ends the image";
  commit(side, 0, 9);
  EXPECT_EQ(side.localRam().imageWords(), 1u) << "word 0 starts a new one";

  // The RAM's registers log as their own policy says, the side's as its own.
  side.clearLog();
  side.localRam().setLogPolicy(LogPolicy::kCount);
  const uint64_t writesBefore = side.localRam().registerWrites();
  commit(side, 7, 7);
  side.write(kIso, 0x003, 1);
  EXPECT_EQ(side.localRam().registerWrites(), writesBefore + 3);
  ASSERT_EQ(side.log().size(), 1u);
  EXPECT_EQ(side.log()[0].address, 0x003u);
  side.localRam().setLogPolicy(LogPolicy::kOff);
  commit(side, 8, 8);
  EXPECT_EQ(side.localRam().registerWrites(), writesBefore + 3);
  EXPECT_EQ(side.localRam().word(8), 8u) << "the policy is only about the log";
}

TEST(SequencerSide, AGenerateRunsItsVectorAndClearsTheBitOnceTheRunIsDone) {
  kalsim::reset();
  IsolatedRegisterSpace side;
  simboard::InterruptGenerator& generator = side.interruptGenerator();
  // A type whose vector was never programmed runs nothing.
  side.write(3, channelWord(3, 0x3B), 4);
  EXPECT_TRUE(generator.runs().empty());
  EXPECT_EQ(side.read(3, channelWord(3, 0x39)), 0u);

  commit(side, 0, 0x1000000000000000ull);
  commit(side, 1, 0x1000000000000001ull);
  side.write(kIso, 0x171, 1);
  side.write(kIso, 0x170, 0x014);  // no go bit: nothing programmed
  EXPECT_FALSE(generator.vector(4).programmed);
  side.write(kIso, 0x170, 0x114);
  EXPECT_TRUE(generator.vector(4).programmed);
  EXPECT_EQ(generator.vector(4).flags, 1u);

  side.write(3, channelWord(3, 0x3B), 4);
  ASSERT_EQ(generator.runs().size(), 1u);
  EXPECT_EQ(generator.runs()[0].address, 1u);
  EXPECT_EQ(generator.runs()[0].word, 0x1000000000000001ull);
  EXPECT_TRUE(generator.runs()[0].inImage);
  EXPECT_EQ(side.read(3, channelWord(3, 0x39)), 1u << 4);
  EXPECT_EQ(side.read(4, channelWord(4, 0x39)), 0u) << "only the channel it was issued to";
  kalsim::advanceVirtualClock(simboard::InterruptGenerator::kDefaultRunNanoseconds);
  EXPECT_EQ(side.read(3, channelWord(3, 0x39)), 0u);

  // A channel that never acknowledges keeps its bit until the switch is off.
  generator.setNeverAcknowledges(3, true);
  side.write(3, channelWord(3, 0x3B), 4);
  kalsim::advanceVirtualClock(10000000000ull);
  EXPECT_EQ(side.read(3, channelWord(3, 0x39)), 1u << 4);
  generator.setNeverAcknowledges(3, false);
  EXPECT_EQ(side.read(3, channelWord(3, 0x39)), 0u);

  // An address past the image is a run outside the package.
  side.write(kIso, 0x171, 0x8000);
  side.write(kIso, 0x170, 0x113);
  side.write(3, channelWord(3, 0x3B), 3);
  EXPECT_FALSE(generator.runs().back().inImage);
}

}  // namespace
