#include <gtest/gtest.h>
#include <pluginterfaces/base/funknown.h>

#include <cmath>
#include <cstring>
#include <string>

#include "core/TrackIdentity.h"

namespace relaycaster {
namespace {

// --- a stand-in for REAPER ---------------------------------------------------

// What the stand-in's track answers. The host functions are plain C
// function pointers, so they read this one shared state.
struct FakeTrack {
  bool exists = true;
  bool nameCallSucceeds = true;
  std::string name;
  double number = 3.0;
  double customColour = 0.0;  // native colour | 0x1000000 when set
  std::string lastParameter;  // the key of the last GetSetMediaTrackInfo_String call
};
FakeTrack gTrack;
int gTrackObject;  // the address stands for REAPER's track

bool fakeGetSetTrackString(void* track, const char* parmname, char* buffer, bool setNewValue) {
  if (track != &gTrackObject || setNewValue || !gTrack.nameCallSucceeds) return false;
  gTrack.lastParameter = parmname;
  if (std::string(parmname) != "P_NAME") return false;
  std::strncpy(buffer, gTrack.name.c_str(), 512);  // a host that fills the buffer leaves no terminator
  return true;
}

double fakeGetTrackValue(void* track, const char* parmname) {
  if (track != &gTrackObject) return 0.0;
  const std::string key = parmname;
  if (key == "IP_TRACKNUMBER") return gTrack.number;
  if (key == "I_CUSTOMCOLOR") return gTrack.customColour;
  return 0.0;
}

// Native colours here are 0x00BBGGRR, as on Windows.
void fakeColorFromNative(int col, int* r, int* g, int* b) {
  *r = col & 0xFF;
  *g = (col >> 8) & 0xFF;
  *b = (col >> 16) & 0xFF;
}

class FakeReaper : public reaper::IReaperHostApplication {
 public:
  int32_t queryInterface(const char*, void**) override { return -1; }
  uint32_t addRef() override { return 1; }
  uint32_t release() override { return 1; }
  void* getReaperApi(const char* name) override {
    const std::string function = name;
    if (function == "GetSetMediaTrackInfo_String" && offersName) return reinterpret_cast<void*>(&fakeGetSetTrackString);
    if (function == "GetMediaTrackInfo_Value") return reinterpret_cast<void*>(&fakeGetTrackValue);
    if (function == "ColorFromNative") return reinterpret_cast<void*>(&fakeColorFromNative);
    return nullptr;
  }
  void* getReaperParent(uint32_t kind) override {
    return kind == reaper::kParentTrack && gTrack.exists ? &gTrackObject : nullptr;
  }
  bool offersName = true;
};

// A host context that answers the REAPER interface id only (or nothing).
class FakeHostContext : public framework::IHostContext {
 public:
  explicit FakeHostContext(reaper::IReaperHostApplication* reaper) : mReaper(reaper) {}
  void* QueryHostInterface(const uint8_t (&id)[16]) override {
    ++queries;
    return mReaper && std::memcmp(id, kExpectedId, 16) == 0 ? mReaper : nullptr;
  }
  int queries = 0;

 private:
  // {79655E36-77EE-4267-A573-FEF74912C27C} the way VST 3 stores it off Windows.
  static constexpr uint8_t kExpectedId[16] = {0x79, 0x65, 0x5E, 0x36, 0x77, 0xEE, 0x42, 0x67,
                                              0xA5, 0x73, 0xFE, 0xF7, 0x49, 0x12, 0xC2, 0x7C};
  reaper::IReaperHostApplication* mReaper;
};

framework::ChannelInfo channel(const std::string& name, int index = 0, uint32_t argb = 0) {
  framework::ChannelInfo info;
  info.name = name;
  info.index = index;
  info.argb = argb;
  return info;
}

class TrackIdentityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gTrack = FakeTrack{};
    identity.attachHost(&host);
    ASSERT_TRUE(identity.hasReaper());
  }
  FakeReaper reaper;
  FakeHostContext host{&reaper};
  TrackIdentity identity;
};

// --- the interface id ----------------------------------------------------------

TEST(ReaperInterfaceId, MatchesTheByteOrdersOfVst3) {
  const Steinberg::TUID sdk = INLINE_UID(0x79655E36, 0x77EE4267, 0xA573FEF7, 0x4912C27C);
#if COM_COMPATIBLE
  EXPECT_EQ(std::memcmp(sdk, reaper::kHostApplicationIdComOrder, 16), 0);
#else
  EXPECT_EQ(std::memcmp(sdk, reaper::kHostApplicationIdPlainOrder, 16), 0);
#endif
  EXPECT_EQ(std::memcmp(sdk, reaper::kHostApplicationId, 16), 0);
  // COM order swaps the first three groups: 79655E36-77EE-4267 -> 365E6579-EE77-6742.
  const uint8_t comStart[8] = {0x36, 0x5E, 0x65, 0x79, 0xEE, 0x77, 0x67, 0x42};
  EXPECT_EQ(std::memcmp(reaper::kHostApplicationIdComOrder, comStart, 8), 0);
  EXPECT_EQ(std::memcmp(reaper::kHostApplicationIdComOrder + 8, reaper::kHostApplicationIdPlainOrder + 8, 8), 0);
}

// --- REAPER ----------------------------------------------------------------------

TEST_F(TrackIdentityTest, ANamedReaperTrackGivesNumberAndName) {
  gTrack.name = "Drums";
  EXPECT_EQ(identity.WindowTitle(channel("Ignored", 7)), "#3: Drums");
  EXPECT_EQ(identity.TrackBaseName(channel("Ignored", 7)), "Drums");
  EXPECT_EQ(gTrack.lastParameter, "P_NAME");
}

TEST_F(TrackIdentityTest, AnUnnamedReaperTrackIsCalledRelaycasterWhateverTheChannelSays) {
  gTrack.name = "";
  EXPECT_EQ(identity.WindowTitle(channel("Vocals", 2)), "#3");
  EXPECT_EQ(identity.TrackBaseName(channel("Vocals", 2)), "Relaycaster");
}

TEST_F(TrackIdentityTest, AFailedNameCallFallsBackAsDocumented) {
  gTrack.nameCallSucceeds = false;
  EXPECT_EQ(identity.TrackBaseName(channel("Vocals", 2)), "Relaycaster");  // REAPER alone decides the base name
  EXPECT_EQ(identity.WindowTitle(channel("Vocals", 2)), "#2: Vocals");    // the title may use the channel
}

TEST_F(TrackIdentityTest, WithoutAParentTrackTheChannelContextIsUsed) {
  gTrack.exists = false;
  EXPECT_EQ(identity.TrackBaseName(channel("Vocals", 2)), "Vocals");
  EXPECT_EQ(identity.WindowTitle(channel("Vocals", 2)), "#2: Vocals");
  EXPECT_EQ(identity.TrackColour(channel("Vocals", 2, 0xFF102030)), 0x102030);
}

TEST_F(TrackIdentityTest, ATrackNumberOutOfRangeDoesNotBreakTheTitle) {
  gTrack.name = "Drums";
  gTrack.number = 1e12;
  EXPECT_EQ(identity.WindowTitle(channel("")), "#2147483647: Drums");
  gTrack.number = std::nan("");
  EXPECT_EQ(identity.WindowTitle(channel("")), "#0: Drums");
}

TEST_F(TrackIdentityTest, AFullNameBufferIsCutInsideIt) {
  gTrack.name = std::string(600, 'x');
  EXPECT_EQ(identity.TrackBaseName(channel("")), std::string(511, 'x'));
}

TEST_F(TrackIdentityTest, ACustomReaperColourIsUsedOnlyWhenSet) {
  gTrack.customColour = 0x1000000 | 0x332211;  // native: blue 0x33, green 0x22, red 0x11
  EXPECT_EQ(identity.TrackColour(channel("")), 0x112233);
  gTrack.customColour = 0x332211;  // the is-set bit is clear
  EXPECT_EQ(identity.TrackColour(channel("")), -1);
  EXPECT_EQ(identity.TrackColour(channel("", 0, 0xFF445566)), 0x445566);
}

TEST_F(TrackIdentityTest, AReaperWithoutTheNameFunctionUsesTheChannel) {
  reaper.offersName = false;
  identity.attachReaper(&reaper);
  gTrack.name = "Drums";
  EXPECT_EQ(identity.TrackBaseName(channel("Vocals", 4)), "Vocals");
  EXPECT_EQ(identity.WindowTitle(channel("Vocals", 4)), "#4: Vocals");
}

// --- channel context only ---------------------------------------------------------

TEST(TrackIdentityChannel, NamesIndexAndColourComeFromTheChannelContext) {
  FakeHostContext noReaper(nullptr);
  TrackIdentity identity;
  identity.attachHost(&noReaper);
  EXPECT_EQ(noReaper.queries, 1);
  EXPECT_FALSE(identity.hasReaper());

  EXPECT_EQ(identity.TrackBaseName(channel("Vocals", 2)), "Vocals");
  EXPECT_EQ(identity.WindowTitle(channel("Vocals", 2)), "#2: Vocals");
  EXPECT_EQ(identity.TrackBaseName(channel("")), "Relaycaster");
  EXPECT_EQ(identity.WindowTitle(channel("", 2)), "");

  EXPECT_EQ(identity.TrackColour(channel("", 0, 0xFF112233)), 0x112233);
  EXPECT_EQ(identity.TrackColour(channel("", 0, 0x01000000)), 0x000000);  // black with alpha is a colour
  EXPECT_EQ(identity.TrackColour(channel("", 0, 0x00112233)), -1);        // no alpha: not reported
  EXPECT_EQ(identity.TrackColour(channel("", 0, 0)), -1);

  TrackIdentity noContext;
  noContext.attachHost(nullptr);
  EXPECT_FALSE(noContext.hasReaper());
}

TEST(TrackIdentityChannel, ALongChannelNameIsCutAt560CharactersForTheTitle) {
  TrackIdentity identity;
  std::string name;
  for (int i = 0; i < 600; ++i) name += "\xC3\xA9";  // é: two bytes each
  const std::string title = identity.WindowTitle(channel(name, 1));
  EXPECT_EQ(title, "#1: " + name.substr(0, 2 * 560));
  EXPECT_EQ(identity.TrackBaseName(channel(name, 1)), name);  // the base name is not cut
}

// --- accent colour ---------------------------------------------------------------

TEST(AccentColour, FixedChoicesComeFromThePalette) {
  EXPECT_EQ(AccentFromTrackColour(0, 0x123456, 255), (AccentRgba{255, 21, 232, 121}));
  EXPECT_EQ(AccentFromTrackColour(1, -1, 128), (AccentRgba{128, 233, 21, 90}));
  EXPECT_EQ(AccentFromTrackColour(2, -1, 255), (AccentRgba{255, 255, 122, 0}));
  EXPECT_EQ(AccentFromTrackColour(3, -1, 255), (AccentRgba{255, 0, 184, 255}));
  EXPECT_EQ(AccentFromTrackColour(4, -1, 0), (AccentRgba{0, 134, 0, 255}));
  EXPECT_STREQ(kAccentPalette[5].label, "DAW color");
  // Out-of-range indices count as the first choice.
  EXPECT_EQ(AccentFromTrackColour(6, 0x0000FF, 255), (AccentRgba{255, 21, 232, 121}));
  EXPECT_EQ(AccentFromTrackColour(99, -1, 255), (AccentRgba{255, 21, 232, 121}));
  EXPECT_EQ(AccentFromTrackColour(-1, -1, 255), (AccentRgba{255, 21, 232, 121}));
}

TEST(AccentColour, FollowingTheTrackKeepsTheAccentLegible) {
  // No colour or black: the palette's own entry.
  EXPECT_EQ(AccentFromTrackColour(5, -1, 255), (AccentRgba{255, 21, 232, 121}));
  EXPECT_EQ(AccentFromTrackColour(5, 0x000000, 255), (AccentRgba{255, 21, 232, 121}));
  // Dark blue (0, 0, 80): L = 5.776, scaled by 47 / L and clamped.
  EXPECT_EQ(AccentFromTrackColour(5, 0x000050, 200), (AccentRgba{200, 0, 0, 255}));
  // Dark grey-blue (10, 20, 30): L = 18.596, brightened by 47 / L.
  EXPECT_EQ(AccentFromTrackColour(5, 0x0A141E, 255), (AccentRgba{255, 25, 50, 75}));
  // Mid colours pass unchanged.
  EXPECT_EQ(AccentFromTrackColour(5, 0x6496C8, 255), (AccentRgba{255, 100, 150, 200}));
  // Very light colours are darkened by 200 / L.
  EXPECT_EQ(AccentFromTrackColour(5, 0xFFFFFF, 255), (AccentRgba{255, 200, 200, 200}));
  EXPECT_EQ(AccentFromTrackColour(5, 0xF0FAE6, 255), (AccentRgba{255, 194, 202, 186}));
}

TEST_F(TrackIdentityTest, TheAccentFollowsTheReaperTrackColour) {
  gTrack.customColour = 0x1000000 | 0x500000;  // native blue 0x50
  EXPECT_EQ(identity.AccentColour(5, 255, channel("")), (AccentRgba{255, 0, 0, 255}));
  EXPECT_EQ(identity.AccentColour(2, 255, channel("")), (AccentRgba{255, 255, 122, 0}));
}

// --- feed name -------------------------------------------------------------------

FeedNameInputs inputs() {
  FeedNameInputs in;
  in.requestedName = "Vocals";
  in.baseName = "Vocals";
  in.ndiState = 2;
  return in;
}

TEST(FeedName, ShowsTheAnnouncedNameThenTheRequestedThenTheBase) {
  FeedNameInputs in = inputs();
  in.announcedName = "STUDIO (Vocals)";
  EXPECT_EQ(feedName(in).name, "STUDIO (Vocals)");
  in.announcedName = "";
  EXPECT_EQ(feedName(in).name, "Vocals");
  in.requestedName = "";
  in.baseName = "Lead";
  EXPECT_EQ(feedName(in).name, "Lead");
}

TEST(FeedName, ExplainsWhereTheNameComesFrom) {
  FeedNameInputs in = inputs();
  stream_panel::FeedName shown = feedName(in);
  EXPECT_EQ(shown.explanation, "Follows the track name. Renaming the track renames the feed.");
  EXPECT_FALSE(shown.isError);
  EXPECT_EQ(shown.warning, "");

  // A host without track names, and a track really called Relaycaster.
  in.baseName = "Relaycaster";
  in.requestedName = "Relaycaster 2";
  EXPECT_EQ(feedName(in).explanation, "The host gives no track name, so the feed is called Relaycaster.");
}

TEST(FeedName, ShowsTheNdiErrorInsteadOfTheExplanation) {
  FeedNameInputs in = inputs();
  in.message = "The NDI runtime inside Relaycaster did not start. Reinstall Relaycaster.";
  for (int state : {3, 4}) {
    in.ndiState = state;
    const stream_panel::FeedName shown = feedName(in);
    EXPECT_EQ(shown.explanation, in.message);
    EXPECT_TRUE(shown.isError);
  }
  in.ndiState = 1;
  EXPECT_FALSE(feedName(in).isError);
}

TEST(FeedName, WarnsAboutClashesInThisProcessFirstThenOnTheComputer) {
  FeedNameInputs in = inputs();
  in.requestedName = "Vocals 2";
  in.inOtherInstance = true;
  in.numbered = true;
  EXPECT_EQ(feedName(in).warning,
            "Another Relaycaster here also sends \"Vocals\". This one is \"Vocals 2\". After a reopen the two can "
            "swap: give the tracks unique names.");
  in.inOtherInstance = false;
  EXPECT_EQ(feedName(in).warning,
            "Another program on this computer already sends \"Vocals 2\", so this one is numbered. Give the track a "
            "name of its own.");
  in.numbered = false;
  EXPECT_EQ(feedName(in).warning, "");
}

}  // namespace
}  // namespace relaycaster
