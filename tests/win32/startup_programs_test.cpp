// The startup programs window as real Win32 windows over the real registry and Startup folders,
// on a system that says it is Windows 10 or Windows XP (VELQOR_WINE_VERSION, set by the ctest
// entries that make such a prefix): entries seeded by hand in every location, listed with their
// location and status, then disabled, enabled and deleted in that version's own store, and the
// registry and folders read back byte for byte.
#include <windows.h>
#undef MessageBox

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "startup/startup_programs.h"
#include "win32/box_answerer.h"
#include "win32/popup_menu.h"
#include "win32/screenshot.h"
#include "win32/win32_platform.h"

namespace velqor::startup {
namespace {

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunOnce[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kPolicyRun[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
constexpr wchar_t kNotepad[] = L"%SystemRoot%\\system32\\notepad.exe";
const std::wstring kAccented = L"Caf\u00e9 \u0416\u03a9";

struct Place {
  HKEY root;
  REGSAM view;  // 0 or KEY_WOW64_32KEY
  const wchar_t* key;
  // 0 means the system's own view: a 32-bit test on 64-bit Windows must ask for it, or its
  // machine-wide keys land in the 32-bit view (ignored on 32-bit Windows).
  REGSAM Sam() const { return view != 0 ? view : KEY_WOW64_64KEY; }
};

// Every value of a key, name -> type and bytes, read with the bare calls.
std::map<std::wstring, std::pair<DWORD, std::string>> Values(const Place& place) {
  std::map<std::wstring, std::pair<DWORD, std::string>> values;
  HKEY key = nullptr;
  if (RegOpenKeyExW(place.root, place.key, 0, KEY_QUERY_VALUE | place.Sam(), &key) !=
      ERROR_SUCCESS) {
    return values;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    BYTE data[4096];
    DWORD name_length = 512;
    DWORD data_length = sizeof(data);
    DWORD type = 0;
    if (RegEnumValueW(key, i, name, &name_length, nullptr, &type, data, &data_length) !=
        ERROR_SUCCESS) {
      break;
    }
    values[name] = {type, std::string(reinterpret_cast<char*>(data), data_length)};
  }
  RegCloseKey(key);
  return values;
}

void Set(const Place& place, const std::wstring& name, DWORD type, const std::wstring& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(place.root, place.key, 0, nullptr, 0, KEY_SET_VALUE | place.Sam(),
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(missing)";
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class StartupProgramsUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* version = std::getenv("VELQOR_WINE_VERSION");
    if (version == nullptr) GTEST_SKIP() << "run by the startup_programs_<version> ctest entries";
    xp_ = std::string(version) == "winxp";
  }

  HWND Control(const char* name) {
    auto& w = static_cast<platform::win32::Win32Window&>(*window_);
    return w.ControlWindow(w.Find(name));
  }
  // The rows as the list view shows them, cells joined by '|'.
  std::vector<std::string> Rows() {
    HWND list = Control("lvwEntries");
    std::vector<std::string> rows;
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
      std::string text;
      for (int column = 0; column < 4; ++column) {
        wchar_t cell[512] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = cell;
        item.cchTextMax = 512;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        if (column > 0) text += '|';
        text += platform::win32::Narrow(cell);
      }
      rows.push_back(text);
    }
    return rows;
  }
  std::string RowOf(const std::string& name) {
    for (const std::string& row : Rows()) {
      if (row.rfind(name + "|", 0) == 0) return row;
    }
    return "(not listed)";
  }
  // Selects the entry's row as a click does, and presses a button.
  void Press(const std::string& name, const char* button) {
    const std::vector<std::string> rows = Rows();
    for (size_t row = 0; row < rows.size(); ++row) {
      if (rows[row].rfind(name + "|", 0) != 0) continue;
      LVITEMW item{};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = item.stateMask;
      SendMessageW(Control("lvwEntries"), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
      SendMessageW(Control(button), BM_CLICK, 0, 0);
      Pump();
      return;
    }
    ADD_FAILURE() << name << " is not listed";
  }

  bool xp_ = false;
  Win32Platform sim_;
  platform::Window* window_ = nullptr;
};

TEST_F(StartupProgramsUnderWine, ListsDisablesEnablesAndDeletesInThisVersionsStore) {
  const platform::WindowsVersion version = sim_.system.Version();
  EXPECT_EQ(SchemeFor(version), xp_ ? Scheme::kMsConfig : Scheme::kStartupApproved)
      << version.major << "." << version.minor;
  const bool wow = sim_.wide_registry.HasSeparate32BitView();

  const Place user_run{HKEY_CURRENT_USER, 0, kRun};
  const Place machine_run{HKEY_LOCAL_MACHINE, 0, kRun};
  const Place machine_run32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kRun};
  const std::vector<std::pair<Place, std::wstring>> seeded = {
      {user_run, kAccented},
      {{HKEY_CURRENT_USER, 0, kRunOnce}, L"User once"},
      {machine_run, L"Gone"},
      {{HKEY_LOCAL_MACHINE, 0, kRunOnce}, L"Machine once"},
      {machine_run32, L"Old"},
      {{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kRunOnce}, L"Old once"},
      {{HKEY_CURRENT_USER, 0, kPolicyRun}, L"User policy"},
      {{HKEY_LOCAL_MACHINE, 0, kPolicyRun}, L"Machine policy"},
  };
  for (const auto& [place, name] : seeded) {
    if (place.view != 0 && !wow) continue;
    Set(place, name, name == kAccented ? REG_EXPAND_SZ : REG_SZ,
        name == L"Gone" ? L"C:\\Gone\\gone.exe /quiet" : kNotepad);
  }
  std::u16string user_folder;
  std::u16string common_folder;
  ASSERT_EQ(sim_.startup_folders.FolderPath(platform::StartupFolder::kCurrentUser, user_folder), 0);
  ASSERT_EQ(sim_.startup_folders.FolderPath(platform::StartupFolder::kAllUsers, common_folder), 0);
  CreateDirectoryW(platform::win32::Widen(Utf8(user_folder)).c_str(), nullptr);
  CreateDirectoryW(platform::win32::Widen(Utf8(common_folder)).c_str(), nullptr);
  const std::u16string user_link = user_folder + u"\\Notes.lnk";
  const std::u16string common_link = common_folder + u"\\Shared.lnk";
  ASSERT_EQ(
      sim_.startup_folders.WriteShortcut(user_link, {u"C:\\windows\\system32\\notepad.exe", u"/a"}),
      0);
  ASSERT_EQ(sim_.startup_folders.WriteShortcut(common_link, {u"C:\\Gone\\shared.exe", u""}), 0);
  const std::wstring user_link_w = platform::win32::Widen(Utf8(user_link));
  const std::string user_link_bytes = FileBytes(user_link_w);

  StartupPrograms startup(sim_.platform);
  startup.Show();
  window_ = startup.window();
  ASSERT_NE(window_, nullptr);
  Pump();

  const std::string accented = platform::win32::Narrow(kAccented);
  EXPECT_EQ(RowOf(accented), accented +
                                 "|%SystemRoot%\\system32\\notepad.exe|Registry: current "
                                 "user, Run|Enabled");
  EXPECT_EQ(RowOf("User once"),
            "User once|%SystemRoot%\\system32\\notepad.exe|Registry: current "
            "user, RunOnce|Enabled");
  EXPECT_EQ(RowOf("Gone"),
            "Gone|C:\\Gone\\gone.exe /quiet|Registry: all users, Run|File not found");
  EXPECT_EQ(RowOf("Machine once"),
            "Machine once|%SystemRoot%\\system32\\notepad.exe|Registry: "
            "all users, RunOnce|Enabled");
  if (wow) {
    EXPECT_EQ(RowOf("Old"),
              "Old|%SystemRoot%\\system32\\notepad.exe|Registry: all users, Run (32-bit)|Enabled");
    EXPECT_EQ(RowOf("Old once"),
              "Old once|%SystemRoot%\\system32\\notepad.exe|Registry: all "
              "users, RunOnce (32-bit)|Enabled");
  }
  EXPECT_EQ(RowOf("User policy"),
            "User policy|%SystemRoot%\\system32\\notepad.exe|Registry: "
            "current user, policy Run|Enabled");
  EXPECT_EQ(RowOf("Machine policy"),
            "Machine policy|%SystemRoot%\\system32\\notepad.exe|"
            "Registry: all users, policy Run|Enabled");
  EXPECT_EQ(RowOf("Notes.lnk"),
            "Notes.lnk|C:\\windows\\system32\\notepad.exe /a|Startup "
            "folder: current user|Enabled");
  EXPECT_EQ(RowOf("Shared.lnk"),
            "Shared.lnk|C:\\Gone\\shared.exe|Startup folder: all users|File not found");
  if (!xp_) {
    test::SaveScreenshot(reinterpret_cast<HWND>(window_->Handle()),
                         std::string(VELQOR_BUILD_DIR) + "/startup-programs.bmp");
  }

  // Disable: Windows 10 marks the approval value; XP moves the entry into the utility's store.
  const auto user_values = Values(user_run);
  const std::wstring approved =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
  const std::wstring run_approval_key = approved + L"Run";
  const std::wstring folder_approval_key = approved + L"StartupFolder";
  const Place user_approval{HKEY_CURRENT_USER, 0, run_approval_key.c_str()};
  const Place folder_approval{HKEY_CURRENT_USER, 0, folder_approval_key.c_str()};
  Press(accented, "cmdDisable");
  Press("Notes.lnk", "cmdDisable");
  EXPECT_EQ(RowOf(accented).substr(RowOf(accented).rfind('|') + 1), "Disabled");
  EXPECT_EQ(RowOf("Notes.lnk").substr(RowOf("Notes.lnk").rfind('|') + 1), "Disabled");
  if (xp_) {
    EXPECT_EQ(Values(user_run).count(kAccented), 0U);
    EXPECT_EQ(FileBytes(user_link_w), "(missing)");
    const std::wstring record_key =
        L"SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\" + kAccented;
    const Place record{HKEY_LOCAL_MACHINE, 0, record_key.c_str()};
    const auto fields = Values(record);
    ASSERT_EQ(fields.count(L"command"), 1U);
    EXPECT_EQ(fields.at(L"command"), user_values.at(kAccented));
    EXPECT_EQ(fields.at(L"hkey").second, std::string("H\0K\0C\0U\0\0\0", 10));
  } else {
    EXPECT_EQ(Values(user_run), user_values);
    EXPECT_EQ(FileBytes(user_link_w), user_link_bytes);
    const auto approval = Values(user_approval).at(kAccented);
    EXPECT_EQ(approval.first, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(approval.second.size(), 12U);
    EXPECT_EQ(approval.second[0], '\x03');
    EXPECT_EQ(Values(folder_approval).at(L"Notes.lnk").second[0], '\x03');
  }

  // Enable gives back exactly what was there: the REG_EXPAND_SZ as it was, the shortcut's bytes.
  Press(accented, "cmdEnable");
  Press("Notes.lnk", "cmdEnable");
  EXPECT_EQ(Values(user_run), user_values);
  EXPECT_EQ(FileBytes(user_link_w), user_link_bytes);
  EXPECT_EQ(RowOf(accented).substr(RowOf(accented).rfind('|') + 1), "Enabled");
  if (!xp_) {
    EXPECT_EQ(Values(user_approval).at(kAccented).second,
              std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12));
  }

  // Delete asks, then removes exactly that value and that file.
  const auto machine_values = Values(machine_run);
  {
    test::BoxAnswerer yes(IDYES);
    Press("Gone", "cmdDelete");
    Press("Shared.lnk", "cmdDelete");
    const std::vector<std::string> boxes = yes.Lines();
    ASSERT_EQ(boxes.size(), 2U);
    EXPECT_EQ(boxes[0], "Velqor: Delete \"Gone\" from \"Registry: all users, Run\"?");
  }
  auto expected = machine_values;
  expected.erase(L"Gone");
  EXPECT_EQ(Values(machine_run), expected);
  EXPECT_EQ(FileBytes(platform::win32::Widen(Utf8(common_link))), "(missing)");
  EXPECT_EQ(FileBytes(user_link_w), user_link_bytes);
  EXPECT_EQ(Values(user_run), user_values);
  EXPECT_EQ(RowOf("Gone"), "(not listed)");
  EXPECT_EQ(RowOf("Shared.lnk"), "(not listed)");
  window_->Close();
}

// Shift+F10 or the Application key on the list arrive as WM_CONTEXTMENU without a point: the menu
// shows under the selected row, or at the list's corner with none, greyed as the buttons are; a
// right-click comes with the pointer. The menu is modal: a timer reads it from inside its own loop
// and types a mnemonic there.
TEST_F(StartupProgramsUnderWine, TheContextMenuShowsUnderTheSelectedRowOrAtThePointerAndChooses) {
  Set({HKEY_CURRENT_USER, 0, kRun}, L"Context", REG_SZ, kNotepad);
  StartupPrograms startup(sim_.platform);
  startup.Show();
  window_ = startup.window();
  ASSERT_NE(window_, nullptr);
  Pump();
  HWND list = Control("lvwEntries");
  const auto at = [list](LONG x, LONG y) {
    POINT point{x, y};
    ClientToScreen(list, &point);
    return std::pair(point.x, point.y);
  };
  test::ShownMenu shown = test::ShowContextMenu(list, -1);
  EXPECT_EQ(std::pair(shown.place.left, shown.place.top), at(0, 0)) << "nothing is selected";
  EXPECT_EQ(shown.entries, (std::vector<std::string>{
                               "&Disable (greyed)", "&Enable (greyed)", "De&lete... (greyed)",
                               "&Open file location (greyed)", "", "&Refresh\tF5"}));

  Press("Context", "cmdRefresh");
  const auto row_rect = [&] {
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(window_->Selection(startup.list())),
                 reinterpret_cast<LPARAM>(&bounds));
    return bounds;
  };
  const RECT bounds = row_rect();
  shown = test::ShowContextMenu(list, -1,
                                [](HWND popup, HMENU) { PostMessageW(popup, WM_CHAR, L'd', 1); });
  Pump();
  EXPECT_EQ(std::pair(shown.place.left, shown.place.top),
            at(std::max(bounds.left, 0L), bounds.bottom));
  ASSERT_EQ(shown.entries.size(), 6U);
  EXPECT_EQ(shown.entries[0], "&Disable");
  EXPECT_EQ(shown.entries[1], "&Enable (greyed)");
  EXPECT_EQ(RowOf("Context").substr(RowOf("Context").rfind('|') + 1), "Disabled")
      << "the mnemonic chose Disable";

  // A right-click on the row selects it, and the menu shows at the pointer.
  const RECT disabled = row_rect();
  const int row = window_->Selection(startup.list());
  window_->SetSelection(startup.list(), -1);
  const auto pointer = at(disabled.right / 2, (disabled.top + disabled.bottom) / 2);
  shown = test::ShowContextMenu(list, MAKELPARAM(pointer.first, pointer.second));
  EXPECT_EQ(std::pair(shown.place.left, shown.place.top), pointer);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), row);
  EXPECT_EQ(shown.entries.at(1), "&Enable") << "for the disabled entry";
  window_->Close();
}

}  // namespace
}  // namespace velqor::startup
