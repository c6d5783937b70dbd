#include "popup/ie_collection.h"

#include <utility>

#include "platform/failure.h"
#include "popup/variant_convert.h"

namespace velqor::popup {

namespace {

[[noreturn]] void InvalidIndex() {
  throw platform::MakeFailure(platform::ErrorDomain::kAutomation, kInvalidProcedureCall, "");
}

}  // namespace

bool IECollection::Add(std::shared_ptr<IE_Class> sink, const std::string& key) {
  if (!positions_.emplace(key, items_.size()).second) {
    return false;
  }
  items_.push_back(std::move(sink));
  return true;
}

const std::shared_ptr<IE_Class>& IECollection::ByPosition(std::int64_t position) const {
  if (position < 1 || position > static_cast<std::int64_t>(items_.size())) {
    InvalidIndex();
  }
  return items_[static_cast<std::size_t>(position - 1)];
}

const std::shared_ptr<IE_Class>& IECollection::ByKey(std::string_view key) const {
  const auto it = positions_.find(std::string(key));
  if (it == positions_.end()) {
    InvalidIndex();
  }
  return items_[it->second];
}

bool IECollection::Contains(std::string_view key) const {
  return positions_.find(std::string(key)) != positions_.end();
}

}  // namespace velqor::popup
