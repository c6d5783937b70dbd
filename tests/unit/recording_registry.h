// A registry that forwards to another and records every call with its arguments
// as they arrived, so that tests can check the masks, lengths and buffers a
// layer hands the system.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace velqor::testing {

struct RegistryCall {
  std::string operation;  // "OpenKey", "CreateKey", "SetValue", "CloseKey", ...
  platform::KeyHandle key = 0;
  std::string text;                // the path or value name
  std::uint32_t number = 0;        // the access mask, the type or the index
  std::vector<std::uint8_t> data;  // SetValue: the bytes; EnumValue: the data buffer offered
  std::uint32_t name_length = 0;   // EnumValue: the name buffer's size offered
  std::string name_buffer;         // EnumValue: the name buffer as offered
  bool data_given = false;         // EnumValue/QueryValue: a data buffer was offered
  std::uint32_t data_length = 0;   // EnumValue/QueryValue: the data length offered
  platform::Status status = 0;
};

class RecordingRegistry : public platform::Registry {
 public:
  explicit RecordingRegistry(platform::Registry& inner) : inner_(inner) {}

  const std::vector<RegistryCall>& calls() const { return calls_; }
  std::vector<std::string> Operations() const {
    std::vector<std::string> names;
    for (const RegistryCall& call : calls_) names.push_back(call.operation);
    return names;
  }
  void Clear() { calls_.clear(); }

  platform::Status OpenKey(platform::KeyHandle root, std::string_view path, std::uint32_t access,
                           platform::KeyHandle& out) override {
    return Log(Call("OpenKey", root, std::string(path), access),
               inner_.OpenKey(root, path, access, out));
  }
  platform::Status CreateKey(platform::KeyHandle root, std::string_view path, std::uint32_t access,
                             platform::KeyHandle& out) override {
    return Log(Call("CreateKey", root, std::string(path), access),
               inner_.CreateKey(root, path, access, out));
  }
  platform::Status SetValue(platform::KeyHandle key, std::string_view name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t length) override {
    RegistryCall call = Call("SetValue", key, std::string(name), type);
    if (data != nullptr) call.data.assign(data, data + length);
    return Log(std::move(call), inner_.SetValue(key, name, type, data, length));
  }
  platform::Status CloseKey(platform::KeyHandle key) override {
    return Log(Call("CloseKey", key), inner_.CloseKey(key));
  }
  platform::Status QueryInfoKey(platform::KeyHandle key, std::uint32_t* subkeys,
                                std::uint32_t* values) override {
    return Log(Call("QueryInfoKey", key), inner_.QueryInfoKey(key, subkeys, values));
  }
  platform::Status EnumValue(platform::KeyHandle key, std::uint32_t index, char* name,
                             std::uint32_t& name_length, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* data_length) override {
    RegistryCall call = Call("EnumValue", key, {}, index);
    call.name_length = name_length;
    call.name_buffer.assign(name, name_length);
    call.data_given = data != nullptr;
    if (data_length != nullptr) call.data_length = *data_length;
    if (data != nullptr && data_length != nullptr) call.data.assign(data, data + *data_length);
    return Log(std::move(call),
               inner_.EnumValue(key, index, name, name_length, type, data, data_length));
  }
  platform::Status QueryValue(platform::KeyHandle key, std::string_view name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* data_length) override {
    RegistryCall call = Call("QueryValue", key, std::string(name));
    call.data_given = data != nullptr;
    if (data_length != nullptr) call.data_length = *data_length;
    if (data != nullptr && data_length != nullptr) call.data.assign(data, data + *data_length);
    return Log(std::move(call), inner_.QueryValue(key, name, type, data, data_length));
  }
  platform::Status DeleteValue(platform::KeyHandle key, std::string_view name) override {
    return Log(Call("DeleteValue", key, std::string(name)), inner_.DeleteValue(key, name));
  }
  std::string ToAnsi(std::string_view utf8) const override { return inner_.ToAnsi(utf8); }
  std::string FromAnsi(std::string_view ansi) const override { return inner_.FromAnsi(ansi); }

 private:
  static RegistryCall Call(std::string operation, platform::KeyHandle key, std::string text = {},
                           std::uint32_t number = 0) {
    RegistryCall call;
    call.operation = std::move(operation);
    call.key = key;
    call.text = std::move(text);
    call.number = number;
    return call;
  }
  platform::Status Log(RegistryCall call, platform::Status status) {
    call.status = status;
    calls_.push_back(std::move(call));
    return status;
  }

  platform::Registry& inner_;
  std::vector<RegistryCall> calls_;
};

}  // namespace velqor::testing
