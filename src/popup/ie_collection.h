// colIE: the tracker's keyed collection of sinks, addressed by 1-based position or by key.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velqor::popup {

class IE_Class;

// Sinks in the order added, each under a unique key. Finding a key takes constant time, so a
// rebuild costs time proportional to the number of windows. Owns its sinks.
class IECollection {
 public:
  // Adds at the end; false, and nothing added, when the key is already present.
  bool Add(std::shared_ptr<IE_Class> sink, const std::string& key);
  // Raises "Invalid procedure call or argument" for a position outside 1..Count().
  const std::shared_ptr<IE_Class>& ByPosition(std::int64_t position) const;
  // Raises "Invalid procedure call or argument" for a key that is not present.
  const std::shared_ptr<IE_Class>& ByKey(std::string_view key) const;
  bool Contains(std::string_view key) const;
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  const std::vector<std::shared_ptr<IE_Class>>& Items() const { return items_; }

 private:
  std::vector<std::shared_ptr<IE_Class>> items_;
  std::unordered_map<std::string, std::size_t> positions_;
};

}  // namespace velqor::popup
