#include "author/program_signing.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace mavrel {

constexpr std::size_t kPassphraseLimit = 4096;

std::string SignProgram(const SigningKey& key, const std::filesystem::path& input,
                        const std::filesystem::path& output) {
  std::vector<std::string> words = {"osslsigncode", "sign",  "-certs", key.certificate,
                                    "-key",         key.key, "-h",     "sha256"};
  // The passphrase goes through a pipe, never on a command line that any
  // user of the machine can list.
  if (key.passphrase) words.insert(words.end(), {"-readpass", "/dev/stdin"});
  if (!key.timestampUrl.empty()) {
    words.insert(words.end(), {"-ts", key.timestampUrl});
  } else if (key.signingTime) {
    words.insert(words.end(), {"-time", std::to_string(*key.signingTime)});
  }
  words.insert(words.end(), {"-in", input.string(), "-out", output.string()});
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // The passphrase is in the pipe before osslsigncode starts: far shorter
  // than a pipe holds, it never waits, and the pipe has its reader (us).
  if (key.passphrase && key.passphrase->size() > kPassphraseLimit) {
    return "the passphrase is longer than " + std::to_string(kPassphraseLimit) + " characters";
  }
  int pipeFds[2] = {-1, -1};
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::string("cannot make a pipe: ") + strerror(errno);
  const std::string line = key.passphrase ? *key.passphrase + "\n" : "";
  const bool passed =
      write(pipeFds[1], line.data(), line.size()) == static_cast<ssize_t>(line.size());
  close(pipeFds[1]);
  if (!passed) {
    close(pipeFds[0]);
    return "cannot hand the passphrase over";
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
  // Its "Succeeded" is no news; failures go to standard error.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "osslsigncode", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[0]);
  if (spawned != 0) {
    if (spawned == ENOENT) {
      return "osslsigncode is not installed (on Debian and Ubuntu: apt-get install osslsigncode)";
    }
    return std::string("cannot start osslsigncode: ") + strerror(spawned);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::string("lost osslsigncode: ") + strerror(errno);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::error_code error;
    std::filesystem::remove(output, error);
    return "osslsigncode could not sign " + input.filename().string();
  }
  return "";
}

}  // namespace mavrel
