// The objects the desktop platform hands out by handle (drawing contexts,
// fonts): each owned here, its handle its address. A handle that names
// nothing here (never made, already deleted, another kind) finds nothing.
// Found by hash: the launcher selects and deletes each of its fonts (two a
// button, thousands on a large medium) by handle on every paint and at
// teardown.
#pragma once

#include <memory>
#include <unordered_map>

namespace mavrel {

template <typename Handle, typename T>
class HandleTable {
 public:
  /// Takes `item` and gives its handle.
  Handle Add(std::unique_ptr<T> item) {
    Handle handle = HandleOf(item.get());
    items_.emplace(handle, std::move(item));
    return handle;
  }

  /// The object of `handle`, or null.
  T* Find(Handle handle) const {
    auto found = items_.find(handle);
    return found == items_.end() ? nullptr : found->second.get();
  }

  /// Deletes the object of `handle`; harmless when there is none.
  void Erase(Handle handle) { items_.erase(handle); }

  /// Deletes every object for which `condition` holds.
  template <typename Condition>
  void EraseIf(Condition condition) {
    for (auto it = items_.begin(); it != items_.end();) {
      it = condition(*it->second) ? items_.erase(it) : std::next(it);
    }
  }

  /// Calls `action` with every object.
  template <typename Action>
  void ForEach(Action action) const {
    for (const auto& item : items_) action(*item.second);
  }

  static Handle HandleOf(const T* item) { return reinterpret_cast<Handle>(const_cast<T*>(item)); }

 private:
  std::unordered_map<Handle, std::unique_ptr<T>> items_;
};

}  // namespace mavrel
