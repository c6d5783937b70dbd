#include "journal/place_recorders.h"

#include "platform/utf16.h"

namespace velqor::journal {

using platform::KeyHandle;
using platform::RegistryView;
using platform::Status;

namespace {

// A change whose state before it cannot be read cannot be recorded: it goes ahead, and the
// recorder notes it for the user when it was made.
Status Unrecorded(Recorder& recorder, const BeforeRecord& where, Status read,
                  const std::function<Status()>& call) {
  const Status status = call();
  if (status == platform::kSuccess) {
    recorder.Missed(where, read);
  }
  return status;
}

}  // namespace

Status RecordingWideRegistry::ReadValue(KeyHandle root, RegistryView view, std::u16string_view path,
                                        std::u16string_view name, platform::WideValue& out) {
  return registry_.ReadValue(root, view, path, name, out);
}

Status RecordingWideRegistry::EnumValues(KeyHandle root, RegistryView view,
                                         std::u16string_view path,
                                         std::vector<platform::WideValue>& out) {
  return registry_.EnumValues(root, view, path, out);
}

Status RecordingWideRegistry::EnumSubKeys(KeyHandle root, RegistryView view,
                                          std::u16string_view path,
                                          std::vector<std::u16string>& out) {
  return registry_.EnumSubKeys(root, view, path, out);
}

Status RecordingWideRegistry::DeleteEmptyKey(KeyHandle root, RegistryView view,
                                             std::u16string_view path) {
  return registry_.DeleteEmptyKey(root, view, path);
}

Status RecordingWideRegistry::Change(KeyHandle root, RegistryView view, std::u16string_view path,
                                     std::u16string_view name, const ValueState& wanted,
                                     const std::function<Status()>& call) {
  BeforeRecord where;
  where.kind = PlaceKind::kWideRegistry;
  where.root = root;
  where.view = view;
  where.key_path = platform::Utf8(path);
  where.value_name = platform::Utf8(name);
  if (const Status read =
          ReadState(registry_, root, view, where.key_path, where.value_name, where.before);
      read != platform::kSuccess) {
    return Unrecorded(recorder_, where, read, call);
  }
  const auto now = [&]() -> std::optional<ValueState> {
    ValueState state;
    return ReadState(registry_, root, view, where.key_path, where.value_name, state) ==
                   platform::kSuccess
               ? std::optional(state)
               : std::nullopt;
  };
  return recorder_.Track(where, wanted, call, now);
}

Status RecordingWideRegistry::WriteValue(KeyHandle root, RegistryView view,
                                         std::u16string_view path,
                                         const platform::WideValue& value) {
  return Change(root, view, path, value.name, RegValue{value.type, value.bytes},
                [&] { return registry_.WriteValue(root, view, path, value); });
}

Status RecordingWideRegistry::DeleteValue(KeyHandle root, RegistryView view,
                                          std::u16string_view path, std::u16string_view name) {
  return Change(root, view, path, name, ValueState(),
                [&] { return registry_.DeleteValue(root, view, path, name); });
}

Status RecordingStartupFolders::FolderPath(platform::StartupFolder folder, std::u16string& out) {
  return folders_.FolderPath(folder, out);
}

Status RecordingStartupFolders::ListFiles(std::u16string_view folder,
                                          std::vector<std::u16string>& out) {
  return folders_.ListFiles(folder, out);
}

Status RecordingStartupFolders::ReadFile(std::u16string_view path, std::string& out) {
  return folders_.ReadFile(path, out);
}

Status RecordingStartupFolders::ReadShortcut(std::u16string_view path,
                                             platform::ShortcutTarget& out) {
  return folders_.ReadShortcut(path, out);
}

Status RecordingStartupFolders::Change(std::u16string_view path, const ValueState& wanted,
                                       const std::function<Status()>& call) {
  BeforeRecord where;
  where.kind = PlaceKind::kFile;
  where.key_path = platform::Utf8(path);
  if (const Status read = ReadState(folders_, where.key_path, where.before);
      read != platform::kSuccess) {
    return Unrecorded(recorder_, where, read, call);
  }
  const auto now = [&]() -> std::optional<ValueState> {
    ValueState state;
    return ReadState(folders_, where.key_path, state) == platform::kSuccess ? std::optional(state)
                                                                            : std::nullopt;
  };
  return recorder_.Track(where, wanted, call, now);
}

Status RecordingStartupFolders::WriteFile(std::u16string_view path, std::string_view bytes) {
  return Change(path, RegValue{0, std::string(bytes)},
                [&] { return folders_.WriteFile(path, bytes); });
}

Status RecordingStartupFolders::RemoveFile(std::u16string_view path) {
  return Change(path, ValueState(), [&] { return folders_.RemoveFile(path); });
}

Status RecordingStartupFolders::WriteShortcut(std::u16string_view path,
                                              const platform::ShortcutTarget& target) {
  // The bytes a shortcut will have are known only once it is saved: the after-state is read.
  BeforeRecord where;
  where.kind = PlaceKind::kFile;
  where.key_path = platform::Utf8(path);
  if (ReadState(folders_, where.key_path, where.before) != platform::kSuccess) {
    return folders_.WriteShortcut(path, target);
  }
  const auto call = [&] { return folders_.WriteShortcut(path, target); };
  const auto now = [&]() -> std::optional<ValueState> {
    ValueState state;
    return ReadState(folders_, where.key_path, state) == platform::kSuccess ? std::optional(state)
                                                                            : std::nullopt;
  };
  // A state no file has, so that the change is always recorded.
  return recorder_.Track(where, RegValue{~0U, {}}, call, now);
}

}  // namespace velqor::journal
