// The simulated registry's keys, shared by its operations and by what tests plant and read.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/sim/codepage.h"
#include "platform/sim/registry.h"

namespace velqor::platform::sim {

// One key: its name in the case of first creation (ANSI), its subkeys by folded name, and its
// values in creation order (the default value, where set, has the empty name).
struct SimRegistry::Key {
  std::string name;
  Key* parent = nullptr;
  std::map<std::string, std::unique_ptr<Key>> children;
  std::vector<Value> values;
  // Position in `values` by folded name: a lookup must not cost a pass over every value, or
  // reading each value of a key with thousands of them takes quadratic time.
  std::unordered_map<std::string, std::size_t> positions;

  const Value* FindValue(std::string_view ansi_name) const {
    const auto it = positions.find(FoldCp1252(ansi_name));
    return it == positions.end() ? nullptr : &values[it->second];
  }
  Value* FindValue(std::string_view ansi_name) {
    return const_cast<Value*>(std::as_const(*this).FindValue(ansi_name));
  }
  // Sets the value of that name, or adds it after the others.
  void Put(std::string ansi_name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
    if (Value* existing = FindValue(ansi_name)) {
      existing->type = type;
      existing->bytes = std::move(bytes);
      return;
    }
    positions.emplace(FoldCp1252(ansi_name), values.size());
    values.push_back(Value{type, std::move(bytes), std::move(ansi_name)});
  }
  void EraseValue(const Value* value) {
    const auto position = static_cast<std::size_t>(value - values.data());
    positions.erase(FoldCp1252(value->name));
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& entry : positions) {
      if (entry.second > position) {
        --entry.second;
      }
    }
  }
  Key* Child(std::string_view ansi_name) const {
    const auto it = children.find(FoldCp1252(ansi_name));
    return it == children.end() ? nullptr : it->second.get();
  }
  Key* AddChild(const std::string& ansi_name) {
    auto child = std::make_unique<Key>();
    child->name = ansi_name;
    child->parent = this;
    Key* raw = child.get();
    children.emplace(FoldCp1252(ansi_name), std::move(child));
    return raw;
  }
};

// The components of a back-slash separated path; empty components are skipped.
std::vector<std::string> SplitPath(std::string_view path);

}  // namespace velqor::platform::sim
