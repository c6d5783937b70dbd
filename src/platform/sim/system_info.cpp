#include "platform/sim/system_info.h"

#include "platform/sim/wide_registry.h"

namespace velqor::platform::sim {

SimSystemInfo::SimSystemInfo() {
  SetVariable(u"SystemRoot", u"C:\\Windows");
  SetVariable(u"windir", u"C:\\Windows");
  SetVariable(u"ProgramFiles", u"C:\\Program Files");
  SetVariable(u"PATH", u"C:\\Windows\\system32;C:\\Windows");
}

bool SimSystemInfo::FileExists(std::u16string_view path) const {
  return files_.count(Fold(path)) != 0;
}

void SimSystemInfo::AddFile(std::u16string_view path) {
  files_.insert(Fold(path));
}

void SimSystemInfo::SetVariable(std::u16string_view name, std::u16string_view value) {
  variables_[Fold(name)] = value;
}

// As ExpandEnvironmentStringsW: a name between two '%' that is set is replaced; anything else,
// the '%' signs included, is copied as it is.
std::u16string SimSystemInfo::ExpandEnvironment(std::u16string_view text) const {
  std::u16string out;
  while (!text.empty()) {
    const auto open = text.find(u'%');
    if (open == std::u16string_view::npos) {
      out += text;
      break;
    }
    out += text.substr(0, open);
    text.remove_prefix(open);
    const auto close = text.find(u'%', 1);
    if (close == std::u16string_view::npos) {
      out += text;
      break;
    }
    const auto it = variables_.find(Fold(text.substr(1, close - 1)));
    out += it != variables_.end() && close > 1 ? std::u16string_view(it->second)
                                               : text.substr(0, close + 1);
    text.remove_prefix(close + 1);
  }
  return out;
}

}  // namespace velqor::platform::sim
