#include <gtest/gtest.h>

#include "core/InstanceRegistry.h"

namespace relaycaster {
namespace {

// Distinct addresses stand for plug-in instances.
struct Instances {
  int a = 0, b = 0, c = 0, d = 0;
};

TEST(InstanceRegistry, TwoInstancesOnTheSameTrackNameAreToldApart) {
  InstanceRegistry registry;
  Instances i;
  EXPECT_EQ(registry.claimName(&i.a, "Vocals"), "Vocals");
  EXPECT_EQ(registry.claimName(&i.b, "Vocals"), "Vocals 2");
  EXPECT_TRUE(registry.sharesBaseName(&i.a));
  EXPECT_TRUE(registry.sharesBaseName(&i.b));

  // Asking again with the same base name keeps the name given.
  EXPECT_EQ(registry.claimName(&i.a, "Vocals"), "Vocals");
  EXPECT_EQ(registry.claimName(&i.b, "Vocals"), "Vocals 2");

  // Renaming one track ends the clash for both.
  EXPECT_EQ(registry.claimName(&i.b, "Backing"), "Backing");
  EXPECT_FALSE(registry.sharesBaseName(&i.a));
  EXPECT_FALSE(registry.sharesBaseName(&i.b));
  EXPECT_FALSE(registry.sharesBaseName(&i.c));  // no entry at all
}

TEST(InstanceRegistry, UnnamedTracksAreNumberedInTheOrderTheyAsk) {
  InstanceRegistry registry;
  Instances i;
  EXPECT_EQ(registry.claimName(&i.a, "Relaycaster"), "Relaycaster");
  EXPECT_EQ(registry.claimName(&i.b, "Relaycaster"), "Relaycaster 2");
  EXPECT_EQ(registry.claimName(&i.c, "Relaycaster"), "Relaycaster 3");
}

TEST(InstanceRegistry, ReleasedNamesAreFreeAgain) {
  InstanceRegistry registry;
  Instances i;
  registry.claimName(&i.a, "Drums");
  registry.claimName(&i.b, "Drums");
  registry.claimName(&i.c, "Drums");
  registry.release(&i.b);
  EXPECT_EQ(registry.claimName(&i.d, "Drums"), "Drums 2");  // the lowest free number
  registry.release(&i.a);
  EXPECT_EQ(registry.claimName(&i.b, "Drums"), "Drums");
  registry.release(&i.a);  // releasing twice is harmless
  EXPECT_EQ(registry.claimName(&i.c, "Drums"), "Drums 3");
}

TEST(InstanceRegistry, ANameThatLooksNumberedIsSkippedByTheCounter) {
  InstanceRegistry registry;
  Instances i;
  EXPECT_EQ(registry.claimName(&i.a, "Drums 2"), "Drums 2");
  EXPECT_EQ(registry.claimName(&i.b, "Drums"), "Drums");
  EXPECT_EQ(registry.claimName(&i.c, "Drums"), "Drums 3");
  EXPECT_FALSE(registry.sharesBaseName(&i.a));  // its base name is its own
  EXPECT_TRUE(registry.sharesBaseName(&i.c));
}

TEST(InstanceRegistry, RenamingBackTakesTheFirstFreeName) {
  InstanceRegistry registry;
  Instances i;
  registry.claimName(&i.a, "Vocals");
  registry.claimName(&i.b, "Vocals");
  registry.claimName(&i.a, "Lead");  // frees "Vocals"
  EXPECT_EQ(registry.claimName(&i.b, "Vocals"), "Vocals 2");  // unchanged: same base name
  EXPECT_EQ(registry.claimName(&i.c, "Vocals"), "Vocals");
}

TEST(InstanceRegistry, TheProcessHasOne) {
  EXPECT_EQ(&InstanceRegistry::instance(), &InstanceRegistry::instance());
}

}  // namespace
}  // namespace relaycaster
