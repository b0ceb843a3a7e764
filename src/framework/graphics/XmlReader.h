#pragma once

// A tolerant pull tokenizer for the XML our pictures are written in. It
// reports start and end tags with their attributes and skips everything
// else: text, comments, CDATA, processing instructions and DOCTYPE
// declarations (internal subsets included). It never builds a tree, so
// nesting costs nothing here; the reader of the tokens bounds it.
//
// Threads: any; one reader per text, no shared state.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace framework {

struct XmlAttribute {
  std::string_view name;  // as written, namespace prefix included ("xlink:href")
  std::string value;      // entities decoded
};

struct XmlToken {
  enum class Kind { Start, End };
  Kind kind = Kind::Start;
  std::string_view name;               // as written, prefix included
  std::vector<XmlAttribute> attributes;  // Start only, in document order, at most kMaxXmlAttributes
  bool selfClosing = false;            // Start only: written as <name ... />
};

/// Attributes of one tag beyond this many are read past and dropped.
inline constexpr size_t kMaxXmlAttributes = 64;

class XmlReader {
 public:
  /// The reader refers to `text`, which must outlive it and its tokens.
  explicit XmlReader(std::string_view text) : mText(text) {}

  /// The next start or end tag. False at the end of the text and at the
  /// first construct that cannot be read (a tag, comment or quoted value
  /// left open by a truncated text); every later call is false as well.
  bool Next(XmlToken& token);

 private:
  bool atEnd() const { return mPos >= mText.size(); }
  bool startsWith(std::string_view prefix) const { return mText.substr(mPos).starts_with(prefix); }
  /// Moves past the next `terminator`; false (and at the end) without one.
  bool skipPast(std::string_view terminator);
  bool skipDeclaration();
  void skipSpace();
  std::string_view readName();
  bool readStartTag(XmlToken& token);
  bool readEndTag(XmlToken& token);
  bool readAttributeValue(std::string& value);

  std::string_view mText;
  size_t mPos = 0;
  bool mFailed = false;
};

/// `raw` with the five named entities and numeric character references
/// (&#65; &#x41;) replaced; anything else that starts with '&' stays as written.
std::string DecodeXmlEntities(std::string_view raw);

}  // namespace framework
