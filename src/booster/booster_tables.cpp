#include "booster/booster_tables.h"

#include "platform/registry.h"

namespace velqor::booster {
namespace {

constexpr std::int32_t kSz = static_cast<std::int32_t>(platform::kRegSz);
constexpr std::int32_t kDword = static_cast<std::int32_t>(platform::kRegDword);

constexpr std::string_view kMstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
// Spelt with "VXD": the undo reaches it through "VxD" paths, names being compared without case.
constexpr std::string_view kMstcpParameters =
    "System\\CurrentControlSet\\Services\\VXD\\MSTCP\\Parameters";
constexpr std::string_view kMachineInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr std::string_view kIcsGeneral =
    "System\\CurrentControlSet\\Services\\ICSharing\\Settings\\General";

constexpr BoostStep Create(std::string_view step, std::string_view key) {
  return {step, BoostOp::kCreateNewKey, key, {}, 0, {}};
}
constexpr BoostStep Machine(std::string_view step, std::string_view key, std::string_view name,
                            std::int32_t type, std::string_view data) {
  return {step, BoostOp::kSetKeyValue, key, name, type, data};
}
constexpr BoostStep User(std::string_view step, std::string_view name, std::int32_t type,
                         std::string_view data) {
  return {step, BoostOp::kSetKeyValuee, kUserInternetSettings, name, type, data};
}

constexpr std::array<BoostStep, kBoostStepCount> kBoost{{
    User("B1", "syncmode5", kDword, "0"),
    Create("B2", kMstcp),
    Machine("B3", kMstcp, "DefaultRcvWindow", kSz, "372300"),
    Create("B4", kMstcp),
    Machine("B5", kMstcp, "DefaultTTL", kSz, "128"),
    Create("B6", kMstcp),
    Machine("B7", kMstcp, "PMTUDiscovery", kSz, "0"),
    Create("B8", kMstcp),
    Machine("B9", kMstcp, "PMTUBlackHoleDetect", kSz, "0"),
    Create("B10", kMstcpParameters),
    Machine("B11", kMstcpParameters, "Tcp1323Opts", kSz, "3"),
    Create("B12", kMstcpParameters),
    Machine("B13", kMstcpParameters, "SackOpts", kSz, "1"),
    Create("B14", kMstcpParameters),
    Machine("B15", kMstcpParameters, "MaxDupAcks", kSz, "3"),
    Create("B16", kMachineInternetSettings),
    // The digit one here; the per-user value of B18 has the letter l. They are two values.
    Machine("B17", kMachineInternetSettings, "MaxConnectionsPer1_0Server", kDword, "6"),
    User("B18", "MaxConnectionsPerl_0Server", kDword, "6"),
    User("B19", "MaxConnectionsPerServer", kDword, "6"),
    Create("B20", kMachineInternetSettings),
    Machine("B21", kMachineInternetSettings, "MaxConnectionsPerServer", kDword, "8"),
    Create("B22", kIcsGeneral),
    Machine("B23", kIcsGeneral, "internetMTU", kSz, "1500"),
}};

constexpr UndoStep Delete(std::string_view step, std::string_view path) {
  return {step, UndoOp::kRegDelete, path, 0, {}};
}
constexpr UndoStep Reset(std::string_view step, std::string_view name, std::string_view data) {
  return {step, UndoOp::kSetKeyValuee, name, kDword, data};
}

constexpr std::array<UndoStep, kUndoStepCount> kUndo{{
    Delete("U1",
           "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP\\"
           "DefaultRcvWindow"),
    Delete("U2", "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP\\DefaultTTL"),
    Delete("U3",
           "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP\\"
           "PMTUDiscovery"),
    Delete("U4",
           "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP\\"
           "PMTUBlackHoleDetect"),
    Delete("U5",
           "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP\\"
           "Parameters\\Tcp1323Opts"),
    Delete("U6",
           "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP\\"
           "Parameters\\SackOpts"),
    Delete("U7",
           "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP\\"
           "Parameters\\MaxDupAcks"),
    Delete("U8",
           "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
           "Internet Settings\\MaxConnectionsPer1_0Server"),
    Delete("U9",
           "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
           "Internet Settings\\MaxConnectionsPerServer"),
    Reset("U10", "MaxConnectionsPerl_0Server", "1"),
    Reset("U11", "MaxConnectionsPerServer", "1"),
    Delete("U12",
           "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\ICSharing\\"
           "Settings\\General\\internetMTU"),
}};

constexpr UndoStep kSyncMode = Reset("S", "syncmode5", "4");

}  // namespace

const std::array<BoostStep, kBoostStepCount>& BoostSteps() {
  return kBoost;
}

const std::array<UndoStep, kUndoStepCount>& UndoSteps() {
  return kUndo;
}

const UndoStep& SyncModeStep() {
  return kSyncMode;
}

}  // namespace velqor::booster
