#include "web/Json.h"

#include <charconv>
#include <cmath>

namespace relaycaster {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

/// A recursive-descent reader over one text. Every method returns false on
/// the first failure; the caller then drops everything.
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : mText(text) {}

  bool readDocument(JsonValue& value) {
    if (!readValue(value, 0)) return false;
    skipWhiteSpace();
    return atEnd();
  }

 private:
  bool atEnd() const { return mPos >= mText.size(); }
  char peek() const { return mText[mPos]; }

  void skipWhiteSpace() {
    while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) ++mPos;
  }

  bool consume(char expected) {
    if (atEnd() || peek() != expected) return false;
    ++mPos;
    return true;
  }

  bool readValue(JsonValue& value, int level) {
    if (level > kMaxJsonDepth) return false;
    skipWhiteSpace();
    if (atEnd()) return false;
    switch (peek()) {
      case '"': value.type = JsonType::String; return readString(value.text);
      case '[': return readArray(value, level);
      case '{': return readObject(value, level);
      case 't': value.type = JsonType::Bool; value.boolean = true; return readWord("true");
      case 'f': value.type = JsonType::Bool; value.boolean = false; return readWord("false");
      case 'n': value.type = JsonType::Null; return readWord("null");
      default: value.type = JsonType::Number; return readNumber(value.number);
    }
  }

  bool readWord(std::string_view word) {
    if (mText.substr(mPos, word.size()) != word) return false;
    mPos += word.size();
    return true;
  }

  bool readArray(JsonValue& value, int level) {
    value.type = JsonType::Array;
    ++mPos;  // '['
    skipWhiteSpace();
    if (consume(']')) return true;
    while (true) {
      if (!readValue(value.items.emplace_back(), level + 1)) return false;
      skipWhiteSpace();
      if (consume(']')) return true;
      if (!consume(',')) return false;
    }
  }

  bool readObject(JsonValue& value, int level) {
    value.type = JsonType::Object;
    ++mPos;  // '{'
    skipWhiteSpace();
    if (consume('}')) return true;
    while (true) {
      JsonMember& member = value.members.emplace_back();
      skipWhiteSpace();
      if (atEnd() || peek() != '"' || !readString(member.key)) return false;
      skipWhiteSpace();
      if (!consume(':')) return false;
      if (!readValue(member.value, level + 1)) return false;
      skipWhiteSpace();
      if (consume('}')) return true;
      if (!consume(',')) return false;
    }
  }

  /// Reads "\uXXXX" after the backslash has been consumed.
  bool readHexEscape(uint32_t& codePoint) {
    if (!consume('u') || mText.size() - mPos < 4) return false;
    codePoint = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = HexDigitValue(mText[mPos++]);
      if (digit < 0) return false;
      codePoint = codePoint << 4 | static_cast<uint32_t>(digit);
    }
    return true;
  }

  bool readUnicodeEscape(std::string& out) {
    uint32_t codePoint = 0;
    if (!readHexEscape(codePoint)) return false;
    if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) return false;  // a low surrogate alone
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
      uint32_t low = 0;
      if (!consume('\\') || !readHexEscape(low) || low < 0xDC00 || low > 0xDFFF) return false;
      codePoint = 0x10000 + (codePoint - 0xD800) * 0x400 + (low - 0xDC00);
    }
    AppendUtf8(out, codePoint);
    return true;
  }

  bool readEscape(std::string& out) {
    if (atEnd()) return false;
    const char c = peek();
    if (c == 'u') return readUnicodeEscape(out);
    ++mPos;
    switch (c) {
      case '"': out.push_back('"'); return true;
      case '\\': out.push_back('\\'); return true;
      case '/': out.push_back('/'); return true;
      case 'b': out.push_back('\x08'); return true;
      case 'f': out.push_back('\x0C'); return true;
      case 'n': out.push_back('\n'); return true;
      case 'r': out.push_back('\r'); return true;
      case 't': out.push_back('\t'); return true;
      default: return false;
    }
  }

  bool readString(std::string& out) {
    ++mPos;  // opening quote
    while (!atEnd()) {
      const auto c = static_cast<unsigned char>(mText[mPos++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c == '\\') {
        if (!readEscape(out)) return false;
      } else {
        out.push_back(static_cast<char>(c));
      }
    }
    return false;  // the text ended before the closing quote
  }

  bool skipDigits() {
    const size_t start = mPos;
    while (!atEnd() && IsDigit(peek())) ++mPos;
    return mPos > start;
  }

  bool readNumber(double& number) {
    const size_t start = mPos;
    consume('-');
    if (consume('0')) {
      // no further digit belongs to this number: "01" leaves the 1 behind
    } else if (atEnd() || peek() < '1' || peek() > '9' || !skipDigits()) {
      return false;
    }
    if (consume('.') && !skipDigits()) return false;
    if (!atEnd() && (peek() == 'e' || peek() == 'E')) {
      ++mPos;
      if (!consume('+')) consume('-');
      if (!skipDigits()) return false;
    }
    return convertNumber(mText.substr(start, mPos - start), number);
  }

  /// The nearest double, with '.' as the decimal point whatever the locale.
  /// A number too small for a double becomes a zero of its sign; one too
  /// large is refused rather than read as an infinity, which no JSON text
  /// could write back.
  static bool convertNumber(std::string_view digits, double& number) {
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error == std::errc() && end == digits.data() + digits.size()) return true;
    if (error != std::errc::result_out_of_range || exceedsOne(digits)) return false;
    number = digits.front() == '-' ? -0.0 : 0.0;
    return true;
  }

  /// Whether a number the conversion found out of range is too large
  /// rather than too small: its decimal magnitude is positive.
  static bool exceedsOne(std::string_view digits) {
    size_t pos = digits.front() == '-' ? 1 : 0;
    int64_t magnitude = 0;
    bool seenNonZero = false;
    for (; pos < digits.size() && IsDigit(digits[pos]); ++pos) {
      seenNonZero = seenNonZero || digits[pos] != '0';
      if (seenNonZero) ++magnitude;
    }
    if (pos < digits.size() && digits[pos] == '.') {
      for (++pos; pos < digits.size() && IsDigit(digits[pos]); ++pos) {
        if (seenNonZero) continue;
        if (digits[pos] != '0') seenNonZero = true;
        else --magnitude;
      }
    }
    int64_t exponent = 0;
    if (pos < digits.size()) {  // 'e' or 'E'
      ++pos;
      const bool negative = digits[pos] == '-';
      if (digits[pos] == '-' || digits[pos] == '+') ++pos;
      for (; pos < digits.size(); ++pos) exponent = std::min<int64_t>(exponent * 10 + (digits[pos] - '0'), 1'000'000'000);
      if (negative) exponent = -exponent;
    }
    return magnitude + exponent > 0;
  }

  std::string_view mText;
  size_t mPos = 0;
};

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text) {
  JsonValue value;
  JsonReader reader(text);
  if (!reader.readDocument(value)) return std::nullopt;
  return value;
}

const JsonValue* FindMember(const JsonValue& value, std::string_view key) {
  if (value.type != JsonType::Object) return nullptr;
  for (const JsonMember& member : value.members) {
    if (member.key == key) return &member.value;
  }
  return nullptr;
}

std::string JsonQuote(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out.push_back(kHex[byte >> 4]);
          out.push_back(kHex[byte & 0x0F]);
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

std::string JsonInteger(int64_t value) { return std::to_string(value); }

}  // namespace relaycaster
