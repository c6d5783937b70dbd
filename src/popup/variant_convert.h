// The conversions the relay and the tracker apply to event arguments: to an object, a Boolean,
// a 16-bit or 32-bit integer and a single-precision number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/browser.h"
#include "platform/failure.h"

namespace velqor::popup {

using platform::Variant;
using VariantList = std::vector<Variant>;

// Status codes of the conversion and collection failures (the automation error numbers).
inline constexpr platform::Status kInvalidProcedureCall = 5;
inline constexpr platform::Status kOverflow = 6;
inline constexpr platform::Status kSubscriptOutOfRange = 9;
inline constexpr platform::Status kTypeMismatch = 13;

// Raises a "Type mismatch" Failure unless the variant holds a browser object (possibly none).
platform::BrowserRef AsObject(const Variant& v);
// Numbers are true when non-zero, texts "True"/"False" (any case) or numeric; the empty variant
// is false; an object raises "Type mismatch".
bool ToBoolean(const Variant& v);
// Booleans give -1/0, numbers are rounded half to even, texts parsed; out of range raises
// "Overflow", anything else "Type mismatch".
std::int16_t ToInteger(const Variant& v);
std::int32_t ToLong(const Variant& v);
float ToSingle(const Variant& v);
// The entry at a 0-based index; raises "Subscript out of range" past the end.
const Variant& At(const VariantList& list, std::size_t index);

}  // namespace velqor::popup
