// Loading a medium's settings as the launcher does: generated media with
// 100, 1,000 and 10,000 buttons, every property set in every section, read
// through the desktop reader and the settings subsystem. Also the two halves
// on their own: parsing the file, and answering reads from memory.
#include <benchmark/benchmark.h>
#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/files/desktop_file_system.h"
#include "settings/medium_settings.h"
#include "settings/settings.h"
#include "windows_rules/ini_reader.h"

namespace mavrel {
namespace {

void AppendProperties(std::string& file, int n) {
  const std::string i = std::to_string(n);
  file += "BUTTON_TEXT=Button number " + i + "\\nsecond line\r\n";
  file += "DESC_TEXT=What button " + i + " does, in a few words\r\n";
  file += "BUTTON_LOC.X=" + std::to_string(10 + n % 50) + "\r\n";
  file += "BUTTON_LOC.Y=" + std::to_string(20 + n % 400) + "\r\n";
  file += "BUTTON_LOC.WIDTH=300\r\n";
  file += "BUTTON_LOC.HEIGHT=0\r\n";
  file += "DESC_LOC.X=360\r\n";
  file += "DESC_LOC.Y=0x78\r\n";
  file += "DESC_LOC.WIDTH=240\r\n";
  file += "DESC_LOC.HEIGHT=0\r\n";
  file += "BUTTON_FONT_HEIGHT=24\r\n";
  file += "BUTTON_DESC_HEIGHT=18\r\n";
  file += "TEXT_COLOR=0xFFFFFF\r\n";
  file += "HIGHLIGHT_COLOR=0x00FFFF\r\n";
  file += "SELECT_COLOR=0377\r\n";
  file += "DESC_COLOR=14737632\r\n";
  file += "DIRECTORY=setup\\\\part" + i + "\r\n";
  file += "PROG_COMMAND=setup\\\\setup.exe /part " + i + "\r\n";
  file += "DOC_COMMAND=docs\\\\readme" + i + ".txt\r\n";
  file += "EXIT_COMMAND=STAY\r\n";
  file += "ERROR_MSG=Part " + i + " could not be started.\r\n";
}

std::string MakeSettingsFile(int buttons) {
  std::string file = "[Main]\r\nWidth=640\r\nHeight=480\r\nTitle=Benchmark medium\r\n";
  file += "Background=setup.bmp\r\n";
  for (int n = 0; n < buttons; ++n) {
    file += "Button." + std::to_string(n) + "=Section" + std::to_string(n) + "\r\n";
  }
  AppendProperties(file, -1);
  for (int n = 0; n < buttons; ++n) {
    file += "\r\n[Section" + std::to_string(n) + "]\r\n";
    AppendProperties(file, n);
  }
  return file;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

// One folder per size, made once and removed at exit.
class Media {
 public:
  ~Media() {
    for (auto& entry : folders_) ::nftw(entry.second.c_str(), RemoveEntry, 8, FTW_DEPTH | FTW_PHYS);
  }
  const std::string& Folder(int buttons) {
    auto found = folders_.find(buttons);
    if (found != folders_.end()) return found->second;
    char pattern[] = "/tmp/mavrel-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    std::string folder = pattern;
    std::string bytes = MakeSettingsFile(buttons);
    FILE* file = std::fopen((folder + "/Mavrel.INI").c_str(), "wb");
    if (file == nullptr) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    fileSizes_[buttons] = bytes.size();
    return folders_.emplace(buttons, folder).first->second;
  }
  std::size_t FileSize(int buttons) { return fileSizes_[buttons]; }

 private:
  std::map<int, std::string> folders_;
  std::map<int, std::size_t> fileSizes_;
};

Media& TheMedia() {
  static Media media;
  return media;
}

// The launcher's reads, in its order; gives the number of buttons read.
std::size_t LoadLikeTheLauncher(FileSystem& files) {
  SettingsFile settings(files);
  MediumSettings medium(settings);
  benchmark::DoNotOptimize(medium.width.value + medium.height.value);
  benchmark::DoNotOptimize(medium.title.c_str());
  benchmark::DoNotOptimize(medium.background.c_str());
  return medium.buttons.size();
}

// Everything from a cold cache: read the file, parse it, read every value.
void BM_LoadMedium(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string& folder = TheMedia().Folder(count);
  if (::chdir(folder.c_str()) != 0) std::abort();
  for (auto _ : state) {
    DesktopFileSystem platform;
    std::size_t read = LoadLikeTheLauncher(platform);
    if (read != static_cast<std::size_t>(count)) state.SkipWithError("wrong button count");
  }
  state.counters["buttons"] = count;
  state.counters["file_bytes"] = static_cast<double>(TheMedia().FileSize(count));
  state.SetComplexityN(count);
}
BENCHMARK(BM_LoadMedium)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Parsing alone.
void BM_ParseSettingsFile(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string bytes = MakeSettingsFile(count);
  for (auto _ : state) {
    IniFile ini(bytes);
    benchmark::DoNotOptimize(ini.sectionCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.SetComplexityN(count);
}
BENCHMARK(BM_ParseSettingsFile)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The reads alone, answered from a file parsed before the timing starts.
void BM_ReadsFromParsedFile(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string& folder = TheMedia().Folder(count);
  if (::chdir(folder.c_str()) != 0) std::abort();
  DesktopFileSystem platform;
  platform.SetSettingsRecheckInterval(std::chrono::hours(1));
  LoadLikeTheLauncher(platform);
  for (auto _ : state) {
    benchmark::DoNotOptimize(LoadLikeTheLauncher(platform));
  }
  // Four window reads, the list (one more than its entries) and 21 keys per
  // record.
  state.counters["reads"] = 4 + (count + 1) + 21.0 * (count + 1);
  state.SetComplexityN(count);
}
BENCHMARK(BM_ReadsFromParsedFile)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace mavrel

BENCHMARK_MAIN();
