#include "journal/journal.h"

#include <algorithm>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>

namespace velqor::journal {

using platform::Status;

namespace {

// The file's lines without their line ends, and whether the last one was complete.
std::vector<std::string_view> Lines(std::string_view text, bool& complete) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back(line);
    if (end == std::string_view::npos) {
      break;
    }
    start = end + 1;
  }
  complete = text.empty() || text.back() == '\n';
  return lines;
}

// A command being assembled from its lines, which may come mixed with another copy's.
struct Assembly {
  Command command;
  bool has_begin = false;
  std::uint32_t changed = 0;  // after-states the end line counts
  // Value number -> place in command.values, sorted by number; lines come in order, so this
  // mostly grows at its end.
  std::vector<std::pair<std::uint32_t, std::size_t>> by_index;

  auto Find(std::uint32_t index) {
    return std::lower_bound(by_index.begin(), by_index.end(),
                            std::make_pair(index, std::size_t{0}));
  }
};

}  // namespace

const Command* Contents::Find(std::uint64_t sequence) const {
  for (const Command& command : commands) {
    if (command.sequence == sequence) {
      return &command;
    }
  }
  return nullptr;
}

const Command* Contents::LastUndoable() const {
  for (auto it = commands.rbegin(); it != commands.rend(); ++it) {
    if (!it->undone && it->undoes == 0) {
      return &*it;
    }
  }
  return nullptr;
}

std::uint64_t Contents::LastSequence() const {
  return commands.empty() ? 0 : commands.back().sequence;
}

std::vector<bool> UndoneFlags(const std::vector<CommandHead>& heads) {
  std::vector<bool> undone(heads.size(), false);
  // Newest first: an undo that a later undo put back marks nothing.
  for (std::size_t i = heads.size(); i-- > 0;) {
    const std::uint64_t target = heads[i].undoes;
    if (target == 0 || undone[i] || target >= heads[i].sequence) {
      continue;
    }
    // Of two commands with the number (two copies), the one listed last.
    auto it = std::upper_bound(
        heads.begin(), heads.end(), target,
        [](std::uint64_t sequence, const CommandHead& head) { return sequence < head.sequence; });
    if (it != heads.begin() && (--it)->sequence == target) {
      undone[static_cast<std::size_t>(it - heads.begin())] = true;
    }
  }
  return undone;
}

Contents ParseJournal(std::string_view text) {
  Contents contents;
  using Id = std::pair<std::uint64_t, std::uint32_t>;
  struct IdHash {
    std::size_t operator()(const Id& id) const {
      return std::hash<std::uint64_t>()(id.first * 0x9E3779B97F4A7C15ULL ^ id.second);
    }
  };
  // In the order their first lines come; found by number and copy only where the lines of one
  // command give way to another's.
  std::vector<Assembly> assemblies;
  std::unordered_map<Id, std::size_t, IdHash> where;
  contents.ends_with_line_end = text.empty() || text.back() == '\n';
  Assembly* last = nullptr;
  Id last_id;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    ++number;
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (line.empty()) {
      continue;
    }
    std::string reason;
    std::optional<Record> record = DecodeRecord(line, &reason);
    if (!record) {
      if (start > text.size() && !contents.ends_with_line_end) {
        reason = "cut short";
      }
      contents.skipped.push_back({number, reason});
      continue;
    }
    const auto skip = [&](const char* why) { contents.skipped.push_back({number, why}); };
    std::visit(
        [&](auto& r) {
          // A command's lines mostly come one after the other: no lookup for each of them.
          const Id id{r.sequence, r.copy};
          if (last == nullptr || last_id != id) {
            const auto [at, added] = where.try_emplace(id, assemblies.size());
            if (added) {
              assemblies.emplace_back();
            }
            last = &assemblies[at->second];
            last_id = id;
          }
          Assembly& a = *last;
          a.command.sequence = r.sequence;
          a.command.copy = r.copy;
          using T = std::decay_t<decltype(r)>;
          if constexpr (std::is_same_v<T, BeginRecord>) {
            if (a.has_begin) {
              return skip("the command's first line again");
            }
            a.has_begin = true;
            a.command.time = std::move(r.time);
            a.command.name = std::move(r.name);
            a.command.undoes = r.undoes;
          } else if constexpr (std::is_same_v<T, BeforeRecord>) {
            const auto at = a.Find(r.index);
            if (at != a.by_index.end() && at->first == r.index) {
              return skip("the value's before-state again");
            }
            a.by_index.insert(at, {r.index, a.command.values.size()});
            a.command.values.push_back({r.root, std::move(r.key_path), std::move(r.value_name),
                                        std::move(r.before), std::nullopt, platform::kSuccess,
                                        r.kind, r.view});
          } else if constexpr (std::is_same_v<T, AfterRecord>) {
            const auto it = a.Find(r.index);
            if (it == a.by_index.end() || it->first != r.index ||
                a.command.values[it->second].after) {
              return skip("no before-state for this value");
            }
            a.command.values[it->second].after = std::move(r.after);
            a.command.values[it->second].status = r.status;
          } else {
            a.command.complete = true;
            a.changed = r.values;
          }
          a.command.lines.push_back(number);
        },
        *record);
  }
  // Commands by number, then copy; in a journal one copy wrote they come so already.
  const auto by_id = [](const Assembly& x, const Assembly& y) {
    return std::pair(x.command.sequence, x.command.copy) <
           std::pair(y.command.sequence, y.command.copy);
  };
  if (!std::is_sorted(assemblies.begin(), assemblies.end(), by_id)) {
    std::sort(assemblies.begin(), assemblies.end(), by_id);
  }
  contents.commands.reserve(assemblies.size());
  for (Assembly& a : assemblies) {
    if (a.command.lines.empty()) {
      continue;  // every line of it was skipped
    }
    // In a command that ran to its end with every after-state read, a before-state without an
    // after-state was prepared for a change that did not come: not part of the record.
    std::size_t afters = 0;
    for (const ValueChange& value : a.command.values) {
      afters += value.after ? 1 : 0;
    }
    const bool drop_unchanged = a.command.complete && afters == a.changed;
    // Values in their order within the command, whatever order their lines came in; they mostly
    // came in order and all changed, and then stay where they are.
    bool in_order = !drop_unchanged || afters == a.command.values.size();
    for (std::size_t i = 0; in_order && i < a.by_index.size(); ++i) {
      in_order = a.by_index[i].second == i;
    }
    if (!in_order) {
      std::vector<ValueChange> values;
      values.reserve(a.by_index.size());
      for (const auto& [index, place] : a.by_index) {
        if (!drop_unchanged || a.command.values[place].after) {
          values.push_back(std::move(a.command.values[place]));
        }
      }
      a.command.values = std::move(values);
    }
    contents.commands.push_back(std::move(a.command));
  }
  std::vector<CommandHead> heads;
  heads.reserve(contents.commands.size());
  for (const Command& command : contents.commands) {
    heads.push_back({command.sequence, command.undoes});
  }
  const std::vector<bool> undone = UndoneFlags(heads);
  for (std::size_t i = 0; i < undone.size(); ++i) {
    contents.commands[i].undone = undone[i];
  }
  return contents;
}

std::string KeepNewest(std::string_view text, const Contents& contents, std::size_t keep) {
  std::set<std::size_t> kept;
  const std::size_t first = contents.commands.size() > keep ? contents.commands.size() - keep : 0;
  for (std::size_t i = first; i < contents.commands.size(); ++i) {
    kept.insert(contents.commands[i].lines.begin(), contents.commands[i].lines.end());
  }
  bool complete = true;
  const std::vector<std::string_view> lines = Lines(text, complete);
  std::string out;
  for (const std::size_t number : kept) {
    out += lines[number - 1];
    out += "\r\n";
  }
  return out;
}

Status JournalWriter::Refresh(platform::JournalLock& lock, std::uint64_t size) {
  std::string text;
  if (const Status status = lock.ReadAll(text); status != platform::kSuccess) {
    return status;
  }
  const Contents contents = ParseJournal(text);
  last_sequence_ = std::max(last_sequence_, contents.LastSequence());
  commands_ = contents.commands.size();
  ends_with_line_end_ = contents.ends_with_line_end;
  known_size_ = text.size() == size ? size : text.size();
  SetHeads(contents, *known_size_);
  return platform::kSuccess;
}

void JournalWriter::SetHeads(const Contents& contents, std::uint64_t size) {
  heads_.clear();
  heads_.reserve(contents.commands.size() + 1);
  for (const Command& command : contents.commands) {
    heads_.push_back({command.sequence, command.undoes});
  }
  heads_size_ = size;
}

Status JournalWriter::Append(bool opens_command, platform::Flush flush,
                             const std::function<std::string(std::uint64_t)>& make,
                             std::uint64_t undoes) {
  std::unique_ptr<platform::JournalLock> lock;
  Status status = file_.Lock(lock);
  std::uint64_t size = 0;
  if (status == platform::kSuccess) {
    status = lock->Size(size);
  }
  if (status == platform::kSuccess && known_size_ != size) {
    status = Refresh(*lock, size);
  }
  if (status != platform::kSuccess) {
    known_size_.reset();
    return status;
  }
  std::string text = make(last_sequence_ + 1);
  if (!ends_with_line_end_) {
    text.insert(0, "\r\n");  // a line cut short must not swallow the next one
  }
  status = lock->Append(text, flush);
  if (status != platform::kSuccess) {
    known_size_.reset();
    return status;
  }
  const bool heads_current = heads_size_ == known_size_;
  known_size_ = *known_size_ + text.size();
  ends_with_line_end_ = text.empty() ? ends_with_line_end_ : text.back() == '\n';
  if (opens_command) {
    ++last_sequence_;
    ++commands_;
    if (heads_current) {
      heads_.push_back({last_sequence_, undoes});
    }
  }
  if (heads_current) {
    heads_size_ = known_size_;
  }
  return platform::kSuccess;
}

Status JournalWriter::DropOldCommands() {
  if (commands_ <= keep_ + kRewriteSlack) {
    return platform::kSuccess;
  }
  std::unique_ptr<platform::JournalLock> lock;
  Status status = file_.Lock(lock);
  std::string text;
  if (status == platform::kSuccess) {
    status = lock->ReadAll(text);
  }
  if (status != platform::kSuccess) {
    return status;
  }
  const Contents contents = ParseJournal(text);
  const std::string kept = KeepNewest(text, contents, keep_);
  status = lock->Replace(kept);
  if (status != platform::kSuccess) {
    known_size_.reset();
    return status;
  }
  known_size_ = kept.size();
  commands_ = std::min(contents.commands.size(), keep_);
  last_sequence_ = std::max(last_sequence_, contents.LastSequence());
  ends_with_line_end_ = true;
  heads_.clear();
  for (std::size_t i = contents.commands.size() - commands_; i < contents.commands.size(); ++i) {
    heads_.push_back({contents.commands[i].sequence, contents.commands[i].undoes});
  }
  heads_size_ = known_size_;
  return platform::kSuccess;
}

Status JournalWriter::Load(Contents& out) {
  std::string text;
  if (const Status status = file_.Read(text); status != platform::kSuccess) {
    return status;
  }
  out = ParseJournal(text);
  SetHeads(out, text.size());
  if (out.commands.size() > keep_) {
    out.commands.erase(out.commands.begin(),
                       out.commands.end() - static_cast<std::ptrdiff_t>(keep_));
  }
  return platform::kSuccess;
}

std::optional<std::uint64_t> JournalWriter::LastUndoable() {
  std::uint64_t size = 0;
  if (file_.Size(size) != platform::kSuccess) {
    return std::nullopt;
  }
  if (heads_size_ != size) {
    std::string text;
    if (file_.Read(text) != platform::kSuccess) {
      return std::nullopt;
    }
    SetHeads(ParseJournal(text), text.size());
  }
  const std::vector<bool> undone = UndoneFlags(heads_);
  // As Load shows the journal: its newest commands only.
  const std::size_t first = heads_.size() > keep_ ? heads_.size() - keep_ : 0;
  for (std::size_t i = heads_.size(); i-- > first;) {
    if (!undone[i] && heads_[i].undoes == 0) {
      return heads_[i].sequence;
    }
  }
  return std::nullopt;
}

}  // namespace velqor::journal
