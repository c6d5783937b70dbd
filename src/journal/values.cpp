#include "journal/values.h"

#include "platform/utf16.h"

namespace velqor::journal {

using platform::KeyHandle;
using platform::Status;

Status ReadState(platform::Registry& registry, KeyHandle key, std::string_view name,
                 ValueState& out) {
  // The value can change size between the two calls (another program writing): ask again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::uint32_t length = 0;
    std::uint32_t type = 0;
    Status status = registry.QueryValue(key, name, &type, nullptr, &length);
    if (status == platform::kFileNotFound) {
      out.reset();
      return platform::kSuccess;
    }
    if (status != platform::kSuccess) {
      return status;
    }
    RegValue value;
    value.bytes.resize(length);
    status = registry.QueryValue(key, name, &value.type,
                                 reinterpret_cast<std::uint8_t*>(value.bytes.data()), &length);
    if (status == platform::kMoreData) {
      continue;
    }
    if (status == platform::kFileNotFound) {
      out.reset();
      return platform::kSuccess;
    }
    if (status != platform::kSuccess) {
      return status;
    }
    value.bytes.resize(length);
    out = std::move(value);
    return platform::kSuccess;
  }
  return platform::kMoreData;
}

Status ReadState(platform::Registry& registry, KeyHandle root, std::string_view key_path,
                 std::string_view name, ValueState& out) {
  platform::ScopedKey key(registry);
  const Status status = registry.OpenKey(root, key_path, platform::kKeyQueryValue, key.out());
  if (status == platform::kFileNotFound) {
    out.reset();
    return platform::kSuccess;
  }
  if (status != platform::kSuccess) {
    return status;
  }
  return ReadState(registry, key.get(), name, out);
}

Status WriteState(platform::Registry& registry, KeyHandle root, std::string_view key_path,
                  std::string_view name, const ValueState& state) {
  platform::ScopedKey key(registry);
  if (!state) {
    Status status = registry.OpenKey(root, key_path, platform::kKeySetValue, key.out());
    if (status == platform::kSuccess) {
      status = registry.DeleteValue(key.get(), name);
    }
    return status == platform::kFileNotFound ? platform::kSuccess : status;
  }
  const Status status = registry.CreateKey(root, key_path, platform::kKeySetValue, key.out());
  if (status != platform::kSuccess) {
    return status;
  }
  return registry.SetValue(key.get(), name, state->type,
                           reinterpret_cast<const std::uint8_t*>(state->bytes.data()),
                           static_cast<std::uint32_t>(state->bytes.size()));
}

Status ReadState(platform::WideRegistry& registry, KeyHandle root, platform::RegistryView view,
                 std::string_view key_path, std::string_view name, ValueState& out) {
  platform::WideValue value;
  const Status status =
      registry.ReadValue(root, view, platform::Utf16(key_path), platform::Utf16(name), value);
  if (status == platform::kFileNotFound) {
    out.reset();
    return platform::kSuccess;
  }
  if (status == platform::kSuccess) {
    out = RegValue{value.type, std::move(value.bytes)};
  }
  return status;
}

Status WriteState(platform::WideRegistry& registry, KeyHandle root, platform::RegistryView view,
                  std::string_view key_path, std::string_view name, const ValueState& state) {
  const std::u16string path = platform::Utf16(key_path);
  if (!state) {
    const Status status = registry.DeleteValue(root, view, path, platform::Utf16(name));
    return status == platform::kFileNotFound ? platform::kSuccess : status;
  }
  return registry.WriteValue(root, view, path, {platform::Utf16(name), state->type, state->bytes});
}

Status ReadState(platform::StartupFolders& folders, std::string_view path, ValueState& out) {
  std::string bytes;
  const Status status = folders.ReadFile(platform::Utf16(path), bytes);
  if (status == platform::kFileNotFound || status == platform::kPathNotFound) {
    out.reset();
    return platform::kSuccess;
  }
  if (status == platform::kSuccess) {
    out = RegValue{0, std::move(bytes)};
  }
  return status;
}

Status WriteState(platform::StartupFolders& folders, std::string_view path,
                  const ValueState& state) {
  if (!state) {
    const Status status = folders.RemoveFile(platform::Utf16(path));
    return status == platform::kFileNotFound || status == platform::kPathNotFound
               ? platform::kSuccess
               : status;
  }
  return folders.WriteFile(platform::Utf16(path), state->bytes);
}

}  // namespace velqor::journal
