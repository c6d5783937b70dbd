// The user interface over real Win32 windows: forms, message boxes, the message loop.
#pragma once

#include <windows.h>
#undef MessageBox  // the interface has a MessageBox of its own

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui.h"

namespace velqor::platform::win32 {

// The Win32 user interface of one user-interface thread. Creating it registers the common
// controls (visual styles where the manifest asks for them); every form it creates runs its
// handlers through this object's message boxes.
class Win32Ui final : public Ui {
 public:
  Win32Ui();

  // A new form, created hidden; raises a Failure when the system refuses to create it.
  std::unique_ptr<Window> CreateForm(const WindowSpec& def) override;
  // MessageBoxW owned by the active window of this thread; returns the button pressed (0 when the
  // box could not be shown).
  int MessageBox(std::string_view prompt, std::string_view title, unsigned style) override;
  // The folder of this program's executable file, without a trailing back-slash.
  std::string ProgramFolder() const override;
  // Handles every message waiting in the queue, then returns. A quit request stays in the queue
  // for the loop of Run.
  void DoEvents() override;
  // Asks the message loop to end (PostQuitMessage).
  void Quit() override;
  // GetSaveFileNameW, asking before it replaces a file.
  std::optional<std::string> SaveAs(const SaveAsRequest& request) override;

  // The message loop of the program: handles messages with the forms' keyboard navigation until
  // Quit is called or `keep_going` (looked at after every message) says no more; returns the
  // quit code, or 0.
  int Run(const std::function<bool()>& keep_going = {});

 private:
  // Handles one message: the keyboard navigation of its form first, then the window's procedure.
  static void Dispatch(MSG& msg);
};

}  // namespace velqor::platform::win32
