#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "web/Json.h"

namespace relaycaster {
namespace {

bool Parses(std::string_view text) { return ParseJson(text).has_value(); }

std::string Nested(int depth, std::string_view inner) {
  return std::string(static_cast<size_t>(depth), '[') + std::string(inner) + std::string(static_cast<size_t>(depth), ']');
}

TEST(ParseJson, OneValueWithWhiteSpaceAroundItAndNothingElse) {
  const auto value = ParseJson(" \t\r\n{\"a\" : [ 1 , true , null ] } \n");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, JsonType::Object);
  const JsonValue* a = FindMember(*value, "a");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->items.size(), 3u);
  EXPECT_EQ(a->items[0].number, 1.0);
  EXPECT_TRUE(a->items[1].boolean);
  EXPECT_EQ(a->items[2].type, JsonType::Null);

  for (const char* bad : {"{} x", "{}{}", "1 2", "", "   ", "nul", "truex", "[1,]", "{\"a\":1,}", "[,1]", "{,}",
                          "{\"a\" 1}", "{1:2}", "[1 2]", "[", "{\"a\":", "\"abc", "]", "\xEF\xBB\xBF{}"}) {
    EXPECT_FALSE(Parses(bad)) << bad;
  }
}

TEST(ParseJson, EmptyContainers) {
  for (const char* good : {"[]", "{}", "[ ]", "{ \n }", "[[],{}]"}) EXPECT_TRUE(Parses(good)) << good;
  EXPECT_EQ(ParseJson("[]")->type, JsonType::Array);
  EXPECT_EQ(ParseJson("{}")->type, JsonType::Object);
}

TEST(ParseJson, NestingDepthIsLimitedToEightLevelsBelowTheTop) {
  EXPECT_TRUE(Parses(Nested(9, "")));
  EXPECT_TRUE(Parses(Nested(8, "1")));
  EXPECT_FALSE(Parses(Nested(9, "1")));
  EXPECT_FALSE(Parses(Nested(10, "")));
  EXPECT_TRUE(Parses("{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":1}}}}}}}}"));
  EXPECT_FALSE(Parses("{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":1}}}}}}}}}"));
  EXPECT_FALSE(Parses(Nested(100000, "")));  // no stack exhaustion
}

TEST(ParseJson, NumbersFollowTheGrammarStrictly) {
  EXPECT_EQ(ParseJson("-0")->number, 0.0);
  EXPECT_TRUE(std::signbit(ParseJson("-0")->number));
  EXPECT_EQ(ParseJson("0.5e-3")->number, 0.0005);
  EXPECT_EQ(ParseJson("1E+2")->number, 100.0);
  EXPECT_EQ(ParseJson("-12.25")->number, -12.25);
  EXPECT_EQ(ParseJson("1700000000")->number, 1700000000.0);
  EXPECT_EQ(ParseJson("0.1")->number, 0.1);
  for (const char* bad : {"01", "+1", ".5", "1.", "1e", "-", "1e+", "-.5", "0x10", "Infinity", "NaN", "1.e5", "--1"}) {
    EXPECT_FALSE(Parses(bad)) << bad;
  }
}

TEST(ParseJson, NumbersBeyondTheDoubleRange) {
  EXPECT_FALSE(Parses("1e400"));
  EXPECT_FALSE(Parses("-123456789e301"));
  EXPECT_EQ(ParseJson("1e-400")->number, 0.0);
  EXPECT_TRUE(std::signbit(ParseJson("-0.0001e-400")->number));
  EXPECT_EQ(ParseJson("5e-324")->number, 5e-324);
}

TEST(ParseJson, StringEscapes) {
  EXPECT_EQ(ParseJson(R"("\"\\\/\b\f\n\r\t")")->text, "\"\\/\b\f\n\r\t");
  EXPECT_EQ(ParseJson(R"("\u0041\u00e9\u20AC")")->text, "A\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(ParseJson(R"("a\u0000b")")->text, std::string("a\0b", 3));
  EXPECT_EQ(ParseJson(R"("\uD83D\uDE00")")->text, "\xF0\x9F\x98\x80");
  EXPECT_EQ(ParseJson(R"("\udbff\udfff")")->text, "\xF4\x8F\xBF\xBF");
  for (const char* bad : {R"("\uD83D")", R"("\uDE00")", R"("\uD83Dx")", R"("\uD83D\u0041")", R"("\uD83D\n")",
                          R"("\x41")", R"("\u12")", R"("\u12G4")", R"("\)", R"("\u)", R"("\')"}) {
    EXPECT_FALSE(Parses(bad)) << bad;
  }
}

TEST(ParseJson, RawControlBytesFailAndRawUtf8PassesThrough) {
  EXPECT_FALSE(Parses("\"a\tb\""));
  EXPECT_FALSE(Parses("\"a\nb\""));
  EXPECT_FALSE(Parses(std::string("\"a\0b\"", 5)));
  EXPECT_EQ(ParseJson("\"Gr\xC3\xBC\xC3\x9F" "e \xFF\x80\x7F\"")->text, "Gr\xC3\xBC\xC3\x9F" "e \xFF\x80\x7F");
}

TEST(FindMember, FirstOfDuplicateKeysAndOnlyInObjects) {
  const auto value = ParseJson(R"({"a":1,"b":2,"a":3})");
  ASSERT_TRUE(value);
  ASSERT_EQ(value->members.size(), 3u);
  EXPECT_EQ(value->members[2].key, "a");
  EXPECT_EQ(FindMember(*value, "a")->number, 1.0);
  EXPECT_EQ(FindMember(*value, "c"), nullptr);
  EXPECT_EQ(FindMember(*value, "A"), nullptr);
  EXPECT_EQ(FindMember(*ParseJson(R"([{"a":1}])"), "a"), nullptr);
  EXPECT_EQ(FindMember(JsonValue{}, "a"), nullptr);
}

TEST(JsonQuote, EscapesOnlyWhatItMust) {
  EXPECT_EQ(JsonQuote("\"\\\t\x01"), R"("\"\\\t\u0001")");
  EXPECT_EQ(JsonQuote("\"\\\t\x01").size(), 14u);  // quote, 2+2+2+6 escaped, quote
  EXPECT_EQ(JsonQuote("a/b\x7F\xC3\xA9\n\r\x1F"), "\"a/b\x7F\xC3\xA9\\n\\r\\u001f\"");
  EXPECT_EQ(JsonQuote(""), "\"\"");
}

TEST(JsonQuote, EveryByteRoundTrips) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  const auto parsed = ParseJson(JsonQuote(all));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->text, all);
}

TEST(JsonInteger, DecimalDigitsWithSign) {
  EXPECT_EQ(JsonInteger(0), "0");
  EXPECT_EQ(JsonInteger(1700000000), "1700000000");
  EXPECT_EQ(JsonInteger(-42), "-42");
  EXPECT_EQ(JsonInteger(INT64_MIN), "-9223372036854775808");
}

}  // namespace
}  // namespace relaycaster
