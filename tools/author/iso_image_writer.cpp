#include "author/iso_image_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

// The image is read from libisofs's own byte source; libburn is not used.
#define LIBISOFS_WITHOUT_LIBBURN 1
#include <libisofs.h>  // as its pkg-config names the folder

namespace mavrel {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLabelLimit = 32;
constexpr int kChunk = 1 << 20;  // a multiple of the 2048-byte sector

// Read-only for everybody; the execute bits stay where the author set any.
mode_t ImageMode(const struct stat& info) {
  if (S_ISDIR(info.st_mode) || (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) return 0555;
  return 0444;
}

struct Tree {
  IsoImage* image;
  const IsoImageOptions& options;
  int nextWeight;  // file contents go into the image in walk order
  std::string error;
};

void SetAttributes(IsoNode* node, const struct stat& info, const IsoImageOptions& options) {
  iso_node_set_permissions(node, ImageMode(info));
  iso_node_set_uid(node, 0);
  iso_node_set_gid(node, 0);
  const time_t when = options.epoch ? static_cast<time_t>(*options.epoch) : info.st_mtime;
  iso_node_set_mtime(node, when);
  iso_node_set_atime(node, when);
  iso_node_set_ctime(node, when);
}

std::string Failed(const char* what, const std::string& path, int result) {
  return std::string("cannot ") + what + " \"" + path + "\": " + iso_error_to_msg(result);
}

// Adds what `folder` holds below `parent`, in byte order of the names.
bool AddFolder(Tree& tree, IsoDir* parent, const std::string& folder, bool atRoot) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  if (error) {
    tree.error = "cannot list \"" + folder + "\": " + error.message();
    return false;
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
      tree.error = "cannot read \"" + path + "\": " + std::strerror(errno);
      return false;
    }
    IsoNode* node = nullptr;
    int result = 1;
    if (S_ISDIR(info.st_mode)) {
      IsoDir* dir = nullptr;
      result = iso_tree_add_new_dir(parent, name.c_str(), &dir);
      node = reinterpret_cast<IsoNode*>(dir);
      if (result >= 0) SetAttributes(node, info, tree.options);
      if (result >= 0 && !AddFolder(tree, dir, path, false)) return false;
    } else if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) {
      const auto replaced =
          atRoot ? tree.options.replacements.find(name) : tree.options.replacements.end();
      const std::string source =
          replaced != tree.options.replacements.end() ? replaced->second.string() : path;
      result = iso_tree_add_new_node(tree.image, parent, name.c_str(), source.c_str(), &node);
      if (result >= 0) {
        SetAttributes(node, info, tree.options);
        iso_node_set_sort_weight(node, tree.nextWeight--);
      }
    } else {
      continue;  // FIFOs, devices and sockets have no place on a medium
    }
    if (result < 0) {
      tree.error = Failed("add", path, result);
      return false;
    }
  }
  return true;
}

// Frees an image, its write options or its byte source when it goes.
struct IsoImageDeleter {
  void operator()(IsoImage* image) const { iso_image_unref(image); }
};
struct IsoWriteOptsDeleter {
  void operator()(IsoWriteOpts* opts) const { iso_write_opts_free(opts); }
};
struct BurnSourceDeleter {
  void operator()(burn_source* source) const {
    source->cancel(source);
    source->free_data(source);
    std::free(source);
  }
};

// The time as ECMA-119 writes a volume time, in UTC: "YYYYMMDDhhmmss00".
std::string VolumeTime(std::int64_t epoch) {
  const time_t when = static_cast<time_t>(epoch);
  struct tm utc {};
  gmtime_r(&when, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S00", &utc);
  return text;
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// One line rewritten in place on a terminal; elsewhere (a log) a line each
// tenth.
class Progress {
 public:
  Progress(std::uint64_t total, bool shown)
      : total_(total), shown_(shown), terminal_(isatty(STDERR_FILENO) != 0) {}
  void Update(std::uint64_t done) {
    if (!shown_) return;
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == last_ || (!terminal_ && percent / 10 == last_ / 10)) return;
    last_ = percent;
    std::fprintf(stderr, "%smavrel-inspect image: %d%% of %llu MB written%s", terminal_ ? "\r" : "",
                 percent, static_cast<unsigned long long>((total_ + (1u << 19)) >> 20),
                 terminal_ ? "" : "\n");
    if (terminal_ && percent == 100) std::fputc('\n', stderr);
  }

 private:
  std::uint64_t total_;
  bool shown_;
  bool terminal_;
  int last_ = -1;
};

// Waits until the writer thread has put `wanted` bytes into the buffer, or
// has ended. A read that waits itself is woken for every 2 KiB block the
// thread adds: on a busy machine those wake-ups cost more than the copying.
void WaitForData(burn_source* source, std::size_t wanted) {
  for (;;) {
    std::size_t size = 0;
    std::size_t free = 0;
    if (iso_ring_buffer_get_status(source, &size, &free) != 1 || size - free >= wanted) return;
    const struct timespec pause = {0, 1000000};  // 1 ms: the disk takes about that per MiB
    nanosleep(&pause, nullptr);
  }
}

std::string Write(const fs::path& folder, int fd, const IsoImageOptions& options,
                  std::uint64_t& bytes) {
  if (options.epoch) {
    time_t now = static_cast<time_t>(*options.epoch);
    iso_nowtime(&now, 1);
  }
  // Names are handed over as the system gives them: UTF-8.
  iso_set_local_charset(const_cast<char*>("UTF-8"), 0);
  IsoImage* raw = nullptr;
  int result = iso_image_new(options.label.c_str(), &raw);
  if (result < 0) return std::string("cannot start the image: ") + iso_error_to_msg(result);
  const std::unique_ptr<IsoImage, IsoImageDeleter> image(raw);
  iso_image_set_ignore_aclea(raw, 1 | 2);  // no ACLs or extended attributes
  iso_tree_set_follow_symlinks(raw, 0);

  Tree tree{raw, options, 1 << 30, ""};
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0) return "cannot read \"" + folder.string() + "\"";
  IsoNode* root = reinterpret_cast<IsoNode*>(iso_image_get_root(raw));
  SetAttributes(root, info, options);
  if (!AddFolder(tree, iso_image_get_root(raw), folder.string(), true)) return tree.error;

  IsoWriteOpts* rawOpts = nullptr;
  result = iso_write_opts_new(&rawOpts, 0);
  if (result < 0) return std::string("cannot set up the image: ") + iso_error_to_msg(result);
  const std::unique_ptr<IsoWriteOpts, IsoWriteOptsDeleter> opts(rawOpts);
  // Level 3: a file of 4 GiB or more is kept, in several extents.
  iso_write_opts_set_iso_level(rawOpts, 3);
  iso_write_opts_set_rockridge(rawOpts, 1);
  iso_write_opts_set_joliet(rawOpts, 1);
  iso_write_opts_set_joliet_long_names(rawOpts, 1);
  iso_write_opts_set_joliet_longer_paths(rawOpts, 1);
  // Joliet names as written: no ";1" and no dot added to a name without one.
  iso_write_opts_set_omit_version_numbers(rawOpts, 2);
  iso_write_opts_set_no_force_dots(rawOpts, 2);
  iso_write_opts_set_aaip(rawOpts, 0);
  iso_write_opts_set_hardlinks(rawOpts, 0);
  // Rock Ridge 1.10 (as mkisofs writes it) records no file serial numbers,
  // which libisofs would take from the inodes of the folder's files: a copy
  // of the folder would give another image.
  iso_write_opts_set_rrip_version_1_10(rawOpts, 1);
  iso_write_opts_set_sort_files(rawOpts, 1);
  iso_write_opts_set_always_gmt(rawOpts, 1);
  // The nodes' own times in the ISO 9660 and Joliet records too.
  iso_write_opts_set_dir_rec_mtime(rawOpts, 1 | 2);
  iso_write_opts_set_replace_mode(rawOpts, 0, 0, 0, 0);
  iso_write_opts_set_replace_timestamps(rawOpts, 0);
  // Room for four reads ahead of the writer thread.
  iso_write_opts_set_fifo_size(rawOpts, 4 * kChunk / 2048);
  if (options.epoch) {
    std::string uuid = VolumeTime(*options.epoch);
    const time_t when = static_cast<time_t>(*options.epoch);
    iso_write_opts_set_pvd_times(rawOpts, when, when, 0, when, uuid.data());
  }

  burn_source* rawSource = nullptr;
  result = iso_image_create_burn_source(raw, rawOpts, &rawSource);
  if (result < 0) return std::string("cannot make the image: ") + iso_error_to_msg(result);
  const std::unique_ptr<burn_source, BurnSourceDeleter> source(rawSource);
  bytes = static_cast<std::uint64_t>(rawSource->get_size(rawSource));
  Progress progress(bytes, bytes >= options.progressFrom);
  std::vector<unsigned char> chunk(kChunk);
  // The source gives whole requests only: the last one asks for the rest.
  for (std::uint64_t done = 0; done < bytes;) {
    const int wanted = static_cast<int>(std::min<std::uint64_t>(kChunk, bytes - done));
    WaitForData(rawSource, static_cast<std::size_t>(wanted));
    const int n = rawSource->read_xt(rawSource, chunk.data(), wanted);
    if (n != wanted) return "the image could not be made (a file may have changed or gone)";
    if (!WriteAll(fd, chunk.data(), static_cast<std::size_t>(n))) {
      return std::string("cannot write the image: ") + std::strerror(errno);
    }
    done += static_cast<std::uint64_t>(n);
    progress.Update(done);
  }
  return "";
}

}  // namespace

std::string VolumeLabel(const std::string& wanted) {
  std::string label;
  for (char c : wanted) {
    if (label.size() == kLabelLimit) break;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    // A character of several UTF-8 bytes gives one "_".
    if ((c & 0xC0) == 0x80) continue;
    label += ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) ? c : '_';
  }
  return label.empty() ? "MEDIUM" : label;
}

std::string WriteIsoImage(const fs::path& folder, int fd, const IsoImageOptions& options,
                          std::uint64_t& bytes) {
  bytes = 0;
  // libisofs keeps its set-up in the process; each image has its own.
  int result = iso_init_with_flag(1);  // the locale stays the program's
  if (result < 0) return std::string("cannot start libisofs: ") + iso_error_to_msg(result);
  // Its own messages go out as they come, from failures up.
  iso_set_msgs_severities(const_cast<char*>("NEVER"), const_cast<char*>("FAILURE"),
                          const_cast<char*>("mavrel-inspect image (libisofs): "));
  std::string error = Write(folder, fd, options, bytes);
  iso_finish();
  return error;
}

}  // namespace mavrel
