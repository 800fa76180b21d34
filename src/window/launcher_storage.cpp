#include "window/launcher_storage.h"

#include <new>

namespace mavrel {

std::unique_ptr<LauncherButton> LauncherStorage::NewButton(WindowSystem& windows) {
  return std::unique_ptr<LauncherButton>(new (std::nothrow) LauncherButton(windows));
}

std::unique_ptr<std::uint8_t[]> LauncherStorage::NewBytes(std::size_t size) {
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]);
}

LauncherStorage& DefaultStorage() {
  static LauncherStorage storage;
  return storage;
}

}  // namespace mavrel
