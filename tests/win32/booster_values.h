// The booster's thirteen values on the real registry, and how a test reads a value back: as
// RegQueryValueExA reports it, type and exact bytes.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

namespace velqor::test {

struct Read {
  DWORD type = 0;
  std::vector<BYTE> bytes;
  bool operator==(const Read&) const = default;
};

inline Read Sz(std::string_view text) {
  Read r{REG_SZ, {text.begin(), text.end()}};
  r.bytes.push_back(0);
  return r;
}

inline Read Dword(DWORD n) {
  return {REG_DWORD,
          {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
           static_cast<BYTE>(n >> 24)}};
}

// The value as RegQueryValueExA reports it; nullopt when the key or the value is missing.
inline std::optional<Read> Query(HKEY root, const char* key, const char* name) {
  HKEY hkey = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  Read r;
  DWORD length = 0;
  std::optional<Read> result;
  if (RegQueryValueExA(hkey, name, nullptr, &r.type, nullptr, &length) == ERROR_SUCCESS) {
    r.bytes.resize(length);
    if (RegQueryValueExA(hkey, name, nullptr, &r.type, r.bytes.data(), &length) == ERROR_SUCCESS) {
      r.bytes.resize(length);
      result = r;
    }
  }
  RegCloseKey(hkey);
  return result;
}

inline bool KeyExists(HKEY root, const char* key) {
  HKEY hkey = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(hkey);
  return true;
}

constexpr const char* kSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* kMstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr const char* kParameters = "System\\CurrentControlSet\\Services\\VXD\\MSTCP\\Parameters";
constexpr const char* kIcs = "System\\CurrentControlSet\\Services\\ICSharing\\Settings\\General";

struct BoosterValue {
  HKEY root;
  const char* key;
  const char* name;
  Read boosted;
  std::optional<Read> after;
};

inline const std::vector<BoosterValue>& Thirteen() {
  static const std::vector<BoosterValue> values = {
      {HKEY_CURRENT_USER, kSettings, "syncmode5", Dword(0), Dword(4)},
      {HKEY_LOCAL_MACHINE, kMstcp, "DefaultRcvWindow", Sz("372300"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kMstcp, "DefaultTTL", Sz("128"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kMstcp, "PMTUDiscovery", Sz("0"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kMstcp, "PMTUBlackHoleDetect", Sz("0"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kParameters, "Tcp1323Opts", Sz("3"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kParameters, "SackOpts", Sz("1"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kParameters, "MaxDupAcks", Sz("3"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kSettings, "MaxConnectionsPer1_0Server", Dword(6), std::nullopt},
      {HKEY_CURRENT_USER, kSettings, "MaxConnectionsPerl_0Server", Dword(6), Dword(1)},
      {HKEY_CURRENT_USER, kSettings, "MaxConnectionsPerServer", Dword(6), Dword(1)},
      {HKEY_LOCAL_MACHINE, kSettings, "MaxConnectionsPerServer", Dword(8), std::nullopt},
      {HKEY_LOCAL_MACHINE, kIcs, "internetMTU", Sz("1500"), std::nullopt},
  };
  return values;
}

}  // namespace velqor::test
