#include "journal/journal.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
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

Contents ParseJournal(std::string_view text) {
  Contents contents;
  std::map<std::pair<std::uint64_t, std::uint32_t>, Assembly> assemblies;
  contents.ends_with_line_end = text.empty() || text.back() == '\n';
  Assembly* last = nullptr;
  std::pair<std::uint64_t, std::uint32_t> last_id;
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
          const std::pair<std::uint64_t, std::uint32_t> id{r.sequence, r.copy};
          if (last == nullptr || last_id != id) {
            last = &assemblies[id];
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
  for (auto& entry : assemblies) {
    Assembly& a = entry.second;
    if (a.command.lines.empty()) {
      continue;  // every line of it was skipped
    }
    // Values in their order within the command, whatever order their lines came in.
    // In a command that ran to its end with every after-state read, a before-state without an
    // after-state was prepared for a change that did not come: not part of the record.
    std::size_t afters = 0;
    for (const ValueChange& value : a.command.values) {
      afters += value.after ? 1 : 0;
    }
    const bool drop_unchanged = a.command.complete && afters == a.changed;
    std::vector<ValueChange> values;
    values.reserve(a.by_index.size());
    for (const auto& [index, place] : a.by_index) {
      if (!drop_unchanged || a.command.values[place].after) {
        values.push_back(std::move(a.command.values[place]));
      }
    }
    a.command.values = std::move(values);
    contents.commands.push_back(std::move(a.command));
  }
  // An undo that is not itself undone marks what it undid; undos come after what they undo.
  std::map<std::uint64_t, Command*> by_sequence;
  for (Command& command : contents.commands) {
    by_sequence[command.sequence] = &command;
  }
  for (auto it = contents.commands.rbegin(); it != contents.commands.rend(); ++it) {
    if (it->undoes != 0 && !it->undone) {
      const auto target = by_sequence.find(it->undoes);
      if (target != by_sequence.end() && target->second->sequence < it->sequence) {
        target->second->undone = true;
      }
    }
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
  return platform::kSuccess;
}

Status JournalWriter::Append(bool opens_command, platform::Flush flush,
                             const std::function<std::string(std::uint64_t)>& make) {
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
  known_size_ = *known_size_ + text.size();
  ends_with_line_end_ = text.empty() ? ends_with_line_end_ : text.back() == '\n';
  if (opens_command) {
    ++last_sequence_;
    ++commands_;
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
  return platform::kSuccess;
}

Status JournalWriter::Load(Contents& out) {
  std::string text;
  if (const Status status = file_.Read(text); status != platform::kSuccess) {
    return status;
  }
  out = ParseJournal(text);
  if (out.commands.size() > keep_) {
    out.commands.erase(out.commands.begin(),
                       out.commands.end() - static_cast<std::ptrdiff_t>(keep_));
  }
  return platform::kSuccess;
}

}  // namespace velqor::journal
