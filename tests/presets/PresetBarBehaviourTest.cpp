// The preset bar without drawing: its geometry and hit zones, stepping,
// arming, the menu snapshot and "Save as", and cutting names to a width.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presets/NameFitter.h"
#include "presets/PresetBarBehaviour.h"
#include "presets/PresetBarLayout.h"

namespace brightwold::controls {
namespace {

using framework::IRECT;

/// The design's figures are given to two decimals, some summed from
/// rounded parts, so they hold to within 0.01.
void ExpectSpan(const IRECT& r, float left, float right) {
  EXPECT_NEAR(r.L, left, 0.01f);
  EXPECT_NEAR(r.R, right, 0.01f);
}

TEST(PresetBarLayout, TheEditorsBarHasTheFiguresOfItsDesign) {
  const PresetBarLayout layout = PresetBarLayout::Compute({0, 0, 880, 32}, {1.f, 28.f, 28.f, true});
  EXPECT_NEAR(layout.edge, 5.76f, 1e-4f);
  EXPECT_NEAR(layout.square, 20.48f, 1e-4f);
  for (int z = kZonePrevious; z <= kZoneMenu; ++z) {
    EXPECT_NEAR(layout.Zone(z).T, 5.76f, 1e-4f) << z;
    EXPECT_NEAR(layout.Zone(z).B, 26.24f, 1e-4f) << z;
  }
  ExpectSpan(layout.Zone(kZonePrevious), 22.27f, 42.75f);
  ExpectSpan(layout.Zone(kZoneName), 42.75f, 252.75f);
  ExpectSpan(layout.Zone(kZoneNext), 252.75f, 273.23f);
  ExpectSpan(layout.Zone(kZoneSave), 283.47f, 353.10f);
  ExpectSpan(layout.Zone(kZoneSaveAs), 356.38f, 426.01f);
  ExpectSpan(layout.Zone(kZoneDelete), 429.29f, 498.92f);
  ExpectSpan(layout.Zone(kZoneMenu), 837.05f, 857.53f);
  EXPECT_NEAR(layout.Zone(kZoneSave).W(), 69.632f, 1e-3f);
  // The entry is 220 wide around the name field's centre, as tall as the row.
  const IRECT entry = layout.SaveAsEntryRect();
  ExpectSpan(entry, 147.75f - 110.f, 147.75f + 110.f);
  EXPECT_EQ(entry.T, layout.Zone(kZoneName).T);
  ExpectSpan(layout.NameTextArea(), 42.75f + 5.76f, 252.75f - 5.76f);
}

TEST(PresetBarLayout, ANarrowBarShrinksOnlyTheNameFieldAndNeverBelowASquare) {
  const PresetBarLayout narrow = PresetBarLayout::Compute({0, 0, 400, 32}, {1.f, 28.f, 28.f, true});
  const float name = narrow.Zone(kZoneName).W();
  EXPECT_LT(name, 210.f);
  EXPECT_NEAR(narrow.Zone(kZoneDelete).R, narrow.Zone(kZoneMenu).L - 0.5f * narrow.square, 1e-3f);
  const PresetBarLayout tiny = PresetBarLayout::Compute({0, 0, 120, 32}, {1.f, 28.f, 28.f, true});
  EXPECT_NEAR(tiny.Zone(kZoneName).W(), tiny.square, 1e-4f);
  // The entry keeps its own width limit around a small field.
  EXPECT_NEAR(tiny.SaveAsEntryRect().W(), 220.f, 1e-3f);
  // A scale widens the limits; without a menu there is more room on the right.
  const PresetBarLayout wide = PresetBarLayout::Compute({0, 0, 880, 32}, {1.5f, 28.f, 28.f, false});
  EXPECT_NEAR(wide.Zone(kZoneName).W(), 315.f, 1e-3f);
  EXPECT_NEAR(wide.SaveAsEntryRect().W(), 330.f, 1e-3f);
  // A short bar keeps an edge of at least 2.
  EXPECT_FLOAT_EQ(PresetBarLayout::Compute({0, 0, 880, 10}, {}).edge, 2.f);
}

TEST(PresetBarLayout, HitTestTakesLeftAndTopEdgesAndTheMenuOnlyWhenThereIsOne) {
  const PresetBarLayout layout = PresetBarLayout::Compute({0, 0, 880, 32}, {1.f, 28.f, 28.f, true});
  const IRECT name = layout.Zone(kZoneName);
  EXPECT_EQ(layout.HitTest(name.L, name.T), kZoneName);  // shared edge: the later zone's left edge
  EXPECT_EQ(layout.HitTest(name.R, 16), kZoneNext);
  EXPECT_EQ(layout.HitTest(name.L - 0.01f, 16), kZonePrevious);
  EXPECT_EQ(layout.HitTest(100, name.B), kZoneNone);
  EXPECT_EQ(layout.HitTest(100, name.T - 0.01f), kZoneNone);
  EXPECT_EQ(layout.HitTest(278, 16), kZoneNone);  // the gap before "Save"
  EXPECT_EQ(layout.HitTest(430, 16), kZoneDelete);
  EXPECT_EQ(layout.HitTest(847, 16), kZoneMenu);
  EXPECT_EQ(layout.HitTest(10, 16), kZoneNone);
  const PresetBarLayout noMenu = PresetBarLayout::Compute({0, 0, 880, 32}, {1.f, 28.f, 28.f, false});
  EXPECT_EQ(noMenu.HitTest(847, 16), kZoneNone);
  EXPECT_TRUE(noMenu.Zone(kZoneMenu).Empty());
}

TEST(PresetBarStepping, WrapsAroundAndStartsAtAnEndFromAnUnlistedPreset) {
  const std::vector<std::string> names{"A", "B", "C"};
  EXPECT_EQ(StepTarget(names, "C", +1), "A");
  EXPECT_EQ(StepTarget(names, "A", -1), "C");
  EXPECT_EQ(StepTarget(names, "B", +1), "C");
  EXPECT_EQ(StepTarget(names, "B", -1), "A");
  EXPECT_EQ(StepTarget(names, "Gone", -1), "C");
  EXPECT_EQ(StepTarget(names, "Gone", +1), "A");
  EXPECT_EQ(StepTarget(names, "", +1), "A");
  EXPECT_EQ(StepTarget({"Only"}, "Only", +1), "Only");
  EXPECT_EQ(StepTarget({}, "A", +1), std::nullopt);
  EXPECT_EQ(StepTarget({"X", "X", "Y"}, "X", +1), "X");  // the first equal name counts
}

/// Actions on a list of names the test changes, recording every call.
class BarActions : public ::testing::Test {
 protected:
  PresetBarActions Actions(bool withMenu = true) {
    PresetBarActions actions;
    actions.listNames = [this] {
      ++listings;
      return names;
    };
    actions.currentName = [this] { return current; };
    actions.load = [this](const std::string& name) { calls.push_back("load " + name); current = name; };
    actions.save = [this](const std::string& name) { calls.push_back("save " + name); };
    actions.remove = [this](const std::string& name) { calls.push_back("delete " + name); };
    actions.modified = [] { return false; };
    if (withMenu) actions.openMenu = [this](const IRECT&) { calls.push_back("menu"); };
    return actions;
  }

  std::vector<std::string> names{"Alpha", "Beta", "Gamma"};
  std::string current;
  std::vector<std::string> calls;
  int listings = 0;
};

TEST_F(BarActions, ArrowsStepAndListAfreshEveryTime) {
  PresetBarBehaviour bar(Actions());
  current = "Gamma";
  EXPECT_EQ(bar.Press(kZoneNext), PresetBarBehaviour::Request::None);
  EXPECT_EQ(current, "Alpha");
  names.push_back("Delta");  // saved by another instance meanwhile
  bar.Press(kZonePrevious);
  EXPECT_EQ(current, "Delta");
  EXPECT_EQ(listings, 2);
  names.clear();
  bar.Press(kZoneNext);
  EXPECT_FALSE(bar.HasPresets());
  EXPECT_EQ(calls, (std::vector<std::string>{"load Alpha", "load Delta"}));
}

TEST_F(BarActions, SaveAndDeleteNeedACurrentPresetAndDeleteNeedsTwoPresses) {
  PresetBarBehaviour bar(Actions());
  bar.Press(kZoneSave);
  bar.Press(kZoneDelete);
  EXPECT_TRUE(bar.ArmedName().empty());
  EXPECT_TRUE(calls.empty());

  current = "Beta";
  bar.Press(kZoneSave);
  bar.Press(kZoneDelete);
  EXPECT_TRUE(bar.IsArmedFor("Beta"));
  bar.Press(kZoneDelete);
  EXPECT_FALSE(bar.IsArmedFor("Beta"));
  EXPECT_EQ(calls, (std::vector<std::string>{"save Beta", "delete Beta"}));

  // Armed for a preset that is no longer current: the press re-arms.
  bar.Press(kZoneDelete);
  current = "Gamma";
  bar.Press(kZoneDelete);
  EXPECT_TRUE(bar.IsArmedFor("Gamma"));
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(BarActions, ArmingEndsWithAPressElsewhereLeavingDeleteOrLeavingTheBar) {
  PresetBarBehaviour bar(Actions());
  current = "Alpha";
  const auto armThenDo = [&](auto&& action) {
    bar.Hover(kZoneDelete);
    bar.Press(kZoneDelete);
    EXPECT_TRUE(bar.IsArmedFor("Alpha"));
    action();
    EXPECT_FALSE(bar.IsArmedFor("Alpha"));
  };
  armThenDo([&] { bar.Hover(kZoneSaveAs); });
  armThenDo([&] { bar.Leave(); });
  armThenDo([&] { EXPECT_EQ(bar.Press(kZoneNone), PresetBarBehaviour::Request::None); });
  armThenDo([&] { EXPECT_EQ(bar.Press(kZoneSaveAs), PresetBarBehaviour::Request::SaveAsEntry); });
  armThenDo([&] { EXPECT_EQ(bar.Press(kZoneMenu), PresetBarBehaviour::Request::SettingsMenu); });
  // Back on "Delete" after the move away, a press only arms again.
  bar.Hover(kZoneDelete);
  bar.Press(kZoneDelete);
  EXPECT_TRUE(bar.IsArmedFor("Alpha"));
  EXPECT_TRUE(calls.empty());
}

TEST_F(BarActions, HoveringListsOnlyWhenEnteringTheBar) {
  PresetBarBehaviour bar(Actions());
  EXPECT_TRUE(bar.Hover(kZoneName));
  EXPECT_FALSE(bar.Hover(kZoneName));
  EXPECT_TRUE(bar.Hover(kZoneSave));
  EXPECT_EQ(listings, 1);
  bar.Leave();
  bar.Hover(kZoneNext);
  EXPECT_EQ(listings, 2);
  bar.EnsureListed();
  EXPECT_EQ(listings, 2);
}

TEST_F(BarActions, TheMenuLoadsFromItsSnapshotAndIgnoresDismissalsAndStrayIndices) {
  PresetBarBehaviour bar(Actions());
  current = "Beta";
  framework::IPopupMenu menu;
  EXPECT_EQ(bar.Press(kZoneName), PresetBarBehaviour::Request::PresetMenu);
  ASSERT_TRUE(bar.FillPresetMenu(menu));
  ASSERT_EQ(menu.NItems(), 3);
  EXPECT_EQ(menu.GetItem(0).text, "Alpha");
  EXPECT_TRUE(menu.GetItem(1).checked);
  EXPECT_FALSE(menu.GetItem(2).checked);
  names = {"Zeta"};  // the folder changed while the menu was open
  bar.PresetMenuChosen(2);
  bar.PresetMenuChosen(-1);
  bar.PresetMenuChosen(3);
  EXPECT_EQ(calls, (std::vector<std::string>{"load Gamma"}));

  names.clear();
  EXPECT_FALSE(bar.FillPresetMenu(menu));
  EXPECT_EQ(menu.NItems(), 3);  // untouched, never opened
}

TEST_F(BarActions, SaveAsTrimsAndIgnoresCancelledAndBlankEntries) {
  PresetBarBehaviour bar(Actions());
  bar.SaveAsCompleted(nullptr);
  bar.SaveAsCompleted(" \t  ");
  const int before = listings;
  bar.SaveAsCompleted("\t Warm pad  ");
  EXPECT_EQ(calls, (std::vector<std::string>{"save Warm pad"}));
  EXPECT_EQ(listings, before + 1);

  PresetBarActions noSave = Actions();
  noSave.save = nullptr;
  PresetBarBehaviour withoutSave(std::move(noSave));
  withoutSave.SaveAsCompleted("Name");
  EXPECT_EQ(calls.size(), 1u);
}

TEST_F(BarActions, WithoutTheMenuActionTheMenuZoneDoesNothing) {
  PresetBarBehaviour bar(Actions(false));
  EXPECT_FALSE(bar.HasMenuButton());
  EXPECT_EQ(bar.Press(kZoneMenu), PresetBarBehaviour::Request::None);
  PresetBarBehaviour none(PresetBarActions{});  // nothing bound at all
  none.Press(kZoneNext);
  none.Press(kZoneSave);
  none.SaveAsCompleted("x");
  EXPECT_FALSE(none.HasPresets());
  EXPECT_TRUE(none.Current().empty());
}

/// One unit per byte, so widths are easy to reason about; counts calls.
struct ByteMeasure {
  float operator()(std::string_view text) {
    ++*calls;
    return static_cast<float>(text.size());
  }
  int* calls;
};

TEST(NameFitter, CutsWholeCharactersAppendsTheEllipsisAndCaches) {
  int calls = 0;
  NameFitter fitter;
  const ByteMeasure measure{&calls};
  EXPECT_EQ(fitter.Fit("Short", 10, measure), "Short");
  EXPECT_EQ(fitter.Fit("Short", 10.4f, measure), "Short");
  EXPECT_EQ(calls, 1);  // same text, width within 0.5: cached
  EXPECT_EQ(fitter.Fit("Short", 4, measure), "S\xE2\x80\xA6");  // 1 + 3 bytes
  EXPECT_EQ(fitter.Fit("Short", 2, measure), "\xE2\x80\xA6");
  EXPECT_EQ(fitter.Fit("", 0, measure), "");

  // "Ä" is two bytes, "€" three: a cut never splits one.
  const std::string name = "\xC3\x84\xE2\x82\xAC\xC3\x84\xE2\x82\xAC";  // "Ä€Ä€", 10 bytes
  for (float width = 0; width <= 11; width += 1) {
    const std::string fitted = fitter.Fit(name, width, measure);
    if (fitted == name) {
      EXPECT_GE(width, 10);
      continue;
    }
    const std::string kept = fitted.substr(0, fitted.size() - kEllipsis.size());
    EXPECT_EQ(fitted.substr(kept.size()), kEllipsis);
    EXPECT_EQ(name.compare(0, kept.size(), kept), 0);
    EXPECT_TRUE(kept.size() == 0 || kept.size() == 2 || kept.size() == 5 || kept.size() == 7) << width;
    EXPECT_LE(static_cast<float>(fitted.size()), std::max(width, 3.f));
  }
}

TEST(NameFitter, TakesTheLongestCutThatFitsAndStaysQuickOnHugeNames) {
  int calls = 0;
  NameFitter fitter;
  const ByteMeasure measure{&calls};
  EXPECT_EQ(fitter.Fit("abcdefghij", 8, measure), "abcde\xE2\x80\xA6");
  // A stray continuation byte belongs to the character before it.
  EXPECT_EQ(fitter.Fit(std::string("ab\x80\x80" "cdef"), 7, measure), std::string("ab\x80\x80\xE2\x80\xA6"));
  EXPECT_EQ(fitter.Fit(std::string("\x80\x80\x80\x80\x80"), 4, measure), "\xE2\x80\xA6");

  calls = 0;
  const std::string huge(1 << 20, 'x');
  EXPECT_EQ(fitter.Fit(huge, 100, measure), std::string(97, 'x') + std::string(kEllipsis));
  EXPECT_LT(calls, 30);
}

TEST(NameFitter, DropLastCharacterRemovesALeadByteWithItsContinuations) {
  std::string text = "a\xE2\x82\xAC";
  DropLastUtf8Character(text);
  EXPECT_EQ(text, "a");
  DropLastUtf8Character(text);
  EXPECT_EQ(text, "");
  DropLastUtf8Character(text);
  EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace brightwold::controls
