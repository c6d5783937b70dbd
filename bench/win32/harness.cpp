// The Windows timing harness: the program's start-up, Boost and the startup manager's fill over
// the real Win32 platform and the real registry, each against the same visible work done by bare
// Win32 calls in the same run (checked to be the same before it is timed). Prints every figure
// and a PASS/FAIL line per ratio; exits 1 when a ratio is over its limit. The older comparisons
// with less work (an empty window, the registry calls alone) are printed for reference.
//
// Usage: velqor_bench_harness <velqor.exe> <minimal window exe> <bare form exe>
//        (Windows or Unix paths)
#include <windows.h>
#include <objbase.h>
#undef MessageBox

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "journal_commands.h"
#include "app/form1.h"
#include "bare_calls.h"
#include "booster/booster.h"
#include "booster/booster_tables.h"
#include "registry/access.h"
#include "breakdown.h"
#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "registry_baseline.h"
#include "startup/frm_main.h"
#include "startup_timing.h"
#include "timing.h"
#include "win32/win32_platform.h"

namespace velqor::bench {
namespace {

// Against the same work done by bare calls.
constexpr double kFillLimit = 1.3;
constexpr double kBoostLimit = 1.15;
constexpr double kStartupLimit = 1.15;
// Apply against the same writes made by bare calls (its only visible work).
constexpr double kApplyLimit = 1.5;
constexpr int kStarts = 15;

// A path as the harness was given it; a Unix path names the same file through Wine's Z: drive.
std::wstring WindowsPath(const char* path) {
  std::string text(path);
  if (!text.empty() && text.front() == '/') {
    text.insert(0, "Z:");
    for (char& c : text) {
      c = c == '/' ? '\\' : c;
    }
  }
  return platform::win32::Widen(text);
}

BOOL CALLBACK AnswerBox(HWND hwnd, LPARAM) {
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (owner == GetCurrentProcessId() && std::wstring(name) == L"#32770" &&
      IsWindowVisible(hwnd) != FALSE) {
    const int button = GetDlgItem(hwnd, IDYES) != nullptr ? IDYES : IDOK;
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  }
  return TRUE;
}

// While alive, every message box of this process is answered from a timer that its modal loop
// runs, so that no command of the program waits for a user.
class BoxAnswerer {
 public:
  BoxAnswerer() : timer_(SetTimer(nullptr, 0, 20, &BoxAnswerer::Tick)) {}
  ~BoxAnswerer() { KillTimer(nullptr, timer_); }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumWindows(&AnswerBox, 0); }
  UINT_PTR timer_;
};

// Whether the yardstick makes the writes that `command` makes: what the command left is read
// back, the values deleted, the yardstick run, and the two read-backs compared. A yardstick that
// wrote less, or elsewhere, would flatter the program.
bool SameWrites(const char* label, const std::vector<Write>& writes,
                const std::function<void()>& command) {
  command();
  const std::vector<Held> by_command = ReadBack(writes);
  DeleteValues(writes);
  const int written = WriteEach(writes);
  const std::vector<Held> by_yardstick = ReadBack(writes);
  const bool same = by_command == by_yardstick && written > 0;
  Print(std::string(label) + ": the yardstick makes the same " + std::to_string(written) +
        " writes as the command " + (same ? "PASS" : "FAIL"));
  return same;
}

bool Report(const RatioLine& line) {
  Print(Describe(line));
  return line.pass();
}

// A comparison with less work than the program does: printed, never passed or failed.
void ForReference(const std::string& label, double ours, double baseline) {
  Print(Format("%.3f ms / %.3f ms = %.2f (for reference, no limit)", ours * 1e3, baseline * 1e3,
               baseline > 0 ? ours / baseline : 0)
            .insert(0, label + ": "));
}

// Draws at once whatever a command left to be drawn, as the message loop would next.
void DrawNow(HWND top) {
  RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Start-up of velqor.exe against the same window made by bare calls, and the empty window
// program, the three started in turn.
bool MeasureStartup(const std::wstring& velqor, const std::wstring& minimal,
                    const std::wstring& bare_form) {
  const StartupTarget ours{velqor, platform::win32::Win32Window::kClassName, L"Velqor"};
  const StartupTarget bare{bare_form, L"VelqorBareForm", L"Velqor"};
  const StartupTarget empty{minimal, L"VelqorMinimalWindow", L"Velqor minimal window"};
  // One start of each first: the first start of a program loads what later starts find cached.
  // These starts also show that the bare program makes what the program makes.
  std::vector<std::wstring> our_tree;
  std::vector<std::wstring> bare_tree;
  (void)TimeToWindow(ours, 30, [&](HWND w) { our_tree = WindowTree(w); });
  (void)TimeToWindow(bare, 30, [&](HWND w) { bare_tree = WindowTree(w); });
  (void)TimeToWindow(empty, 30);
  bool pass = SameLines("start-up", our_tree, bare_tree);
  if (std::getenv("VELQOR_BENCH_BREAKDOWN") != nullptr) {
    for (const std::wstring& line : our_tree) {
      Print("  " + platform::win32::Narrow(line));
    }
  }
  std::vector<double> a;
  std::vector<double> b;
  std::vector<double> c;
  std::vector<double> to_box;
  int boxes = 0;
  // A start right after a window has closed can wait for Wine to settle the focus; a pause
  // between starts keeps that out of the next one.
  const auto start = [](const StartupTarget& target) {
    Sleep(300);
    return TimeToWindow(target, 30);
  };
  for (int i = 0; i < kStarts; ++i) {
    const StartupSample x = start(ours);
    const StartupSample y = start(bare);
    const StartupSample z = start(empty);
    if (!x.seconds || !y.seconds || !z.seconds) {
      Print("start-up: a window did not show within 30 s FAIL");
      return false;
    }
    a.push_back(*x.seconds);
    b.push_back(*y.seconds);
    c.push_back(*z.seconds);
    boxes += x.boxes_answered;
    if (x.first_box) {
      to_box.push_back(*x.first_box);
    }
  }
  std::string samples = "start-up samples (ms), velqor / bare / empty window:";
  for (std::size_t i = 0; i < a.size(); ++i) {
    samples += Format(" %.1f/%.1f/%.1f", a[i] * 1e3, b[i] * 1e3, c[i] * 1e3);
  }
  Print(samples);
  Print(
      Format("start-up: message boxes answered on the way: %.0f per start, the first shown "
             "after %.1f ms (median)",
             static_cast<double>(boxes) / kStarts, Median(to_box) * 1e3));
  pass = Report({"start-up to Form1 shown, median of 15, vs the same window by bare calls",
                 Median(a), Median(b), kStartupLimit}) &&
         pass;
  ForReference("start-up, vs a program that shows one empty window", Median(a), Median(c));
  // The fastest starts are those that other work on the machine disturbed least.
  const auto fastest = [](const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
  };
  ForReference("start-up, fastest of 15, vs the same window by bare calls", fastest(a), fastest(b));
  return pass;
}

// Apply (every tweak box checked) and Boost through the real main window.
bool MeasureCommands(Win32Platform& platform) {
  app::Form1 form(platform.platform);
  const Stopwatch load;
  form.Load();
  const double load_seconds = load.Seconds();
  Pump();
  auto& window = static_cast<platform::win32::Win32Window&>(form.window());
  const app::Form1::Controls& ids = form.controls();
  for (const platform::ControlId box : ids.Check) {
    SendMessageW(window.ControlWindow(box), BM_CLICK, 0, 0);
  }
  Pump();
  const HWND apply = window.ControlWindow(ids.XPButton1);
  const HWND boost = window.ControlWindow(ids.XPButton2);
  // The command as the button reports a click to its window: the dispatcher and the handler,
  // without the button's own drawing of the press.
  const auto command = [](HWND button) {
    SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  };

  bool pass = true;
  const std::vector<Write> apply_writes = ApplyWrites();
  const auto click_apply = [&] { command(apply); };
  const auto bare_apply = [&] { (void)WriteEach(apply_writes); };
  pass = SameWrites("apply", apply_writes, click_apply) && pass;
  click_apply();
  bare_apply();
  const MedianPair applied = Interleaved(41, click_apply, bare_apply);
  pass = Report({"apply, 8 boxes (9 writes), vs open/RegSetValueExA/close per write", applied.ours,
                 applied.baseline, kApplyLimit}) &&
         pass;
  {
    const OpenedKeys keys(apply_writes);
    const double set_only = MedianOf(41, [&] { (void)keys.SetAll(); });
    Print(
        Format("apply, for reference: RegSetValueExA alone on keys opened beforehand %.3f ms "
               "(ratio %.2f)",
               set_only * 1e3, set_only > 0 ? applied.ours / set_only : 0));
  }

  const std::vector<Write> boost_writes = BoostWrites();
  const HWND restore = window.ControlWindow(ids.XPButton4);
  const HWND form_window = reinterpret_cast<HWND>(window.Handle());
  BareBoost bare(
      BoostWindows{form_window, boost, restore}, platform::win32::Widen(booster::kBoostedCaption),
      platform::win32::Widen(platform.ui.ProgramFolder() + std::string(booster::kBoostedIcon)),
      boost_writes);
  // Each Boost starts from the start state: Boost enabled and focused, Restore disabled, another
  // icon, all drawn.
  const auto start_icon = reinterpret_cast<LPARAM>(LoadIconW(nullptr, IDI_APPLICATION));
  const auto start_state = [&] {
    // Through the window's model, which decides whether a click runs its command, and then
    // the native windows, which the bare run changed behind the model's back.
    window.SetEnabled(ids.XPButton2, true);
    window.SetEnabled(ids.XPButton4, false);
    window.SetCaption("Velqor");
    EnableWindow(boost, TRUE);
    SetFocus(boost);
    EnableWindow(restore, FALSE);
    SetWindowTextW(form_window, L"Velqor");
    SendMessageW(form_window, WM_SETICON, ICON_BIG, start_icon);
    SendMessageW(form_window, WM_SETICON, ICON_SMALL, start_icon);
    DrawNow(form_window);
    Pump();
  };
  const auto click_boost = [&] { command(boost); };
  const auto seen = [&] {
    // The caption as the screen shows it: the bare run sets only the native one.
    wchar_t caption[256] = {};
    GetWindowTextW(form_window, caption, 256);
    return std::vector<std::wstring>{
        caption,
        IsWindowEnabled(boost) != FALSE ? L"boost enabled" : L"boost disabled",
        IsWindowEnabled(restore) != FALSE ? L"restore enabled" : L"restore disabled",
        GetFocus() == restore ? L"focus on restore" : L"focus elsewhere",
        SendMessageW(form_window, WM_GETICON, ICON_BIG, 0) != start_icon ? L"icon set"
                                                                         : L"icon unchanged",
        SendMessageW(form_window, WM_GETICON, ICON_SMALL, 0) != start_icon
            ? L"small icon set"
            : L"small icon unchanged"};
  };
  start_state();
  pass = SameWrites("Boost", boost_writes, click_boost) && pass;
  {
    start_state();
    click_boost();
    const std::vector<std::wstring> by_program = seen();
    start_state();
    bare.Run();
    pass = SameLines("Boost, the window", by_program, seen()) && pass;
  }
  std::vector<double> ours;
  std::vector<double> ours_drawn;
  std::vector<double> by_hand;
  std::vector<double> by_hand_drawn;
  std::vector<double> base;
  for (int i = 0; i < 41; ++i) {
    start_state();
    Stopwatch watch;
    click_boost();
    ours.push_back(watch.Seconds());
    DrawNow(form_window);
    ours_drawn.push_back(watch.Seconds());
    start_state();
    watch.Restart();
    bare.Run();
    by_hand.push_back(watch.Seconds());
    DrawNow(form_window);
    by_hand_drawn.push_back(watch.Seconds());
    watch.Restart();
    (void)WriteEach(boost_writes);
    base.push_back(watch.Seconds());
  }
  start_state();
  pass =
      Report(
          {"Boost, vs the same caption, icon, repaint, buttons, focus and 23 steps by bare calls",
           Median(ours), Median(by_hand), kBoostLimit}) &&
      pass;
  ForReference("Boost until drawn (the buttons' paint that follows included), vs bare calls",
               Median(ours_drawn), Median(by_hand_drawn));
  ForReference("Boost, vs its 23 registry steps alone by bare calls", Median(ours), Median(base));
  {
    const OpenedKeys keys(boost_writes);
    const double set_only = MedianOf(41, [&] { (void)keys.SetAll(); });
    Print(
        Format("Boost, for reference: RegSetValueExA alone on keys opened beforehand %.3f ms "
               "(ratio %.2f)",
               set_only * 1e3, set_only > 0 ? Median(ours) / set_only : 0));
  }
  {
    // The registry part of Boost alone, through the program's registry layer, step by step as
    // Boost runs it: what the program adds to the bare calls, without the window's changes.
    registry::RegistryAccess access(platform.registry);
    const auto steps = [&access] {
      for (const booster::BoostStep& step : booster::BoostSteps()) {
        booster::WriteStep(access, step);
      }
    };
    const MedianPair part = Interleaved(41, steps, [&] { (void)WriteEach(boost_writes); });
    Print(Format(
        "Boost, for reference: its 23 steps alone through the registry layer %.3f ms, "
        "bare %.3f ms (ratio %.2f)",
        part.ours * 1e3, part.baseline * 1e3, part.baseline > 0 ? part.ours / part.baseline : 0));
  }
  if (std::getenv("VELQOR_BENCH_BREAKDOWN") != nullptr) {
    Print(Format("main window Load in this process (a message box answered within 20 ms): %.1f ms",
                 load_seconds * 1e3));
    PrintFormBreakdown(form, platform.ui.ProgramFolder() + "/start.ico");
  }
  form.Form_QueryUnload();  // takes the boost back, as closing the window does
  return pass;
}

// The startup manager's fill of the machine-wide list against the same fill by bare calls.
bool MeasureFill(Win32Platform& platform) {
  startup::frmMain form(platform.platform);
  form.Show();
  Pump();
  auto& window = static_cast<platform::win32::Win32Window&>(*form.window());
  const startup::frmMain::Controls& ids = form.controls();
  const FillWindows lists{window.ControlWindow(ids.lstName), window.ControlWindow(ids.lstCmdLine),
                          window.ControlWindow(ids.txtName), window.ControlWindow(ids.txtCmdLine),
                          window.ControlWindow(ids.Command1)};
  const HWND top = reinterpret_cast<HWND>(window.Handle());
  bool pass = true;
  struct Size {
    int entries;
    int rounds;
  };
  for (const Size size : {Size{10, 41}, Size{1000, 15}, Size{10000, 5}}) {
    if (!SeedRunEntries(HKEY_LOCAL_MACHINE, size.entries)) {
      Print("startup manager fill: the Run entries could not be written FAIL");
      return false;
    }
    const std::string n = std::to_string(size.entries);
    form.LoadRun();
    const std::vector<std::wstring> by_program = FillResult(lists);
    for (const FillReading reading : {FillReading::kOneCall, FillReading::kAsTheProgramMust}) {
      (void)BareFill(lists, HKEY_LOCAL_MACHINE, reading);
      pass = SameLines(("fill, " + n + " entries").c_str(), by_program, FillResult(lists)) && pass;
    }
    int listed = 0;
    int added = 0;
    int enumerated = 0;
    std::vector<double> ours;
    std::vector<double> ours_drawn;
    std::vector<double> by_hand;
    std::vector<double> by_hand_drawn;
    std::vector<double> two_calls;
    std::vector<double> enumeration;
    for (int i = 0; i < size.rounds; ++i) {
      DrawNow(top);
      Stopwatch watch;
      form.LoadRun();
      ours.push_back(watch.Seconds());
      DrawNow(top);
      ours_drawn.push_back(watch.Seconds());
      listed = form.lEntryCount();
      watch.Restart();
      added = BareFill(lists, HKEY_LOCAL_MACHINE, FillReading::kOneCall);
      by_hand.push_back(watch.Seconds());
      DrawNow(top);
      by_hand_drawn.push_back(watch.Seconds());
      watch.Restart();
      (void)BareFill(lists, HKEY_LOCAL_MACHINE, FillReading::kAsTheProgramMust);
      two_calls.push_back(watch.Seconds());
      DrawNow(top);
      watch.Restart();
      enumerated = EnumerateRunKey(HKEY_LOCAL_MACHINE);
      enumeration.push_back(watch.Seconds());
    }
    Pump();
    if (std::getenv("VELQOR_BENCH_BREAKDOWN") != nullptr) {
      PrintListBreakdown(form, platform.registry, size.entries);
    }
    form.LoadRun();
    if (listed < size.entries || enumerated != listed || added != listed) {
      Print(
          Format("startup manager fill: %.0f entries listed, %.0f added by hand, %.0f "
                 "enumerated FAIL",
                 listed, added, enumerated));
      pass = false;
      continue;
    }
    Print(Format("startup manager fill, %.0f entries: %.2f us per entry", size.entries,
                 Median(ours) * 1e6 / listed));
    pass = Report({"startup manager fill, " + n + " entries, vs the same fill by bare calls",
                   Median(ours), Median(by_hand), kFillLimit}) &&
           pass;
    ForReference("fill, " + n + " entries, until drawn, vs the same by bare calls",
                 Median(ours_drawn), Median(by_hand_drawn));
    ForReference("fill, " + n +
                     " entries, vs the same by bare calls that read each row as the program must "
                     "(RegEnumValueA, then RegQueryValueExA by name)",
                 Median(ours), Median(two_calls));
    ForReference("fill, " + n + " entries, vs the RegEnumValueA loop alone", Median(ours),
                 Median(enumeration));
  }
  return pass;
}

void PrintSize(const std::wstring& exe) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (GetFileAttributesExW(exe.c_str(), GetFileExInfoStandard, &data) != FALSE) {
    Print(Format("velqor.exe: %.0f bytes", static_cast<double>(data.nFileSizeLow)));
  }
}

}  // namespace
}  // namespace velqor::bench

int main(int argc, char** argv) {
  using namespace velqor::bench;
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <velqor.exe> <minimal window exe> <bare form exe>\n", argv[0]);
    return 2;
  }
  const std::wstring velqor = WindowsPath(argv[1]);
  const std::wstring minimal = WindowsPath(argv[2]);
  const std::wstring bare_form = WindowsPath(argv[3]);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Entries left by a run that was stopped half-way would be counted as the program's.
  RemoveRunEntries(HKEY_LOCAL_MACHINE);

  PrintSize(velqor);
  // VELQOR_BENCH_ONLY=startup|commands|fill|journal runs one part (for looking into one figure).
  const char* only_env = std::getenv("VELQOR_BENCH_ONLY");
  const std::string only = only_env == nullptr ? "" : only_env;
  const auto wanted = [&only](const char* part) { return only.empty() || only == part; };
  bool pass = !wanted("startup") || MeasureStartup(velqor, minimal, bare_form);
  {
    velqor::Win32Platform platform;
    const BoxAnswerer answerer;
    pass = (!wanted("commands") || MeasureCommands(platform)) && pass;
    pass = (!wanted("fill") || MeasureFill(platform)) && pass;
    pass = (!wanted("journal") || MeasureJournal(platform.platform)) && pass;
  }
  RemoveRunEntries(HKEY_LOCAL_MACHINE);
  if (SUCCEEDED(com)) {
    CoUninitialize();
  }
  Print(pass ? "all ratios within their limits" : "a ratio is over its limit");
  return pass ? 0 : 1;
}
