#include "framework/vst3/BusLayout.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace framework::vst3 {

namespace SpeakerArr = Steinberg::Vst::SpeakerArr;

std::vector<std::pair<int, int>> ParseChannelIO(const char* channelIO) {
  std::vector<std::pair<int, int>> pairs;
  std::istringstream items(channelIO ? channelIO : "");
  std::string item;
  while (items >> item) {
    const size_t dash = item.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 >= item.size()) continue;
    char* end = nullptr;
    const long in = std::strtol(item.c_str(), &end, 10);
    if (end != item.c_str() + dash) continue;
    const long out = std::strtol(item.c_str() + dash + 1, &end, 10);
    if (*end != '\0' || in < 0 || out < 0 || in > 64 || out > 64) continue;
    pairs.emplace_back(static_cast<int>(in), static_cast<int>(out));
  }
  return pairs;
}

BusLayout::BusLayout(const char* channelIO) : mAccepted(ParseChannelIO(channelIO)) {
  if (mAccepted.empty()) mAccepted.emplace_back(2, 2);
  const auto widest = *std::max_element(mAccepted.begin(), mAccepted.end(), [](auto a, auto b) {
    return std::max(a.first, a.second) < std::max(b.first, b.second);
  });
  mInput = DefaultArrangement(widest.first);
  mOutput = DefaultArrangement(widest.second);
}

bool BusLayout::Request(Arrangement input, Arrangement output) {
  const std::pair<int, int> wanted{SpeakerArr::getChannelCount(input), SpeakerArr::getChannelCount(output)};
  if (std::find(mAccepted.begin(), mAccepted.end(), wanted) == mAccepted.end()) return false;
  mInput = input;
  mOutput = output;
  return true;
}

int BusLayout::InputChannels() const { return SpeakerArr::getChannelCount(mInput); }
int BusLayout::OutputChannels() const { return SpeakerArr::getChannelCount(mOutput); }

int BusLayout::MaxChannels() const {
  int widest = 0;
  for (auto [in, out] : mAccepted) widest = std::max({widest, in, out});
  return widest;
}

BusLayout::Arrangement BusLayout::DefaultArrangement(int channels) {
  switch (channels) {
    case 0: return SpeakerArr::kEmpty;
    case 1: return SpeakerArr::kMono;
    case 2: return SpeakerArr::kStereo;
    default: {
      // Numbered speakers in order: enough for any count a layout names.
      Arrangement arrangement = 0;
      for (int i = 0; i < channels && i < 64; ++i) arrangement |= Arrangement{1} << i;
      return arrangement;
    }
  }
}

}  // namespace framework::vst3
