// Where the time of the measured commands goes: the window operations they are made of, timed
// one by one on the real windows. Printed after the ratios, to read a ratio that is over its
// limit.
#include "breakdown.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/form1.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "registry/enumeration.h"
#include "startup/frm_main.h"
#include "timing.h"

namespace velqor::bench {

namespace {

void Line(const char* what, double seconds) {
  char text[256];
  std::snprintf(text, sizeof text, "  %-52s %9.3f ms", what, seconds * 1e3);
  Print(text);
}

}  // namespace

void PrintFormBreakdown(app::Form1& form, const std::string& icon_path) {
  Print("where the time goes, main window:");
  platform::Window& w = form.window();
  const app::Form1::Controls& ids = form.controls();
  Line("SetCaption", MedianOf(21, [&] { w.SetCaption("Velqor"); }));
  Line("SetIcon (two sizes from the file)", MedianOf(21, [&] { w.SetIcon(icon_path); }));
  Line("Repaint", MedianOf(21, [&] { w.Repaint(); }));
  const std::wstring wide(icon_path.begin(), icon_path.end());
  Line("  of which: LoadImageW from the file, both sizes", MedianOf(21, [&] {
         for (const int metric : {SM_CXICON, SM_CXSMICON}) {
           const int size = GetSystemMetrics(metric);
           DestroyIcon(static_cast<HICON>(
               LoadImageW(nullptr, wide.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
         }
       }));
  const HWND hwnd = reinterpret_cast<HWND>(w.Handle());
  const auto big = SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
  const auto small = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
  Line("  of which: WM_SETICON, both sizes", MedianOf(21, [&] {
         SendMessageW(hwnd, WM_SETICON, ICON_BIG, big);
         SendMessageW(hwnd, WM_SETICON, ICON_SMALL, small);
       }));
  Line("RedrawWindow, invalidate only (paint left to the loop)", MedianOf(21, [&] {
         RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
       }));
  Line("  the paint that follows it in the loop", MedianOf(21, [&] {
         RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
         MSG msg;
         while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
           DispatchMessageW(&msg);
         }
       }));
  {
    // Hiding the active window costs Wine a wait for the focus to move; it is left out.
    ShowWindow(hwnd, SW_HIDE);
    Stopwatch watch;
    ShowWindow(hwnd, SW_SHOW);
    Line("Show again: ShowWindow", watch.Seconds());
    watch.Restart();
    SetForegroundWindow(hwnd);
    Line("  SetForegroundWindow", watch.Seconds());
    watch.Restart();
    UpdateWindow(hwnd);
    Line("  UpdateWindow (paints every control)", watch.Seconds());
  }
  Line("SetEnabled", MedianOf(21, [&] { w.SetEnabled(ids.XPButton4, true); }));
  Line("Value of a check box", MedianOf(21, [&] { (void)w.Value(ids.Check[0]); }));
}

void PrintListBreakdown(startup::frmMain& form, platform::Registry& registry, int rows) {
  Print("where the time goes, startup manager (" + std::to_string(rows) + " rows):");
  platform::Window& w = *form.window();
  const startup::frmMain::Controls& ids = form.controls();
  // The registry reading of a fill, five ways, interleaved: the program's, and bare calls that
  // read as it must (an enumeration and a query by name per row) or as little as can be.
  registry::RegEnum reader(registry);
  const auto program_reading = [&](bool with_data) {
    const platform::KeyHandle key =
        reader.OpenRegKey(platform::kHkeyLocalMachine, startup::kRunSubKey);
    const std::int32_t count = reader.GetKeyCount(key, 0);
    for (std::int32_t i = 0; i < count; ++i) {
      const registry::ValueNames names = reader.EnumRegValueNames(key, i);
      if (with_data) {
        (void)reader.QueryRegValue(key, names.exact);
      }
    }
    (void)registry.CloseKey(key);
  };
  const auto bare_reading = [](bool wide, bool query) {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                  KEY_QUERY_VALUE, &key);
    char name[261];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
      DWORD name_length = 261;
      DWORD data_bytes = 255;
      const LONG status =
          wide ? RegEnumValueW(key, i, reinterpret_cast<wchar_t*>(data), &name_length, nullptr,
                               nullptr, data + 600, &data_bytes)
               : RegEnumValueA(key, i, name, &name_length, nullptr, nullptr, data, &data_bytes);
      if (status != ERROR_SUCCESS) {
        break;
      }
      data_bytes = sizeof data;
      if (query) {
        RegQueryValueExA(key, name, nullptr, nullptr, data, &data_bytes);
      }
    }
    RegCloseKey(key);
  };
  const std::vector<double> reading = InterleavedMedians(
      5, {[&] { bare_reading(true, false); }, [&] { bare_reading(false, false); },
          [&] { bare_reading(false, true); }, [&] { program_reading(false); },
          [&] { program_reading(true); }});
  Line("registry: RegEnumValueW per row (name and data)", reading[0]);
  Line("registry: RegEnumValueA per row (name and data)", reading[1]);
  Line("registry: RegEnumValueA and RegQueryValueExA per row", reading[2]);
  Line("registry: EnumRegValueNames per row", reading[3]);
  Line("registry: EnumRegValueNames and QueryRegValue per row", reading[4]);
  Line("  of which the text conversions (ANSI, UTF-8, UTF-16) of the rows", MedianOf(5, [&] {
         for (int i = 0; i < rows; ++i) {
           const std::string name = "VelqorBench " + std::to_string(i);
           const std::string data = "C:\\velqor-bench\\absent\\tool.exe /background /id=1234";
           // Both names, the name for the query, the data, and both rows for their lists.
           (void)platform::win32::AnsiToUtf8(name);
           (void)platform::win32::AnsiToUtf8(name);
           (void)platform::win32::Utf8ToAnsi(name);
           (void)platform::win32::AnsiToUtf8(data);
           (void)platform::win32::Widen(name);
           (void)platform::win32::Widen(data);
         }
       }));
  Line("ClearItems", MedianOf(5, [&] { w.ClearItems(ids.lstName); }));
  const HWND list = static_cast<platform::win32::Win32Window&>(w).ControlWindow(ids.lstName);
  const std::vector<double> adding = InterleavedMedians(
      5, {[&] {
            w.ClearItems(ids.lstName);
            w.SetRedraw(ids.lstName, false);
            for (int i = 0; i < rows; ++i) {
              w.AddItem(ids.lstName, "Startup program");
            }
            w.SetRedraw(ids.lstName, true);
          },
          [&] {
            SendMessageW(list, LB_RESETCONTENT, 0, 0);
            SendMessageW(list, WM_SETREDRAW, FALSE, 0);
            for (int i = 0; i < rows; ++i) {
              SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Startup program"));
            }
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
          }});
  Line("AddItem, all rows, redraw off", adding[0]);
  Line("  LB_ADDSTRING, all rows, redraw off", adding[1]);
  if (rows <= 10) {
    // Drawn row by row, 1,000 rows take about ten seconds under Wine.
    Line("AddItem, all rows", MedianOf(5, [&] {
           w.ClearItems(ids.lstName);
           for (int i = 0; i < rows; ++i) {
             w.AddItem(ids.lstName, "Startup program");
           }
         }));
  }
  Line("ItemText, all rows", MedianOf(5, [&] {
         for (int i = 0; i < rows; ++i) {
           (void)w.ItemText(ids.lstName, i);
         }
       }));
  Line("FitHorizontalExtent", MedianOf(5, [&] { w.FitHorizontalExtent(ids.lstName); }));
  Line("SetSelection row 0 (runs the mirroring)", MedianOf(5, [&] {
         w.SetSelection(ids.lstName, -1);
         w.SetSelection(ids.lstName, 0);
       }));
  Line("SetText of a text box", MedianOf(5, [&] { w.SetText(ids.txtName, "Startup program"); }));
}

}  // namespace velqor::bench
