// Makes this build's wine prefix (about ten seconds the first time), so
// that the Windows end-to-end and differential tests find it ready.
#include <gtest/gtest.h>

#include "support/x_harness.h"
#include "windows_e2e_support.h"

namespace mavrel {
namespace {

TEST(WinePrefix, Create) {
  ASSERT_TRUE(WineAvailable()) << WineUnavailableReason();
  xharness::XSession session;
  ASSERT_TRUE(session.Start(1024, 768, 15000)) << session.error();
  Wine wine(session.displayName());
  std::string log;
  EXPECT_TRUE(wine.MakePrefix(log)) << log;
}

}  // namespace
}  // namespace mavrel
