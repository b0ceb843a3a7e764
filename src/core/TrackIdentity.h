#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/ReaperApi.h"
#include "editor/stream_panel/Records.h"
#include "framework/IPlugAPIBase.h"

namespace relaycaster {

/// One choice of accent colour: its menu label and colour.
struct AccentChoice {
  const char* label;
  int red;
  int green;
  int blue;
};

/// The accent choices in menu order; index 5 follows the track colour and
/// falls back to its own entry when there is none.
inline constexpr std::array<AccentChoice, 6> kAccentPalette{{
    {"Green", 21, 232, 121},
    {"Red", 233, 21, 90},
    {"Orange", 255, 122, 0},
    {"Blue", 0, 184, 255},
    {"Purple", 134, 0, 255},
    {"DAW color", 21, 232, 121},
}};
inline constexpr int kFollowTrackColour = 5;

/// A colour with alpha, each component 0..255.
struct AccentRgba {
  int alpha = 255;
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const AccentRgba&) const = default;
};

/// The accent colour for a choice index (above 5 or negative counts as 0)
/// and a track colour (0xRRGGBB, or -1 for none). Following the track, very
/// dark colours are brightened and very light ones darkened so that the
/// accent stays legible; black falls back to the palette.
AccentRgba AccentFromTrackColour(int index, int trackColour, int alpha);

/// Who the plug-in is in the host: the track's name, number and colour,
/// from REAPER's extension interface when the host offers it, otherwise
/// from what the host reported through the channel context.
///
/// Threads: attachHost at host initialisation, everything else on the
/// user-interface thread (the host runs both there).
class TrackIdentity {
 public:
  static constexpr const char* kDefaultName = "Relaycaster";

  /// Looks for REAPER's interface in the host context and keeps it with its
  /// three host functions; without it (or without a context) all stay null.
  void attachHost(framework::IHostContext* context);
  /// The same with the interface already in hand (null: none).
  void attachReaper(reaper::IReaperHostApplication* host);
  bool hasReaper() const { return mReaper != nullptr; }

  /// The base of the NDI name and the SRT service name: the track name, or
  /// "Relaycaster" when the host gives none.
  std::string TrackBaseName(const framework::ChannelInfo& channel) const;
  /// "#3: Drums", "#3" for an unnamed REAPER track, or empty.
  std::string WindowTitle(const framework::ChannelInfo& channel) const;
  /// The track colour as 0xRRGGBB, or -1 when the host gives none.
  int TrackColour(const framework::ChannelInfo& channel) const;
  /// The accent colour of choice `index` with the given alpha.
  AccentRgba AccentColour(int index, int alpha, const framework::ChannelInfo& channel) const;

 private:
  void* reaperTrack() const;
  /// The REAPER track name, or false when the host has none to give.
  bool reaperTrackName(void* track, std::string& name) const;

  reaper::IReaperHostApplication* mReaper = nullptr;  // owned by the host
  reaper::GetSetMediaTrackInfo_String mGetSetTrackString = nullptr;
  reaper::GetMediaTrackInfo_Value mGetTrackValue = nullptr;
  reaper::ColorFromNative mColorFromNative = nullptr;
};

/// What the feed-name display is made from.
struct FeedNameInputs {
  std::string announcedName;  // the NDI worker's source name; empty without a source
  std::string requestedName;  // the name the registry gave and the worker was asked for
  int ndiState = 0;           // the NDI worker's state code
  std::string message;        // the NDI worker's message
  std::string baseName;       // TrackBaseName()
  bool inOtherInstance = false;  // another instance here asked with the same base name
  bool numbered = false;         // the worker numbered the name: another program uses it
};

/// The NDI name to show, the sentence that explains it, and a clash
/// warning when there is one.
stream_panel::FeedName feedName(const FeedNameInputs& inputs);

}  // namespace relaycaster
