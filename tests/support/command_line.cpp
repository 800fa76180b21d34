#include "support/command_line.h"

namespace mavrel::test_support {

std::string WithFolder(std::string text, const std::string& folder) {
  for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
    text.replace(at, 1, folder);
    at += folder.size();
  }
  return text;
}

CommandLine::CommandLine(const std::string& command, const std::vector<std::string>& arguments,
                         const std::string& folder) {
  words_.push_back(command);
  for (const std::string& argument : arguments) words_.push_back(WithFolder(argument, folder));
  for (std::string& word : words_) argv_.push_back(word.data());
  argv_.push_back(nullptr);
}

}  // namespace mavrel::test_support
