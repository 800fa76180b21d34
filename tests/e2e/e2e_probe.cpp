// A program for the end-to-end tests to start: it writes what it was given
// and what it inherited to the file named by its first argument, then stays
// alive for the milliseconds given by the environment variable
// MAVREL_PROBE_LINGER_MS (default 0) and exits with status 0.
//
// Report lines: "arg <text>" per argument (argv[1] included), "cwd <path>",
// "fd <number> <target>" per open descriptor, "sigign <hex>", "sigblk <hex>",
// "pid <n>", "ppid <n>", "env <NAME=value>" per environment variable. The
// report appears whole (written beside the file,
// then renamed).
#include <dirent.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string report;
  for (int i = 1; i < argc; ++i) report += std::string("arg ") + argv[i] + "\n";
  char cwd[4096] = {};
  if (getcwd(cwd, sizeof cwd)) report += std::string("cwd ") + cwd + "\n";
  // The descriptor of the listing itself is left out.
  if (DIR* fds = opendir("/proc/self/fd")) {
    int own = dirfd(fds);
    while (dirent* entry = readdir(fds)) {
      if (entry->d_name[0] == '.') continue;
      int fd = std::atoi(entry->d_name);
      if (fd == own) continue;
      char target[4096] = {};
      std::string link = std::string("/proc/self/fd/") + entry->d_name;
      ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
      report += "fd " + std::to_string(fd) + " " + (n > 0 ? std::string(target, n) : "?") + "\n";
    }
    closedir(fds);
  }
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigIgn:", 0) == 0)
      report += "sigign " + line.substr(line.find_first_not_of(" \t", 7)) + "\n";
    if (line.rfind("SigBlk:", 0) == 0)
      report += "sigblk " + line.substr(line.find_first_not_of(" \t", 7)) + "\n";
  }
  report += "pid " + std::to_string(getpid()) + "\n";
  report += "ppid " + std::to_string(getppid()) + "\n";
  for (char** entry = environ; *entry; ++entry) report += std::string("env ") + *entry + "\n";

  std::string path = argv[1];
  std::string partial = path + ".part";
  FILE* f = std::fopen(partial.c_str(), "w");
  if (!f) return 3;
  std::fputs(report.c_str(), f);
  std::fclose(f);
  std::rename(partial.c_str(), path.c_str());

  if (const char* linger = std::getenv("MAVREL_PROBE_LINGER_MS")) {
    usleep(static_cast<useconds_t>(std::atoi(linger)) * 1000);
  }
  return 0;
}
