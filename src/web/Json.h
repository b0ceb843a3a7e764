#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace relaycaster {

/// The small strict JSON reader the update check uses for its feed and its
/// cache, and the two helpers its writers need. There is no general writer:
/// documents are joined from fixed pieces, JsonQuote() and JsonInteger().
///
/// Strings are UTF-8 byte strings; the parser neither requires nor checks
/// valid UTF-8 outside escapes. Threads: any; no shared state.

enum class JsonType { Null = 0, Bool = 1, Number = 2, String = 3, Array = 4, Object = 5 };

struct JsonMember;

/// One value of a parsed document. Only the member matching `type` is
/// meaningful; the others stay empty. A fresh value is Null.
struct JsonValue {
  JsonType type = JsonType::Null;
  bool boolean = false;
  double number = 0.0;
  std::string text;
  std::vector<JsonValue> items;     // Array elements, in document order
  std::vector<JsonMember> members;  // Object members, in document order, duplicates kept
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

/// Values nested deeper than this below the top-level value are refused.
inline constexpr int kMaxJsonDepth = 8;

/// The value when `text` is exactly one complete JSON value (white space
/// around it allowed), else nothing. Numbers follow the JSON grammar
/// strictly; a number beyond the range of a double is refused.
std::optional<JsonValue> ParseJson(std::string_view text);

/// The first member with exactly this key when `value` is an Object, else
/// nullptr. The pointer lives as long as `value`.
const JsonValue* FindMember(const JsonValue& value, std::string_view key);

/// `text` as a JSON string literal, quotes included. ParseJson gives back
/// the same bytes for every byte string.
std::string JsonQuote(std::string_view text);

/// An integer as JSON text: its decimal digits, "-" first when negative.
std::string JsonInteger(int64_t value);

}  // namespace relaycaster
