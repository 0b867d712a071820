// Chooses the backend of this test binary before any engine is built: the embedded files, or
// (RECMAN_TEST_SERVER) a throw-away cluster started once for the whole binary and named by
// KAVDB, as a station's environment names its server.
#include <gtest/gtest.h>

#include <cstdlib>

#include "recman_fixture.h"

namespace recman::testing {
namespace {

class BackendEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::unsetenv("KAVDB");
    ::unsetenv("KAVROOT");
#ifdef RECMAN_TEST_SERVER
    if (ServerCluster().Start()) ::setenv("KAVDB", ServerCluster().conninfo().c_str(), 1);
#endif
  }
  void TearDown() override { ServerCluster().Stop(); }
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new BackendEnvironment);

}  // namespace

PgCluster& ServerCluster() {
  static PgCluster cluster;
  return cluster;
}

}  // namespace recman::testing
