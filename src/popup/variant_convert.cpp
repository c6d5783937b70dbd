#include "popup/variant_convert.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "platform/ascii.h"

namespace velqor::popup {

namespace {

[[noreturn]] void TypeMismatch() {
  throw platform::MakeFailure(platform::ErrorDomain::kAutomation, kTypeMismatch, "");
}

std::string Trimmed(const std::string& s) {
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(s[begin])) != 0) {
    ++begin;
  }
  while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1])) != 0) {
    --end;
  }
  return s.substr(begin, end - begin);
}

// A text as a number, or nothing when it is not one in full.
std::optional<double> ParseNumber(const std::string& text) {
  const std::string t = Trimmed(text);
  if (t.empty()) {
    return std::nullopt;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size()) {
    return std::nullopt;
  }
  return value;
}

// Any variant but an object as a double; texts must be numbers or Boolean words.
double ToDouble(const Variant& v) {
  if (std::holds_alternative<std::monostate>(v)) {
    return 0;
  }
  if (const auto* b = std::get_if<bool>(&v)) {
    return *b ? -1 : 0;
  }
  if (const auto* i = std::get_if<std::int32_t>(&v)) {
    return *i;
  }
  if (const auto* s = std::get_if<std::int16_t>(&v)) {
    return *s;
  }
  if (const auto* f = std::get_if<float>(&v)) {
    return *f;
  }
  if (const auto* text = std::get_if<std::string>(&v)) {
    if (const auto number = ParseNumber(*text)) {
      return *number;
    }
    const std::string t = Trimmed(*text);
    if (platform::EqualsIgnoringAsciiCase(t, "true")) {
      return -1;
    }
    if (platform::EqualsIgnoringAsciiCase(t, "false")) {
      return 0;
    }
  }
  TypeMismatch();
}

template <typename Int>
Int ToWhole(const Variant& v) {
  const double value = ToDouble(v);
  if (std::isnan(value)) {
    throw platform::MakeFailure(platform::ErrorDomain::kAutomation, kOverflow, "");
  }
  const double rounded = std::nearbyint(value);  // the default mode rounds half to even
  if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max()) {
    throw platform::MakeFailure(platform::ErrorDomain::kAutomation, kOverflow, "");
  }
  return static_cast<Int>(rounded);
}

}  // namespace

platform::BrowserRef AsObject(const Variant& v) {
  if (const auto* object = std::get_if<platform::BrowserRef>(&v)) {
    return *object;
  }
  TypeMismatch();
}

bool ToBoolean(const Variant& v) {
  return ToDouble(v) != 0;
}

std::int16_t ToInteger(const Variant& v) {
  return ToWhole<std::int16_t>(v);
}

std::int32_t ToLong(const Variant& v) {
  return ToWhole<std::int32_t>(v);
}

float ToSingle(const Variant& v) {
  const double value = ToDouble(v);
  if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
    throw platform::MakeFailure(platform::ErrorDomain::kAutomation, kOverflow, "");
  }
  return static_cast<float>(value);
}

const Variant& At(const VariantList& list, std::size_t index) {
  if (index >= list.size()) {
    throw platform::MakeFailure(platform::ErrorDomain::kAutomation, kSubscriptOutOfRange, "");
  }
  return list[index];
}

}  // namespace velqor::popup
