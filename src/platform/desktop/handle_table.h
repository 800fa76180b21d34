// The objects the desktop platform hands out by handle (drawing contexts,
// fonts): each owned here, its handle its address. A handle that names
// nothing here (never made, already deleted, another kind) finds nothing.
#pragma once

#include <algorithm>
#include <memory>
#include <set>

namespace mavrel {

template <typename Handle, typename T>
class HandleTable {
 public:
  /// Takes `item` and gives its handle.
  Handle Add(std::unique_ptr<T> item) {
    Handle handle = HandleOf(item.get());
    items_.insert(std::move(item));
    return handle;
  }

  /// The object of `handle`, or null.
  T* Find(Handle handle) const {
    auto found = FindItem(handle);
    return found == items_.end() ? nullptr : found->get();
  }

  /// Deletes the object of `handle`; harmless when there is none.
  void Erase(Handle handle) {
    auto found = FindItem(handle);
    if (found != items_.end()) items_.erase(found);
  }

  /// Deletes every object for which `condition` holds.
  template <typename Condition>
  void EraseIf(Condition condition) {
    for (auto it = items_.begin(); it != items_.end();) {
      it = condition(**it) ? items_.erase(it) : std::next(it);
    }
  }

  /// Calls `action` with every object.
  template <typename Action>
  void ForEach(Action action) const {
    for (const auto& item : items_) action(*item);
  }

  void Clear() { items_.clear(); }

  static Handle HandleOf(const T* item) { return reinterpret_cast<Handle>(const_cast<T*>(item)); }

 private:
  auto FindItem(Handle handle) const {
    return std::find_if(items_.begin(), items_.end(), [&](const std::unique_ptr<T>& item) {
      return HandleOf(item.get()) == handle;
    });
  }

  std::set<std::unique_ptr<T>> items_;
};

}  // namespace mavrel
