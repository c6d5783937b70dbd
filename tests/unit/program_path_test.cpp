// Finding the program a startup command starts, as Windows finds it.
#include <gtest/gtest.h>

#include "platform/sim/system_info.h"
#include "startup/locations.h"
#include "startup/program_path.h"

namespace velqor::startup {
namespace {

TEST(ProgramPathTest, FindsTheProgramOfRealWorldCommandLines) {
  platform::sim::SimSystemInfo system;
  for (const char16_t* file :
       {u"C:\\Program Files\\My App\\app.exe", u"C:\\Program Files\\My App\\run me.cmd",
        u"C:\\Windows\\system32\\rundll32.exe", u"C:\\Windows\\system32\\shell32.dll",
        u"C:\\Windows\\notepad.exe", u"D:\\Tools\\\u00e9diteur.exe"}) {
    system.AddFile(file);
  }
  struct Row {
    const char16_t* command;
    const char16_t* program;
    bool exists;
  };
  const Row rows[] = {
      {u"\"C:\\Program Files\\My App\\app.exe\" /min", u"C:\\Program Files\\My App\\app.exe", true},
      {u"  \"C:\\Program Files\\My App\\app.exe", u"C:\\Program Files\\My App\\app.exe", true},
      {u"\"C:\\Program Files\\My App\\app\" -x", u"C:\\Program Files\\My App\\app.exe", true},
      {u"C:\\Program Files\\My App\\app.exe /min", u"C:\\Program Files\\My App\\app.exe", true},
      {u"C:\\Program Files\\My App\\app /min", u"C:\\Program Files\\My App\\app.exe", true},
      {u"C:\\Program Files\\My App\\run me.cmd now", u"C:\\Program Files\\My App\\run me.cmd",
       true},
      {u"%ProgramFiles%\\My App\\app.exe -x", u"C:\\Program Files\\My App\\app.exe", true},
      {u"%SYSTEMROOT%\\notepad.exe %SystemRoot%\\win.ini", u"C:\\Windows\\notepad.exe", true},
      // Arguments that look like paths, even existing ones, are not the program.
      {u"C:\\Program Files\\My App\\app.exe C:\\Windows\\notepad.exe",
       u"C:\\Program Files\\My App\\app.exe", true},
      {u"D:\\Tools\\\u00e9diteur.exe \"C:\\x y\\z.txt\"", u"D:\\Tools\\\u00e9diteur.exe", true},
      // A name without a folder is looked for as Windows does.
      {u"notepad", u"C:\\Windows\\notepad.exe", true},
      {u"rundll32.exe shell32.dll,Control_RunDLL desk.cpl", u"C:\\Windows\\System32\\shell32.dll",
       true},
      {u"%SystemRoot%\\system32\\RUNDLL32.EXE shell32,Entry", u"C:\\Windows\\System32\\shell32.dll",
       true},
      {u"rundll32 \"C:\\Program Files\\My App\\helper.dll\",Start",
       u"C:\\Program Files\\My App\\helper.dll", false},
      {u"rundll32.exe", u"C:\\Windows\\System32\\rundll32.exe", false},
      // Missing programs.
      {u"C:\\Gone\\gone.exe /x", u"C:\\Gone\\gone.exe", false},
      {u"\"C:\\Program Files\\Gone\\gone.exe\" /x", u"C:\\Program Files\\Gone\\gone.exe", false},
      {u"%UNSET_VARIABLE%\\app.exe", u"%UNSET_VARIABLE%\\app.exe", false},
      {u"", u"", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.command));
    const CommandProgram found = FindProgram(row.command, system);
    EXPECT_EQ(Utf8(found.path), Utf8(row.program));
    EXPECT_EQ(found.exists, row.exists);
  }

  // Unquoted, the shortest run of words wins, as it does for Windows.
  system.AddFile(u"C:\\Program.exe");
  EXPECT_EQ(FindProgram(u"C:\\Program Files\\My App\\app.exe", system),
            (CommandProgram{u"C:\\Program.exe", true}));
  EXPECT_EQ(FindProgram(u"\"C:\\Program Files\\My App\\app.exe\"", system),
            (CommandProgram{u"C:\\Program Files\\My App\\app.exe", true}));
}

}  // namespace
}  // namespace velqor::startup
