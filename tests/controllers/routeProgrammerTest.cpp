// The board's route programmer over recording maps and a recording
// isolated-port switch, and the factory's choice of topography.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controllers/routing/BoardRouting.h"
#include "controllers/routing/RegMapRouteProgrammer.h"
#include "controllers/routing/RoutingResourcesFactory.h"
#include "kal/include/kalStandIn.h"
#include "routing/RegMapRouteProgrammer.h"
#include "tests/support/allocationFailures.h"

namespace {

using nKIVAPALS100::tStatus;
using vorlan_driver::RegMapRouteProgrammer;
using vorlan_driver::RoutingResourcesFactory;
using Log = std::vector<std::string>;

// Records writes as "<map>:<id>=<value>"; a refused ID fails the write.
class RecordingMap : public RegMapRouteProgrammer::tRegMap {
 public:
  RecordingMap(std::string name, Log& log) : name_(std::move(name)), log_(log) {}
  static constexpr uint32_t kRefusedID = 0xDEAD;

  void write(uint32_t id, uint64_t value, bool force, tStatus& status, uint32_t) override {
    if (id == kRefusedID) {
      vorlanSetCode(status, -52005);
      return;
    }
    log_.push_back(name_ + ":" + std::to_string(id) + "=" + std::to_string(value) + (force ? "!" : ""));
  }
  void get(uint32_t, uint64_t&, tStatus&, uint32_t) override {}
  void set(uint32_t, uint64_t, tStatus&, uint32_t) override {}
  void read(uint32_t, uint64_t&, tStatus&, uint32_t) override {}
  void flush(uint32_t, bool, tStatus&, uint32_t) override {}
  void refresh(uint32_t, tStatus&, uint32_t) override {}
  void getRegisterFormat(uint32_t, uint32_t&, arm::FieldType*, uint64_t*, tStatus&) const override {}
  void flushRegMap(bool, tStatus&) override {}
  void refreshRegMap(tStatus&) override {}
  void markDirtyRegMap() override {}
  const char* getVersion() const override { return ""; }
  const char* getOldestCompatibleVersion() const override { return ""; }

 private:
  std::string name_;
  Log& log_;
};

class RecordingPort : public vorlan_driver::IsolatedPortRouter {
 public:
  explicit RecordingPort(Log& log) : log_(log) {}
  void routeChannel(uint32_t slot, uint32_t code, tStatus& status) override {
    if (locked) {
      vorlanSetCode(status, -700000);
      return;
    }
    log_.push_back("slot" + std::to_string(slot) + "=" + std::to_string(code));
  }
  bool locked = false;

 private:
  Log& log_;
};

struct Board {
  Board() : niso("niso", log), iso("iso", log), port(log) {
    for (uint32_t c = 0; c < RegMapRouteProgrammer::kChannelMapCount; ++c) {
      channels.emplace_back(new RecordingMap("ch" + std::to_string(c), log));
      channelPointers.push_back(channels.back().get());
    }
  }
  Log log;
  RecordingMap niso;
  RecordingMap iso;
  std::vector<std::unique_ptr<RecordingMap>> channels;
  std::vector<RegMapRouteProgrammer::tRegMap*> channelPointers;
  RecordingPort port;
};

struct Pair {
  uint32_t opcode;
  uint32_t value;
};

struct ProgramCase {
  const char* what;
  std::vector<Pair> program;
  Log expected;
};

class RouteProgrammerTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(RouteProgrammerTest, WritesWhatTheProgramSays) {
  Board board;
  RegMapRouteProgrammer programmer(&board.niso, &board.iso, board.channelPointers.data(), &board.port);
  tStatus status;
  programmer.begin(status);
  for (const Pair& pair : GetParam().program) programmer.execute(0, pair.opcode, pair.value, status);
  programmer.end(status);
  EXPECT_TRUE(status.isNotFatal());
  EXPECT_EQ(board.log, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, RouteProgrammerTest,
    ::testing::Values(
        ProgramCase{"first and last channel maps", {{2, 0}, {26, 0x1037}, {27, 5}, {25, 0}, {26, 0x1041}, {27, 6}},
                    {"ch0:4151=5", "ch23:4161=6"}},
        ProgramCase{"isolated then non-isolated with a slot route",
                    {{1, 0}, {26, 0x200}, {27, 1000}, {0, 0}, {26, 0x28}, {27, 0x800000}, {28, 7}, {29, 3}},
                    {"iso:512=1000", "niso:40=8388608", "slot7=3"}},
        ProgramCase{"a second write after one selection lands on the same register",
                    {{1, 0}, {26, 0x201}, {27, 14}, {27, 1120}},
                    {"iso:513=14", "iso:513=1120"}},
        ProgramCase{"no map selected writes nothing; opcodes past 29 are ignored",
                    {{26, 0x200}, {27, 1}, {30, 0}, {0xFFFFFFFF, 0}},
                    {}}),
    [](const ::testing::TestParamInfo<ProgramCase>& info) { return "Case" + std::to_string(info.index); });

TEST(RouteProgrammerState, SelectionCarriesOverFromOneProgramToTheNext) {
  Board board;
  RegMapRouteProgrammer programmer(&board.niso, &board.iso, board.channelPointers.data(), &board.port);
  tStatus status;
  programmer.execute(0, 3, 0, status);
  programmer.execute(0, 26, 0x1042, status);
  programmer.execute(0, 28, 2, status);
  programmer.end(status);
  programmer.begin(status);
  programmer.execute(0, 27, 9, status);
  programmer.execute(0, 29, 1, status);
  EXPECT_EQ(board.log, (Log{"ch1:4162=9", "slot2=1"}));
}

TEST(RouteProgrammerState, RefusalsComeBackAndStopTheProgram) {
  Board board;
  RegMapRouteProgrammer programmer(&board.niso, &board.iso, board.channelPointers.data(), &board.port);
  tStatus status;
  programmer.execute(0, 1, 0, status);
  programmer.execute(0, 26, RecordingMap::kRefusedID, status);
  programmer.execute(0, 27, 1, status);
  EXPECT_EQ(status.getCode(), -52005);
  programmer.execute(0, 26, 0x200, status);
  programmer.execute(0, 27, 1, status);
  EXPECT_TRUE(board.log.empty());

  board.port.locked = true;
  tStatus locked;
  programmer.execute(0, 28, 0, locked);
  programmer.execute(0, 29, 3, locked);
  EXPECT_EQ(locked.getCode(), -700000);
}

TEST(GenericRouteProgrammer, WritesTheOpcodeAsRegisterIntoTheArgumentsMap) {
  Log log;
  RecordingMap map("m", log);
  atut::RegMapRouteProgrammer programmer(&map, true);
  tStatus status;
  programmer.execute(0, 0x200, 7, status);
  programmer.execute(1, 0x201, 8, status);
  EXPECT_EQ(log, (Log{"m:512=7!"}));
}

struct VariantCase {
  uint32_t subsystemID;
  const char* topography;
};

class RoutingResourcesFactoryTest : public ::testing::TestWithParam<VariantCase> {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::failAllocationOnThisThread(0); }
};

TEST_P(RoutingResourcesFactoryTest, ChoosesTheTopographyBySubsystemIdentifier) {
  Board board;
  RegMapRouteProgrammer programmer(&board.niso, &board.iso, board.channelPointers.data(), &board.port);
  RoutingResourcesFactory factory;
  tStatus status;
  kivark::RoutingResourcesInterface* resources =
      factory.createRoutingResources(GetParam().subsystemID, &programmer, status);
  kivark::RoutingResourcesManager* manager = factory.createRoutingResourcesManager(GetParam().subsystemID, status);
  if (GetParam().topography == nullptr) {
    EXPECT_EQ(status.getCode(), RoutingResourcesFactory::kUnknownVariant);
    EXPECT_EQ(resources, nullptr);
    EXPECT_EQ(manager, nullptr);
    return;
  }
  ASSERT_TRUE(status.isNotFatal());
  ASSERT_NE(resources, nullptr);
  ASSERT_NE(manager, nullptr);
  EXPECT_STREQ(resources->getTopInfo()->name, GetParam().topography);
  delete manager;
  delete resources;
}

INSTANTIATE_TEST_SUITE_P(Variants, RoutingResourcesFactoryTest,
                         ::testing::Values(VariantCase{0x7A01, "QuillTopographyLark"},
                                           VariantCase{0x7A02, "QuillTopographyLark"},
                                           VariantCase{0x7A11, "QuillTopographyWren"},
                                           VariantCase{0x7A12, "QuillTopographyWren"},
                                           VariantCase{0x7A03, nullptr}, VariantCase{0, nullptr}));

TEST(RoutingResourcesFactoryFailures, ShortMemoryAndAnEarlierErrorMakeNothing) {
  kalsim::reset();
  RoutingResourcesFactory factory;
  tStatus failed;
  vorlanSetCode(failed, -1);
  EXPECT_EQ(factory.createRoutingResources(0x7A01, nullptr, failed), nullptr);
  EXPECT_EQ(factory.createRoutingResourcesManager(0x7A01, failed), nullptr);
  EXPECT_EQ(failed.getCode(), -1);

  kalsim::failAllocationOnThisThread(1);
  tStatus status;
  EXPECT_EQ(factory.createRoutingResources(0x7A11, nullptr, status), nullptr);
  EXPECT_EQ(status.getCode(), -52000);
  kalsim::failAllocationOnThisThread(0);
}

// The set-up of level 18 to 19 over the board's maps: programmer, resources
// and manager for a known variant; an unknown one stops after the programmer;
// destruction leaves nothing behind either way.
TEST(BoardRoutingSetUp, MakesTheThreeObjectsInOrderAndDeletesThemAll) {
  struct Case {
    uint32_t subsystemID;
    const char* topography;
  };
  const Case cases[] = {{0x7A02, "QuillTopographyLark"}, {0x7A11, "QuillTopographyWren"}, {0x7A03, nullptr}};
  for (const Case& c : cases) {
    kalsim::reset();
    Board board;
    // The channel maps come as an array of their own class, as the board's
    // aggregate holds them.
    std::vector<RecordingMap*> channels;
    for (const auto& channel : board.channels) channels.push_back(channel.get());
    const uint64_t live = kalsim::liveDriverAllocations();
    vorlan_driver::BoardRouting routing;
    tStatus status;
    routing.createRouting(c.subsystemID, &board.niso, &board.iso, channels.data(), &board.port, status);
    ASSERT_NE(routing.getRouteProgrammer(), nullptr) << c.subsystemID;
    tStatus programmed;
    routing.getRouteProgrammer()->execute(0, 25, 0, programmed);
    routing.getRouteProgrammer()->execute(0, 26, 0x1037, programmed);
    routing.getRouteProgrammer()->execute(0, 27, 5, programmed);
    EXPECT_EQ(board.log, (Log{"ch23:4151=5"})) << c.subsystemID;
    Log().swap(board.log);
    if (c.topography == nullptr) {
      EXPECT_EQ(status.getCode(), RoutingResourcesFactory::kUnknownVariant);
      EXPECT_EQ(routing.getRoutingResources(), nullptr);
      EXPECT_EQ(routing.getRoutingResourcesManager(), nullptr);
    } else {
      ASSERT_EQ(status.getCode(), 0) << c.subsystemID;
      ASSERT_NE(routing.getRoutingResources(), nullptr);
      EXPECT_STREQ(routing.getRoutingResources()->getTopInfo()->name, c.topography);
      ASSERT_NE(routing.getRoutingResourcesManager(), nullptr);
      // Nothing is handed out before start-up ends.
      EXPECT_EQ(routing.getRoutingResourcesManager()->getRoutingResources(), nullptr);
      kivark::RouteProgrammerInterface* made = routing.getRouteProgrammer();
      routing.createRouting(c.subsystemID, &board.niso, &board.iso, board.channelPointers.data(), &board.port,
                            status);
      EXPECT_EQ(routing.getRouteProgrammer(), made) << "a second set-up makes nothing";
    }
    routing.destroyRouting();
    EXPECT_EQ(routing.getRouteProgrammer(), nullptr);
    EXPECT_EQ(routing.getRoutingResourcesManager(), nullptr);
    EXPECT_EQ(kalsim::liveDriverAllocations(), live) << c.subsystemID;
  }
}

// Whichever allocation fails, the set-up reports it and what it made up to
// there goes with the routing objects; the clean run makes all three.
TEST(BoardRoutingSetUp, EveryAllocationFailureStopsItWithoutALeak) {
  kalsim::reset();
  Board board;
  const uint64_t live = kalsim::liveDriverAllocations();
  const uint32_t failures = testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    tStatus status;
    {
      vorlan_driver::BoardRouting routing;
      routing.createRouting(0x7A11, &board.niso, &board.iso, board.channelPointers.data(), &board.port, status);
      failure.disarm();
      if (failure.hit()) {
        EXPECT_EQ(status.getCode(), -52000) << failure.nth();
        EXPECT_EQ(routing.getRoutingResourcesManager(), nullptr) << failure.nth();
      } else {
        EXPECT_EQ(status.getCode(), 0);
        EXPECT_NE(routing.getRoutingResourcesManager(), nullptr);
      }
    }
    EXPECT_EQ(kalsim::liveDriverAllocations(), live) << failure.nth();
  });
  EXPECT_GE(failures, 3u);
}

}  // namespace
