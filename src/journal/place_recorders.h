// The recorder's fronts for the places the startup programs window changes: the wide registry and
// the Startup folders. Each passes every call on, and records every change through its Recorder,
// so that such changes are part of the same commands as the registry's.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "journal/recorder.h"
#include "platform/startup_folders.h"
#include "platform/wide_registry.h"

namespace velqor::journal {

class RecordingWideRegistry : public platform::WideRegistry {
 public:
  RecordingWideRegistry(platform::WideRegistry& registry, Recorder& recorder)
      : registry_(registry), recorder_(recorder) {}

  bool HasSeparate32BitView() const override { return registry_.HasSeparate32BitView(); }
  platform::Status ReadValue(platform::KeyHandle root, platform::RegistryView view,
                             std::u16string_view path, std::u16string_view name,
                             platform::WideValue& out) override;
  platform::Status EnumValues(platform::KeyHandle root, platform::RegistryView view,
                              std::u16string_view path,
                              std::vector<platform::WideValue>& out) override;
  platform::Status EnumSubKeys(platform::KeyHandle root, platform::RegistryView view,
                               std::u16string_view path, std::vector<std::u16string>& out) override;
  platform::Status WriteValue(platform::KeyHandle root, platform::RegistryView view,
                              std::u16string_view path, const platform::WideValue& value) override;
  platform::Status DeleteValue(platform::KeyHandle root, platform::RegistryView view,
                               std::u16string_view path, std::u16string_view name) override;
  // Passed on unrecorded: only an empty key goes, and putting its values back makes it again.
  platform::Status DeleteEmptyKey(platform::KeyHandle root, platform::RegistryView view,
                                  std::u16string_view path) override;

 private:
  platform::Status Change(platform::KeyHandle root, platform::RegistryView view,
                          std::u16string_view path, std::u16string_view name,
                          const ValueState& wanted, const std::function<platform::Status()>& call);

  platform::WideRegistry& registry_;
  Recorder& recorder_;
};

class RecordingStartupFolders : public platform::StartupFolders {
 public:
  RecordingStartupFolders(platform::StartupFolders& folders, Recorder& recorder)
      : folders_(folders), recorder_(recorder) {}

  platform::Status FolderPath(platform::StartupFolder folder, std::u16string& out) override;
  platform::Status ListFiles(std::u16string_view folder, std::vector<std::u16string>& out) override;
  platform::Status ReadFile(std::u16string_view path, std::string& out) override;
  platform::Status WriteFile(std::u16string_view path, std::string_view bytes) override;
  platform::Status RemoveFile(std::u16string_view path) override;
  platform::Status ReadShortcut(std::u16string_view path, platform::ShortcutTarget& out) override;
  // Recorded as the file's bytes before and after.
  platform::Status WriteShortcut(std::u16string_view path,
                                 const platform::ShortcutTarget& target) override;

 private:
  platform::Status Change(std::u16string_view path, const ValueState& wanted,
                          const std::function<platform::Status()>& call);

  platform::StartupFolders& folders_;
  Recorder& recorder_;
};

}  // namespace velqor::journal
