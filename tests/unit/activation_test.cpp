// Button activation on the fake: each outcome of a launch, the "EXIT"
// comparison, the directory work area, and the settings that feed it.
#include "commands/activation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "launcher_test_support.h"
#include "window/launcher_button.h"
#include "window/launcher_window.h"

namespace mavrel {
namespace {

WindowHandle Window1() { return FakeHandle<WindowHandle>(1); }

ButtonSettings Button(const char* prog, const char* doc, const char* exit,
                      const char* directory = ".") {
  ButtonSettings button;
  button.directory = SettingText(directory);
  button.progCommand = SettingText(prog);
  button.docCommand = SettingText(doc);
  button.exitCommand = SettingText(exit);
  button.errorMsg = SettingText("It broke");
  return button;
}

const std::string kErrorBox = "MessageBox window1 \"It broke\" \"Error\" 0";

TEST(ActivateButtonTest, Outcomes) {
  struct Row {
    const char* name;
    const char* prog;
    const char* doc;
    const char* exit;
    const char* directory;
    bool failPath, failProcess;
    std::uintptr_t shellResult;
    std::vector<std::string> calls;
  };
  std::vector<Row> rows = {
      {"program, then quit",
       "setup.exe /q",
       "",
       "EXIT",
       ".",
       false,
       false,
       42,
       {"GetFullPathName . 1024", "CreateProcess \"setup.exe /q\" in /media",
        "CloseProcessHandle 1", "CloseProcessHandle 2", "PostQuitMessage 0"}},
      {"program, stay open",
       "setup.exe",
       "",
       "STAY",
       ".",
       false,
       false,
       42,
       {"GetFullPathName . 1024", "CreateProcess \"setup.exe\" in /media", "CloseProcessHandle 1",
        "CloseProcessHandle 2"}},
      {"program fails, no quit even with EXIT",
       "missing.exe",
       "",
       "EXIT",
       ".",
       false,
       true,
       42,
       {"GetFullPathName . 1024", "CreateProcess \"missing.exe\" in /media", kErrorBox}},
      {"document, then quit",
       "",
       "readme.txt",
       "exit",
       ".",
       false,
       false,
       42,
       {"GetFullPathName . 1024", "ShellExecute null \"readme.txt\" in /media 1",
        "PostQuitMessage 0"}},
      {"document fails",
       "",
       "readme.txt",
       "EXIT",
       ".",
       false,
       false,
       31,
       {"GetFullPathName . 1024", "ShellExecute null \"readme.txt\" in /media 1", kErrorBox}},
      {"both: only the program",
       "setup.exe",
       "readme.txt",
       "EXIT",
       ".",
       false,
       false,
       42,
       {"GetFullPathName . 1024", "CreateProcess \"setup.exe\" in /media", "CloseProcessHandle 1",
        "CloseProcessHandle 2", "PostQuitMessage 0"}},
      {"both, program fails: document still ignored",
       "setup.exe",
       "readme.txt",
       "EXIT",
       ".",
       false,
       true,
       42,
       {"GetFullPathName . 1024", "CreateProcess \"setup.exe\" in /media", kErrorBox}},
      {"neither, EXIT", "", "", "EXIT", ".", false, false, 42, {"PostQuitMessage 0"}},
      {"neither, other exit command", "", "", "Stay", ".", false, false, 42, {}},
      {"neither, empty exit command", "", "", "", ".", false, false, 42, {}},
      {"path fails: nothing started",
       "setup.exe",
       "",
       "EXIT",
       ".",
       true,
       false,
       42,
       {"GetFullPathName . 1024", kErrorBox}},
      {"path fails for a document",
       "",
       "readme.txt",
       "EXIT",
       ".",
       true,
       false,
       42,
       {"GetFullPathName . 1024", kErrorBox}},
      {"relative directory",
       "setup\\setup.exe",
       "",
       "EXIT",
       "setup",
       false,
       false,
       42,
       {"GetFullPathName setup 1024", "CreateProcess \"setup\\setup.exe\" in /media/setup",
        "CloseProcessHandle 1", "CloseProcessHandle 2", "PostQuitMessage 0"}},
      {"absolute directory",
       "",
       "a b.pdf",
       "no",
       "/opt/docs",
       false,
       false,
       33,
       {"GetFullPathName /opt/docs 1024", "ShellExecute null \"a b.pdf\" in /opt/docs 1"}},
      {"commands passed unchanged",
       "  \"my prog\" -x  ",
       "",
       "STAY",
       ".",
       false,
       false,
       42,
       {"GetFullPathName . 1024", "CreateProcess \"  \"my prog\" -x  \" in /media",
        "CloseProcessHandle 1", "CloseProcessHandle 2"}},
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    fake.failFullPath = row.failPath;
    fake.failCreateProcess = row.failProcess;
    fake.shellExecuteResult = row.shellResult;
    ButtonSettings button = Button(row.prog, row.doc, row.exit, row.directory);
    ActivateButton(fake, button, Window1());
    EXPECT_EQ(row.calls, fake.calls()) << row.name;
  }
}

TEST(ActivateButtonTest, StartingTheSameProgramTwiceStartsItTwice) {
  FakePlatform fake;
  ButtonSettings button = Button("tool.exe", "", "STAY");
  ActivateButton(fake, button, Window1());
  ActivateButton(fake, button, Window1());
  std::vector<std::string> expected = {"CreateProcess \"tool.exe\" in /media",
                                       "CreateProcess \"tool.exe\" in /media"};
  EXPECT_EQ(expected, fake.CallsStartingWith("CreateProcess"));
  std::vector<std::string> closed = {"CloseProcessHandle 1", "CloseProcessHandle 2",
                                     "CloseProcessHandle 3", "CloseProcessHandle 4"};
  EXPECT_EQ(closed, fake.CallsStartingWith("CloseProcessHandle"));
}

TEST(OpenDocumentTest, ResultAbove32IsSuccessComparedUnsigned) {
  struct Row {
    std::uintptr_t result;
    bool opened;
  } rows[] = {
      {0, false},  {2, false}, {5, false}, {31, false},
      {32, false}, {33, true}, {42, true}, {~std::uintptr_t{0}, true},
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    fake.shellExecuteResult = row.result;
    EXPECT_EQ(row.opened, OpenDocument(fake, "readme.txt", ".")) << row.result;
  }
}

TEST(IsExitCommandTest, Table) {
  struct Row {
    const char* text;
    bool exits;
  } rows[] = {
      {"EXIT", true},
      {"exit", true},
      {"Exit", true},
      {"eXiT", true},
      {"EXIT ", false},
      {" EXIT", false},
      {"EXITS", false},
      {"EXI", false},
      {"", false},
      {"STAY", false},
      {"EXIT\n", false},
      {"EX IT", false},
      {"\xC5XIT", false},  // a letter outside A to Z is not
                           // folded
      {"exit.", false},
  };
  for (const Row& row : rows) EXPECT_EQ(row.exits, IsExitCommand(row.text)) << row.text;
}

TEST(RunProgramTest, DirectoryMustFitTheWorkArea) {
  struct Row {
    std::size_t fullLength;
    bool started;
  } rows[] = {{10, true}, {1022, true}, {1023, true}, {1024, false}, {5000, false}};
  for (const Row& row : rows) {
    FakePlatform fake;
    fake.currentDirectory = "/" + std::string(row.fullLength - 1, 'd');
    EXPECT_EQ(row.started, RunProgram(fake, "setup.exe", ".")) << row.fullLength;
    EXPECT_EQ(row.started ? 1u : 0u, fake.CallsStartingWith("CreateProcess").size())
        << row.fullLength;
    if (row.started) {
      EXPECT_EQ("CreateProcess \"setup.exe\" in " + fake.currentDirectory,
                fake.CallsStartingWith("CreateProcess")[0]);
    }
  }
}

TEST(RunProgramTest, AClaimedLengthThatDoesNotFitIsAFailedResolution) {
  for (std::uint32_t claimed : {1024u, 1025u, 0xFFFFFFFFu}) {
    FakePlatform fake;
    fake.fullPathLengthOverride = claimed;
    EXPECT_FALSE(RunProgram(fake, "setup.exe", ".")) << claimed;
    EXPECT_FALSE(OpenDocument(fake, "readme.txt", ".")) << claimed;
    EXPECT_TRUE(fake.CallsStartingWith("CreateProcess").empty());
    EXPECT_TRUE(fake.CallsStartingWith("ShellExecute").empty());
  }
}

TEST(RunProgramTest, LongDirectoryShowsTheErrorThroughActivation) {
  FakePlatform fake;
  fake.currentDirectory = "/" + std::string(1100, 'd');
  ButtonSettings button = Button("setup.exe", "", "EXIT");
  ActivateButton(fake, button, Window1());
  std::vector<std::string> expected = {"GetFullPathName . 1024", kErrorBox};
  EXPECT_EQ(expected, fake.calls());
}

// The settings that reach activation, read through the window's buttons.
class ActivationSettingsTest : public ::testing::Test {
 protected:
  LauncherButton& BuildOne() {
    window_ = std::make_unique<LauncherWindow>(fake_, settings_, nullptr, nullptr);
    EXPECT_TRUE(CreateButtonList(*window_));
    fake_.ClearCalls();
    return *window_->buttons();
  }
  FakePlatform fake_;
  SettingsFile settings_{fake_};
  std::unique_ptr<LauncherWindow> window_;
};

TEST_F(ActivationSettingsTest, ProgramWithNoExitCommandAnywhereQuits) {
  test_support::AddButton(fake_, 0, "Install", "Install", 0, 0, 100);
  fake_.SetSetting("Install", "PROG_COMMAND", "setup.exe");
  ActivateButton(fake_, BuildOne(), Window1());
  EXPECT_TRUE(fake_.quitPosted());
}

TEST_F(ActivationSettingsTest, EmptyExitCommandInButtonAndMainStillQuits) {
  test_support::AddButton(fake_, 0, "Install", "Install", 0, 0, 100);
  fake_.SetSetting("Install", "EXIT_COMMAND", "");
  fake_.SetSetting("Main", "EXIT_COMMAND", "");
  ActivateButton(fake_, BuildOne(), Window1());
  EXPECT_EQ(std::vector<std::string>{"PostQuitMessage 0"}, fake_.calls());
}

TEST_F(ActivationSettingsTest, MainExitCommandKeepsItOpenUnlessTheButtonSaysExit) {
  test_support::AddButton(fake_, 0, "Install", "Install", 0, 0, 100);
  fake_.SetSetting("Main", "EXIT_COMMAND", "STAY");
  ActivateButton(fake_, BuildOne(), Window1());
  EXPECT_FALSE(fake_.quitPosted());
}

TEST_F(ActivationSettingsTest, ProgramFromMainWinsOverTheButtonsDocument) {
  test_support::AddButton(fake_, 0, "Readme", "Readme", 0, 0, 100);
  fake_.SetSetting("Main", "PROG_COMMAND", "viewer.exe");
  fake_.SetSetting("Readme", "DOC_COMMAND", "readme.txt");
  fake_.SetSetting("Readme", "DIRECTORY", "docs");
  ActivateButton(fake_, BuildOne(), Window1());
  std::vector<std::string> expected = {
      "GetFullPathName docs 1024", "CreateProcess \"viewer.exe\" in /media/docs",
      "CloseProcessHandle 1",      "CloseProcessHandle 2",
      "PostQuitMessage 0",
  };
  EXPECT_EQ(expected, fake_.calls());
}

TEST_F(ActivationSettingsTest, ErrorMessageIsShownAsConfiguredWithItsLineBreaks) {
  test_support::AddButton(fake_, 0, "Install", "Install", 0, 0, 100);
  fake_.SetSetting("Install", "PROG_COMMAND", "setup.exe");
  fake_.SetSetting("Main", "ERROR_MSG", "Cannot start.\\nCheck the disc.");
  fake_.failCreateProcess = true;
  ActivateButton(fake_, BuildOne(), Window1());
  EXPECT_EQ(
      std::vector<std::string>{"MessageBox window1 \"Cannot start.\nCheck the disc.\" \"Error\" 0"},
      fake_.CallsStartingWith("MessageBox"));
}

TEST_F(ActivationSettingsTest, DefaultErrorMessage) {
  test_support::AddButton(fake_, 0, "Install", "Install", 0, 0, 100);
  fake_.SetSetting("Install", "DOC_COMMAND", "readme.txt");
  fake_.shellExecuteResult = 2;
  ActivateButton(fake_, BuildOne(), Window1());
  EXPECT_EQ(std::vector<std::string>{"MessageBox window1 \"Errors have occurred attempting to "
                                     "perform the requested action.  Your media or O/S may be "
                                     "corrupted.\" \"Error\" 0"},
            fake_.CallsStartingWith("MessageBox"));
}

}  // namespace
}  // namespace mavrel
