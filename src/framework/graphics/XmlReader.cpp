#include "framework/graphics/XmlReader.h"

#include <cstdint>

#include "framework/graphics/Utf8.h"

namespace framework {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool EndsName(char c) {
  return IsSpace(c) || c == '/' || c == '>' || c == '<' || c == '=' || c == '"' || c == '\'';
}

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

/// The character a reference body ("amp", "#65", "#x41") stands for; false
/// for anything else, which the caller then keeps as written.
bool DecodeReference(std::string_view body, std::string& out) {
  static constexpr struct {
    std::string_view name;
    char character;
  } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& entity : kNamed) {
    if (body == entity.name) {
      out.push_back(entity.character);
      return true;
    }
  }
  if (body.size() < 2 || body[0] != '#') return false;
  int base = 10;
  std::string_view digits = body.substr(1);
  if (digits[0] == 'x' || digits[0] == 'X') {
    base = 16;
    digits = digits.substr(1);
  }
  // Seven hex digits already pass the last code point; longer is never valid.
  if (digits.empty() || digits.size() > 7) return false;
  uint32_t cp = 0;
  for (char c : digits) {
    const int v = DigitValue(c, base);
    if (v < 0) return false;
    cp = cp * static_cast<uint32_t>(base) + static_cast<uint32_t>(v);
  }
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  AppendUtf8(out, cp);
  return true;
}

}  // namespace

std::string DecodeXmlEntities(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  size_t pos = 0;
  while (pos < raw.size()) {
    const size_t amp = raw.find('&', pos);
    if (amp == std::string_view::npos) {
      out.append(raw.substr(pos));
      break;
    }
    out.append(raw.substr(pos, amp - pos));
    // The longest reference we decode is "&#x10FFFF;"; look no further.
    const size_t semi = raw.substr(amp, 12).find(';');
    if (semi != std::string_view::npos && DecodeReference(raw.substr(amp + 1, semi - 1), out)) {
      pos = amp + semi + 1;
    } else {
      out.push_back('&');
      pos = amp + 1;
    }
  }
  return out;
}

bool XmlReader::Next(XmlToken& token) {
  token = XmlToken{};
  while (!mFailed) {
    const size_t lt = mText.find('<', mPos);
    if (lt == std::string_view::npos) break;
    mPos = lt;
    bool ok = true;
    if (startsWith("<!--")) {
      ok = skipPast("-->");
    } else if (startsWith("<![CDATA[")) {
      ok = skipPast("]]>");
    } else if (startsWith("<!")) {
      ok = skipDeclaration();
    } else if (startsWith("<?")) {
      ok = skipPast("?>");
    } else if (startsWith("</")) {
      if (readEndTag(token)) return true;
      ok = false;
    } else {
      ++mPos;
      token.name = readName();
      // A '<' that starts no name is stray text; read on after it.
      if (token.name.empty()) continue;
      if (readStartTag(token)) return true;
      ok = false;
    }
    if (!ok) break;
  }
  mFailed = true;
  mPos = mText.size();
  return false;
}

bool XmlReader::skipPast(std::string_view terminator) {
  const size_t at = mText.find(terminator, mPos);
  if (at == std::string_view::npos) return false;
  mPos = at + terminator.size();
  return true;
}

bool XmlReader::skipDeclaration() {
  // <!DOCTYPE ...> may hold an internal subset in brackets, whose
  // declarations have their own '>' and quoted strings.
  int depth = 0;
  char quote = 0;
  for (mPos += 2; !atEnd(); ++mPos) {
    const char c = mText[mPos];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++depth;
    } else if (c == ']') {
      if (depth > 0) --depth;
    } else if (c == '>' && depth == 0) {
      ++mPos;
      return true;
    }
  }
  return false;
}

void XmlReader::skipSpace() {
  while (!atEnd() && IsSpace(mText[mPos])) ++mPos;
}

std::string_view XmlReader::readName() {
  const size_t start = mPos;
  while (!atEnd() && !EndsName(mText[mPos])) ++mPos;
  return mText.substr(start, mPos - start);
}

bool XmlReader::readStartTag(XmlToken& token) {
  token.kind = XmlToken::Kind::Start;
  while (true) {
    skipSpace();
    if (atEnd()) return false;
    const char c = mText[mPos];
    if (c == '>') {
      ++mPos;
      return true;
    }
    if (startsWith("/>")) {
      mPos += 2;
      token.selfClosing = true;
      return true;
    }
    // A tag cut short by the next one ends where that one begins.
    if (c == '<') return true;
    const std::string_view name = readName();
    if (name.empty()) {
      ++mPos;  // a stray '/', '=' or quote
      continue;
    }
    std::string value;
    skipSpace();
    if (!atEnd() && mText[mPos] == '=') {
      ++mPos;
      skipSpace();
      if (!readAttributeValue(value)) return false;
    }
    if (token.attributes.size() < kMaxXmlAttributes) token.attributes.push_back({name, std::move(value)});
  }
}

bool XmlReader::readEndTag(XmlToken& token) {
  token.kind = XmlToken::Kind::End;
  mPos += 2;
  token.name = readName();
  return skipPast(">");
}

bool XmlReader::readAttributeValue(std::string& value) {
  if (atEnd()) return false;
  const char quote = mText[mPos];
  if (quote == '"' || quote == '\'') {
    const size_t close = mText.find(quote, mPos + 1);
    if (close == std::string_view::npos) return false;
    value = DecodeXmlEntities(mText.substr(mPos + 1, close - mPos - 1));
    mPos = close + 1;
    return true;
  }
  // Unquoted, as careless writers leave it: up to the next space, '>' or "/>".
  const size_t start = mPos;
  while (!atEnd() && !IsSpace(mText[mPos]) && mText[mPos] != '>' && !startsWith("/>")) ++mPos;
  value = DecodeXmlEntities(mText.substr(start, mPos - start));
  return true;
}

}  // namespace framework
