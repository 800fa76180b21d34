// A command line of mavrel-inspect's for a test: a command and its
// arguments, each "@" in them standing for a test's folder, as argc and argv.
#pragma once

#include <string>
#include <vector>

namespace mavrel::test_support {

/// `text` with every "@" replaced by `folder`.
std::string WithFolder(std::string text, const std::string& folder);

class CommandLine {
 public:
  CommandLine(const std::string& command, const std::vector<std::string>& arguments,
              const std::string& folder);
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  int argc() const { return static_cast<int>(words_.size()); }
  /// The words, for a command's argv; they live as long as this line.
  char** argv() { return argv_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> argv_;
};

}  // namespace mavrel::test_support
