#include "bare_calls.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "timing.h"

namespace velqor::bench {

namespace {

HICON LoadSized(const std::wstring& path, int metric) {
  const int size = GetSystemMetrics(metric);
  return static_cast<HICON>(
      LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) {
    out.push_back(c < 128 ? static_cast<char>(c) : '?');
  }
  return out;
}

void Describe(HWND top, HWND parent, int depth, std::vector<std::wstring>& lines) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&rect), 2);
    const auto style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    wchar_t line[700];
    std::swprintf(line, 700, L"%*s%ls \"%ls\" %ld,%ld,%ld,%ld%ls%ls", depth * 2, L"",
                  ClassOf(child).c_str(), TextOf(child).c_str(), rect.left, rect.top, rect.right,
                  rect.bottom, (style & WS_VISIBLE) != 0 ? L"" : L" hidden",
                  (style & WS_DISABLED) != 0 ? L" disabled" : L"");
    lines.emplace_back(line);
    Describe(top, child, depth + 1, lines);
  }
}

void DescribeMenu(HMENU menu, int depth, std::vector<std::wstring>& lines) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    lines.push_back(std::wstring(static_cast<std::size_t>(depth) * 2, L' ') + L"menu \"" + text +
                    L"\"" + ((state & MF_GRAYED) != 0 ? L" greyed" : L""));
    if (HMENU sub = GetSubMenu(menu, i); sub != nullptr) {
      DescribeMenu(sub, depth + 1, lines);
    }
  }
}

std::vector<std::wstring> Rows(HWND list) {
  std::vector<std::wstring> rows;
  const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring row(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    row.resize(static_cast<std::size_t>(
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row.data()))));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

BareBoost::BareBoost(BoostWindows windows, std::wstring caption, std::wstring icon_path,
                     std::vector<Write> writes)
    : windows_(windows),
      caption_(std::move(caption)),
      icon_path_(std::move(icon_path)),
      writes_(std::move(writes)) {}

BareBoost::~BareBoost() {
  DestroyIcon(big_);
  DestroyIcon(small_);
}

void BareBoost::Run() {
  SetWindowTextW(windows_.form, caption_.c_str());
  HICON big = LoadSized(icon_path_, SM_CXICON);
  HICON small = LoadSized(icon_path_, SM_CXSMICON);
  SendMessageW(windows_.form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(windows_.form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  DestroyIcon(std::exchange(big_, big));
  DestroyIcon(std::exchange(small_, small));
  RedrawWindow(windows_.form, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  EnableWindow(windows_.restore, TRUE);
  SetFocus(windows_.restore);
  EnableWindow(windows_.boost, FALSE);
  (void)WriteEach(writes_);
}

int BareFill(const FillWindows& windows, HKEY root, FillReading reading) {
  const HWND lists[] = {windows.names, windows.commands};
  for (const HWND list : lists) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD values = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  // Room for any name, and for the data the program shows (1,024 bytes at most).
  std::wstring name(16384, L'\0');
  std::wstring data(1024, L'\0');
  char ansi_name[261];
  char ansi_data[1024];
  std::wstring first_name;
  std::wstring first_data;
  // Each row is measured in its list's font as it is added: the extent is the widest row.
  HDC dcs[2];
  HGDIOBJ old_fonts[2];
  int widest[2] = {0, 0};
  for (int l = 0; l < 2; ++l) {
    dcs[l] = GetDC(lists[l]);
    old_fonts[l] =
        SelectObject(dcs[l], reinterpret_cast<HFONT>(SendMessageW(lists[l], WM_GETFONT, 0, 0)));
  }
  int added = 0;
  for (DWORD i = 0; i < values; ++i) {
    DWORD name_length = 16384;
    DWORD data_bytes = 2048;
    if (reading == FillReading::kOneCall) {
      if (RegEnumValueW(key, i, name.data(), &name_length, nullptr, nullptr,
                        reinterpret_cast<BYTE*>(data.data()), &data_bytes) != ERROR_SUCCESS) {
        continue;
      }
    } else {
      // The name with a 255-byte data buffer, then the data by name, through the ANSI calls.
      name_length = sizeof ansi_name;
      data_bytes = 255;
      if (RegEnumValueA(key, i, ansi_name, &name_length, nullptr, nullptr,
                        reinterpret_cast<BYTE*>(ansi_data), &data_bytes) != ERROR_SUCCESS) {
        continue;
      }
      data_bytes = sizeof ansi_data;
      ansi_data[0] = 0;
      RegQueryValueExA(key, ansi_name, nullptr, nullptr, reinterpret_cast<BYTE*>(ansi_data),
                       &data_bytes);
      MultiByteToWideChar(CP_ACP, 0, ansi_name, -1, name.data(), 16384);
      MultiByteToWideChar(CP_ACP, 0, ansi_data, -1, data.data(), 1024);
    }
    const wchar_t* texts[] = {name.c_str(), data.c_str()};
    for (int l = 0; l < 2; ++l) {
      const int length = static_cast<int>(std::wcslen(texts[l]));
      SendMessageW(lists[l], LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[l]));
      SIZE size{};
      if (length > 0 && GetTextExtentPoint32W(dcs[l], texts[l], length, &size) != FALSE) {
        widest[l] = std::max(widest[l], static_cast<int>(size.cx));
      }
    }
    if (added++ == 0) {
      first_name = name.c_str();
      first_data = data.c_str();
    }
  }
  RegCloseKey(key);
  // A list box draws its rows a few pixels in from its edge; as much again on the right.
  const int margin = 2 * GetSystemMetrics(SM_CXEDGE) + 2;
  for (int l = 0; l < 2; ++l) {
    SelectObject(dcs[l], old_fonts[l]);
    ReleaseDC(lists[l], dcs[l]);
    SendMessageW(lists[l], LB_SETHORIZONTALEXTENT, widest[l] > 0 ? widest[l] + margin : 0, 0);
    SendMessageW(lists[l], WM_SETREDRAW, TRUE, 0);
    RedrawWindow(lists[l], nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    SendMessageW(lists[l], LB_SETCURSEL, 0, 0);
  }
  SetWindowTextW(windows.name_text, first_name.c_str());
  SetWindowTextW(windows.command_text, first_data.c_str());
  SetWindowTextW(windows.remove, (L"Delete " + first_name + L" from startup").c_str());
  return added;
}

std::vector<std::wstring> FillResult(const FillWindows& windows) {
  std::vector<std::wstring> lines;
  for (const HWND list : {windows.names, windows.commands}) {
    lines.push_back(L"selected " + std::to_wstring(SendMessageW(list, LB_GETCURSEL, 0, 0)) +
                    L", extent " +
                    std::to_wstring(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)));
    for (std::wstring& row : Rows(list)) {
      lines.push_back(std::move(row));
    }
  }
  for (const HWND text : {windows.name_text, windows.command_text, windows.remove}) {
    lines.push_back(TextOf(text));
  }
  return lines;
}

std::vector<std::wstring> WindowTree(HWND top) {
  RECT window;
  RECT client;
  GetWindowRect(top, &window);
  GetClientRect(top, &client);
  std::vector<std::wstring> lines{L"window " + std::to_wstring(window.right - window.left) + L"x" +
                                  std::to_wstring(window.bottom - window.top) + L", client " +
                                  std::to_wstring(client.right) + L"x" +
                                  std::to_wstring(client.bottom)};
  Describe(top, top, 0, lines);
  DescribeMenu(GetMenu(top), 0, lines);
  return lines;
}

bool SameLines(const char* label, const std::vector<std::wstring>& ours,
               const std::vector<std::wstring>& bare) {
  int shown = 0;
  for (std::size_t i = 0; i < std::max(ours.size(), bare.size()) && shown < 6; ++i) {
    const std::wstring a = i < ours.size() ? ours[i] : L"(nothing)";
    const std::wstring b = i < bare.size() ? bare[i] : L"(nothing)";
    if (a != b) {
      Print("  program: " + Narrow(a));
      Print("  bare:    " + Narrow(b));
      ++shown;
    }
  }
  const bool same = ours == bare && !ours.empty();
  Print(std::string(label) + ": the bare code makes the same " + std::to_string(ours.size()) +
        " things as the program " + (same ? "PASS" : "FAIL"));
  return same;
}

}  // namespace velqor::bench
