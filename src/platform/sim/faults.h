// The "fail next call" faults that tests plant in a simulated part, and the count of calls that a
// fault of any kind has made fail.
#pragma once

#include <cstddef>
#include <map>
#include <optional>

#include "platform/failure.h"

namespace velqor::platform::sim {

template <typename Operation>
class Faults {
 public:
  // The next call of `operation` fails with `status` and has no effect.
  void FailNext(Operation operation, Status status) { planted_[operation] = status; }
  // The status of the fault waiting for `operation` (kSuccess too), used up; nothing when none
  // waits.
  std::optional<Status> Take(Operation operation) {
    const auto it = planted_.find(operation);
    if (it == planted_.end()) {
      return std::nullopt;
    }
    const Status status = it->second;
    planted_.erase(it);
    Hit();
    return status;
  }
  void Clear() { planted_.clear(); }
  // Counts a call that another fault (a refusal, a missing folder) made fail; callable where the
  // refusal is decided, in a const check.
  void Hit() const { ++hits_; }
  std::size_t hits() const { return hits_; }

 private:
  std::map<Operation, Status> planted_;
  mutable std::size_t hits_ = 0;
};

}  // namespace velqor::platform::sim
