#include "startup/program_path.h"

#include <vector>

namespace velqor::startup {
namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::u16string_view FileName(std::u16string_view path) {
  const auto slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

bool HasExtension(std::u16string_view path) {
  return FileName(path).find(u'.') != std::u16string_view::npos;
}

bool HasFolder(std::u16string_view path) {
  return path.find_first_of(u"\\/:") != std::u16string_view::npos;
}

// The folders a name without one is looked for in.
std::vector<std::u16string> SearchFolders(const platform::SystemInfo& system) {
  std::vector<std::u16string> folders = {system.ExpandEnvironment(u"%SystemRoot%\\System32"),
                                         system.ExpandEnvironment(u"%SystemRoot%")};
  const std::u16string path = system.ExpandEnvironment(u"%PATH%");
  if (path != u"%PATH%") {
    std::u16string_view rest = path;
    while (!rest.empty()) {
      const auto semicolon = rest.find(u';');
      const std::u16string_view folder = Trim(rest.substr(0, semicolon));
      if (!folder.empty()) folders.emplace_back(folder);
      if (semicolon == std::u16string_view::npos) break;
      rest.remove_prefix(semicolon + 1);
    }
  }
  return folders;
}

// The existing file `name` stands for, trying `extension` where it has none; empty if none.
std::u16string Locate(std::u16string_view name, std::u16string_view extension,
                      const platform::SystemInfo& system,
                      const std::vector<std::u16string>& folders) {
  if (name.empty()) return {};
  std::vector<std::u16string> candidates = {std::u16string(name)};
  if (!HasExtension(name)) candidates.push_back(std::u16string(name) + std::u16string(extension));
  if (HasFolder(name)) {
    for (const auto& candidate : candidates) {
      if (system.FileExists(candidate)) return candidate;
    }
    return {};
  }
  for (const auto& folder : folders) {
    for (const auto& candidate : candidates) {
      std::u16string full = folder;
      if (!full.empty() && full.back() != u'\\') full += u'\\';
      full += candidate;
      if (system.FileExists(full)) return full;
    }
  }
  return {};
}

// Splits off the program: the quoted path, or the shortest run of words that exists.
CommandProgram SplitProgram(std::u16string_view line, std::u16string_view& rest,
                            const platform::SystemInfo& system,
                            const std::vector<std::u16string>& folders) {
  line = Trim(line);
  if (!line.empty() && line.front() == u'"') {
    const auto close = line.find(u'"', 1);
    const std::u16string_view quoted = line.substr(1, close == line.npos ? line.npos : close - 1);
    rest = close == line.npos ? std::u16string_view{} : line.substr(close + 1);
    const std::u16string found = Locate(quoted, u".exe", system, folders);
    return found.empty() ? CommandProgram{std::u16string(quoted), false}
                         : CommandProgram{found, true};
  }
  for (std::size_t end = 0; end != std::u16string_view::npos;) {
    end = line.find(u' ', end == 0 ? 0 : end + 1);
    const std::u16string_view words = line.substr(0, end);
    if (words.empty() || IsSpace(words.back())) continue;
    const std::u16string found = Locate(words, u".exe", system, folders);
    if (!found.empty()) {
      rest = end == line.npos ? std::u16string_view{} : line.substr(end);
      return {found, true};
    }
  }
  // Nothing exists: Windows would have tried the first word first.
  const std::u16string_view first = line.substr(0, line.find_first_of(u" \t"));
  rest = line.substr(first.size());
  return {std::u16string(first), false};
}

}  // namespace

std::u16string Lower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

CommandProgram FindProgram(std::u16string_view command, const platform::SystemInfo& system) {
  const std::u16string expanded = system.ExpandEnvironment(command);
  const std::vector<std::u16string> folders = SearchFolders(system);
  std::u16string_view rest;
  CommandProgram program = SplitProgram(expanded, rest, system, folders);
  const std::u16string name = Lower(FileName(program.path));
  if (!program.exists || (name != u"rundll32.exe" && name != u"rundll32")) {
    return program;
  }
  // rundll32 <dll>,<entry> [arguments]: the DLL is what the entry needs; LoadLibrary adds ".dll".
  rest = Trim(rest);
  std::u16string_view dll = rest.substr(0, rest.find(u','));
  if (!dll.empty() && dll.front() == u'"') {
    dll.remove_prefix(1);
    dll = dll.substr(0, dll.find(u'"'));
  }
  dll = Trim(dll);
  if (dll.empty()) return {program.path, false};
  const std::u16string found = Locate(dll, u".dll", system, folders);
  return found.empty() ? CommandProgram{std::u16string(dll), false} : CommandProgram{found, true};
}

}  // namespace velqor::startup
