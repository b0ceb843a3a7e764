// The VST 3 binding's text and layout readers and the host's state-text
// editor, fed arbitrary bytes: none may crash, overrun or lose a round trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "SrtTextsInState.h"
#include "framework/IPlugAPIBase.h"
#include "framework/vst3/BusLayout.h"
#include "framework/vst3/ParameterTable.h"
#include "framework/vst3/Utf16.h"

namespace {

using Steinberg::char16;

class FuzzPlugin final : public framework::IPlugAPIBase {
 public:
  FuzzPlugin() : IPlugAPIBase(Config()) {
    GetParam(0)->InitEnum("List", 0, {"auto", "96", "128"});
    GetParam(1)->InitDouble("Buffer", 40.0, 10.0, 1000.0, 1.0, "ms", framework::IParam::Shape::Exponential);
    GetParam(2)->InitInt("Port", 9000, 1, 65535);
  }
  static framework::PluginConfig Config() {
    framework::PluginConfig config;
    config.nParams = 3;
    return config;
  }
  void RenderBlock(double**, double**, int) override {}
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // UTF-8 in: the UTF-16 written is terminated within the buffer, and
  // reading it back and converting again changes nothing.
  char16 units[128];
  framework::vst3::Utf8ToUtf16(text, units, 128);
  const std::string once = framework::vst3::Utf16ToUtf8(units, 128);
  char16 again[128];
  framework::vst3::Utf8ToUtf16(once, again, 128);
  Check(std::memcmp(units, again, sizeof units) == 0 || framework::vst3::Utf16ToUtf8(again, 128) == once);

  // UTF-16 in, unterminated.
  std::vector<char16> raw(size / 2);
  if (!raw.empty()) std::memcpy(raw.data(), data, raw.size() * 2);
  (void)framework::vst3::Utf16ToUtf8(raw.data(), static_cast<int>(raw.size()));

  // Channel I/O lists.
  for (auto [in, out] : framework::vst3::ParseChannelIO(text.c_str())) Check(in >= 0 && out >= 0 && in <= 64 && out <= 64);
  framework::vst3::BusLayout layout(text.c_str());
  Check(layout.MaxChannels() >= 0 && layout.MaxChannels() <= 64);

  // Typed parameter values.
  static FuzzPlugin plugin;
  framework::vst3::ParameterTable table(plugin);
  for (Steinberg::Vst::ParamID id : {0u, 1u, 2u, 65536u}) {
    double normalized = -1.0;
    if (table.ValueFromText(id, units, normalized)) Check(normalized >= 0.0 && normalized <= 1.0);
  }

  // The state-text editor: what it writes, it reads back.
  const std::vector<uint8_t> state(data, data + size);
  if (relaycaster_host::readSrtTexts(state)) {
    const relaycaster_host::StateSrtTexts texts{"host.invalid", text.substr(0, 16), ""};
    const auto edited = relaycaster_host::withSrtTexts(state, texts);
    Check(edited.has_value());
    const auto read = relaycaster_host::readSrtTexts(*edited);
    Check(read && read->host == texts.host && read->streamId == texts.streamId && read->passphrase.empty());
  }
  // Naming the current preset keeps every other field readable as it was.
  if (const auto named = relaycaster_host::withCurrentPreset(state, text.substr(0, 8))) {
    const auto before = relaycaster_host::readSrtTexts(state);
    const auto after = relaycaster_host::readSrtTexts(*named);
    Check(before.has_value() == after.has_value());
    Check(!before || (before->host == after->host && before->passphrase == after->passphrase));
  }
  return 0;
}
