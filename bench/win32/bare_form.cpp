// The main window made with the least code that makes it: the same window, controls, menus,
// font, tips and banner, from one table, with bare Win32 calls. The harness starts it as it starts
// velqor.exe and first checks that both show the same controls in the same places, so that the
// start-up figure compares the program with what its window must cost.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

namespace {

constexpr wchar_t kFormClass[] = L"VelqorBareForm";
constexpr wchar_t kPanelClass[] = L"VelqorPanel";  // the program's name, for the comparison
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int kFirstId = 101;  // as the program numbers its controls

enum Kind { kPicture, kButton, kFrame, kCheck, kLauncher };

struct Row {
  Kind kind;
  int parent;  // index of the frame in this table, or -1 for the window
  const wchar_t* caption;
  int left, top, width, height;  // twips, in the container
  const wchar_t* tip;
  bool on_black;
  DWORD extra;  // WS_VISIBLE taken away, WS_DISABLED added
};

constexpr int kBox = 375;
// Tab order is creation order, as in the program.
constexpr Row kRows[] = {
    {kPicture, -1, L"", 0, 0, 5970, 1455, nullptr, false, 0},
    {kButton, -1, L"&Apply XP Tweak", 29, 1560, 1455, 855, nullptr, false, 0},
    {kButton, -1, L"&CleanUp Junk", 0, 2640, 1455, 855, nullptr, false, 0},
    {kButton, -1, L"&Internet Speed", 0, 3720, 1455, 855, nullptr, false, 0},
    {kButton, -1, L"&Restore Settings", 29, 4800, 1455, 855, nullptr, false, WS_DISABLED},
    {kFrame, -1, L"General", 1560, 1490, 4395, 4199, nullptr, true, 0},
    {kCheck, 5, L"Disable Paging executive", 360, 360, 3615, kBox,
     L"This setting attempts to keep your core Windows XP files in system RAM and not on the "
     L"pagefile.",
     true, 0},
    {kCheck, 5, L"Unload DLL", 360, 840, 3615, kBox,
     L"Tweak primarily to ensure a reduction in potential memory", true, 0},
    {kCheck, 5, L"System Cache Tweak", 360, 1320, 3615, kBox, nullptr, true, 0},
    {kCheck, 5, L"Tweak Hung up application", 360, 1800, 3615, kBox,
     L"This setting controls the delay before a hung application is allowed to terminate.", true,
     0},
    {kCheck, 5, L"Increase speed for Menu drop", 360, 2280, 3615, kBox,
     L"This setting controls the delay before a menu or sub-menu pops open ", true, 0},
    {kCheck, 5, L"Auto end tasks", 360, 2760, 3615, kBox,
     L"If enabled this setting automatically closes all running applications when Windows shuts "
     L"down.",
     true, 0},
    {kCheck, 5, L"Shutdown system faster", 360, 3240, 3615, kBox,
     L"This setting controls the delay before windows finally starts to shutdown.", true, 0},
    {kCheck, 5, L"Smart Mouse posiotining", 360, 3720, 3615, kBox,
     L"Mouse icon positions itself automatically on a messagebox.", true, 0},
    {kFrame, -1, L"CleanUp", 1560, 1490, 4395, 4199, nullptr, true, WS_VISIBLE},
    {kLauncher, 14, L"Clean your hard Drive using Clean manager", 600, 600, 3675, 480, nullptr,
     true, 0},
    {kLauncher, 14, L"Microsoft Disk Defragmenter tool", 600, 1200, 3255, 255, nullptr, true, 0},
    {kLauncher, 14, L"Scan all protected files", 600, 1800, 3255, 255, nullptr, true, 0},
    {kLauncher, 14, L"Update Windows", 600, 2400, 3255, 255, nullptr, true, 0},
    {kButton, 14, L"Back to XP Tweak", 960, 3600, 2295, kBox, nullptr, false, 0},
    {kFrame, -1, L"Advanced option", 0, 5760, 6015, 822, nullptr, true, 0},
    {kCheck, 20, L"Do you wish to keep the ultimate popup blocker option 'ON' ?", 120, 300, 5775,
     kBox, nullptr, true, 0},
};
constexpr int kRowCount = sizeof kRows / sizeof kRows[0];

struct MenuRow {
  int level;  // 0: a menu of the bar, 1: an entry of the menu above
  const wchar_t* caption;
  bool enabled;
};
constexpr MenuRow kMenu[] = {
    {0, L"&File", true},           {1, L"E&xit", true},
    {0, L"&Tools", true},          {1, L"&Startup manager", true},
    {1, L"Shut&down now !", true}, {0, L"&Help", true},
    {1, L"&Visit Website", true},  {1, L"&Other Quelm Products", false},
};

int g_dpi = 96;
HFONT g_font = nullptr;
HWND g_tooltip = nullptr;

int Px(int twips) {
  return MulDiv(twips, g_dpi, 1440);
}

bool OnBlack(HWND control) {
  const int index = GetDlgCtrlID(control) - kFirstId;
  return index < 0 || index >= kRowCount || kRows[index].on_black;
}

LRESULT Colour(HWND control, HDC dc) {
  if (OnBlack(control)) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
  } else {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  }
  return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
}

// A frame's caption: an etched rectangle with the text on the frame's top edge.
void DrawFrame(const DRAWITEMSTRUCT& item) {
  const HWND panel = GetParent(item.hwndItem);
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(GetParent(panel), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(item.hDC),
                   reinterpret_cast<LPARAM>(item.hwndItem)));
  SelectObject(item.hDC, g_font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(item.hDC, &metrics);
  RECT frame = item.rcItem;
  frame.top += metrics.tmHeight / 2 - 1;
  DrawEdge(item.hDC, &frame, EDGE_ETCHED, BF_RECT);
  wchar_t text[64];
  const int length = GetWindowTextW(item.hwndItem, text, 64);
  RECT label{item.rcItem.left + 8, item.rcItem.top, item.rcItem.right - 8,
             item.rcItem.top + metrics.tmHeight};
  DrawTextW(item.hDC, text, length, &label, DT_SINGLELINE | DT_CALCRECT);
  InflateRect(&label, 2, 0);
  FillRect(item.hDC, &label, brush);
  InflateRect(&label, -2, 0);
  SetBkMode(item.hDC, TRANSPARENT);
  DrawTextW(item.hDC, text, length, &label, DT_SINGLELINE);
}

// A launcher: a button drawn as a label, white on black, with the focus shown round its text.
void DrawLauncher(const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetTextColor(item.hDC, RGB(255, 255, 255));
  SetBkMode(item.hDC, TRANSPARENT);
  SelectObject(item.hDC, g_font);
  wchar_t text[64];
  const int length = GetWindowTextW(item.hwndItem, text, 64);
  RECT area = item.rcItem;
  const UINT format =
      DT_LEFT | DT_TOP | DT_WORDBREAK | ((item.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0U);
  DrawTextW(item.hDC, text, length, &area, format);
  if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    DrawTextW(item.hDC, text, length, &area, format | DT_CALCRECT);
    InflateRect(&area, 1, 1);
    IntersectRect(&area, &area, &item.rcItem);
    DrawFocusRect(item.hDC, &area);
  }
}

LRESULT CALLBACK PanelProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item.CtlType == ODT_STATIC) {
        DrawFrame(item);
      } else {
        DrawLauncher(item);
      }
      return TRUE;
    }
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetParent(hwnd), message, wparam, lparam);
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

LRESULT CALLBACK FormProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return Colour(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam));
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

HMENU MakeMenu() {
  HMENU bar = CreateMenu();
  HMENU popup = nullptr;
  UINT id = 1;
  for (const MenuRow& row : kMenu) {
    if (row.level == 0) {
      popup = CreatePopupMenu();
      AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), row.caption);
    } else {
      AppendMenuW(popup, row.enabled ? MF_STRING : MF_GRAYED, id++, row.caption);
    }
  }
  return bar;
}

HWND MakeControl(const Row& row, int index, HWND parent) {
  static const wchar_t* const kClass[] = {L"STATIC", L"BUTTON", kPanelClass, L"BUTTON", L"BUTTON"};
  static const DWORD kStyle[] = {SS_BITMAP, WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, 0,
                                 WS_TABSTOP | BS_AUTOCHECKBOX, WS_TABSTOP | BS_OWNERDRAW};
  const int left = Px(row.left);
  const int top = Px(row.top);
  const int width = Px(row.width);
  const int height = Px(row.height);
  const DWORD style =
      ((kChild | kStyle[row.kind]) & ~(row.extra & WS_VISIBLE)) | (row.extra & WS_DISABLED);
  const HWND hwnd = CreateWindowExW(
      row.kind == kFrame ? WS_EX_CONTROLPARENT : 0, kClass[row.kind],
      row.kind == kFrame ? L"" : row.caption, style, left, top, width, height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + index)), nullptr, nullptr);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
  if (row.kind == kPicture) {
    SendMessageW(hwnd, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(LoadImageW(GetModuleHandleW(nullptr), L"BANNER",
                                                     IMAGE_BITMAP, width, height, 0)));
  } else if (row.kind == kCheck) {
    SetWindowTheme(hwnd, L"", L"");
  }
  if (row.tip != nullptr) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetAncestor(parent, GA_ROOT);
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    tool.lpszText = const_cast<wchar_t*>(row.tip);
    SendMessageW(g_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  return hwnd;
}

// A frame's caption, made after the frame's controls: a new child goes below its siblings, and
// the caption, as large as the frame, must not cover them.
void MakeCaption(const Row& row, HWND panel) {
  RECT client;
  GetClientRect(panel, &client);
  const HWND caption = CreateWindowExW(
      0, L"STATIC", row.caption, kChild | SS_OWNERDRAW, 0, 0, client.right, client.bottom, panel,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)), nullptr, nullptr);
  SendMessageW(caption, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  const HDC screen = GetDC(nullptr);
  g_dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  g_font = CreateFontIndirectW(&metrics.lfMessageFont);

  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = &FormProcedure;
  form.hInstance = instance;
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  form.lpszClassName = kFormClass;
  const int big = GetSystemMetrics(SM_CXICON);
  const int small = GetSystemMetrics(SM_CXSMICON);
  form.hIcon = static_cast<HICON>(LoadImageW(instance, L"VELQOR", IMAGE_ICON, big, big, 0));
  form.hIconSm = static_cast<HICON>(LoadImageW(instance, L"VELQOR", IMAGE_ICON, small, small, 0));
  RegisterClassExW(&form);
  WNDCLASSEXW panel = form;
  panel.lpfnWndProc = &PanelProcedure;
  panel.lpszClassName = kPanelClass;
  panel.hIcon = panel.hIconSm = nullptr;
  RegisterClassExW(&panel);

  RECT frame{0, 0, Px(6045), Px(6630)};
  AdjustWindowRectEx(&frame, kFormStyle, TRUE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const HWND hwnd = CreateWindowExW(0, kFormClass, L"Velqor", kFormStyle,
                                    work.left + (work.right - work.left - width) / 2,
                                    work.top + (work.bottom - work.top - height) / 2, width, height,
                                    nullptr, MakeMenu(), instance, nullptr);
  g_tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0, hwnd, nullptr,
                              instance, nullptr);
  SendMessageW(g_tooltip, TTM_SETMAXTIPWIDTH, 0, Px(6000));
  HWND made[kRowCount];
  for (int i = 0; i < kRowCount; ++i) {
    made[i] = MakeControl(kRows[i], i, kRows[i].parent < 0 ? hwnd : made[kRows[i].parent]);
  }
  for (int i = 0; i < kRowCount; ++i) {
    if (kRows[i].kind == kFrame) {
      MakeCaption(kRows[i], made[i]);
    }
  }
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
      SendMessageW(g_tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    }
    if (!IsDialogMessageW(hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}
