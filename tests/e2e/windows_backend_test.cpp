// Runs the Windows backend's own checks (tests/win32/win32_platform_check.cpp,
// built with each Windows build) under Wine, in an empty folder that holds
// the helper program they start.
#include <gtest/gtest.h>

#include "support/x_harness.h"
#include "windows_e2e_support.h"

namespace mavrel {
namespace {

TEST(Win32Backend, PassesItsChecksUnderWine) {
  ASSERT_TRUE(WineAvailable()) << WineUnavailableReason();
  xharness::XSession session;
  ASSERT_TRUE(session.Start(1024, 768, 15000)) << session.error();
  Wine wine(session.displayName());
  wine.StopServer();
  const auto folder = FreshFolder("backend-checks");
  CopyWindowsProgram("mavrel-win32-platform-check.exe", folder);
  CopyWindowsProgram("mavrel-test-helper.exe", folder);
  int status = -1;
  const bool ended = wine.RunCapturingOutput({"mavrel-win32-platform-check.exe"}, folder,
                                             folder / "checks.txt", 120000, status);
  wine.StopServer();
  const std::string output = ReadText(folder / "checks.txt");
  ASSERT_TRUE(ended) << output;
  EXPECT_EQ(0, status) << output;
  EXPECT_NE(std::string::npos, output.find("\n0 failed")) << output;
  std::printf("%s", output.c_str());
}

}  // namespace
}  // namespace mavrel
