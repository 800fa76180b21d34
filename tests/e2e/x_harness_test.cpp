// The harness on a plain X program (xmessage), so that a harness fault does
// not show up as a launcher fault.
#include "support/x_harness.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/temp_medium.h"

namespace mavrel::xharness {
namespace {

TEST(XHarness, FindsMeasuresAndClosesAWindowOfAnotherProgram) {
  XSession x;
  ASSERT_TRUE(x.Start(640, 480, 10000)) << x.error();
  EXPECT_EQ(640, x.screenWidth());
  EXPECT_EQ(480, x.screenHeight());

  ProcessOptions options;
  options.argv = {"xmessage", "-name", "harness", "-title",  "Harness Probe", "-geometry", "+40+50",
                  "-bw",      "0",     "-bg",     "#ff0000", "-buttons",      "Done:3",    "Hello"};
  options.env["DISPLAY"] = x.displayName();
  pid_t pid = StartProcess(options);
  ASSERT_GT(pid, 0);

  XWindowId w = x.WaitForWindow("Harness Probe", 10000);
  ASSERT_NE(0u, w);
  EXPECT_TRUE(x.FindWindowsByTitle("No Such Title").empty());
  ScreenRect r;
  ASSERT_TRUE(x.Geometry(w, r));
  EXPECT_EQ(40, r.x);
  EXPECT_EQ(50, r.y);
  EXPECT_GT(r.width, 10);
  EXPECT_GT(r.height, 10);

  // The background of xmessage is red once it has painted; the screen
  // outside it stays Xvfb's black.
  EXPECT_TRUE(x.WaitForPixel(r.x + 1, r.y + 1, 0xFF0000, 5000))
      << std::hex << x.Pixel(r.x + 1, r.y + 1);
  EXPECT_EQ(0x000000u, x.Pixel(r.x + r.width + 5, r.y + r.height + 5));
  EXPECT_EQ(0xFFFFFFFFu, x.Pixel(-1, 0));
  EXPECT_GT(x.CountPixels({r.x, r.y, r.width, r.height}, 0xFF0000), r.width * r.height / 4);

  // Closing as a window manager would: xmessage then exits (with status 1,
  // as when no button was chosen).
  x.RequestClose(w);
  int status = -1;
  ASSERT_TRUE(WaitForExit(pid, 10000, status));
  EXPECT_EQ(1, status);
  EXPECT_TRUE(x.WaitForNoWindow("Harness Probe", 2000));
}

TEST(XHarness, ClickReachesTheProgramAndItsExitStatusComesBack) {
  XSession x;
  ASSERT_TRUE(x.Start(640, 480, 10000)) << x.error();
  ProcessOptions options;
  options.argv = {"xmessage", "-title",   "Click Probe", "-geometry",
                  "+0+0",     "-buttons", "Seven:7",     "Press the button"};
  options.env["DISPLAY"] = x.displayName();
  pid_t pid = StartProcess(options);
  ASSERT_GT(pid, 0);
  XWindowId w = x.WaitForWindow("Click Probe", 10000);
  ASSERT_NE(0u, w);
  ScreenRect r;
  ASSERT_TRUE(x.Geometry(w, r));
  // The one button sits at the bottom left; find it by sweeping a click
  // along the bottom rows until the program ends.
  int status = -1;
  bool ended = false;
  for (int y = r.y + r.height - 4; y > r.y && !ended; y -= 4) {
    x.Click(r.x + 12, y);
    ended = WaitForExit(pid, 100, status);
  }
  if (!ended) KillProcess(pid);
  ASSERT_TRUE(ended);
  EXPECT_EQ(7, status);
}

TEST(XHarness, ProcessesStartInTheirFolderWithTheirEnvironment) {
  test_support::TempMedium medium("harness");
  const std::string folder = medium.path();
  ProcessOptions options;
  options.argv = {"sh", "-c", "pwd; echo \"$HARNESS_VALUE\"; exit 5"};
  options.workingDirectory = folder;
  options.env["HARNESS_VALUE"] = "forty two";
  options.outputFile = folder + "/out.txt";
  pid_t pid = StartProcess(options);
  ASSERT_GT(pid, 0);
  int status = -1;
  ASSERT_TRUE(WaitForExit(pid, 5000, status));
  EXPECT_EQ(5, status);
  FILE* f = fopen(options.outputFile.c_str(), "r");
  ASSERT_NE(nullptr, f);
  char buffer[256] = {};
  size_t n = fread(buffer, 1, sizeof buffer - 1, f);
  fclose(f);
  EXPECT_EQ(std::string(folder) + "\nforty two\n", std::string(buffer, n));

  ProcessOptions missing;
  missing.argv = {"/nonexistent/program"};
  EXPECT_EQ(-1, StartProcess(missing));

  ProcessOptions sleeper;
  sleeper.argv = {"sleep", "10"};
  pid_t slow = StartProcess(sleeper);
  ASSERT_GT(slow, 0);
  EXPECT_FALSE(WaitForExit(slow, 50, status));
  EXPECT_TRUE(IsChildOf(slow, getpid()));
  KillProcess(slow);
  EXPECT_FALSE(IsChildOf(slow, getpid()));
}

}  // namespace
}  // namespace mavrel::xharness
