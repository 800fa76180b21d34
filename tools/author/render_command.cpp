// `mavrel-inspect render`: the launcher's own window, built by the core and
// painted by the desktop backend into memory (SDL's offscreen driver), driven
// with the pointer messages a user's pointer gives, and what its paints
// bring to the screen kept as a PNG picture.
//
// Every picture is that of a freshly started launcher: start, first paint,
// then a move onto the button (and a press) with the repaints they cause.
// So nothing one state leaves behind (a description on a medium without a
// picture) shows in another, and no button is ever released, so nothing is
// ever started.
#include "author/render_command.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "author/check_command.h"
#include "author/png_file.h"
#include "author/render_sheet.h"
#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/desktop_scale.h"
#include "platform/desktop/files/desktop_file_system.h"
#include "settings/settings.h"
#include "window/launcher_main.h"
#include "window/launcher_window.h"
#include "windows_rules/text_encoding.h"

namespace mavrel {
namespace {

constexpr const char* kRenderUsage =
    "Usage: mavrel-inspect render [DIRECTORY] -o FILE.png [--hot SECTION | --pressed SECTION |\n"
    "                             --sheet] [--platform linux|windows] [--scale S]\n"
    "Draws the launcher's client area for the medium in DIRECTORY (default: the\n"
    "current directory) exactly as the desktop launcher paints it: the picture\n"
    "stretched, the buttons, and the lit button's description. No display is\n"
    "needed: the launcher's own window is painted by the desktop drawing code in\n"
    "memory. Texts are drawn with this machine's fonts, as the desktop launcher\n"
    "draws them; Mavrel.exe draws with the fonts of Windows, so line breaks and\n"
    "widths may differ there.\n"
    "  -o, --output FILE.png  where the picture goes (PNG, 8-bit RGB)\n"
    "  --hot SECTION          the pointer on the button of SECTION (the name a\n"
    "                         Button.N key of [Main] gives; letter case aside)\n"
    "  --pressed SECTION      the left mouse button held down on it\n"
    "  --sheet                one picture of every state: at rest, then each\n"
    "                         button hot and pressed, each panel labelled\n"
    "  --platform linux       the settings as the Linux launcher reads them, with\n"
    "                         [NAME.Linux] over [NAME] (the default)\n"
    "  --platform windows     as Mavrel.exe reads them, without those sections\n"
    "  --scale S              drawn as on a desktop at that scale (1, 1.25, 1.5,\n"
    "                         2, ... or 150%): the window S times the size, the\n"
    "                         picture stretched to it, text at S times the height\n"
    "Without --hot, --pressed or --sheet the launcher is drawn at rest.\n"
    "Exit status: 0 when the picture is written, 1 when the medium cannot be drawn\n"
    "in that state (the launcher would not start, or the pointer cannot reach the\n"
    "button) or the picture cannot be written, 2 when DIRECTORY cannot be entered\n"
    "or holds no Mavrel.INI, SECTION names no button, or the arguments are wrong.\n";

// The desktop platform painting into memory. The launcher's message boxes
// would open on whatever display the user has; here the first one is kept
// for the error report instead.
// Its settings are read as the Linux launcher reads them, or, for a
// preview of Mavrel.exe's texts and places, as Windows does.
class RenderPlatform : public DesktopPlatform {
 public:
  explicit RenderPlatform(bool linuxSections) : DesktopPlatform(DesktopVideo::kInMemory) {
    settings_.SetLinuxSections(linuxSections);
  }
  std::uint32_t GetPrivateProfileString(const char* section, const char* key, char* buffer,
                                        std::uint32_t bufferSize, const char* path) override {
    return settings_.GetPrivateProfileString(section, key, buffer, bufferSize, path);
  }
  int MessageBox(WindowHandle, const char* text, const char* caption, std::uint32_t) override {
    if (message_.empty()) {
      message_ =
          "\"" + DisplayText(caption ? caption : "") + ": " + DisplayText(text ? text : "") + "\"";
    }
    return 1;  // IDOK
  }
  const std::string& message() const { return message_; }

 private:
  DesktopFileSystem settings_;
  std::string message_;
};

enum class Look { kRest, kHot, kPressed };

const char* LookName(Look look) {
  switch (look) {
    case Look::kHot:
      return "hot";
    case Look::kPressed:
      return "pressed";
    default:
      return "at rest";
  }
}

enum class Outcome { kDrawn, kCannotDraw, kUnknownSection };

// Which state to draw: the button by its key number when `key` is set,
// else by its section name.
struct Shot {
  Look look = Look::kRest;
  std::string section;
  long key = -1;
};

bool SameName(const std::string& a, const char* b) {
  std::size_t length = std::strlen(b);
  if (a.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The button of key number `key`: the list runs from the highest number
// down to 0.
LauncherButton* ButtonOfKey(const LauncherWindow& window, std::size_t key) {
  std::size_t count = window.buttonSections().names().size();
  if (key >= count) return nullptr;
  LauncherButton* button = window.buttons();
  for (std::size_t i = count - 1 - key; button != nullptr && i > 0; --i)
    button = button->next.get();
  return button;
}

// A point of the client area on `target` where no button before it in
// list order (the first match wins) is under the pointer. Only the far
// edges of those buttons can start a free stretch, so the candidates are
// the target's own near edges (and centre) and those far edges. When there
// is none, `why` says what keeps the pointer off it.
bool PointOnButton(const LauncherWindow& window, const LauncherButton& target, PointerPosition& at,
                   std::string& why) {
  const SettingRect& r = target.buttonLoc;
  const std::int64_t clientRight = std::min<std::int64_t>(window.width(), 65536);
  const std::int64_t clientBottom = std::min<std::int64_t>(window.height(), 65536);
  const std::int64_t left = std::max<std::int64_t>(r.x, 0);
  const std::int64_t top = std::max<std::int64_t>(r.y, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{r.x} + r.width, clientRight);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{r.y} + r.height, clientBottom);
  if (r.width <= 0 || r.height <= 0) {
    why = "its text takes no room (it is empty), so there is nothing to point at";
    return false;
  }
  if (right <= left || bottom <= top) {
    why = "its text covers (" + std::to_string(r.x) + "," + std::to_string(r.y) + ")-(" +
          std::to_string(std::int64_t{r.x} + r.width) + "," +
          std::to_string(std::int64_t{r.y} + r.height) + "), wholly outside the " +
          std::to_string(window.width()) + " x " + std::to_string(window.height()) + " window";
    return false;
  }
  why =
      "no point of it inside the window is free of the buttons of higher key numbers, which take "
      "the pointer first";
  std::vector<std::int64_t> xs{(left + right) / 2, left};
  std::vector<std::int64_t> ys{(top + bottom) / 2, top};
  for (const LauncherButton* b = window.buttons(); b != nullptr && b != &target;
       b = b->next.get()) {
    xs.push_back(std::int64_t{b->buttonLoc.x} + b->buttonLoc.width);
    ys.push_back(std::int64_t{b->buttonLoc.y} + b->buttonLoc.height);
  }
  for (std::int64_t y : ys) {
    if (y < top || y >= bottom) continue;
    for (std::int64_t x : xs) {
      if (x < left || x >= right) continue;
      const LauncherButton* first = window.buttons();
      while (first != nullptr && !HitTest(first->buttonLoc, static_cast<std::int32_t>(x),
                                          static_cast<std::int32_t>(y))) {
        first = first->next.get();
      }
      if (first == &target) {
        at = PointerPosition{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
        return true;
      }
    }
  }
  return false;
}

bool CopyPixels(SDL_Surface* from, RgbImage& image) {
  if (from == nullptr) return false;
  SurfacePtr rgb(SDL_ConvertSurfaceFormat(from, SDL_PIXELFORMAT_RGB888, 0));
  if (!rgb || SDL_LockSurface(rgb.get()) != 0) return false;
  image.width = rgb->w;
  image.height = rgb->h;
  image.pixels.resize(static_cast<std::size_t>(rgb->w) * static_cast<std::size_t>(rgb->h));
  for (int y = 0; y < rgb->h; ++y) {
    const auto* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(rgb->pixels) +
                                                      static_cast<std::size_t>(y) * rgb->pitch);
    for (int x = 0; x < rgb->w; ++x) {
      image.pixels[static_cast<std::size_t>(y) * rgb->w + x] = row[x] & 0xFFFFFF;
    }
  }
  SDL_UnlockSurface(rgb.get());
  return true;
}

// Starts the launcher in memory, drives it to `shot` and keeps its client
// area in `image`; `sections` gets the button sections in key order.
Outcome TakeShot(RenderPlatform& platform, const Shot& shot, RgbImage& image,
                 std::vector<std::string>& sections, std::string& error) {
  SettingsFile settings(platform);
  LauncherWindow window(platform, settings, nullptr, nullptr);
  sections.clear();
  for (const SettingText& name : window.buttonSections().names()) sections.push_back(name.c_str());
  const WindowHandle handle = window.window();
  if (handle == nullptr) {
    error = "the launcher cannot make its window of " + std::to_string(window.width()) + " x " +
            std::to_string(window.height()) + " pixels";
    return Outcome::kCannotDraw;
  }
  long key = shot.key;
  if (shot.look != Look::kRest && key < 0) {
    for (std::size_t i = 0; i < sections.size() && key < 0; ++i) {
      if (SameName(shot.section, sections[i].c_str())) key = static_cast<long>(i);
    }
    if (key < 0) {
      error = "no Button.N key of [Main] names the section \"" + shot.section + "\"";
      if (!sections.empty()) {
        error += "; the buttons are";
        for (std::size_t i = 0; i < sections.size(); ++i) {
          error += (i == 0 ? " " : ", ") + DisplayText(sections[i]);
        }
      }
      return Outcome::kUnknownSection;
    }
  }
  if (!CreateButtonList(window)) {
    error = "the launcher ends at start-up with the message " + platform.message();
    return Outcome::kCannotDraw;
  }
  platform.ShowWindow(handle, kShowWindow);
  auto send = [&](std::uint32_t message, PointerPosition at) {
    platform.DispatchMessage(Message{
        handle, message, 0,
        PackPointerPosition(static_cast<std::uint16_t>(at.x), static_cast<std::uint16_t>(at.y))});
  };
  auto paint = [&] { platform.DispatchMessage(Message{handle, kWmPaint, 0, 0}); };
  paint();
  if (shot.look != Look::kRest) {
    LauncherButton* button = ButtonOfKey(window, static_cast<std::size_t>(key));
    PointerPosition at;
    std::string why = "it is not in the window's list";
    if (button == nullptr || !PointOnButton(window, *button, at, why)) {
      error = "the pointer cannot reach the button of Button." + std::to_string(key) + ": " + why;
      return Outcome::kCannotDraw;
    }
    send(kWmMouseMove, at);
    paint();
    ButtonState expected = ButtonState::Hot;
    if (shot.look == Look::kPressed) {
      send(kWmLeftButtonDown, at);
      paint();
      expected = ButtonState::Pressed;
    }
    if (window.hotButton() != button || button->state != expected) {
      error = "the button of Button." + std::to_string(key) + " did not light up";
      return Outcome::kCannotDraw;
    }
  }
  if (!CopyPixels(platform.WindowPixels(handle), image)) {
    error = "the window's pixels cannot be read back";
    return Outcome::kCannotDraw;
  }
  return Outcome::kDrawn;
}

std::string PanelLabel(const std::vector<std::string>& sections, std::size_t key, Look look) {
  return "Button." + std::to_string(key) + " = " + sections[key] + ": " + LookName(look);
}

}  // namespace

int RunRenderCommand(int argc, char** argv) {
  const char* directory = nullptr;
  const char* output = nullptr;
  Shot shot;
  bool sheet = false;
  int modes = 0;
  Platforms platforms = Platforms::kLinux;
  double scale = 1.0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::fputs(kRenderUsage, stdout);
      return 0;
    }
    if ((std::strcmp(arg, "-o") == 0 || std::strcmp(arg, "--output") == 0) && hasValue) {
      output = argv[++i];
    } else if ((std::strcmp(arg, "--hot") == 0 || std::strcmp(arg, "--pressed") == 0) && hasValue) {
      shot.look = std::strcmp(arg, "--hot") == 0 ? Look::kHot : Look::kPressed;
      shot.section = argv[++i];
      ++modes;
    } else if (std::strcmp(arg, "--scale") == 0 && hasValue) {
      scale = ParseScale(argv[++i]);
      if (scale <= 0) {
        std::fprintf(stderr,
                     "mavrel-inspect render: --scale wants a number from 1 to %g, not \"%s\"\n%s",
                     kMaxScale, argv[i], kRenderUsage);
        return 2;
      }
    } else if (std::strcmp(arg, "--sheet") == 0) {
      sheet = true;
      ++modes;
    } else if (std::strcmp(arg, "--platform") == 0) {
      if (!hasValue || !ParsePlatform(argv[++i], platforms)) {
        std::fprintf(stderr, "mavrel-inspect render: --platform takes linux or windows\n%s",
                     kRenderUsage);
        return 2;
      }
    } else if (arg[0] == '-' || directory != nullptr) {
      std::fprintf(stderr, "mavrel-inspect render: unexpected argument \"%s\"\n%s", arg,
                   kRenderUsage);
      return 2;
    } else {
      directory = arg;
    }
  }
  if (output == nullptr || output[0] == '\0') {
    std::fprintf(stderr, "mavrel-inspect render: -o FILE.png is missing\n%s", kRenderUsage);
    return 2;
  }
  if (modes > 1) {
    std::fprintf(stderr,
                 "mavrel-inspect render: only one of --hot, --pressed and --sheet may be "
                 "given\n%s",
                 kRenderUsage);
    return 2;
  }
  // The picture's path is taken from where the tool was started.
  std::error_code error;
  const std::string outputPath = std::filesystem::absolute(output, error).string();
  if (directory != nullptr) {
    std::filesystem::current_path(std::filesystem::path(directory), error);
    if (directory[0] == '\0' || error) {
      std::fprintf(stderr,
                   "mavrel-inspect render: cannot enter the directory \"%s\" (missing, not a "
                   "directory, or not accessible)\n",
                   directory);
      return 2;
    }
  }

  RenderPlatform platform(platforms != Platforms::kWindows);
  platform.SetScale(scale);
  {
    // The settings file is looked for as the launcher looks for it.
    SettingsFile settings(platform);
    settings.ReadSetting("Main", "Width");
    FileHandle file = platform.OpenFileForReading(settings.path());
    if (file == InvalidFileHandle()) {
      std::fprintf(stderr, "mavrel-inspect render: no %s in \"%s\"\n", kSettingsFileName,
                   directory != nullptr ? directory : ".");
      return 2;
    }
    platform.CloseFile(file);
  }
  if (!platform.RegisterWindowClass(LauncherWindowClass(nullptr))) {
    std::fprintf(stderr, "mavrel-inspect render: SDL's offscreen video cannot be started: %s\n",
                 SDL_GetError());
    return 1;
  }

  std::string problem;
  std::vector<std::string> sections;
  RgbImage picture;
  if (!sheet) {
    Outcome outcome = TakeShot(platform, shot, picture, sections, problem);
    if (outcome != Outcome::kDrawn) {
      std::fprintf(stderr, "mavrel-inspect render: %s\n", problem.c_str());
      return outcome == Outcome::kUnknownSection ? 2 : 1;
    }
  } else {
    RgbImage panel;
    if (TakeShot(platform, Shot{}, panel, sections, problem) != Outcome::kDrawn) {
      std::fprintf(stderr, "mavrel-inspect render: %s\n", problem.c_str());
      return 1;
    }
    const std::vector<std::string> names = sections;
    const std::size_t panels = 1 + 2 * names.size();
    const SheetLayout layout(panel.width, panel.height, LabelHeight(platform), panels);
    if (!layout.fits()) {
      std::fprintf(stderr,
                   "mavrel-inspect render: the sheet of %zu panels would be %lld x %lld pixels, "
                   "more than it may have; draw the states one at a time with --hot and "
                   "--pressed\n",
                   panels, layout.width(), layout.height());
      return 1;
    }
    Sheet drawing(platform, layout, picture);
    if (!drawing.Start(problem)) {
      std::fprintf(stderr, "mavrel-inspect render: %s\n", problem.c_str());
      return 1;
    }
    drawing.Place(0, "at rest", panel);
    std::size_t next = 1;
    for (std::size_t key = 0; key < names.size(); ++key) {
      for (Look look : {Look::kHot, Look::kPressed}) {
        Shot state{look, "", static_cast<long>(key)};
        const std::string label = PanelLabel(names, key, look);
        if (TakeShot(platform, state, panel, sections, problem) == Outcome::kDrawn) {
          drawing.Place(next++, label, panel);
        } else {
          // The panel shows what the user sees: the launcher at rest.
          drawing.Repeat(next++, label + " - the pointer cannot reach it");
        }
      }
    }
  }
  if (!WritePng(outputPath, picture, problem)) {
    std::fprintf(stderr, "mavrel-inspect render: cannot write \"%s\": %s\n", output,
                 problem.c_str());
    return 1;
  }
  return 0;
}

}  // namespace mavrel
