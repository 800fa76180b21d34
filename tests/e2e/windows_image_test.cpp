// The medium as people receive it on Windows: an image that the native
// mavrel-inspect makes of it, whose Joliet tree (what Windows reads) Wine
// serves as drive D:, typed as a CD-ROM. The launcher started from D: shows
// its window, and a click starts a program in a folder of the image, which
// finds itself working on that drive; another starts the kit starter's
// placeholder installer as its "Install the product" does, whose box names
// the folder it runs in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "support/x_harness.h"
#include "windows_e2e_support.h"

namespace mavrel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTitle = "Image Under Wine";
constexpr const char* kPlaceholderCaption = "setup.exe";
constexpr int kDriveTypeCdrom = 5;  // GetDriveType's DRIVE_CDROM

// Drive D: of this build's prefix, on `folder` and typed as a CD-ROM, for as
// long as it lives; the prefix is as before afterwards.
class CdromDrive {
 public:
  CdromDrive(const Wine& wine, const fs::path& folder, const fs::path& work)
      : wine_(wine), work_(work), link_(fs::path(CurrentArch().prefix) / "dosdevices" / "d:") {
    std::error_code error;
    fs::remove(link_, error);
    fs::create_directory_symlink(folder, link_);
    int status = -1;
    typed_ = wine_.Run({"reg", "add", "HKLM\\Software\\Wine\\Drives", "/v", "d:", "/t", "REG_SZ",
                        "/d", "cdrom", "/f"},
                       work_, 60000, status) &&
             status == 0;
    // The mount manager reads the types when the prefix starts.
    wine_.StopServer();
  }
  ~CdromDrive() {
    int status = -1;
    wine_.Run({"reg", "delete", "HKLM\\Software\\Wine\\Drives", "/v", "d:", "/f"}, work_, 60000,
              status);
    std::error_code error;
    fs::remove(link_, error);
  }
  bool typed() const { return typed_; }

 private:
  const Wine& wine_;
  fs::path work_;
  fs::path link_;
  bool typed_ = false;
};

TEST(ImageUnderWine, StartsFromACdromDriveAndRunsAProgramInAFolder) {
  ASSERT_TRUE(WineAvailable()) << WineUnavailableReason();
  // Which launcher the image holds, said in the output: the i686 one that
  // users get where 32-bit programs run, else the x86_64 one.
  const char* skipped = std::getenv("MAVREL_I386_SKIP_REASON");
  std::cout << "[ image    ] the image holds the " << CurrentArch().name << " build, run under "
            << fs::path(CurrentArch().wine).filename().string()
            << (CurrentArch().name == "x86_64" && skipped != nullptr && *skipped != '\0'
                    ? std::string(" (the i686 build is not run here: ") + skipped + ")"
                    : std::string())
            << std::endl;

  const fs::path work = FreshFolder("image-on-cdrom");
  const fs::path medium = work / "medium";
  fs::create_directories(medium / "setup");
  CopyWindowsProgram("Mavrel.exe", medium);
  fs::copy_file(WindowsBuildDir() / "mavrel-test-helper.exe",
                medium / "setup" / "mavrel-test-helper.exe");
  fs::copy_file(WindowsBuildDir() / "starter" / "setup" / "setup.exe",
                medium / "setup" / "setup.exe");
  // The program writes its report off the medium, on Z:, which is "/".
  const fs::path report = work / "run.txt";
  WriteText(medium / "autorun.inf", "[autorun]\r\nopen=Mavrel.exe\r\nlabel=Image Test\r\n");
  WriteText(medium / "Mavrel.INI",
            std::string("[Main]\r\nWidth=400\r\nHeight=200\r\nTitle=") + kTitle +
                "\r\nButton.0=Setup\r\nButton.1=Install\r\n[Setup]\r\nBUTTON_TEXT=Run setup\r\n"
                "BUTTON_LOC.X=20\r\nBUTTON_LOC.Y=20\r\nBUTTON_LOC.WIDTH=300\r\n"
                "BUTTON_FONT_HEIGHT=28\r\nDIRECTORY=setup\r\n"
                "PROG_COMMAND=setup\\mavrel-test-helper.exe Z:" +
                report.string() +
                "\r\nEXIT_COMMAND=STAY\r\n"
                "[Install]\r\nBUTTON_TEXT=Install the product\r\nBUTTON_LOC.X=20\r\n"
                "BUTTON_LOC.Y=100\r\nBUTTON_LOC.WIDTH=300\r\nBUTTON_FONT_HEIGHT=28\r\n"
                "DIRECTORY=setup\r\nPROG_COMMAND=setup\\setup.exe\r\nEXIT_COMMAND=STAY\r\n");

  int status = -1;
  const fs::path image = work / "medium.iso";
  ASSERT_TRUE(RunNativeCapturingOutput(
      {MAVREL_NATIVE_INSPECT, "image", medium.string(), "-o", image.string()}, work / "image.log",
      60000, status));
  ASSERT_EQ(0, status) << ReadText(work / "image.log");
  const fs::path cdrom = work / "cdrom";
  fs::remove_all(cdrom);
  ASSERT_TRUE(RunNativeCapturingOutput({"xorriso", "-osirrox", "on", "-read_fs", "norock", "-indev",
                                        image.string(), "-extract", "/", cdrom.string()},
                                       work / "extract.log", 60000, status));
  ASSERT_EQ(0, status) << "xorriso cannot read the image: " << ReadText(work / "extract.log");
  ASSERT_TRUE(fs::exists(cdrom / "setup" / "mavrel-test-helper.exe"));

  const fs::path boxReport = work / "box.txt";
  bool placeholderBox = false;
  bool placeholderClosed = false;
  xharness::XSession session;
  ASSERT_TRUE(session.Start(1024, 768, 15000)) << session.error();
  Wine wine(session.displayName());
  wine.StopServer();
  {
    CdromDrive drive(wine, cdrom, work);
    ASSERT_TRUE(drive.typed()) << "wine reg add failed";
    // Started from the drive's root, as AutoPlay starts open= of autorun.inf.
    const pid_t launcher = wine.Start({"D:\\Mavrel.exe"}, cdrom, work / "launcher.log");
    ASSERT_GT(launcher, 0);
    const xharness::XWindowId window = session.WaitForWindow(kTitle, 60000);
    if (window == 0) xharness::KillProcess(launcher);
    ASSERT_NE(0u, window) << "no window titled \"" << kTitle << "\"; log:\n"
                          << ReadText(work / "launcher.log");
    xharness::ScreenRect client;
    ASSERT_TRUE(session.Geometry(window, client));
    session.MovePointer(client.x + 40, client.y + 34);
    session.PressButton();
    session.ReleaseButton();
    const bool ran = xharness::WaitFor([&] { return fs::exists(report); }, 30000);
    // The placeholder installer: its box, read by the helper while it is open.
    session.MovePointer(client.x + 40, client.y + 114);
    session.PressButton();
    session.ReleaseButton();
    const xharness::XWindowId box = session.WaitForWindow(kPlaceholderCaption, 30000);
    placeholderBox = box != 0;
    if (placeholderBox) {
      int helperStatus = -1;
      wine.Run({(cdrom / "setup" / "mavrel-test-helper.exe").string(), "--message-box",
                "Z:" + boxReport.string(), kPlaceholderCaption},
               work, 30000, helperStatus);
      session.RequestClose(box);
      placeholderClosed = session.WaitForNoWindow(kPlaceholderCaption, 10000);
    }
    session.RequestClose(window);
    if (!xharness::WaitForExit(launcher, 20000, status)) xharness::KillProcess(launcher);
    ASSERT_TRUE(ran) << "the program did not run; log:\n" << ReadText(work / "launcher.log");
  }
  wine.StopServer();

  const std::map<std::string, std::string> run = ReadKeyValues(report);
  EXPECT_EQ("setup\\mavrel-test-helper.exe Z:" + report.string(), run.at("command-line"));
  EXPECT_EQ("D:\\setup", run.at("directory"));
  EXPECT_EQ(std::to_string(kDriveTypeCdrom), run.at("drive-type"));

  ASSERT_TRUE(placeholderBox) << "no \"" << kPlaceholderCaption << "\" box";
  const std::map<std::string, std::string> shown = ReadKeyValues(boxReport);
  EXPECT_EQ("1", shown.count("found") ? shown.at("found") : "");
  EXPECT_EQ(
      "The starter medium's placeholder installer.||Replace setup\\setup.exe with your "
      "product's installer (running in D:\\setup).",
      shown.count("text") ? shown.at("text") : "");
  EXPECT_EQ("OK", shown.count("buttons") ? shown.at("buttons") : "");
  EXPECT_TRUE(placeholderClosed) << "the box stayed after it was closed";
}

}  // namespace
}  // namespace mavrel
