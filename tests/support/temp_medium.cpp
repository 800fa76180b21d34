#include "support/temp_medium.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace mavrel::test_support {

namespace fs = std::filesystem;

TempMedium::TempMedium(const std::string& purpose) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mavrel-" + purpose + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp " + pattern + " failed");
  path_ = fs::canonical(name.data()).string();
}

TempMedium::TempMedium(const std::string& parent, const std::string& name) {
  const fs::path folder = fs::path(parent) / name;
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  fs::create_directories(folder);
  path_ = fs::canonical(folder).string();
}

TempMedium::~TempMedium() {
  if (keep_) return;
  // A test may have taken every permission away; they come back first so
  // that everything can go.
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, ignored);
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(path_, ignored);
}

void TempMedium::Write(const std::string& name, const std::string& bytes) const {
  const fs::path file = PathOf(name);
  std::error_code ignored;
  fs::create_directories(file.parent_path(), ignored);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + name);
}

void TempMedium::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  Write(name, std::string(bytes.begin(), bytes.end()));
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TempMedium::Read(const std::string& name) const { return ReadWholeFile(PathOf(name)); }

void TempMedium::MakeFolder(const std::string& name) const {
  if (::mkdir(PathOf(name).c_str(), 0755) != 0) throw std::runtime_error("mkdir " + name);
}

void TempMedium::MakeFifo(const std::string& name) const {
  if (::mkfifo(PathOf(name).c_str(), 0644) != 0) throw std::runtime_error("mkfifo " + name);
}

void TempMedium::Symlink(const std::string& target, const std::string& name) const {
  if (::symlink(target.c_str(), PathOf(name).c_str()) != 0) {
    throw std::runtime_error("symlink " + name);
  }
}

void TempMedium::SetMode(const std::string& name, unsigned mode) const {
  if (::chmod(PathOf(name).c_str(), mode) != 0) throw std::runtime_error("chmod " + name);
}

}  // namespace mavrel::test_support
