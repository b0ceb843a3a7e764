#include "framework/vst3/ParameterTable.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "framework/vst3/Utf16.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace framework::vst3 {

using Steinberg::Vst::ParameterInfo;
using Steinberg::Vst::ParamID;

namespace {

constexpr const char* kHostBypassTitle = "Host bypass";
constexpr const char* kOffText = "off";
constexpr const char* kOnText = "on";

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

/// The number at the start of `text` (after white space), locale-free:
/// "40 ms · 1920" reads 40, "-inf" reads minus infinity.
bool LeadingNumber(const std::string& text, double& value) {
  size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  if (start < text.size() && text[start] == '+') ++start;
  const char* first = text.data() + start;
  const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
  return error == std::errc() && end != first && !std::isnan(value);
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

bool ParameterTable::FillInfo(int index, ParameterInfo& info) const {
  if (index < 0 || index >= Count()) return false;
  std::memset(&info, 0, sizeof info);
  info.unitId = Steinberg::Vst::kRootUnitId;
  if (index == mPlugin.NParams()) {
    info.id = kHostBypassId;
    Utf8ToUtf16(kHostBypassTitle, info.title, 128);
    Utf8ToUtf16(kHostBypassTitle, info.shortTitle, 128);
    info.stepCount = 1;
    info.defaultNormalizedValue = 0.0;
    info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass;
    return true;
  }
  const IParam& param = *mPlugin.GetParam(index);
  info.id = static_cast<ParamID>(index);
  Utf8ToUtf16(param.Name(), info.title, 128);
  Utf8ToUtf16(param.Name(), info.shortTitle, 128);
  Utf8ToUtf16(param.Label(), info.units, 128);
  info.stepCount = param.StepCount();
  info.defaultNormalizedValue = param.ToNormalized(param.Default());
  info.flags = ParameterInfo::kCanAutomate | (param.IsList() ? ParameterInfo::kIsList : 0);
  return true;
}

bool ParameterTable::Text(ParamID id, double normalized, Steinberg::Vst::String128 out) const {
  if (IsHostBypass(id)) {
    Utf8ToUtf16(normalized >= 0.5 ? kOnText : kOffText, out, 128);
    return true;
  }
  if (!IsPluginParam(id)) return false;
  const IParam& param = *mPlugin.GetParam(static_cast<int>(id));
  Utf8ToUtf16(param.DisplayText(param.FromNormalized(normalized)), out, 128);
  return true;
}

bool ParameterTable::ValueFromText(ParamID id, const Steinberg::Vst::TChar* text, double& normalized) const {
  if (!text || !Exists(id)) return false;
  const std::string typed = Trimmed(Utf16ToUtf8(text, 128));
  if (IsHostBypass(id)) {
    double number = 0.0;
    if (EqualsIgnoringCase(typed, kOnText)) normalized = 1.0;
    else if (EqualsIgnoringCase(typed, kOffText)) normalized = 0.0;
    else if (LeadingNumber(typed, number)) normalized = number >= 0.5 ? 1.0 : 0.0;
    else return false;
    return true;
  }
  const IParam& param = *mPlugin.GetParam(static_cast<int>(id));
  for (int entry = 0; entry < param.NumListEntries(); ++entry) {
    if (EqualsIgnoringCase(typed, param.ListEntry(entry))) {
      normalized = param.ToNormalized(param.Min() + entry);
      return true;
    }
  }
  double plain = 0.0;
  if (!LeadingNumber(typed, plain)) return false;
  normalized = param.ToNormalized(plain);
  return true;
}

double ParameterTable::ToPlain(ParamID id, double normalized) const {
  if (IsHostBypass(id)) return normalized >= 0.5 ? 1.0 : 0.0;
  if (!IsPluginParam(id)) return normalized;
  return mPlugin.GetParam(static_cast<int>(id))->FromNormalized(normalized);
}

double ParameterTable::ToNormalized(ParamID id, double plain) const {
  if (IsHostBypass(id)) return plain >= 0.5 ? 1.0 : 0.0;
  if (!IsPluginParam(id)) return plain;
  return mPlugin.GetParam(static_cast<int>(id))->ToNormalized(plain);
}

double ParameterTable::Normalized(ParamID id) const {
  if (IsHostBypass(id)) return mPlugin.GetHostBypassed() ? 1.0 : 0.0;
  if (!IsPluginParam(id)) return 0.0;
  return mPlugin.GetParam(static_cast<int>(id))->GetNormalized();
}

}  // namespace framework::vst3
