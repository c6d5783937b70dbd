// The recorder: the registry that every command writes through. It passes each call on to the
// real registry, and for every value a command changes it makes the value's prior state durable in
// the journal before the change, and records the state after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "journal/journal.h"
#include "platform/registry.h"
#include "platform/startup_folders.h"
#include "platform/wide_registry.h"

namespace velqor::journal {

// What a change made outside any command is recorded as.
inline constexpr char kUnnamedCommand[] = "(no command)";

// A change a command is about to make: the value (ANSI path and name) and the state it will have.
struct PlannedChange {
  platform::KeyHandle root = 0;
  std::string key_path;
  std::string value_name;
  ValueState state;
};

class RecordingWideRegistry;
class RecordingStartupFolders;

class Recorder : public platform::Registry {
 public:
  // Both must outlive the recorder.
  Recorder(platform::Registry& registry, JournalWriter& journal);
  ~Recorder() override;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Records also, in the same commands, what is changed through wide() and folders(): the wide
  // registry's values (either view) and the Startup folders' files, each file whole. Both must
  // outlive the recorder.
  void RecordAlso(platform::WideRegistry& registry, platform::StartupFolders& folders);
  // The recording fronts of those; null until RecordAlso.
  platform::WideRegistry* wide();
  platform::StartupFolders* folders();

  // Records one change of the place `where` names (its before-state read by the caller) around
  // `call`, which makes it and returns the system's status; `now` reads the state after a
  // successful change (nullopt when it cannot or need not: the wanted state is then recorded). A
  // change to the state it has already, or once the journal failed, is made unrecorded.
  platform::Status Track(BeforeRecord where, const ValueState& wanted,
                         const std::function<platform::Status()>& call,
                         const std::function<std::optional<ValueState>()>& now);

  // Opens a command: the changes until EndCommand are one record, named as the user knows the
  // command ("Apply XP Tweak", "Close", "Undo of 12"); `undoes` is the command an undo puts back.
  // A command opened inside another one is part of the outer one; the record takes the name of
  // the innermost command open when its first change is made.
  void BeginCommand(std::string_view name, std::uint64_t undoes = 0);
  // Closes the command; a command that changed nothing leaves nothing in the journal, unless
  // KeepEmpty was called while it was open.
  void EndCommand();
  // Makes the open command leave its record even when it changes nothing: an undo that finds
  // every value back already has still done its work, and its command is no longer undoable.
  void KeepEmpty();
  // For a command whose changes are known before it runs (a table): records the before-state of
  // every planned value that does not hold its planned state yet, all with one flush, so that the
  // changes themselves need none. A planned value the command then leaves alone is not part of
  // its record. Call it right after BeginCommand.
  void Prepare(const std::vector<PlannedChange>& changes);

  // False once the journal could not be written (folder refused, disk full, file held by
  // another program): the changes still go ahead, unrecorded, for the rest of the run.
  bool recording() const { return !failure_; }
  // Why the journal stopped recording; kSuccess while it records.
  platform::Status failure() const { return failure_.value_or(platform::kSuccess); }
  // A change that was made but could not be recorded, as its state before it could not be read
  // (the registry refused the read), and the system's answer to that read.
  struct MissedChange {
    ValueChange value;
    platform::Status status = platform::kSuccess;
  };
  // The first such change of the run; nullopt while every change made was recorded.
  const std::optional<MissedChange>& missed() const { return missed_; }
  // Notes that the change at `where` (its before-state unknown) was made unrecorded.
  void Missed(const BeforeRecord& where, platform::Status status);
  // True exactly once, the first time it is asked after the journal stopped recording or a change
  // was made unrecorded: the moment to tell the user.
  bool TakeFailureNotice();

  JournalWriter& journal() { return journal_; }

  platform::Status OpenKey(platform::KeyHandle root, std::string_view path, std::uint32_t access,
                           platform::KeyHandle& out) override;
  platform::Status CreateKey(platform::KeyHandle root, std::string_view path, std::uint32_t access,
                             platform::KeyHandle& out) override;
  platform::Status SetValue(platform::KeyHandle key, std::string_view name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t length) override;
  platform::Status CloseKey(platform::KeyHandle key) override;
  platform::Status QueryInfoKey(platform::KeyHandle key, std::uint32_t* subkeys,
                                std::uint32_t* values) override;
  platform::Status EnumValue(platform::KeyHandle key, std::uint32_t index, char* name,
                             std::uint32_t& name_length, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* data_length) override;
  platform::Status QueryValue(platform::KeyHandle key, std::string_view name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* data_length) override;
  platform::Status DeleteValue(platform::KeyHandle key, std::string_view name) override;
  std::string ToAnsi(std::string_view utf8) const override { return registry_.ToAnsi(utf8); }
  std::string FromAnsi(std::string_view ansi) const override { return registry_.FromAnsi(ansi); }

 private:
  // Where an open key is: its root and its path from there (ANSI).
  struct Place {
    platform::KeyHandle root = 0;
    std::string path;
  };

  // Records one change around `call`, which makes it and returns the registry's status.
  template <typename Call>
  platform::Status Change(platform::KeyHandle key, std::string_view name, const ValueState& wanted,
                          Call&& call);
  std::optional<Place> PlaceOf(platform::KeyHandle key) const;
  platform::Status Open(platform::KeyHandle root, std::string_view path, std::uint32_t access,
                        bool create, platform::KeyHandle& out);
  platform::Status ReadBefore(platform::KeyHandle key, const Place& place, std::string_view name,
                              ValueState& out);
  // Makes before-states durable, opening the command's record when it is not open yet; false
  // when the journal failed (the change goes ahead).
  bool RecordBefore(const std::vector<BeforeRecord>& values);
  void Fail(platform::Status status);

  platform::Registry& registry_;
  JournalWriter& journal_;
  std::map<platform::KeyHandle, Place> places_;

  int depth_ = 0;     // commands open, nested ones included
  std::string name_;  // the open command's name
  // The names and undone commands of the commands around the innermost one.
  std::vector<std::pair<std::string, std::uint64_t>> outer_;
  std::uint64_t undoes_ = 0;
  std::uint64_t sequence_ = 0;  // its number, once its first line is written
  std::uint32_t values_ = 0;    // before-states recorded in it so far
  std::uint32_t changed_ = 0;   // after-states recorded in it so far
  std::string pending_;         // after-states not yet written, written with the next line
  // Prepared before-states not yet used by a change, by value (folded): their number and state.
  std::map<std::string, std::pair<std::uint32_t, ValueState>> prepared_;

  std::optional<platform::Status> failure_;
  std::optional<MissedChange> missed_;
  bool failure_told_ = false;

  std::unique_ptr<RecordingWideRegistry> wide_;
  std::unique_ptr<RecordingStartupFolders> folders_;
};

// Opens a command for as long as it lives.
class CommandScope {
 public:
  CommandScope(Recorder& recorder, std::string_view name, std::uint64_t undoes = 0)
      : recorder_(recorder) {
    recorder_.BeginCommand(name, undoes);
  }
  ~CommandScope() { recorder_.EndCommand(); }
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;

 private:
  Recorder& recorder_;
};

}  // namespace velqor::journal
