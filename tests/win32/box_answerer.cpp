#include "win32/box_answerer.h"

#include "platform/win32/text.h"

namespace velqor::test {
namespace {

// WM_GETTEXT, which also reads the controls of another process; a box that does not answer
// within a second reads as empty.
std::wstring TextOf(HWND hwnd) {
  wchar_t text[1024] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      1000, &length);
  return text;
}

struct BoxSearch {
  DWORD process;
  std::vector<HWND> boxes;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<BoxSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (owner == search.process && std::wstring(name) == L"#32770" && IsWindowVisible(hwnd)) {
    search.boxes.push_back(hwnd);
  }
  return TRUE;
}

// The message: the longest text of the box's statics (the icon's static has none).
BOOL CALLBACK LongestStatic(HWND hwnd, LPARAM param) {
  auto& longest = *reinterpret_cast<std::wstring*>(param);
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (_wcsicmp(name, L"Static") == 0) {
    const std::wstring text = TextOf(hwnd);
    if (text.size() > longest.size()) {
      longest = text;
    }
  }
  return TRUE;
}

AnsweredBox Answer(HWND box, int button) {
  AnsweredBox answered{TextOf(box), {}};
  EnumChildWindows(box, &LongestStatic, reinterpret_cast<LPARAM>(&answered.text));
  int pressed = IDNO;
  for (const int candidate : {button, IDOK}) {
    if (GetDlgItem(box, candidate) != nullptr) {
      pressed = candidate;
      break;
    }
  }
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(pressed, BN_CLICKED), 0);
  return answered;
}

std::vector<HWND> BoxesOf(DWORD process) {
  BoxSearch search{process == 0 ? GetCurrentProcessId() : process, {}};
  EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
  return search.boxes;
}

}  // namespace

std::vector<AnsweredBox> AnswerMessageBoxes(DWORD process, int button) {
  std::vector<AnsweredBox> answered;
  for (HWND box : BoxesOf(process)) {
    answered.push_back(Answer(box, button));
  }
  return answered;
}

BoxAnswerer::BoxAnswerer(int button) : button_(button) {
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(nullptr, 0, &BoxAnswerer::Main, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() {
  stop_ = true;
  WaitForSingleObject(thread_, 10000);
  CloseHandle(thread_);
  DeleteCriticalSection(&lock_);
}

std::vector<AnsweredBox> BoxAnswerer::Boxes() {
  EnterCriticalSection(&lock_);
  std::vector<AnsweredBox> copy = boxes_;
  LeaveCriticalSection(&lock_);
  return copy;
}

std::vector<std::string> BoxAnswerer::Lines() {
  std::vector<std::string> lines;
  for (const AnsweredBox& box : Boxes()) {
    lines.push_back(platform::win32::Narrow(box.title) + ": " + platform::win32::Narrow(box.text));
  }
  return lines;
}

void BoxAnswerer::Clear() {
  EnterCriticalSection(&lock_);
  boxes_.clear();
  LeaveCriticalSection(&lock_);
}

DWORD WINAPI BoxAnswerer::Main(void* param) {
  auto* self = static_cast<BoxAnswerer*>(param);
  while (!self->stop_) {
    for (HWND box : BoxesOf(0)) {
      const AnsweredBox answered = Answer(box, self->button_);
      EnterCriticalSection(&self->lock_);
      self->boxes_.push_back(answered);
      LeaveCriticalSection(&self->lock_);
      // Wait until it has gone, so that it is never answered twice.
      for (int i = 0; i < 500 && IsWindow(box); ++i) {
        Sleep(10);
      }
    }
    Sleep(20);
  }
  return 0;
}

}  // namespace velqor::test
