#include "booster/booster_tables.h"

namespace velqor::booster {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

constexpr std::int32_t kSz = static_cast<std::int32_t>(platform::kRegSz);
constexpr std::int32_t kDword = static_cast<std::int32_t>(platform::kRegDword);

constexpr std::string_view kMstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
// Spelt with "VXD" where Boost creates it; the undo reaches it through a "VxD" path, names
// being compared without case.
constexpr std::string_view kMstcpParameters =
    "System\\CurrentControlSet\\Services\\VXD\\MSTCP\\Parameters";
constexpr std::string_view kMstcpParametersAsUndone =
    "System\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters";
constexpr std::string_view kMachineInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr std::string_view kIcsGeneral =
    "System\\CurrentControlSet\\Services\\ICSharing\\Settings\\General";

// The MSTCP values are those of the Windows 95/98/Me network stack, read at its start; the
// Internet Settings values are read by each program that loads the Internet functions when it
// starts; ICSharing is the connection sharing of Windows 98 SE and Me.
using registry::TakesEffect;
constexpr TakesEffect k9x = TakesEffect::kWindows9xRestart;
constexpr TakesEffect kStart = TakesEffect::kAtOnce;

constexpr BoostStep Create(std::string_view step, std::string_view key) {
  return {step, StepOp::kCreateKey, kHkeyLocalMachine, key, {}, 0, {}, kStart};
}
constexpr BoostStep Machine(std::string_view step, std::string_view key, std::string_view name,
                            std::int32_t type, std::string_view data, TakesEffect when) {
  return {step, StepOp::kSetValue, kHkeyLocalMachine, key, name, type, data, when};
}
constexpr BoostStep User(std::string_view step, std::string_view name, std::int32_t type,
                         std::string_view data, TakesEffect when = kStart) {
  return {step, StepOp::kSetValue, kHkeyCurrentUser, kUserInternetSettings, name, type, data, when};
}

constexpr std::array<BoostStep, kBoostStepCount> kBoost{{
    User("B1", "syncmode5", kDword, "0"),
    Create("B2", kMstcp),
    Machine("B3", kMstcp, "DefaultRcvWindow", kSz, "372300", k9x),
    Create("B4", kMstcp),
    Machine("B5", kMstcp, "DefaultTTL", kSz, "128", k9x),
    Create("B6", kMstcp),
    Machine("B7", kMstcp, "PMTUDiscovery", kSz, "0", k9x),
    Create("B8", kMstcp),
    Machine("B9", kMstcp, "PMTUBlackHoleDetect", kSz, "0", k9x),
    Create("B10", kMstcpParameters),
    Machine("B11", kMstcpParameters, "Tcp1323Opts", kSz, "3", k9x),
    Create("B12", kMstcpParameters),
    Machine("B13", kMstcpParameters, "SackOpts", kSz, "1", k9x),
    Create("B14", kMstcpParameters),
    Machine("B15", kMstcpParameters, "MaxDupAcks", kSz, "3", k9x),
    Create("B16", kMachineInternetSettings),
    // The digit one here; the per-user value of B18 has the letter l. They are two values.
    Machine("B17", kMachineInternetSettings, "MaxConnectionsPer1_0Server", kDword, "6", kStart),
    User("B18", "MaxConnectionsPerl_0Server", kDword, "6", TakesEffect::kNotRead),
    User("B19", "MaxConnectionsPerServer", kDword, "6"),
    Create("B20", kMachineInternetSettings),
    Machine("B21", kMachineInternetSettings, "MaxConnectionsPerServer", kDword, "8", kStart),
    Create("B22", kIcsGeneral),
    Machine("B23", kIcsGeneral, "internetMTU", kSz, "1500", k9x),
}};

// The boost row of a step number: "B3" is kBoost[2].
constexpr const BoostStep& Boosted(std::size_t number) {
  return kBoost.at(number - 1);
}

// Takes back the value a boost row wrote by deleting it, optionally reached through another
// spelling of its key.
constexpr UndoStep Delete(std::string_view step, const BoostStep& boosted,
                          std::string_view key = {}) {
  return {
      step, StepOp::kDeleteValue, boosted.root, key.empty() ? boosted.key : key, boosted.name, 0,
      {},   boosted.takes_effect};
}
// Takes back the value a boost row wrote by writing `data` in its place.
constexpr UndoStep Reset(std::string_view step, const BoostStep& boosted, std::string_view data) {
  return {step,         StepOp::kSetValue, boosted.root, boosted.key,
          boosted.name, boosted.type,      data,         boosted.takes_effect};
}

constexpr std::array<UndoStep, kUndoStepCount> kUndo{{
    Delete("U1", Boosted(3)),
    Delete("U2", Boosted(5)),
    Delete("U3", Boosted(7)),
    Delete("U4", Boosted(9)),
    Delete("U5", Boosted(11), kMstcpParametersAsUndone),
    Delete("U6", Boosted(13), kMstcpParametersAsUndone),
    Delete("U7", Boosted(15), kMstcpParametersAsUndone),
    Delete("U8", Boosted(17)),
    Delete("U9", Boosted(21)),
    Reset("U10", Boosted(18), "1"),
    Reset("U11", Boosted(19), "1"),
    Delete("U12", Boosted(23)),
}};

constexpr UndoStep kSyncMode = Reset("S", Boosted(1), "4");

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

std::string FullPathOf(const RegistryStep& step) {
  std::string path =
      step.root == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\";
  path += step.key;
  path += '\\';
  path += step.name;
  return path;
}

}  // namespace velqor::booster
