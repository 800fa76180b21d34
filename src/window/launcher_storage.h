// Where the launcher obtains the storage that the system may refuse: the
// record of each button and the bytes of the background picture. Both are
// asked for without throwing, and a refusal is handled where it happens (the
// button list ends start-up in order, the picture stays empty). Tests hand
// in a source that refuses on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "window/launcher_button.h"

namespace mavrel {

class LauncherStorage {
 public:
  virtual ~LauncherStorage() = default;

  /// A new button record whose fonts `windows` deletes, or null when no
  /// storage can be had.
  virtual std::unique_ptr<LauncherButton> NewButton(WindowSystem& windows);

  /// A new buffer of exactly `size` bytes (contents unspecified), or null
  /// when no storage can be had. A size of 0 gives a valid empty buffer.
  virtual std::unique_ptr<std::uint8_t[]> NewBytes(std::size_t size);
};

// The storage of the running launcher: the free store, asked without
// throwing.
LauncherStorage& DefaultStorage();

}  // namespace mavrel
