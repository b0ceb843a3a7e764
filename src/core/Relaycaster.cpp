#include "core/Relaycaster.h"

#include <algorithm>
#include <cmath>

#include "core/InstanceRegistry.h"
#include "core/WindowScale.h"
#include "editor/EditorLayout.h"
#include "framework/graphics/Resources.h"
#include "files/DataFolders.h"
#include "framework/Denormals.h"
#include "updates/UpdateCheck.h"
#include "updates/UpdateWorker.h"

namespace relaycaster {

using framework::IParam;

framework::PluginConfig MakeRelaycasterConfig() {
  framework::PluginConfig config;
  config.nParams = kParamCount;
  config.nPresets = 1;
  config.channelIO = "1-1 2-2";
  config.pluginName = "Relaycaster";
  config.productName = "Relaycaster";
  config.mfrName = "Brightwold";
  config.vendorVersion = 0x00000402;
  config.uniqueID = framework::FourCharCode("BwRc");
  config.mfrID = framework::FourCharCode("Bwld");
  config.latency = 0;
  config.plugHasUI = true;
  config.hostResizeEditor = true;
  config.editorWidth = 880;
  config.editorHeight = 562;
  config.minWidth = 660;
  config.maxWidth = 1760;
  config.minHeight = 429;
  config.maxHeight = 1144;
  config.fps = 60;
  return config;
}

Relaycaster::Relaycaster()
    : IPlugAPIBase(MakeRelaycasterConfig()),
      mEditorResources(framework::ModuleResourceLoader()),
      mPresets(*this, *this, [] { return PresetsFolder(); }),
      mUpdateCheck(std::make_shared<brightwold::updates::UpdateCheck>(SharedDataFolder(), kProductKey, kVersionText)),
      mUpdateWorker(std::make_unique<brightwold::updates::UpdateWorker>(mUpdateCheck)) {
  declareParameters();
  SetEditorFunctions([this] { return MakeEditor(*this); },
                     [this](framework::IGraphics& g) { LayoutEditor(*this, g); });
}

Relaycaster::~Relaycaster() {
  CloseEditor();  // its controls reach into everything below
  mNdi.stop();
  mSrt.stop();
  InstanceRegistry::instance().release(this);
  mUpdateWorker.reset();
}

void Relaycaster::declareParameters() {
  GetParam(kBypass)->InitBool("Bypass", false);
  GetParam(kNdiOn)->InitBool("NDI", true);
  GetParam(kNdiLevel)->InitDouble("NDI level", 0.0, -60.0, 12.0, 0.1, "dB");
  GetParam(kNdiBuffer)->InitDouble("NDI buffer", 40.0, 10.0, 1000.0, 1.0, "smp", IParam::Shape::Exponential);
  GetParam(kSrtOn)->InitBool("SRT", false);
  GetParam(kSrtMode)->InitEnum("SRT mode", kSrtModeCaller, {"Caller", "Listener"});
  GetParam(kSrtCodec)->InitEnum("SRT codec", kSrtCodecAac, {"AAC", "PCM"});
  GetParam(kSrtBitrate)->InitEnum("SRT bitrate", 0, {"auto", "96", "128", "160", "192"});
  GetParam(kSrtPort)->InitInt("SRT port", 9000, 1, 65535);
  GetParam(kSrtLatency)->InitDouble("SRT latency", 200.0, 20.0, 8000.0, 1.0, "ms", IParam::Shape::Exponential);
  GetParam(kSrtLevel)->InitDouble("SRT level", 0.0, -60.0, 12.0, 0.1, "dB");
  GetParam(kSrtBuffer)->InitDouble("SRT buffer", 40.0, 10.0, 1000.0, 1.0, "smp", IParam::Shape::Exponential);

  // Display texts read only the host rate and the SRT feed's channel count,
  // both single words, so they are safe on any thread.
  for (int level : {kNdiLevel, kSrtLevel}) GetParam(level)->SetDisplayFunc(levelText);
  for (int buffer : {kNdiBuffer, kSrtBuffer})
    GetParam(buffer)->SetDisplayFunc([this](double value) { return bufferText(value, GetSampleRate()); });
  GetParam(kSrtBitrate)->SetDisplayFunc([this](double value) { return bitrateText(value, mSrt.feed().channels()); });
  GetParam(kSrtLatency)->SetDisplayFunc(latencyText);
}

void Relaycaster::RenderBlock(double** inputs, double** outputs, int nFrames) {
  framework::ScopedFlushDenormals flushDenormals;
  const int inputCount = inputs ? NInChansConnected() : 0;
  PassThrough(inputs, inputCount, outputs, NOutChansConnected(), nFrames);
  if (GetRenderingOffline()) return;  // an offline bounce sends nothing

  mNdi.feed().push(inputs, inputCount, nFrames, mNdiGain(GetParam(kNdiLevel)->Value()));
  mSrt.feed().push(inputs, inputCount, nFrames, mSrtGain(GetParam(kSrtLevel)->Value()));
}

SrtTexts Relaycaster::srtTexts() const {
  std::lock_guard lock(srtTextsMutex);
  return mSrtTexts;
}

std::string Relaycaster::GetSrtText(int field) const {
  const SrtTexts texts = srtTexts();
  switch (field) {
    case kSrtHostField: return texts.host;
    case kSrtStreamIdField: return texts.streamId;
    case kSrtPassphraseField: return texts.passphrase;
    default: return {};
  }
}

// Each change is made in place under one hold of the lock, so that a state
// load on a host thread in between cannot be undone by a stale copy.
void Relaycaster::SetSrtText(int field, const std::string& text) {
  if (field == kSrtStreamIdField || field == kSrtPassphraseField) {
    std::lock_guard lock(srtTextsMutex);
    (field == kSrtStreamIdField ? mSrtTexts.streamId : mSrtTexts.passphrase) = text;
    return;
  }
  if (field != kSrtHostField) return;

  SrtAddress address = ParseSrtAddress(text);
  {
    std::lock_guard lock(srtTextsMutex);
    mSrtTexts.host = std::move(address.host);
    if (address.streamId) mSrtTexts.streamId = std::move(*address.streamId);
    if (address.passphrase) mSrtTexts.passphrase = std::move(*address.passphrase);
  }
  if (address.port) SetParamFromEditor(kSrtPort, *address.port);
  if (address.latencyMs) SetParamFromEditor(kSrtLatency, std::clamp(*address.latencyMs, 20, 8000));
}

void Relaycaster::SetParamFromEditor(int paramIdx, double plainValue) {
  BeginInformHostOfParamChange(paramIdx);
  SendParameterValueFromUI(paramIdx, GetParam(paramIdx)->ToNormalized(plainValue));
  EndInformHostOfParamChange(paramIdx);
}

void Relaycaster::setAccentColourIndex(int index) {
  if (mAccentColourIndex.exchange(index, std::memory_order_relaxed) != index)
    mEditorRebuildPending.store(true, std::memory_order_relaxed);
}

void Relaycaster::setBuiltSrtLayout(int mode, int codec) {
  mBuiltSrtMode.store(mode, std::memory_order_relaxed);
  mBuiltSrtCodec.store(codec, std::memory_order_relaxed);
  mLastFooter.clear();  // the new footer control starts empty: the next tick fills it
}

void Relaycaster::OnParamChangeUI(int paramIdx, framework::ParamSource) { ParamChangedUi(paramIdx); }

bool Relaycaster::ConstrainWindowSize(int& width, int& height) const {
  const framework::IEditor* editor = GetEditor();
  return ConstrainWindowSizeFor(width, height, editor ? editor->ScreenScale() : screenScale());
}

void Relaycaster::HostWindowResized(int width, int height) {
  framework::IEditor* editor = GetEditor();
  if (!editor) return;  // the size is not kept either
  const float screen = editor->ScreenScale();
  mScreenScale.store(screen, std::memory_order_relaxed);
  ConstrainWindowSize(width, height);  // adjusts in place; whether it was acceptable does not matter here
  const float scale = std::min(height / (screen * kDesignHeight), width / (screen * kDesignWidth));
  if (std::abs(scale - editor->DrawScale()) > 0.001f) editor->SetDrawScale(scale);
  SetWindowSize(width, height);
}

void Relaycaster::SetWindowScale(float scale) {
  int width = static_cast<int>(std::lround(scale * kDesignWidth));
  int height = static_cast<int>(std::lround(scale * kDesignHeight));
  ConstrainWindowSize(width, height);
  framework::IGraphics* graphics = GetGraphics();
  if (!graphics) return;
  const float drawScale = std::min(static_cast<float>(height) / kDesignHeight, static_cast<float>(width) / kDesignWidth);
  graphics->Resize(kDesignWidth, kDesignHeight, drawScale, true);
}

float Relaycaster::GetWindowScale() const {
  if (const framework::IGraphics* graphics = GetGraphics())
    return static_cast<float>(static_cast<int>(static_cast<float>(graphics->Width()) * graphics->GetDrawScale())) /
           kDesignWidth;
  const int width = WindowWidth();
  return width > 0 ? static_cast<float>(width) / (screenScale() * kDesignWidth) : 1.f;
}

// --- track identity -----------------------------------------------------------------

std::string Relaycaster::TrackBaseName() const { return mIdentity.TrackBaseName(GetChannelInfo()); }
std::string Relaycaster::WindowTitle() const { return mIdentity.WindowTitle(GetChannelInfo()); }
int Relaycaster::TrackColour() const { return mIdentity.TrackColour(GetChannelInfo()); }

AccentRgba Relaycaster::AccentColour(int alpha) const {
  return mIdentity.AccentColour(accentColourIndex(), alpha, GetChannelInfo());
}

stream_panel::FeedName Relaycaster::feedName() const {
  FeedNameInputs inputs;
  inputs.announcedName = mNdi.sourceName();
  inputs.requestedName = mNdi.requestedName();
  inputs.ndiState = static_cast<int>(mNdi.state());
  inputs.message = mNdi.message();
  inputs.baseName = TrackBaseName();
  inputs.inOtherInstance = mInOtherInstance;
  inputs.numbered = mNdi.numbered();
  return relaycaster::feedName(inputs);
}

}  // namespace relaycaster
