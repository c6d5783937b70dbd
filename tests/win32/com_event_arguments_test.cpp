// Browser, document and shell events with arguments of every shape a caller can send: random
// counts, VARTYPEs, null pointers and nesting, to the real sinks of a running tracker. None may
// end the program, and cancel is written exactly when the rule says.
#include <exdispid.h>
#include <gtest/gtest.h>
#include <mshtmdid.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/browser.h"
#include "platform/win32/com_sink.h"
#include "popup/ie_windows.h"
#include "win32/com_doubles.h"

#undef MessageBox  // the Ui member, not the user32 macro

namespace velqor {
namespace {

using testing_doubles::BrowserDouble;
using testing_doubles::ComPtr;
using testing_doubles::ConnectionPointDouble;
using testing_doubles::DocumentDouble;
using testing_doubles::Make;
using testing_doubles::ShellWindowsDouble;

// What is being sent now, for the message of a fault that ends the process.
unsigned g_seed = 0;
DISPID g_dispid = 0;
int g_case = 0;
int g_faults = 0;

LONG CALLBACK NoteFault(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception->ExceptionRecord->ExceptionCode;
  if (code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_STACK_OVERFLOW ||
      code == EXCEPTION_ILLEGAL_INSTRUCTION || code == EXCEPTION_INT_DIVIDE_BY_ZERO) {
    ++g_faults;
    std::fprintf(stderr, "fault 0x%08lx sending DISPID %ld, case %d of seed %u\n", code,
                 static_cast<long>(g_dispid), g_case, g_seed);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

class NoUi final : public platform::Ui {
 public:
  std::unique_ptr<platform::Window> CreateForm(const platform::WindowSpec&) override {
    return nullptr;
  }
  int MessageBox(std::string_view, std::string_view, unsigned) override {
    ++messages;
    return platform::kIdOk;
  }
  std::string ProgramFolder() const override { return {}; }
  void DoEvents() override {}
  void Quit() override {}
  std::optional<std::string> SaveAs(const platform::SaveAsRequest&) override { return {}; }
  int messages = 0;
};

// Control is never down; beeps are counted, not sounded.
class QuietInput final : public platform::Input {
 public:
  std::int16_t GetAsyncKeyState(int) override { return 0; }
  platform::Point GetCursorPos() override { return {}; }
  platform::Point ScreenToClient(std::int32_t, platform::Point screen) override { return screen; }
  void Beep(unsigned, unsigned) override { ++beeps; }
  int beeps = 0;
};

class OneListShell final : public platform::BrowserShell {
 public:
  explicit OneListShell(ComPtr<ShellWindowsDouble> list) : list_(std::move(list)) {}
  std::unique_ptr<platform::ShellWindowList> CreateShellWindows() override {
    return platform::win32::WrapShellWindows(list_.Get());
  }

 private:
  ComPtr<ShellWindowsDouble> list_;
};

// One argument and, when it is an integer or Boolean the sink can write back, where it lives.
struct Made {
  VARIANT value;
  void* flag = nullptr;
  std::size_t flag_size = 0;
};

// Makes random arguments; owns what they point to until Clear.
class ArgumentMaker {
 public:
  ArgumentMaker(std::mt19937& random, IDispatch* object) : random_(random), object_(object) {}
  ~ArgumentMaker() { Clear(); }
  ArgumentMaker(const ArgumentMaker&) = delete;
  ArgumentMaker& operator=(const ArgumentMaker&) = delete;

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  void Clear() {
    for (BSTR text : texts_) {
      SysFreeString(text);
    }
    for (SAFEARRAY* array : arrays_) {
      SafeArrayDestroy(array);
    }
    texts_.clear();
    arrays_.clear();
    cells_.clear();
    nested_.clear();
  }

  Made Next() {
    static constexpr std::array<VARTYPE, 25> kTypes = {
        VT_EMPTY, VT_NULL, VT_ERROR,   VT_I1,       VT_UI1,
        VT_I2,    VT_UI2,  VT_I4,      VT_UI4,      VT_INT,
        VT_UINT,  VT_I8,   VT_UI8,     VT_BOOL,     VT_BOOL,
        VT_R4,    VT_R8,   VT_BSTR,    VT_DISPATCH, VT_UNKNOWN,
        VT_CY,    VT_DATE, VT_VARIANT, 0x7F,        VT_ARRAY | VT_UI1};
    const VARTYPE type = kTypes[static_cast<std::size_t>(Pick(kTypes.size()))];
    const bool by_ref = type != VT_EMPTY && type != VT_NULL && Pick(2) == 0;
    Made made;
    VariantInit(&made.value);
    V_VT(&made.value) = static_cast<VARTYPE>(type | (by_ref ? VT_BYREF : 0));
    void* where = nullptr;
    if (by_ref) {
      if (Pick(4) != 0) {
        where = cells_.emplace_back().data();
      }
      V_BYREF(&made.value) = where;
    } else {
      where = &V_I8(&made.value);
    }
    if (where != nullptr) {
      Fill(type, where);
    }
    const std::size_t size = FlagSize(type);
    // Nested by-reference VARIANTs, sometimes deeper than the sink follows, sometimes broken.
    const int levels = Pick(4) == 0 ? Pick(platform::win32::kMaxVariantNesting + 3) : 0;
    bool reachable = size != 0 && (by_ref ? where != nullptr : levels > 0);
    for (int level = 0; level < levels; ++level) {
      VARIANT& inner = nested_.emplace_back(made.value);
      if (level == 0 && !by_ref) {
        made.flag = &V_I8(&inner);  // the caller's own VARIANT, reached by reference
      }
      VariantInit(&made.value);
      V_VT(&made.value) = VT_BYREF | VT_VARIANT;
      const bool broken = Pick(12) == 0;
      V_VARIANTREF(&made.value) = broken ? nullptr : &inner;
      reachable = reachable && !broken;
    }
    if (by_ref) {
      made.flag = where;
    }
    if (!reachable || levels > platform::win32::kMaxVariantNesting) {
      made.flag = nullptr;
    }
    made.flag_size = made.flag != nullptr ? size : 0;
    return made;
  }

  static std::size_t FlagSize(VARTYPE type) {
    switch (type) {
      case VT_I1:
      case VT_UI1:
        return 1;
      case VT_I2:
      case VT_UI2:
      case VT_BOOL:
        return 2;
      case VT_I4:
      case VT_UI4:
      case VT_INT:
      case VT_UINT:
        return 4;
      case VT_I8:
      case VT_UI8:
        return 8;
      default:
        return 0;
    }
  }

 private:
  void Fill(VARTYPE type, void* where) {
    switch (type) {
      case VT_BSTR: {
        BSTR text = Pick(4) == 0 ? nullptr : SysAllocString(L"http://random.example/");
        if (text != nullptr) {
          texts_.push_back(text);
        }
        std::memcpy(where, &text, sizeof(text));
        return;
      }
      case VT_DISPATCH:
      case VT_UNKNOWN: {
        IDispatch* object = Pick(3) == 0 ? nullptr : object_;
        std::memcpy(where, &object, sizeof(object));
        return;
      }
      case VT_ARRAY | VT_UI1: {
        SAFEARRAY* array = nullptr;
        if (Pick(3) == 0) {
          SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 0}};
          array = SafeArrayCreate(VT_UI1, 2, bounds);
        } else if (Pick(4) != 0) {
          array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(Pick(16)));
        }
        if (array != nullptr) {
          arrays_.push_back(array);
        }
        std::memcpy(where, &array, sizeof(array));
        return;
      }
      default: {
        // Zero half of the time, so that flags come both clear and set.
        const std::uint64_t bits =
            Pick(2) == 0 ? 0 : std::uniform_int_distribution<std::uint64_t>()(random_);
        std::memcpy(where, &bits, sizeof(bits));
        return;
      }
    }
  }

  std::mt19937& random_;
  IDispatch* object_;
  std::vector<BSTR> texts_;
  std::vector<SAFEARRAY*> arrays_;
  std::deque<std::array<std::uint64_t, 2>> cells_;  // by-reference targets; addresses stay
  std::deque<VARIANT> nested_;
};

TEST(ComEventArguments, RandomArgumentsNeverEndTheProgramAndCancelFollowsTheRule) {
  g_seed = 20261208;
  if (const char* seed = std::getenv("VELQOR_EVENT_SEED")) {
    g_seed = static_cast<unsigned>(std::strtoul(seed, nullptr, 10));
  }
  constexpr int kCasesPerDispid = 10000;
  std::mt19937 random(g_seed);

  const auto list = Make<ShellWindowsDouble>(true);
  const auto document = Make<DocumentDouble>();
  const auto browser = Make<BrowserDouble>(918, false, document);
  list->windows.push_back(browser);
  OneListShell shell(list);
  QuietInput input;
  NoUi ui;
  const auto context = std::make_shared<popup::PopupContext>(shell, input, ui);
  std::shared_ptr<popup::cIEWindows> tracker;
  popup::cIEWindows::Create(context, tracker);
  ASSERT_EQ(browser->point().live(), 1u);
  ASSERT_EQ(document->point().live(), 1u);

  ArgumentMaker maker(random, static_cast<IWebBrowser2*>(browser.Get()));
  const struct {
    ConnectionPointDouble& point;
    DISPID dispid;
  } kEvents[] = {
      {list->point(), DISPID_WINDOWREGISTERED},
      {list->point(), DISPID_WINDOWREVOKED},
      {browser->point(), DISPID_BEFORENAVIGATE2},
      {browser->point(), DISPID_NAVIGATECOMPLETE2},
      {browser->point(), DISPID_DOCUMENTCOMPLETE},
      {browser->point(), DISPID_DOWNLOADBEGIN},
      {browser->point(), DISPID_DOWNLOADCOMPLETE},
      {browser->point(), DISPID_COMMANDSTATECHANGE},
      {browser->point(), DISPID_NEWWINDOW2},
      {document->point(), DISPID_HTMLDOCUMENTEVENTS_ONCONTEXTMENU},
      {document->point(), DISPID_HTMLDOCUMENTEVENTS_ONMOUSEDOWN},
      {document->point(), DISPID_HTMLDOCUMENTEVENTS_ONMOUSEUP},
  };
  void* const handler = AddVectoredExceptionHandler(1, NoteFault);
  for (const auto& event : kEvents) {
    g_dispid = event.dispid;
    for (g_case = 0; g_case < kCasesPerDispid; ++g_case) {
      maker.Clear();
      const int count = maker.Pick(10);
      std::vector<Made> made;
      std::vector<VARIANT> arguments;
      for (int i = 0; i < count; ++i) {
        made.push_back(maker.Next());
        arguments.push_back(made.back().value);
      }
      DISPPARAMS params{};
      params.cArgs = static_cast<UINT>(count);
      params.rgvarg = count == 0 || maker.Pick(20) == 0 ? nullptr : arguments.data();
      std::array<DISPID, 12> named{};
      if (maker.Pick(10) == 0) {
        params.cNamedArgs = static_cast<UINT>(maker.Pick(count + 2));
        for (DISPID& id : named) {
          id = maker.Pick(9) - 1;
        }
        params.rgdispidNamedArgs = maker.Pick(2) == 0 ? nullptr : named.data();
      }
      // Cancel, when sent in its place: rgvarg holds the positional arguments last-first.
      const UINT cancel_position = event.dispid == DISPID_BEFORENAVIGATE2 ? 6 : 1;
      const Made* cancel = nullptr;
      if (params.rgvarg != nullptr && params.cNamedArgs <= params.cArgs &&
          cancel_position < params.cArgs - params.cNamedArgs) {
        cancel = &made[params.cArgs - 1 - cancel_position];
      }
      const bool writable = cancel != nullptr && cancel->flag != nullptr;
      std::array<unsigned char, 8> before{};
      if (writable) {
        std::memcpy(before.data(), cancel->flag, cancel->flag_size);
      }
      const bool pending = maker.Pick(2) == 0;
      const bool killer_on = maker.Pick(2) == 0;
      context->state.bCancelPending = pending;
      context->state.bKillerActive = killer_on;
      const int beeps = input.beeps;
      VARIANT result;
      VariantInit(&result);

      event.point.FireRaw(event.dispid, params, maker.Pick(2) == 0 ? nullptr : &result);
      VariantClear(&result);

      if (event.dispid == DISPID_BEFORENAVIGATE2 || event.dispid == DISPID_NEWWINDOW2) {
        const bool navigation = event.dispid == DISPID_BEFORENAVIGATE2;
        const bool rule = writable && (navigation ? pending : killer_on);
        if (writable) {
          const bool was_clear = std::all_of(before.begin(), before.begin() + cancel->flag_size,
                                             [](unsigned char b) { return b == 0; });
          std::array<unsigned char, 8> expected = before;
          if (rule && was_clear) {
            std::fill(expected.begin(), expected.begin() + cancel->flag_size, 0xFF);
          }
          EXPECT_EQ(std::memcmp(cancel->flag, expected.data(), cancel->flag_size), 0)
              << (rule ? "cancel not written as true" : "cancel written without the rule");
        }
        if (navigation) {
          EXPECT_EQ(context->state.bCancelPending, pending && !writable)
              << "the pending cancel is used up exactly when a cancel was written";
        } else {
          EXPECT_EQ(input.beeps - beeps, rule ? 1 : 0) << "one beep per cancelled window";
        }
      }
      if (HasFailure()) {
        ADD_FAILURE() << "sending DISPID " << g_dispid << ", case " << g_case << " of seed "
                      << g_seed << " (VELQOR_EVENT_SEED=" << g_seed << " repeats it)";
        RemoveVectoredExceptionHandler(handler);
        return;
      }
    }
  }
  RemoveVectoredExceptionHandler(handler);
  EXPECT_EQ(g_faults, 0);
  EXPECT_EQ(browser->point().live(), 1u) << "the sinks are still attached and working";
  EXPECT_EQ(ui.messages, 0);
  tracker.reset();
  EXPECT_EQ(list->point().live(), 0u);
}

}  // namespace
}  // namespace velqor
