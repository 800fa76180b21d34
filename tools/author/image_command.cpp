#include "author/image_command.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "author/check_command.h"
#include "author/iso_image_writer.h"
#include "author/program_signing.h"
#include "author/publish_checks.h"
#include "windows_rules/ini_reader.h"

namespace mavrel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kImageUsage =
    "Usage: mavrel-inspect image DIRECTORY -o FILE.iso [--label LABEL]\n"
    "           [--sign-cert CERT.pem --sign-key KEY.pem [--sign-pass-env VAR]\n"
    "            [--timestamp URL]]\n"
    "Writes the medium in DIRECTORY as an ISO 9660 image with Rock Ridge (for Linux:\n"
    "names, letter case, execute bits) and Joliet (for Windows: names of up to 103\n"
    "characters). The medium is checked first, as mavrel-inspect check does it;\n"
    "when that finds errors, nothing is written. In the image every file is\n"
    "read-only, the files with an execute bit (mavrel, autorun.sh) executable.\n"
    "  -o, --output FILE.iso  where the image goes, outside DIRECTORY; it is written\n"
    "                         beside that place and renamed there when complete\n"
    "  --label LABEL          the volume label; by default label= of autorun.inf,\n"
    "                         else the folder's name; made upper case, A-Z, 0-9\n"
    "                         and _, at most 32 characters\n"
    "  --sign-cert CERT.pem   sign Mavrel.exe and mavrel-inspect.exe (Authenticode,\n"
    "  --sign-key KEY.pem     SHA-256, with osslsigncode) as they go into the image;\n"
    "                         the files in DIRECTORY stay as they are\n"
    "  --sign-pass-env VAR    the key's passphrase is in the environment variable VAR\n"
    "  --timestamp URL        have the signatures timestamped by this RFC 3161 server\n"
    "With SOURCE_DATE_EPOCH set (seconds since 1970), every time in the image is\n"
    "that one, and the same folder always gives the same image, byte for byte.\n"
    "Exit status: 0 when the image is written, 1 when the medium has errors or\n"
    "signing or writing failed (nothing is written then), 2 when DIRECTORY cannot\n"
    "be read or holds no Mavrel.INI, or the arguments are wrong.\n";

// The last second that every time field of an image can hold (the year is
// one byte from 1900 in the directory records).
constexpr std::int64_t kLatestEpoch = 5869583999;

// The Windows programs signed on their way into the image.
constexpr const char* kSignedPrograms[] = {"Mavrel.exe", "mavrel-inspect.exe"};

int Usage(const std::string& problem) {
  std::fprintf(stderr, "mavrel-inspect image: %s\n%s", problem.c_str(), kImageUsage);
  return 2;
}

int Refuse(const std::string& problem, int status) {
  std::fprintf(stderr, "mavrel-inspect image: %s\n", problem.c_str());
  return status;
}

// What an interruption (Ctrl+C, a closed terminal, kill) must not leave
// behind: the half image and the signed copies. The handler only unlinks.
class RemovedOnInterrupt {
 public:
  RemovedOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = &RemovedOnInterrupt::Handle;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
      sigaction(kSignals[i], nullptr, &previous_[i]);
      // A signal ignored by whoever started the tool (nohup) stays so.
      if (previous_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
    }
  }
  ~RemovedOnInterrupt() {
    count_ = 0;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  }
  // A path too long to keep stays behind on an interruption; nothing else
  // goes wrong with it.
  void Add(const std::string& path) {
    if (count_ < kSlots && path.size() < sizeof paths_[0]) {
      std::memcpy(paths_[count_], path.c_str(), path.size() + 1);
      count_ = count_ + 1;
    }
  }
  void Clear() { count_ = 0; }

 private:
  static constexpr int kSignalCount = 3;
  static constexpr int kSignals[kSignalCount] = {SIGINT, SIGTERM, SIGHUP};
  static constexpr int kSlots = 4;
  static void Handle(int signal) {
    for (int i = count_; i-- > 0;) {
      if (unlink(paths_[i]) != 0) rmdir(paths_[i]);
    }
    // Ended by the signal itself, as the starter expects.
    ::signal(signal, SIG_DFL);
    raise(signal);
  }
  static inline char paths_[kSlots][4096];
  static inline volatile sig_atomic_t count_ = 0;
  struct sigaction previous_[kSignalCount] = {};
};

struct Arguments {
  std::string directory;
  std::string output;
  std::optional<std::string> label;
  std::string certificate;
  std::string key;
  std::string passEnv;
  std::string timestampUrl;
};

// Gives 0 when the arguments hold together, -1 after --help, else the
// status to end with.
int ReadArguments(int argc, char** argv, Arguments& args) {
  bool haveDirectory = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kImageUsage, stdout);
      return -1;
    }
    std::string* value = arg == "-o" || arg == "--output" ? &args.output
                         : arg == "--sign-cert"           ? &args.certificate
                         : arg == "--sign-key"            ? &args.key
                         : arg == "--sign-pass-env"       ? &args.passEnv
                         : arg == "--timestamp"           ? &args.timestampUrl
                                                          : nullptr;
    if (value != nullptr && hasValue) {
      *value = argv[++i];
    } else if (arg == "--label" && hasValue) {
      args.label = argv[++i];
    } else if (arg[0] == '-' || haveDirectory) {
      return Usage("unexpected argument \"" + arg + "\"");
    } else {
      args.directory = arg;
      haveDirectory = true;
    }
  }
  if (args.directory.empty()) return Usage("DIRECTORY is missing");
  if (args.output.empty()) return Usage("-o FILE.iso is missing");
  if (args.certificate.empty() != args.key.empty()) {
    return Usage("--sign-cert and --sign-key go together");
  }
  if (args.certificate.empty() && (!args.passEnv.empty() || !args.timestampUrl.empty())) {
    return Usage("--sign-pass-env and --timestamp need --sign-cert and --sign-key");
  }
  return 0;
}

bool ReadableFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && access(path.c_str(), R_OK) == 0;
}

// Signs the medium's Windows programs into `folder`; gives "" or the
// problem, and in `signedCopies` which root names now come from where.
std::string SignPrograms(const fs::path& medium, const SigningKey& key, const fs::path& folder,
                         std::map<std::string, fs::path>& signedCopies,
                         RemovedOnInterrupt& cleanup) {
  std::error_code error;
  for (fs::directory_iterator it(medium, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    for (const char* program : kSignedPrograms) {
      if (!EqualNames(name, program) || !it->is_regular_file(error)) continue;
      const fs::path copy = folder / name;
      cleanup.Add(copy.string());
      const std::string problem = SignProgram(key, it->path(), copy);
      if (!problem.empty()) return problem;
      signedCopies[name] = copy;
    }
  }
  if (signedCopies.empty()) {
    return "nothing to sign: the folder holds neither Mavrel.exe nor mavrel-inspect.exe";
  }
  return "";
}

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
  return text;
}

}  // namespace

int RunImageCommand(int argc, char** argv, FileSystem& platform,
                    const LinuxSectionsSwitch& useLinuxSections,
                    const ParsedSettingsSource& parsed) {
  Arguments args;
  if (int status = ReadArguments(argc, argv, args)) return status < 0 ? 0 : status;

  std::optional<std::int64_t> epoch;
  if (const char* text = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (*text < '0' || *text > '9' || *end != '\0' || errno != 0 || value > kLatestEpoch) {
      return Usage("SOURCE_DATE_EPOCH is \"" + std::string(text) +
                   "\", not a number of seconds from 1970 to 2155");
    }
    epoch = value;
  }
  SigningKey key{args.certificate, args.key, std::nullopt, args.timestampUrl, epoch};
  if (!args.passEnv.empty()) {
    const char* passphrase = std::getenv(args.passEnv.c_str());
    if (passphrase == nullptr) {
      return Usage("the environment variable " + args.passEnv + " is not set");
    }
    key.passphrase = passphrase;
  }
  for (std::string* file : {&key.certificate, &key.key}) {
    if (file->empty()) continue;
    if (!ReadableFile(*file)) return Usage("cannot read \"" + *file + "\"");
    *file = fs::absolute(*file).string();
  }

  // Every path is taken from where the tool was started; check then enters
  // the folder.
  std::error_code error;
  const fs::path medium = fs::canonical(args.directory, error);
  if (error || !fs::is_directory(medium, error)) {
    return Refuse("cannot read the directory \"" + args.directory +
                      "\" (missing, not a directory, or not accessible)",
                  2);
  }
  const fs::path output = fs::absolute(args.output, error).lexically_normal();
  const fs::path outputFolder = fs::weakly_canonical(output.parent_path(), error);
  if (error || !fs::is_directory(outputFolder, error)) {
    return Usage("the folder of \"" + args.output + "\" does not exist");
  }
  if (fs::is_directory(output, error)) return Usage("\"" + args.output + "\" is a folder");
  auto inside = [&medium](const fs::path& path) {
    const fs::path relative = path.lexically_relative(medium);
    return !relative.empty() && *relative.begin() != "..";
  };
  if (inside(outputFolder)) {
    return Usage("\"" + args.output + "\" is inside the medium's folder: the image would hold " +
                 "itself; write it elsewhere");
  }
  if (!key.key.empty() && inside(fs::weakly_canonical(key.key, error))) {
    return Usage("the key \"" + args.key + "\" is inside the medium's folder: the image would " +
                 "publish it; keep it elsewhere");
  }

  std::vector<std::string> words = {"check", args.directory};
  std::vector<char*> checkArgv = {words[0].data(), words[1].data()};
  const int checked = RunCheckCommand(2, checkArgv.data(), platform, useLinuxSections, parsed);
  if (checked == 2) return 2;
  if (checked != 0) return Refuse("the medium has errors (above): no image is written", 1);

  IsoImageOptions options;
  options.epoch = epoch;
  std::string wanted = args.label ? *args.label : AutorunLabel(medium).value_or("");
  if (wanted.empty()) wanted = medium.filename().string();
  options.label = VolumeLabel(wanted);

  RemovedOnInterrupt cleanup;
  std::string signingFolder;
  std::string problem;
  if (!args.certificate.empty()) {
    const fs::path temporary = fs::temp_directory_path(error) / "mavrel-sign-XXXXXX";
    std::string pattern = temporary.string();
    if (error || mkdtemp(pattern.data()) == nullptr) {
      return Refuse("cannot make a folder for the signed programs", 1);
    }
    signingFolder = pattern;
    cleanup.Add(signingFolder);
    problem = SignPrograms(medium, key, signingFolder, options.replacements, cleanup);
  }

  std::string partial =
      (outputFolder / ("." + output.filename().string() + ".partial-XXXXXX")).string();
  std::uint64_t bytes = 0;
  if (problem.empty()) {
    const int fd = mkstemp(partial.data());
    if (fd < 0) {
      problem = "cannot write in \"" + outputFolder.string() + "\": " + std::strerror(errno);
    } else {
      cleanup.Add(partial);
      problem = WriteIsoImage(medium, fd, options, bytes);
      // Readable as any new file, not only by its owner as a temporary one.
      // Not synced before the rename, as xorriso and cp do not sync: the
      // rename keeps a half image from an interrupted run out of place;
      // a sync would cost about a second per GB, waiting for the disk.
      const mode_t mask = umask(0);
      umask(mask);
      if (problem.empty() && fchmod(fd, 0666 & ~mask) != 0) {
        problem = std::string("cannot write the image: ") + std::strerror(errno);
      }
      if (close(fd) != 0 && problem.empty()) {
        problem = std::string("cannot write the image: ") + std::strerror(errno);
      }
      if (problem.empty() && std::rename(partial.c_str(), output.c_str()) != 0) {
        problem = "cannot put the image in place: " + std::string(std::strerror(errno));
      }
      if (!problem.empty()) unlink(partial.c_str());
    }
  }
  for (const auto& copy : options.replacements) fs::remove(copy.second, error);
  if (!signingFolder.empty()) fs::remove(signingFolder, error);
  cleanup.Clear();
  if (!problem.empty()) return Refuse(problem + ": no image is written", 1);

  std::string signedNames;
  for (const auto& copy : options.replacements) {
    signedNames += (signedNames.empty() ? ", " : " and ") + copy.first;
  }
  std::printf("mavrel-inspect image: %s written: %s, label %s%s%s\n", args.output.c_str(),
              Megabytes(bytes).c_str(), options.label.c_str(), signedNames.c_str(),
              signedNames.empty() ? "" : " signed");
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace mavrel
