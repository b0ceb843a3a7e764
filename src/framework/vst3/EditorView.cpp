// EditorView: the parts of the editor view that are the same on every
// system (size, scale, snapshot, reference counting).
#include "framework/vst3/EditorView.h"

#include <cmath>
#include <mutex>
#include <string>

#include "framework/graphics/CairoBackend.h"
#include "framework/graphics/IGraphics.h"
#include "framework/vst3/Guarded.h"
#include "framework/vst3/IPlugVST3.h"

namespace framework::vst3 {

using namespace Steinberg;

namespace {

constexpr float kMinScale = 0.25f;
constexpr float kMaxScale = 8.f;

bool UsableScale(float scale) { return std::isfinite(scale) && scale >= kMinScale && scale <= kMaxScale; }

template <class Interface>
bool Offer(const TUID iid, Interface* candidate, void** obj) {
  if (!FUnknownPrivate::iidEqual(iid, Interface::iid)) return false;
  candidate->addRef();
  *obj = candidate;
  return true;
}

}  // namespace

EditorView::EditorView(IPlugVST3& owner) : mOwner(owner) { mOwner.addRef(); }

EditorView::~EditorView() {
  // A host that releases the view without removing it first.
  try {
    if (mPlatform) {
      std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
      RemovePlatform();
    }
  } catch (...) {
  }
  mPlatform.reset();
  mOwner.release();
}

tresult PLUGIN_API EditorView::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  IPlugView* view = this;
  const bool found = Offer<FUnknown>(iid, view, obj) || Offer<IPlugView>(iid, view, obj) ||
                     Offer<IPlugViewContentScaleSupport>(iid, this, obj) || Offer<IEditorSnapshot>(iid, this, obj);
  return found ? kResultOk : kNoInterface;
}

uint32 PLUGIN_API EditorView::addRef() { return mRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 PLUGIN_API EditorView::release() {
  // acq_rel: every use on other threads happens before the deletion.
  const uint32 left = mRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

tresult PLUGIN_API EditorView::isPlatformTypeSupported(FIDString type) {
  return type && PlatformTypeSupported(type) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API EditorView::attached(void* parent, FIDString type) {
  if (!parent || !type) return kInvalidArgument;
  if (!PlatformTypeSupported(type)) return kResultFalse;
  if (mPlatform) return kResultFalse;
  return Guarded([&] {
    std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
    return AttachPlatform(parent);
  });
}

tresult PLUGIN_API EditorView::removed() {
  if (!mPlatform) return kResultFalse;
  return Guarded([&] {
    std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
    RemovePlatform();
    mHostSize.reset();
    mAnsweredSize.reset();
    return kResultOk;
  });
}

tresult PLUGIN_API EditorView::onWheel(float distance) {
  if (!mPlatform) return kResultFalse;
  return Guarded([&] {
    std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
    return WheelPlatform(distance) ? kResultTrue : kResultFalse;
  });
}

// The window reads the keyboard itself.
tresult PLUGIN_API EditorView::onKeyDown(char16, int16, int16) { return kResultFalse; }
tresult PLUGIN_API EditorView::onKeyUp(char16, int16, int16) { return kResultFalse; }
tresult PLUGIN_API EditorView::onFocus(TBool /*state*/) { return kResultOk; }

IGraphics* EditorView::Graphics() const { return mPlatform ? mOwner.Plugin().GetGraphics() : nullptr; }

tresult PLUGIN_API EditorView::getSize(ViewRect* size) {
  if (!size) return kInvalidArgument;
  return Guarded([&] {
    std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
    if (mHostSize) {
      *size = *mHostSize;
    } else if (IGraphics* graphics = Graphics()) {
      *size = ViewRect(0, 0, graphics->WindowWidth(), graphics->WindowHeight());
    } else {
      *size = ViewRect(0, 0, mOwner.Plugin().WindowWidth(), mOwner.Plugin().WindowHeight());
      mAnsweredSize = *size;
    }
    return kResultOk;
  });
}

void EditorView::ApplyHostSize(const ViewRect& size) {
  mHostSize = size;
  const int width = size.getWidth();
  const int height = size.getHeight();
  if (width <= 0 || height <= 0) return;
  mOwner.Plugin().HostWindowResized(width, height);
  if (IGraphics* graphics = Graphics()) {
    graphics->OnHostResized(width, height);
    ResizePlatform(width, height);
  }
}

tresult PLUGIN_API EditorView::onSize(ViewRect* newSize) {
  if (!newSize) return kInvalidArgument;
  return Guarded([&] {
    std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
    if (mResizing) mHostSizedDuringResize = true;
    ApplyHostSize(*newSize);
    return kResultOk;
  });
}

tresult PLUGIN_API EditorView::setFrame(IPlugFrame* frame) {
  mFrame = frame;
  return kResultTrue;
}

tresult PLUGIN_API EditorView::canResize() { return kResultTrue; }

tresult PLUGIN_API EditorView::checkSizeConstraint(ViewRect* rect) {
  if (!rect) return kInvalidArgument;
  return Guarded([&] {
    std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
    int width = rect->getWidth();
    int height = rect->getHeight();
    mOwner.Plugin().ConstrainWindowSize(width, height);
    // The top-left corner stays where the host has it.
    rect->right = rect->left + width;
    rect->bottom = rect->top + height;
    return kResultTrue;
  });
}

tresult PLUGIN_API EditorView::setContentScaleFactor(ScaleFactor factor) {
  if (!UsableScale(factor)) return kInvalidArgument;
  return Guarded([&] {
    std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
    mContentScale = factor;
    ApplyScreenScale(factor);
    return kResultOk;
  });
}

void EditorView::ApplyScreenScale(float scale) {
  IGraphics* graphics = Graphics();
  if (!graphics || std::fabs(graphics->GetScreenScale() - scale) < 1e-4f) return;
  graphics->SetScreenScale(scale);
  RequestResizeFromHost(graphics->WindowWidth(), graphics->WindowHeight());
}

void EditorView::OnSystemScaleChanged(float scale) {
  if (!mContentScale && UsableScale(scale)) ApplyScreenScale(scale);
}

float EditorView::ScreenScaleFor(Platform& platform) const {
  if (mContentScale) return *mContentScale;
  const float system = SystemScreenScale(platform);
  return UsableScale(system) ? system : 1.f;
}

bool EditorView::RequestResizeFromHost(int width, int height) {
  if (!mFrame || width <= 0 || height <= 0) return false;
  ViewRect size(0, 0, width, height);
  mResizing = true;
  mHostSizedDuringResize = false;
  const tresult result = mFrame->resizeView(this, &size);
  mResizing = false;
  if (result != kResultTrue) return false;
  // The host agreed; one that does not call onSize itself gets the size now.
  if (!mHostSizedDuringResize) ApplyHostSize(size);
  return true;
}

tresult PLUGIN_API EditorView::renderSnapshot(const char8* pngPath, float scale) {
  if (!pngPath || !UsableScale(scale)) return kInvalidArgument;
  return Guarded([&]() -> tresult {
    std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
    IPlugAPIBase& plugin = mOwner.Plugin();
    if (mPlatform || plugin.GetGraphics()) return kResultFalse;  // the editor is open in a window
    const int keptWidth = plugin.WindowWidth();
    const int keptHeight = plugin.WindowHeight();
    IGraphics* graphics = plugin.OpenEditor();
    if (!graphics) return kResultFalse;
    struct Closer {
      IPlugAPIBase& plugin;
      int width;
      int height;
      ~Closer() {
        plugin.CloseEditor();
        plugin.SetWindowSize(width, height);
      }
    } closer{plugin, keptWidth, keptHeight};
    graphics->Resize(graphics->Width(), graphics->Height(), scale, false);
    // One tick, as the editor gets after opening: it sets the texts the
    // layout leaves to the tick (title, footer).
    mOwner.Scheduler().HostTimerFired();
    graphics->DrawAll();
    const bool written = WritePng(graphics->Pixels(), pngPath);
    return written ? kResultOk : kResultFalse;
  });
}

}  // namespace framework::vst3
