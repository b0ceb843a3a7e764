#include "core/TrackIdentity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace relaycaster {
namespace {

constexpr size_t kTrackNameBuffer = 512;
constexpr size_t kMaxTitleNameCharacters = 560;
constexpr int kCustomColourSet = 0x1000000;
constexpr int kNdiUnavailable = 3;
constexpr int kNdiNoSource = 4;

// A host's number truncated toward zero; NaN and values beyond int count
// as 0 and the nearest limit rather than being undefined.
int truncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

// At most `count` characters of UTF-8 text, never cutting one in two.
std::string firstCharacters(const std::string& text, size_t count) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && characters++ == count) return text.substr(0, i);
  }
  return text;
}

std::string numberedTitle(int number, const std::string& name) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "#%d", number);
  std::string title(prefix);
  if (!name.empty()) {
    title += ": ";
    title += name;
  }
  return title;
}

std::string clashWarning(const FeedNameInputs& in) {
  if (in.inOtherInstance) {
    return "Another Relaycaster here also sends \"" + in.baseName + "\". This one is \"" + in.requestedName +
           "\". After a reopen the two can swap: give the tracks unique names.";
  }
  if (in.numbered) {
    return "Another program on this computer already sends \"" + in.requestedName +
           "\", so this one is numbered. Give the track a name of its own.";
  }
  return std::string();
}

}  // namespace

AccentRgba AccentFromTrackColour(int index, int trackColour, int alpha) {
  if (index < 0 || index > kFollowTrackColour) index = 0;
  const AccentChoice& choice = kAccentPalette[static_cast<size_t>(index)];
  const AccentRgba fallback{alpha, choice.red, choice.green, choice.blue};
  if (index != kFollowTrackColour || trackColour < 0) return fallback;

  const std::array<int, 3> rgb{(trackColour >> 16) & 0xFF, (trackColour >> 8) & 0xFF, trackColour & 0xFF};
  const float luminance = 0.2126f * static_cast<float>(rgb[0]) + 0.7152f * static_cast<float>(rgb[1]) +
                          0.0722f * static_cast<float>(rgb[2]);
  if (luminance < 1.0f) return fallback;  // black
  float factor = 1.0f;
  if (luminance < 47.0f) factor = 47.0f / luminance;
  if (luminance > 200.0f) factor = 200.0f / luminance;
  auto scale = [factor](int channel) {
    return static_cast<int>(std::clamp(static_cast<float>(channel) * factor, 0.0f, 255.0f));
  };
  return AccentRgba{alpha, scale(rgb[0]), scale(rgb[1]), scale(rgb[2])};
}

void TrackIdentity::attachHost(framework::IHostContext* context) {
  void* found = context ? context->QueryHostInterface(reaper::kHostApplicationId) : nullptr;
  attachReaper(static_cast<reaper::IReaperHostApplication*>(found));
}

void TrackIdentity::attachReaper(reaper::IReaperHostApplication* host) {
  mReaper = host;
  mGetSetTrackString = nullptr;
  mGetTrackValue = nullptr;
  mColorFromNative = nullptr;
  if (!host) return;
  mGetSetTrackString = reinterpret_cast<reaper::GetSetMediaTrackInfo_String>(host->getReaperApi("GetSetMediaTrackInfo_String"));
  mGetTrackValue = reinterpret_cast<reaper::GetMediaTrackInfo_Value>(host->getReaperApi("GetMediaTrackInfo_Value"));
  mColorFromNative = reinterpret_cast<reaper::ColorFromNative>(host->getReaperApi("ColorFromNative"));
}

std::string TrackIdentity::TrackBaseName(const framework::ChannelInfo& channel) const {
  if (mReaper && mGetSetTrackString) {
    if (void* track = reaperTrack()) {
      // On REAPER the track alone decides: an unnamed track is not named
      // after whatever the channel context reports.
      std::string name;
      return reaperTrackName(track, name) && !name.empty() ? name : kDefaultName;
    }
  }
  return channel.name.empty() ? kDefaultName : channel.name;
}

std::string TrackIdentity::WindowTitle(const framework::ChannelInfo& channel) const {
  if (mReaper && mGetSetTrackString && mGetTrackValue) {
    std::string name;
    void* track = reaperTrack();
    if (track && reaperTrackName(track, name)) {
      return numberedTitle(truncateToInt(mGetTrackValue(track, "IP_TRACKNUMBER")), name);
    }
  }
  if (!channel.name.empty()) return numberedTitle(channel.index, firstCharacters(channel.name, kMaxTitleNameCharacters));
  return std::string();
}

int TrackIdentity::TrackColour(const framework::ChannelInfo& channel) const {
  if (mReaper && mGetTrackValue && mColorFromNative) {
    if (void* track = reaperTrack()) {
      const int native = truncateToInt(mGetTrackValue(track, "I_CUSTOMCOLOR"));
      if (native & kCustomColourSet) {
        int red = 0, green = 0, blue = 0;
        mColorFromNative(native & 0xFFFFFF, &red, &green, &blue);
        return (red & 0xFF) << 16 | (green & 0xFF) << 8 | (blue & 0xFF);
      }
    }
  }
  if (channel.argb != 0 && (channel.argb >> 24) != 0) return static_cast<int>(channel.argb & 0xFFFFFF);
  return -1;
}

AccentRgba TrackIdentity::AccentColour(int index, int alpha, const framework::ChannelInfo& channel) const {
  // The track colour is only asked for when the accent follows it.
  const int track = index == kFollowTrackColour ? TrackColour(channel) : -1;
  return AccentFromTrackColour(index, track, alpha);
}

void* TrackIdentity::reaperTrack() const {
  return mReaper ? mReaper->getReaperParent(reaper::kParentTrack) : nullptr;
}

bool TrackIdentity::reaperTrackName(void* track, std::string& name) const {
  std::array<char, kTrackNameBuffer> buffer{};
  if (!mGetSetTrackString(track, "P_NAME", buffer.data(), false)) return false;
  buffer.back() = '\0';  // whatever the host wrote, the text ends inside the buffer
  name = buffer.data();
  return true;
}

stream_panel::FeedName feedName(const FeedNameInputs& in) {
  stream_panel::FeedName result;
  result.name = !in.announcedName.empty() ? in.announcedName
                : !in.requestedName.empty() ? in.requestedName
                                            : in.baseName;
  if (in.ndiState == kNdiUnavailable || in.ndiState == kNdiNoSource) {
    result.explanation = in.message;
    result.isError = true;
  } else if (in.baseName == TrackIdentity::kDefaultName) {
    result.explanation = "The host gives no track name, so the feed is called Relaycaster.";
  } else {
    result.explanation = "Follows the track name. Renaming the track renames the feed.";
  }
  result.warning = clashWarning(in);
  return result;
}

}  // namespace relaycaster
