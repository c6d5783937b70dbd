// A minimal synchronous event: listeners are called in the order they connected.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace velqor::popup {

template <typename... Args>
class Signal {
 public:
  using Listener = std::function<void(Args...)>;

  // Adds a listener; it stays for the life of the signal.
  void Connect(Listener listener) { listeners_.push_back(std::move(listener)); }
  // Calls every listener connected now. A listener may connect others meanwhile; they are
  // called from the next raise on. An exception from a listener is passed to the caller.
  void Raise(Args... args) const {
    const std::vector<Listener> listeners = listeners_;
    for (const Listener& listener : listeners) {
      listener(args...);
    }
  }
  bool HasListeners() const { return !listeners_.empty(); }

 private:
  std::vector<Listener> listeners_;
};

}  // namespace velqor::popup
