// What the startup programs window costs over the real registry and list view (run under Wine or
// on Windows), each against the least code that does the same visible work in the same run:
//  - listing a per-user Run key of many entries (every location read, every row filled), against
//    a bare RegEnumValueW loop over that key plus the list's own fill with the same rows;
//  - sorting those rows by each column, against a bare LVM_SORTITEMS with the same comparison.
// Prints the medians, their ratios and PASS or FAIL against the limits.
//
// Usage: velqor_startup_programs_timing [entries] [rounds]
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#undef MessageBox

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "startup/startup_programs.h"
#include "timing.h"
#include "win32/win32_platform.h"

namespace velqor::bench {
namespace {

constexpr double kListLimit = 4.0;
constexpr double kSortLimit = 3.0;
constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring EntryName(int i) {
  wchar_t name[32];
  std::swprintf(name, 32, L"Entry %05d", (i * 7919) % 100000);
  return name;
}

bool Seed(int entries) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRun, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = true;
  for (int i = 0; i < entries && ok; ++i) {
    const std::wstring command = L"C:\\Program Files\\Tool " + std::to_wstring(i % 97) + L"\\tool" +
                                 std::to_wstring(i) + L".exe /background";
    ok = RegSetValueExW(
             key, EntryName(i).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
             static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return ok;
}

// Only the values seeded: the key may hold the user's own entries.
void RemoveSeeded(int entries) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  for (int i = 0; i < entries; ++i) RegDeleteValueW(key, EntryName(i).c_str());
  RegCloseKey(key);
}

// The rows the bare fill showed, by their lParam, for the bare sort's comparison.
std::vector<std::vector<std::string>> g_rows;
int g_column = 0;

// The form's own comparison: the column's UTF-8 text, ASCII letter case ignored.
int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM ascending) {
  const std::string& x = g_rows[static_cast<size_t>(a)][static_cast<size_t>(g_column)];
  const std::string& y = g_rows[static_cast<size_t>(b)][static_cast<size_t>(g_column)];
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  const auto less = [&](const std::string& p, const std::string& q) {
    return std::lexicographical_compare(p.begin(), p.end(), q.begin(), q.end(),
                                        [&](char m, char n) { return lower(m) < lower(n); });
  };
  const int order = less(x, y) ? -1 : less(y, x) ? 1 : 0;
  return ascending != 0 ? order : -order;
}

// The bare RegEnumValueW loop over the Run key, each row put in the list as the window shows it.
int BareList(HWND list) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  g_rows.clear();
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    for (DWORD i = 0;; ++i) {
      wchar_t name[512];
      wchar_t data[2048];
      DWORD name_length = 512;
      DWORD data_length = sizeof(data);
      DWORD type = 0;
      if (RegEnumValueW(key, i, name, &name_length, nullptr, &type, reinterpret_cast<BYTE*>(data),
                        &data_length) != ERROR_SUCCESS) {
        break;
      }
      data[std::min<DWORD>(data_length / sizeof(wchar_t), 2047)] = L'\0';
      const std::wstring cells[4] = {name, data, L"Registry: current user, Run", L"Enabled"};
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = static_cast<int>(i);
      item.lParam = static_cast<LPARAM>(i);
      for (int cell = 0; cell < 4; ++cell) {
        item.iSubItem = cell;
        item.pszText = const_cast<wchar_t*>(cells[cell].c_str());
        SendMessageW(list, cell == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                     cell == 0 ? 0 : static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        item.mask = LVIF_TEXT;
      }
      g_rows.push_back({platform::win32::Narrow(cells[0]), platform::win32::Narrow(cells[1]),
                        platform::win32::Narrow(cells[2]), platform::win32::Narrow(cells[3])});
    }
    RegCloseKey(key);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

bool Report(const RatioLine& line) {
  Print(Describe(line));
  return line.pass();
}

}  // namespace
}  // namespace velqor::bench

int main(int argc, char** argv) {
  using namespace velqor;
  using namespace velqor::bench;
  const int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RemoveSeeded(entries);
  if (!Seed(entries)) {
    Print("startup programs: the Run entries could not be written FAIL");
    return 1;
  }
  bool pass = true;
  {
    Win32Platform platform;
    startup::StartupPrograms window(platform.platform);
    window.Show();
    Pump();
    platform::Window& w = *window.window();
    const HWND list = static_cast<platform::win32::Win32Window&>(w).ControlWindow(window.list());
    const std::string n = std::to_string(entries);

    int ours_rows = 0;
    int bare_rows = 0;
    const MedianPair listing = Interleaved(
        rounds,
        [&] {
          window.Refresh();
          ours_rows = w.ItemCount(window.list());
        },
        [&] { bare_rows = BareList(list); });
    Pump();
    const bool same_rows = ours_rows >= entries && bare_rows == ours_rows;
    Print(Format("startup programs list, %.0f rows shown by the window, %.0f by bare calls",
                 ours_rows, bare_rows) +
          (same_rows ? "" : " FAIL"));
    pass = same_rows && pass;
    pass = Report({"startup programs list, " + n +
                       " Run entries, vs a bare RegEnumValueW loop and the same list fill",
                   listing.ours, listing.baseline, kListLimit}) &&
           pass;

    static const char* const kColumns[] = {"Name", "Command", "Location", "Status"};
    for (int column = 0; column < 4; ++column) {
      std::vector<double> ours;
      std::vector<double> bare;
      for (int round = 0; round < rounds; ++round) {
        const bool ascending = round % 2 == 0;
        window.Refresh();
        Stopwatch watch;
        w.SortBy(window.list(), column, ascending);
        ours.push_back(watch.Seconds());
        BareList(list);
        g_column = column;
        watch.Restart();
        SendMessageW(list, LVM_SORTITEMS, ascending ? 1 : 0,
                     reinterpret_cast<LPARAM>(&CompareRows));
        bare.push_back(watch.Seconds());
      }
      std::sort(ours.begin(), ours.end());
      std::sort(bare.begin(), bare.end());
      pass = Report({std::string("startup programs sort by ") + kColumns[column] + ", " + n +
                         " rows, vs a bare LVM_SORTITEMS with the same comparison",
                     ours[ours.size() / 2], bare[bare.size() / 2], kSortLimit}) &&
             pass;
    }
    window.window()->Close();
  }
  RemoveSeeded(entries);
  if (SUCCEEDED(com)) CoUninitialize();
  Print(pass ? "all ratios within their limits" : "a ratio is over its limit");
  return pass ? 0 : 1;
}
