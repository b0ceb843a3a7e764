// The plug-in's periodic housekeeping on the user-interface thread: runs the
// transports, follows the host track, keeps the editor in step, and the
// status lines the editor shows.
#include <cmath>
#include <cstdio>

#include "core/InstanceRegistry.h"
#include "core/Relaycaster.h"

namespace relaycaster {
namespace {

using stream_panel::StateKind;
using stream_panel::StateLine;

constexpr const char* kBypassedDetail = "Relaycaster is bypassed";

StateLine offLine(bool bypassed) { return {StateKind::Neutral, "Off", bypassed ? kBypassedDetail : ""}; }

std::string receiversDetail(int receivers) {
  if (receivers == 0) return "no receivers yet";
  if (receivers == 1) return "1 receiver";
  return std::to_string(receivers) + " receivers";
}

}  // namespace

void Relaycaster::IdleTick() {
  manageNdi();
  manageSrt();
  if (framework::IEditor* editor = GetEditor()) mScreenScale.store(editor->ScreenScale(), std::memory_order_relaxed);
  followTrackColour();
  rebuildEditorIfPending();
  updateTitle();
  mPresets.runPendingSave();
  mPresets.checkModified();
  updateFooter();
}

void Relaycaster::manageNdi() {
  if (GetParam(kNdiOn)->Bool() && !isBypassed()) {
    AudioFeed& feed = mNdi.feed();
    feed.setSampleRate(GetSampleRate());
    feed.setBufferSeconds(GetParam(kNdiBuffer)->Value() / 1000.0);
    InstanceRegistry& registry = InstanceRegistry::instance();
    mNdi.start(registry.claimName(this, TrackBaseName()));
    mInOtherInstance = registry.sharesBaseName(this);
    return;
  }
  if (mNdi.running()) mNdi.stop();
  InstanceRegistry::instance().release(this);
  mInOtherInstance = false;
}

SrtSettings Relaycaster::currentSrtSettings() const {
  const SrtTexts texts = srtTexts();
  SrtSettings settings;
  settings.mode = GetParam(kSrtMode)->Int();
  settings.codec = GetParam(kSrtCodec)->Int();
  settings.host = ParseSrtAddress(texts.host).host;
  settings.port = GetParam(kSrtPort)->Int();
  settings.latencyMs = static_cast<int>(std::llround(GetParam(kSrtLatency)->Value()));
  settings.streamId = texts.streamId;
  settings.passphrase = texts.passphrase;
  settings.bitrateKbps = bitrateKbpsForValue(GetParam(kSrtBitrate)->Value());
  settings.serviceName = TrackBaseName();
  return settings;
}

void Relaycaster::manageSrt() {
  if (GetParam(kSrtOn)->Bool() && !isBypassed()) {
    const SrtSettings settings = currentSrtSettings();
    AudioFeed& feed = mSrt.feed();
    feed.setSampleRate(GetSampleRate());
    feed.setBufferSeconds(GetParam(kSrtBuffer)->Value() / 1000.0);
    mSrt.start(settings);
    return;
  }
  if (mSrt.running()) mSrt.stop();
}

void Relaycaster::followTrackColour() {
  if (accentColourIndex() != 5) return;
  const int colour = TrackColour();
  if (colour == mLastTrackColour) return;
  mLastTrackColour = colour;
  mEditorRebuildPending.store(true, std::memory_order_relaxed);
}

// A rebuild waits while the user is typing into a text field, so the entry
// is not torn away under their fingers.
void Relaycaster::rebuildEditorIfPending() {
  framework::IEditor* editor = GetEditor();
  if (editor && editor->HasTextEntry()) return;
  const bool pending = mEditorRebuildPending.exchange(false, std::memory_order_relaxed);
  if (!pending || !editor) return;
  editor->Rebuild();
  SendAllParameterValuesToEditor();
  editor->SetAllControlsDirty();
}

void Relaycaster::updateTitle() {
  std::string title = WindowTitle();
  if (title == mLastTitle) return;
  mLastTitle = std::move(title);
  if (framework::IEditor* editor = GetEditor())
    editor->SetControlText(kTagTitle, mLastTitle.empty() ? "RELAYCASTER" : mLastTitle);
}

std::string Relaycaster::footerText() const {
  return std::string("Relaycaster ") + kVersionText + " \xC2\xB7 " + std::to_string(GetLatency()) + " samples latency";
}

void Relaycaster::updateFooter() {
  framework::IEditor* editor = GetEditor();
  if (!editor) return;
  std::string footer = footerText();
  if (footer == mLastFooter) return;
  if (editor->SetControlText(kTagFooter, footer)) mLastFooter = std::move(footer);
}

StateLine Relaycaster::ndiStateLine() const {
  if (isBypassed()) return offLine(true);
  if (!GetParam(kNdiOn)->Bool()) return offLine(false);
  switch (mNdi.state()) {
    case NdiState::Sending: return {StateKind::Good, "Sending", receiversDetail(mNdi.receivers())};
    case NdiState::Unavailable: return {StateKind::Fault, "NDI is unavailable", ""};
    case NdiState::NoSource: return {StateKind::Fault, "No NDI source", "trying again"};
    default: return {StateKind::Busy, "Starting", ""};
  }
}

StateLine Relaycaster::srtStateLine() const {
  if (isBypassed()) return offLine(true);
  if (!GetParam(kSrtOn)->Bool()) return offLine(false);
  const std::string port = std::to_string(GetParam(kSrtPort)->Int());
  switch (mSrt.state()) {
    case SrtState::NeedsHost: return {StateKind::Neutral, "Type the receiver's host to call", ""};
    case SrtState::Calling: return {StateKind::Busy, "Calling " + GetSrtText(kSrtHostField) + ":" + port, ""};
    case SrtState::Listening: return {StateKind::Busy, "Waiting for a receiver", "on port " + port};
    case SrtState::Sending:
      return {StateKind::Good, "Sending to " + mSrt.peer(),
              GetParam(kSrtMode)->Int() == kSrtModeListener ? "it called in" : ""};
    case SrtState::Retrying: return {StateKind::Fault, mSrt.message(), "trying again"};
    case SrtState::Failed: return {StateKind::Fault, mSrt.message(), ""};
    default: return {StateKind::Busy, "Starting", ""};
  }
}

std::string Relaycaster::StatusReport() const {
  auto line = [](const char* name, const StateLine& state, int dropouts, const std::string& note) {
    return std::string(name) + '\t' + std::to_string(static_cast<int>(state.kind)) + '\t' + state.text + '\t' +
           state.detail + '\t' + std::to_string(dropouts) + '\t' + note + '\n';
  };
  // The feed name's explanation says why NDI cannot run, when it cannot.
  const stream_panel::FeedName name = feedName();
  const bool ndiActive = !isBypassed() && GetParam(kNdiOn)->Bool();
  return line("NDI", ndiStateLine(), mNdi.feed().dropoutCount(), ndiActive && name.isError ? name.explanation : "") +
         line("SRT", srtStateLine(), mSrt.feed().dropoutCount(), "");
}

bool Relaycaster::ndiIsOff() const { return !GetParam(kNdiOn)->Bool() && !isBypassed(); }
bool Relaycaster::srtIsOff() const { return !GetParam(kSrtOn)->Bool() && !isBypassed(); }
bool Relaycaster::isBypassed() const { return GetParam(kBypass)->Bool(); }

void Relaycaster::ParamChangedUi(int paramIdx) {
  const bool modeChanged = paramIdx == kSrtMode && GetParam(kSrtMode)->Int() != mBuiltSrtMode.load(std::memory_order_relaxed);
  const bool codecChanged =
      paramIdx == kSrtCodec && GetParam(kSrtCodec)->Int() != mBuiltSrtCodec.load(std::memory_order_relaxed);
  if (modeChanged || codecChanged) mEditorRebuildPending.store(true, std::memory_order_relaxed);
}

}  // namespace relaycaster
