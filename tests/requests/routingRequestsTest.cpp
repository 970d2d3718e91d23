// The routing requests as user mode sees them: turned away while start-up
// stops short of their setup level; past it every session has the routing
// resources, so a request that reports judges its (zeroed) record while the
// others change nothing.
#include <string>

#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr int32_t kNoResources = -52020;

class RoutingRequestsTest : public SharedEnvelopeTest {};

TEST_F(RoutingRequestsTest, EveryRoutingRequestPassesItsGateOrStopsThere) {
  uint32_t seen = 0;
  for (const tRequestRow& request : kRequestRows) {
    const std::string name = request.name;
    if (name.rfind("routing_", 0) != 0) continue;
    ++seen;
    const int32_t status = statusOf(request, call(session, request));
    if (kTopLevel < 20) {
      EXPECT_EQ(status, kFullStartCode) << name;  // where start-up stopped
    } else if (name == "routing_queryVersion" || name == "routing_destroyRoute" ||
               name == "routing_unreserveRoute" || name == "routing_unprogramRoute") {
      EXPECT_EQ(status, 0) << name;
    } else {
      // Past the gate with the routing resources: the zeroed record is
      // judged by the routing itself.
      EXPECT_NE(status, kFullStartCode) << name;
      EXPECT_NE(status, kNoResources) << name;
    }
  }
  EXPECT_EQ(seen, 11u);
}

}  // namespace
}  // namespace requesttest
