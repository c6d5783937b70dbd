// Answers the message boxes the program shows while a test drives it, and keeps what they said.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace velqor::test {

// A message box answered: its title and its message.
struct AnsweredBox {
  std::wstring title;
  std::wstring text;
};

// Presses, in every message box that `process` (0: this one) shows now, `button` when the box
// has it, otherwise OK, otherwise No; returns the boxes answered.
std::vector<AnsweredBox> AnswerMessageBoxes(DWORD process, int button = IDOK);

// While alive, answers from a second thread every message box this process shows, as
// AnswerMessageBoxes does, each once (it waits for the box to go), and keeps the boxes answered.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int button = IDOK);
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  // The boxes answered so far, in order.
  std::vector<AnsweredBox> Boxes();
  // "<title>: <message>" of each box answered so far.
  std::vector<std::string> Lines();
  void Clear();

 private:
  static DWORD WINAPI Main(void* param);

  int button_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stop_{false};
  CRITICAL_SECTION lock_;
  std::vector<AnsweredBox> boxes_;
};

}  // namespace velqor::test
