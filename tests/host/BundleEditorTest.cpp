// The built plug-in's editor view as a host meets it before any window
// exists: creating views, sizes, scale, and the off-screen snapshot.
#include <cairo.h>
#include <stdlib.h>

#include <array>
#include <filesystem>

#include "BundleFixture.h"
#include "framework/vst3/IEditorSnapshot.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace hosttest {
namespace {

using namespace Steinberg;
using framework::vst3::IEditorSnapshot;

/// A view the test owns one reference to.
struct View {
  explicit View(IPlugView* created) : view(created) {}
  ~View() {
    if (view) view->release();
  }
  template <class Interface>
  Interface* as(const TUID iid) {
    void* obj = nullptr;
    if (!view || view->queryInterface(iid, &obj) != kResultOk) return nullptr;
    return static_cast<Interface*>(obj);
  }
  IPlugView* view;
};

/// RGB at a pixel of a PNG file (cairo reads it).
struct Png {
  explicit Png(const std::string& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Png() { cairo_surface_destroy(surface); }
  bool ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface); }
  int height() const { return cairo_image_surface_get_height(surface); }
  std::array<int, 3> at(int x, int y) const {
    const uint8_t* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    const uint32_t pixel = reinterpret_cast<const uint32_t*>(row)[x];
    return {int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
  }
  cairo_surface_t* surface;
};

ViewRect SizeOf(IPlugView* view) {
  ViewRect size;
  EXPECT_EQ(view->getSize(&size), kResultOk);
  return size;
}

TEST_F(BundleFixture, TheEditorViewIsOfferedUnderItsNameOnly) {
  View editor(instance->Controller()->createView(Vst::ViewType::kEditor));
  ASSERT_NE(editor.view, nullptr);
  EXPECT_EQ(instance->Controller()->createView("other"), nullptr);
  EXPECT_EQ(instance->Controller()->createView(nullptr), nullptr);
  EXPECT_EQ(editor.view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
  EXPECT_EQ(editor.view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
  EXPECT_EQ(editor.view->isPlatformTypeSupported(nullptr), kResultFalse);
  EXPECT_EQ(editor.view->canResize(), kResultTrue);
  // Probing views is cheap: many come and go without any window.
  for (int i = 0; i < 100; ++i) View(instance->Controller()->createView(Vst::ViewType::kEditor));
}

TEST_F(BundleFixture, WrongAttachmentsAndRemovalsAreRefused) {
  View editor(instance->Controller()->createView(Vst::ViewType::kEditor));
  int dummy = 0;
  EXPECT_EQ(editor.view->attached(nullptr, kPlatformTypeX11EmbedWindowID), kInvalidArgument);
  EXPECT_EQ(editor.view->attached(&dummy, nullptr), kInvalidArgument);
  EXPECT_EQ(editor.view->attached(&dummy, kPlatformTypeHWND), kResultFalse);
  EXPECT_EQ(editor.view->removed(), kResultFalse);  // nothing attached
  EXPECT_EQ(editor.view->getSize(nullptr), kInvalidArgument);
  EXPECT_EQ(editor.view->onSize(nullptr), kInvalidArgument);
  EXPECT_EQ(editor.view->checkSizeConstraint(nullptr), kInvalidArgument);
}

TEST_F(BundleFixture, SizesComeFromThePluginUntilTheHostSetsOneThenExactlyThatOne) {
  View editor(instance->Controller()->createView(Vst::ViewType::kEditor));
  const ViewRect initial = SizeOf(editor.view);
  EXPECT_EQ(initial.getWidth(), 880);
  EXPECT_EQ(initial.getHeight(), 562);

  // A proposal is brought to the bounds and the aspect, its corner kept.
  ViewRect proposal(10, 20, 1010, 1020);
  EXPECT_EQ(editor.view->checkSizeConstraint(&proposal), kResultTrue);
  EXPECT_EQ(proposal.left, 10);
  EXPECT_EQ(proposal.top, 20);
  EXPECT_EQ(proposal.getWidth(), 1000);
  EXPECT_EQ(proposal.getHeight(), 639);
  ViewRect tiny(0, 0, 500, 300);
  editor.view->checkSizeConstraint(&tiny);
  EXPECT_EQ(tiny.getWidth(), 660);
  EXPECT_EQ(tiny.getHeight(), 422);

  // After onSize the answer is the host's own size, even one off the aspect.
  ViewRect set(0, 0, 1000, 700);
  EXPECT_EQ(editor.view->onSize(&set), kResultOk);
  const ViewRect answered = SizeOf(editor.view);
  EXPECT_EQ(answered.getWidth(), 1000);
  EXPECT_EQ(answered.getHeight(), 700);
}

TEST_F(BundleFixture, ContentScaleOutsideTheUsableRangeIsRefused) {
  View editor(instance->Controller()->createView(Vst::ViewType::kEditor));
  auto* scale = editor.as<IPlugViewContentScaleSupport>(INLINE_UID_OF(IPlugViewContentScaleSupport));
  ASSERT_NE(scale, nullptr);
  EXPECT_EQ(scale->setContentScaleFactor(2.f), kResultOk);
  EXPECT_EQ(scale->setContentScaleFactor(0.f), kInvalidArgument);
  EXPECT_EQ(scale->setContentScaleFactor(-1.f), kInvalidArgument);
  EXPECT_EQ(scale->setContentScaleFactor(100.f), kInvalidArgument);
  scale->release();
}

TEST_F(BundleFixture, SnapshotDrawsTheEditorWithoutAnyDisplay) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  View editor(instance->Controller()->createView(Vst::ViewType::kEditor));
  auto* snapshot = editor.as<IEditorSnapshot>(INLINE_UID_OF(framework::vst3::IEditorSnapshot));
  ASSERT_NE(snapshot, nullptr);
  const std::string folder = ::testing::TempDir();
  for (float scale : {1.f, 2.f}) {
    const std::string path = folder + "/relaycaster-snapshot-" + std::to_string(int(scale)) + ".png";
    ASSERT_EQ(snapshot->renderSnapshot(path.c_str(), scale), kResultOk);
    Png png(path);
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png.width(), int(880 * scale));
    EXPECT_EQ(png.height(), int(562 * scale));
    EXPECT_EQ(png.at(int(5 * scale), int(40 * scale)), (std::array<int, 3>{10, 10, 10}));   // window background
    EXPECT_EQ(png.at(int(20 * scale), int(100 * scale)), (std::array<int, 3>{20, 20, 20}));  // the panel
    std::filesystem::remove(path);
  }
  // The window size the plug-in keeps is the one it had.
  EXPECT_EQ(SizeOf(editor.view).getWidth(), 880);

  EXPECT_EQ(snapshot->renderSnapshot(nullptr, 1.f), kInvalidArgument);
  EXPECT_EQ(snapshot->renderSnapshot((folder + "/x.png").c_str(), 0.f), kInvalidArgument);
  EXPECT_EQ(snapshot->renderSnapshot((folder + "/x.png").c_str(), 9.f), kInvalidArgument);
  EXPECT_EQ(snapshot->renderSnapshot("/nonexistent-folder/x.png", 1.f), kResultFalse);
  snapshot->release();
  if (display) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
}  // namespace hosttest
