// Doubles that forward to the simulation and journal, in order, the changes the booster makes
// through the registry writers and the script host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/script_host.h"

namespace velqor::booster {

// One ordered record of the changes made through the registry writers and the script host.
using Journal = std::vector<std::string>;

// Forwards to the simulated registry and journals each successful change: "create HKLM\path"
// for a key created or opened for writing, "set name" for a value written.
class JournalRegistry final : public platform::Registry {
 public:
  JournalRegistry(platform::Registry& inner, Journal& journal) : inner_(inner), journal_(journal) {}

  platform::Status OpenKey(platform::KeyHandle root, std::string_view path, std::uint32_t access,
                           platform::KeyHandle& out) override {
    return inner_.OpenKey(root, path, access, out);
  }
  platform::Status CreateKey(platform::KeyHandle root, std::string_view path, std::uint32_t access,
                             platform::KeyHandle& out) override {
    const platform::Status status = inner_.CreateKey(root, path, access, out);
    if (status == platform::kSuccess) {
      journal_.push_back((root == platform::kHkeyLocalMachine ? "create HKLM\\" : "create HKCU\\") +
                         std::string(path));
    }
    return status;
  }
  platform::Status SetValue(platform::KeyHandle key, std::string_view name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t length) override {
    const platform::Status status = inner_.SetValue(key, name, type, data, length);
    if (status == platform::kSuccess) {
      journal_.push_back("set " + std::string(name));
    }
    return status;
  }
  platform::Status CloseKey(platform::KeyHandle key) override { return inner_.CloseKey(key); }
  platform::Status QueryInfoKey(platform::KeyHandle key, std::uint32_t* subkeys,
                                std::uint32_t* values) override {
    return inner_.QueryInfoKey(key, subkeys, values);
  }
  platform::Status EnumValue(platform::KeyHandle key, std::uint32_t index, char* name,
                             std::uint32_t& name_length, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* data_length) override {
    return inner_.EnumValue(key, index, name, name_length, type, data, data_length);
  }
  platform::Status QueryValue(platform::KeyHandle key, std::string_view name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* data_length) override {
    return inner_.QueryValue(key, name, type, data, data_length);
  }
  platform::Status DeleteValue(platform::KeyHandle key, std::string_view name) override {
    return inner_.DeleteValue(key, name);
  }
  std::string ToAnsi(std::string_view utf8) const override { return inner_.ToAnsi(utf8); }
  std::string FromAnsi(std::string_view ansi) const override { return inner_.FromAnsi(ansi); }

 private:
  platform::Registry& inner_;
  Journal& journal_;
};

// Forwards to the simulated script host and journals each RegDelete that succeeded as
// "delete <full path>".
class JournalScriptHost final : public platform::ScriptHost {
 public:
  JournalScriptHost(platform::ScriptHost& inner, Journal& journal)
      : inner_(inner), journal_(journal) {}

  std::unique_ptr<platform::ScriptShell> CreateShell() override {
    return std::make_unique<Shell>(inner_.CreateShell(), journal_);
  }

 private:
  class Shell final : public platform::ScriptShell {
   public:
    Shell(std::unique_ptr<platform::ScriptShell> inner, Journal& journal)
        : inner_(std::move(inner)), journal_(journal) {}
    void RegWrite(std::string_view path, const platform::ScriptValue& value,
                  std::string_view type) override {
      inner_->RegWrite(path, value, type);
      journal_.push_back("RegWrite " + std::string(path));
    }
    void RegDelete(std::string_view path) override {
      inner_->RegDelete(path);
      journal_.push_back("delete " + std::string(path));
    }
    void Run(std::string_view command) override { inner_->Run(command); }

   private:
    std::unique_ptr<platform::ScriptShell> inner_;
    Journal& journal_;
  };

  platform::ScriptHost& inner_;
  Journal& journal_;
};

}  // namespace velqor::booster
