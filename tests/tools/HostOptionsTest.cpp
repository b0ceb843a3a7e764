// The command line of relaycaster-host: every option, its defaults, and a
// clear refusal for each kind of mistake.
#include <gtest/gtest.h>

#include "HostOptions.h"

namespace {

using namespace relaycaster_host;

HostOptions parseOk(const std::vector<std::string>& args) {
  const ParsedOptions parsed = parseHostOptions(args);
  EXPECT_TRUE(parsed.options.has_value()) << parsed.error;
  return parsed.options.value_or(HostOptions{});
}

std::string parseError(const std::vector<std::string>& args) {
  const ParsedOptions parsed = parseHostOptions(args);
  EXPECT_FALSE(parsed.options.has_value());
  return parsed.error;
}

TEST(HostOptions, DefaultsAreAStereoToneAt48kHzUntilInterrupted) {
  const HostOptions options = parseOk({});
  EXPECT_FALSE(options.rate.has_value());
  EXPECT_FALSE(options.channels.has_value());
  EXPECT_EQ(options.block, 512);
  EXPECT_FALSE(options.seconds.has_value());
  ASSERT_TRUE(std::holds_alternative<ToneInput>(options.input));
  EXPECT_EQ(std::get<ToneInput>(options.input).frequency, 440.0);
  EXPECT_EQ(std::get<ToneInput>(options.input).peakDb, -12.0);
  EXPECT_TRUE(options.settings.empty());
}

TEST(HostOptions, EveryOptionInBothSpellings) {
  const HostOptions options =
      parseOk({"--rate", "44100", "--block=64", "--channels", "1", "--input=tone:1000:-6", "--seconds", "2.5",
               "--set", "SRT mode=Listener", "--srt-host=srt://h:9001?streamid=x", "--srt-streamid", " id ",
               "--srt-passphrase", "0123456789", "--set=SRT=on"});
  EXPECT_EQ(options.rate, 44100.0);
  EXPECT_EQ(options.block, 64);
  EXPECT_EQ(options.channels, 1);
  EXPECT_EQ(options.seconds, 2.5);
  EXPECT_EQ(std::get<ToneInput>(options.input).frequency, 1000.0);
  EXPECT_EQ(std::get<ToneInput>(options.input).peakDb, -6.0);
  ASSERT_EQ(options.settings.size(), 5u);
  // Kept in command-line order, texts exactly as typed.
  EXPECT_EQ(options.settings[0].kind, HostSetting::Kind::Parameter);
  EXPECT_EQ(options.settings[0].name, "SRT mode");
  EXPECT_EQ(options.settings[0].value, "Listener");
  EXPECT_EQ(options.settings[1].kind, HostSetting::Kind::SrtText);
  EXPECT_EQ(options.settings[1].field, 0);
  EXPECT_EQ(options.settings[1].value, "srt://h:9001?streamid=x");
  EXPECT_EQ(options.settings[2].field, 1);
  EXPECT_EQ(options.settings[2].value, " id ");
  EXPECT_EQ(options.settings[3].field, 2);
  EXPECT_EQ(options.settings[4].name, "SRT");
  EXPECT_EQ(options.settings[4].value, "on");
}

TEST(HostOptions, FlagsAndFileInput) {
  EXPECT_TRUE(parseOk({"--list-params"}).listParams);
  EXPECT_TRUE(parseOk({"--help"}).help);
  EXPECT_TRUE(parseOk({"-h"}).help);
  const HostOptions options = parseOk({"--input", "music/take 3.wav"});
  ASSERT_TRUE(std::holds_alternative<FileInput>(options.input));
  EXPECT_EQ(std::get<FileInput>(options.input).path, "music/take 3.wav");
  // A file that merely starts with "tone" is still a file.
  EXPECT_TRUE(std::holds_alternative<FileInput>(parseOk({"--input", "tones.wav"}).input));
}

TEST(HostOptions, ToneSpecifications) {
  EXPECT_EQ(parseToneSpec("tone")->frequency, 440.0);
  EXPECT_EQ(parseToneSpec("tone:997")->frequency, 997.0);
  EXPECT_EQ(parseToneSpec("tone:997")->peakDb, -12.0);
  EXPECT_EQ(parseToneSpec("tone:50.5:-0.5")->peakDb, -0.5);
  for (const char* bad : {"tone:", "tone:abc", "tone:0", "tone:-5", "tone:440:", "tone:440:3", "tone:440:-x",
                          "tone:440:-12:1", "tonex", "sine:440"})
    EXPECT_FALSE(parseToneSpec(bad).has_value()) << bad;
}

TEST(HostOptions, MistakesAreNamed) {
  EXPECT_EQ(parseError({"--frobnicate"}), "unknown option --frobnicate");
  EXPECT_EQ(parseError({"stray"}), "unexpected argument 'stray'");
  EXPECT_EQ(parseError({"--rate"}), "--rate needs a value");
  EXPECT_NE(parseError({"--rate", "fast"}).find("--rate must be"), std::string::npos);
  EXPECT_NE(parseError({"--rate", "999"}).find("--rate must be"), std::string::npos);
  EXPECT_NE(parseError({"--rate", "nan"}).find("--rate must be"), std::string::npos);
  EXPECT_NE(parseError({"--block", "0"}).find("--block must be"), std::string::npos);
  EXPECT_NE(parseError({"--block", "64.5"}).find("--block must be"), std::string::npos);
  EXPECT_NE(parseError({"--channels", "3"}).find("--channels must be 1 or 2"), std::string::npos);
  EXPECT_NE(parseError({"--seconds", "0"}).find("--seconds must be"), std::string::npos);
  EXPECT_NE(parseError({"--seconds", "-1"}).find("--seconds must be"), std::string::npos);
  // Longer than the run clock can count (or than the start line can print)
  // would stop at once or never.
  EXPECT_NE(parseError({"--seconds", "1e10"}).find("--seconds must be"), std::string::npos);
  EXPECT_EQ(parseOk({"--seconds", "31536000"}).seconds, 31536000.0);
  EXPECT_NE(parseError({"--input", "tone:x"}).find("is not a tone"), std::string::npos);
  EXPECT_NE(parseError({"--input="}).find("--input needs"), std::string::npos);
  EXPECT_NE(parseError({"--set", "SRT"}).find("--set needs NAME=VALUE"), std::string::npos);
  EXPECT_NE(parseError({"--set", "=on"}).find("--set needs NAME=VALUE"), std::string::npos);
  EXPECT_EQ(parseError({"--help=yes"}), "--help takes no value");
}

TEST(HostOptions, TheEditorInAWindowOrAsASnapshot) {
  const HostOptions defaults = parseOk({});
  EXPECT_FALSE(defaults.editor);
  EXPECT_FALSE(defaults.uiScale.has_value());
  EXPECT_FALSE(defaults.snapshot.has_value());

  const HostOptions window = parseOk({"--editor", "--ui-scale=1.5"});
  EXPECT_TRUE(window.editor);
  EXPECT_EQ(window.uiScale, 1.5);
  const HostOptions picture = parseOk({"--snapshot", "out/editor 2x.png", "--ui-scale", "2", "--seconds", "3"});
  EXPECT_EQ(picture.snapshot, "out/editor 2x.png");
  EXPECT_EQ(picture.uiScale, 2.0);
  EXPECT_FALSE(picture.editor);
  // Both: the window during the run, the picture after it.
  EXPECT_TRUE(parseOk({"--editor", "--snapshot", "a.png"}).editor);
  EXPECT_EQ(parseOk({"--ui-scale", "0.5", "--editor"}).uiScale, 0.5);  // the limits themselves
  EXPECT_EQ(parseOk({"--ui-scale", "4", "--editor"}).uiScale, 4.0);
}

TEST(HostOptions, EditorMistakesAreNamed) {
  for (const char* scale : {"0", "0.49", "4.01", "-1", "two", "nan", "inf", ""})
    EXPECT_NE(parseError({"--editor", "--ui-scale", scale}).find("--ui-scale must be"), std::string::npos) << scale;
  EXPECT_NE(parseError({"--ui-scale", "2"}).find("give one of them"), std::string::npos);
  EXPECT_EQ(parseError({"--snapshot"}), "--snapshot needs a value");
  EXPECT_NE(parseError({"--snapshot="}).find("--snapshot needs a path"), std::string::npos);
  EXPECT_EQ(parseError({"--editor=yes"}), "--editor takes no value");
  EXPECT_NE(parseError({"--direct", "--editor"}).find("through a bundle"), std::string::npos);
  EXPECT_NE(parseError({"--direct", "--snapshot", "a.png"}).find("through a bundle"), std::string::npos);
}

TEST(HostOptions, EditorCyclesAreAWholeCountWithTheirOwnWindow) {
  EXPECT_FALSE(parseOk({}).editorCycles.has_value());
  EXPECT_EQ(parseOk({"--editor-cycles", "50"}).editorCycles, 50);
  EXPECT_EQ(parseOk({"--editor-cycles=1"}).editorCycles, 1);  // the limits themselves
  EXPECT_EQ(parseOk({"--editor-cycles", "10000"}).editorCycles, 10000);
  const HostOptions scaled = parseOk({"--editor-cycles", "3", "--ui-scale", "2", "--snapshot", "a.png"});
  EXPECT_EQ(scaled.uiScale, 2.0);
  EXPECT_FALSE(scaled.editor);
  for (const char* count : {"0", "-1", "10001", "2.5", "many", ""})
    EXPECT_NE(parseError({"--editor-cycles", count}).find("--editor-cycles must be a whole number"), std::string::npos)
        << count;
  EXPECT_EQ(parseError({"--editor-cycles"}), "--editor-cycles needs a value");
  EXPECT_NE(parseError({"--editor", "--editor-cycles", "2"}).find("either it or --editor"), std::string::npos);
  EXPECT_NE(parseError({"--direct", "--editor-cycles", "2"}).find("through a bundle"), std::string::npos);
}

TEST(HostOptions, AudioStallsAreKeptInOrderAndTheirMistakesNamed) {
  EXPECT_TRUE(parseOk({}).stalls.empty());
  const HostOptions options = parseOk({"--stall-audio", "3:90", "--stall-audio=0.5:1500", "--stall-audio", "0:5000"});
  ASSERT_EQ(options.stalls.size(), 3u);
  EXPECT_EQ(options.stalls[0].atSeconds, 3.0);
  EXPECT_EQ(options.stalls[0].milliseconds, 90.0);
  EXPECT_EQ(options.stalls[1].atSeconds, 0.5);
  EXPECT_EQ(options.stalls[1].milliseconds, 1500.0);
  EXPECT_EQ(options.stalls[2].milliseconds, 5000.0);  // the limit itself
  for (const char* bad : {"", "3", "3:", ":90", "3:0", "3:-5", "3:5001", "-1:90", "x:90", "3:ninety", "3:90:1",
                          "nan:90", "3:inf", "1e10:90"})
    EXPECT_FALSE(parseStallSpec(bad).has_value()) << bad;
  EXPECT_NE(parseError({"--stall-audio", "3"}).find("--stall-audio takes AT:MS"), std::string::npos);
  EXPECT_EQ(parseError({"--stall-audio"}), "--stall-audio needs a value");
  EXPECT_NE(usageText().find("--stall-audio AT:MS"), std::string::npos);
}

TEST(HostOptions, AssignmentsSplitAtTheFirstEqualsSign) {
  EXPECT_EQ(splitAssignment("SRT mode = Listener"), (std::pair<std::string, std::string>{"SRT mode", "Listener"}));
  EXPECT_EQ(splitAssignment("a=b=c"), (std::pair<std::string, std::string>{"a", "b=c"}));
  EXPECT_EQ(splitAssignment("SRT="), (std::pair<std::string, std::string>{"SRT", ""}));
  EXPECT_FALSE(splitAssignment("SRT").has_value());
  EXPECT_FALSE(splitAssignment(" =1").has_value());
}

// A small parameter set shaped like the plug-in's.
std::vector<ParameterInfo> sampleParameters() {
  ParameterInfo srt{4, "SRT", "", 0, 1, 0, true, false, {"off", "on"}};
  ParameterInfo mode{5, "SRT mode", "", 0, 1, 0, true, false, {"Caller", "Listener"}};
  ParameterInfo port{8, "SRT port", "", 1, 65535, 9000, false, true, {}};
  ParameterInfo level{10, "SRT level", "dB", -60, 12, 0, false, false, {}};
  return {srt, mode, port, level};
}

ResolvedSetting resolved(std::string_view name, std::string_view value) {
  const auto result = resolveSetting(sampleParameters(), name, value);
  if (const std::string* error = std::get_if<std::string>(&result)) ADD_FAILURE() << *error;
  return std::holds_alternative<ResolvedSetting>(result) ? std::get<ResolvedSetting>(result) : ResolvedSetting{-1, 0};
}

std::string refused(std::string_view name, std::string_view value) {
  const auto result = resolveSetting(sampleParameters(), name, value);
  EXPECT_TRUE(std::holds_alternative<std::string>(result)) << name << "=" << value;
  return std::holds_alternative<std::string>(result) ? std::get<std::string>(result) : std::string();
}

TEST(HostSettings, ListsTakeTheirTextsOrEntryNumbers) {
  EXPECT_EQ(resolved("SRT mode", "Listener").index, 5);
  EXPECT_EQ(resolved("SRT mode", "Listener").plainValue, 1.0);
  EXPECT_EQ(resolved("srt MODE", "caller").plainValue, 0.0);
  EXPECT_EQ(resolved("SRT", "on").plainValue, 1.0);
  EXPECT_EQ(resolved("SRT", "OFF").plainValue, 0.0);
  EXPECT_EQ(resolved("SRT", "1").plainValue, 1.0);
  EXPECT_EQ(refused("SRT mode", "Rendezvous"), "\"SRT mode\" cannot be \"Rendezvous\"; it takes Caller, Listener");
  EXPECT_NE(refused("SRT", "2").find("cannot be"), std::string::npos);
  EXPECT_NE(refused("SRT", "0.5").find("cannot be"), std::string::npos);
}

TEST(HostSettings, NumbersArePlainValuesWithinTheRange) {
  EXPECT_EQ(resolved("SRT level", "-6").plainValue, -6.0);
  EXPECT_EQ(resolved("SRT level", "12").plainValue, 12.0);
  EXPECT_EQ(resolved("SRT level", "-60").plainValue, -60.0);
  EXPECT_EQ(resolved("SRT port", "9001").plainValue, 9001.0);
  EXPECT_EQ(refused("SRT level", "13"), "\"SRT level\" takes -60 to 12 dB, not 13");
  EXPECT_EQ(refused("SRT level", "loud"), "\"SRT level\" takes a number from -60 to 12, not \"loud\"");
  EXPECT_EQ(refused("SRT port", "0"), "\"SRT port\" takes 1 to 65535, not 0");
  EXPECT_EQ(refused("SRT port", "9000.5"), "\"SRT port\" takes a whole number from 1 to 65535, not 9000.5");
  EXPECT_NE(refused("SRT level", "inf").find("takes a number"), std::string::npos);
  EXPECT_NE(refused("SRT level", "").find("takes a number"), std::string::npos);
}

TEST(HostSettings, UnknownNamesListTheParameters) {
  EXPECT_EQ(refused("SRT mod", "Caller"),
            "there is no parameter \"SRT mod\"; the parameters are \"SRT\", \"SRT mode\", \"SRT port\", \"SRT level\"");
}

}  // namespace
