// mavrel-inspect: shows a medium's settings as the launcher reads them.
// It changes into the medium's folder and reads the settings in the
// launcher's own order through the same settings code and the same platform
// layer, then prints the effective configuration as JSON. The output is the
// same bytes on every platform, so that two builds can be compared.
#include <cstdio>
#include <cstring>
#include <string>

#include "author/check_command.h"
#include "author/image_command.h"
#include "author/render_command.h"
#include "author/settings_json.h"

// The one platform choice: which backend reads the files, and how the
// folder is changed. <windows.h> comes after the project's headers, whose
// method names its macros would otherwise rename.
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
// clang-format off
#include <windows.h>
#include <fcntl.h>
#include <io.h>
// clang-format on
using InspectFiles = mavrel::Win32Platform;
static bool ChangeDirectory(const char* directory) { return SetCurrentDirectoryA(directory) != 0; }
// Line ends stay "\n": the output must match the other platforms' byte for byte.
static void PrepareOutput() { _setmode(_fileno(stdout), _O_BINARY); }
// The system reads the settings there, so check parses the file itself.
static mavrel::ParsedSettingsSource ParsedSettingsOf(InspectFiles&) { return {}; }
#else
#include <unistd.h>

#include "platform/desktop/files/desktop_file_system.h"
using InspectFiles = mavrel::DesktopFileSystem;
static bool ChangeDirectory(const char* directory) { return chdir(directory) == 0; }
static void PrepareOutput() {}
// check walks the lines of the file the reads were answered from.
static mavrel::ParsedSettingsSource ParsedSettingsOf(InspectFiles& files) {
  return [&files](const char* path) { return files.ParsedSettings(path); };
}
#endif

namespace mavrel {
namespace {

#ifndef MAVREL_VERSION
#error "MAVREL_VERSION comes from project() in the top CMakeLists.txt"
#endif

// Whose reading to show by default: this build's own platform's.
#ifdef _WIN32
constexpr bool kLinuxSectionsByDefault = false;
#else
constexpr bool kLinuxSectionsByDefault = true;
#endif

// render needs the desktop launcher's drawing code.
#if defined(_WIN32)
#define MAVREL_RENDER_NOTE "\n         render is available in the Linux mavrel-inspect only"
#elif !defined(MAVREL_INSPECT_RENDER)
#define MAVREL_RENDER_NOTE "\n         render is not built into this mavrel-inspect"
#else
#define MAVREL_RENDER_NOTE ""
#endif
#if defined(_WIN32)
#define MAVREL_IMAGE_NOTE "\n         image is available in the Linux mavrel-inspect only"
#elif !defined(MAVREL_INSPECT_IMAGE)
#define MAVREL_IMAGE_NOTE "\n         image is not built into this mavrel-inspect"
#else
#define MAVREL_IMAGE_NOTE ""
#endif

constexpr const char* kUsage =
    "Usage: mavrel-inspect [--platform linux|windows] [DIRECTORY]\n"
    "       mavrel-inspect --version\n"
    "       mavrel-inspect check [DIRECTORY] [--platform windows|linux] [--format text|json]\n"
    "                            [--strict]\n"
    "         (finds the medium's mistakes; see mavrel-inspect check --help)\n"
    "       mavrel-inspect render [DIRECTORY] -o FILE.png [--hot SECTION|--pressed "
    "SECTION|--sheet]\n"
    "                             [--platform linux|windows]\n"
    "         (draws the window as the desktop launcher paints it, without a display;\n"
    "         see mavrel-inspect render --help)" MAVREL_RENDER_NOTE
    "\n"
    "       mavrel-inspect image DIRECTORY -o FILE.iso [--label LABEL]\n"
    "           [--sign-cert CERT.pem --sign-key KEY.pem [--sign-pass-env VAR]\n"
    "            [--timestamp URL]]\n"
    "         (writes the medium as a reproducible ISO image, checked first, the\n"
    "         Windows programs signed; see mavrel-inspect image --help)" MAVREL_IMAGE_NOTE
    "\n"
    "Reads the settings of the medium in DIRECTORY (default: the current directory)\n"
    "exactly as the launcher does when started there, and prints the effective\n"
    "configuration as JSON: the settings file path, the window, the button sections,\n"
    "the [Main] button defaults and every button's 15 properties, with defaults\n"
    "applied, texts decoded and rectangles as read (before text measuring).\n"
    "Outside Windows, a settings file named like Mavrel.INI in another letter case\n"
    "(MAVREL.INI, mavrel.ini) is read when Mavrel.INI itself is missing.\n"
    "--platform linux shows what the Linux launcher reads, where a section\n"
    "[NAME.Linux] overrides [NAME] key by key; --platform windows what Mavrel.exe\n"
    "reads, which never looks at those sections. The default is this build's own\n"
    "platform.\n"
    "Exit status: 0 on success, 2 when DIRECTORY cannot be entered or the\n"
    "arguments are wrong, 1 when the output cannot be written.\n";

int Run(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "check") == 0) {
    InspectFiles files;
    return RunCheckCommand(
        argc - 1, argv + 1, files, [&files](bool on) { files.SetLinuxSections(on); },
        ParsedSettingsOf(files));
  }
  if (argc >= 2 && std::strcmp(argv[1], "render") == 0) {
#ifdef MAVREL_INSPECT_RENDER
    return RunRenderCommand(argc - 1, argv + 1);
#elif defined(_WIN32)
    std::fputs("mavrel-inspect: render is available in the Linux mavrel-inspect only\n", stderr);
    return 2;
#else
    std::fputs(kRenderNotBuilt, stderr);
    return 2;
#endif
  }
  if (argc >= 2 && std::strcmp(argv[1], "image") == 0) {
#ifdef MAVREL_INSPECT_IMAGE
    InspectFiles files;
    return RunImageCommand(
        argc - 1, argv + 1, files, [&files](bool on) { files.SetLinuxSections(on); },
        ParsedSettingsOf(files));
#elif defined(_WIN32)
    std::fputs("mavrel-inspect: image is available in the Linux mavrel-inspect only\n", stderr);
    return 2;
#else
    std::fputs(kImageNotBuilt, stderr);
    return 2;
#endif
  }
  const char* directory = nullptr;
  bool endOfOptions = false;
  bool linuxSections = kLinuxSectionsByDefault;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!endOfOptions && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!endOfOptions && std::strcmp(arg, "--version") == 0) {
      std::fputs("mavrel-inspect " MAVREL_VERSION "\n", stdout);
      return 0;
    }
    if (!endOfOptions && std::strcmp(arg, "--platform") == 0) {
      const char* name = (i + 1 < argc) ? argv[++i] : "";
      if (std::strcmp(name, "linux") != 0 && std::strcmp(name, "windows") != 0) {
        std::fprintf(stderr, "mavrel-inspect: --platform takes linux or windows\n%s", kUsage);
        return 2;
      }
      linuxSections = std::strcmp(name, "linux") == 0;
    } else if (!endOfOptions && std::strcmp(arg, "--") == 0) {
      endOfOptions = true;
    } else if (!endOfOptions && arg[0] == '-' && arg[1] != '\0') {
      std::fprintf(stderr, "mavrel-inspect: unknown option \"%s\"\n%s", arg, kUsage);
      return 2;
    } else if (directory != nullptr) {
      std::fprintf(stderr, "mavrel-inspect: only one DIRECTORY may be given\n%s", kUsage);
      return 2;
    } else {
      directory = arg;
    }
  }
  if (directory != nullptr && (directory[0] == '\0' || !ChangeDirectory(directory))) {
    std::fprintf(stderr,
                 "mavrel-inspect: cannot enter the directory \"%s\" (missing, not a directory, "
                 "or not accessible)\n",
                 directory);
    return 2;
  }

  InspectFiles files;
  files.SetLinuxSections(linuxSections);
  std::string json = SettingsJson(files);
  PrepareOutput();
  if (std::fwrite(json.data(), 1, json.size(), stdout) != json.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "mavrel-inspect: cannot write the output\n");
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace mavrel

int main(int argc, char** argv) { return mavrel::Run(argc, argv); }
