// The change journal as commands: read from the file's lines, and written to it by one copy of
// the program among several.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/format.h"
#include "journal/values.h"
#include "platform/journal_file.h"

namespace velqor::journal {

// How many commands the journal keeps. Older ones are no longer shown at once, and leave the file
// when it is next rewritten: once it holds kRewriteSlack more, so that the rewrite (a read of the
// whole file, a new file written and flushed) comes once in fifty commands, not with each one.
inline constexpr std::size_t kKeptCommands = 500;
inline constexpr std::size_t kRewriteSlack = 50;

// One value a command changed (or tried to).
struct ValueChange {
  platform::KeyHandle root = 0;
  std::string key_path;  // ANSI bytes
  std::string value_name;
  ValueState before;
  // The state the change left; nullopt when the record stops before it was written (a crash
  // between the before-state and the end of the command, or a damaged line): the value may or
  // may not have changed.
  std::optional<ValueState> after;
  platform::Status status = platform::kSuccess;  // not success: the registry refused the change
  PlaceKind kind = PlaceKind::kRegistry;
  platform::RegistryView view = platform::RegistryView::kNative;  // wide registry values
};

// One command as recorded.
struct Command {
  std::uint64_t sequence = 0;
  std::uint32_t copy = 0;
  std::string time;  // UTC, "YYYY-MM-DDTHH:MM:SSZ"; empty when its first line was damaged
  std::string name;
  std::uint64_t undoes = 0;  // the command this one undoes, 0 for none
  std::vector<ValueChange> values;
  bool complete = false;           // its last line was read: the command ran to its end
  bool undone = false;             // a later undo, itself not undone, put it back
  std::vector<std::size_t> lines;  // the file's lines it was read from, from 1
};

// A line that was not used, and why.
struct SkippedLine {
  std::size_t number = 0;  // from 1
  std::string reason;
};

// What the file holds: the commands, oldest first, and the lines that were skipped.
struct Contents {
  std::vector<Command> commands;
  std::vector<SkippedLine> skipped;
  bool ends_with_line_end = true;  // false when the last line was cut short

  const Command* Find(std::uint64_t sequence) const;
  // The newest command that is neither undone nor an undo itself: what "Undo last change" takes.
  const Command* LastUndoable() const;
  std::uint64_t LastSequence() const;
};

// What telling the undoable command apart needs of a command: its number and what it undoes.
struct CommandHead {
  std::uint64_t sequence = 0;
  std::uint64_t undoes = 0;  // 0 for none
};

// For commands in the order the journal lists them (by number): whether each is undone, that is
// put back by a later undo that is not itself undone.
std::vector<bool> UndoneFlags(const std::vector<CommandHead>& heads);

// Reads the journal's text. Never fails: a line that does not check is skipped and reported,
// and the others stay usable.
Contents ParseJournal(std::string_view text);

// The text with only the newest `keep` commands' lines, in their order; damaged lines are dropped.
std::string KeepNewest(std::string_view text, const Contents& contents, std::size_t keep);

// One copy's writer: appends under exclusive access, keeping track of what other copies append
// so that command numbers stay unique, and rewrites the file to drop old commands.
class JournalWriter {
 public:
  explicit JournalWriter(platform::JournalFile& file, std::size_t keep = kKeptCommands)
      : file_(file), keep_(keep) {}

  // Under exclusive access: appends what `make` returns. `make` gets the number a command opened
  // now receives; when `opens_command` the number is taken, for a command that undoes `undoes`
  // (0 for none). Failures return a status.
  [[nodiscard]] platform::Status Append(bool opens_command, platform::Flush flush,
                                        const std::function<std::string(std::uint64_t)>& make,
                                        std::uint64_t undoes = 0);
  // Rewrites the file with the newest commands when it holds kRewriteSlack more than it keeps; the
  // file is re-read under exclusive access first, so another copy's records are never lost.
  [[nodiscard]] platform::Status DropOldCommands();
  // Reads the journal (without exclusive access): the newest commands it keeps.
  [[nodiscard]] platform::Status Load(Contents& out);
  // The number of the command "Undo last change" takes now (as Load's LastUndoable gives it),
  // nullopt when there is none or the file cannot be read. Kept in memory as this copy writes;
  // the file is read again only when its size shows that another copy (or a hand) changed it.
  std::optional<std::uint64_t> LastUndoable();

  platform::JournalFile& file() { return file_; }

 private:
  platform::Status Refresh(platform::JournalLock& lock, std::uint64_t size);
  void SetHeads(const Contents& contents, std::uint64_t size);

  platform::JournalFile& file_;
  std::size_t keep_;
  std::optional<std::uint64_t> known_size_;  // the size this copy last left the file at
  std::uint64_t last_sequence_ = 0;
  std::size_t commands_ = 0;
  bool ends_with_line_end_ = true;
  // The file's commands as the file was when it had heads_size_ bytes.
  std::vector<CommandHead> heads_;
  std::optional<std::uint64_t> heads_size_;
};

}  // namespace velqor::journal
