#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/IEditor.h"

namespace testsupport {

/// An open editor as far as the plug-in core can tell: it records what the
/// core asks of it and answers message boxes from a queue.
class RecordingEditor : public framework::IEditor {
 public:
  bool SetControlText(int tag, const std::string& text) override {
    if (!hasControl(tag)) return false;
    texts[tag] = text;
    ++textSets;
    return true;
  }
  bool HasTextEntry() const override { return textEntryOpen; }
  void Rebuild() override { ++rebuilds; }
  void SetAllControlsDirty() override { ++dirtyMarks; }
  void SendParameterValue(int paramIdx, double normalizedValue) override { sentValues.emplace_back(paramIdx, normalizedValue); }
  float DrawScale() const override { return drawScale; }
  float ScreenScale() const override { return screenScale; }
  void SetDrawScale(float scale) override { drawScale = scale; }
  void ShowMessageBox(const std::string& text, const std::string& caption, framework::MessageBoxType,
                      std::function<void(int)> reply) override {
    boxes.emplace_back(caption, text);
    int answer = framework::kIDOK;
    if (!answers.empty()) {
      answer = answers.front();
      answers.erase(answers.begin());
    }
    reply(answer);  // as if the user answered at once
  }

  bool hasControl(int tag) const { return controls.empty() || controls.count(tag) > 0; }

  std::map<int, bool> controls;  // tags that exist; empty: every tag exists
  std::map<int, std::string> texts;
  int textSets = 0;
  bool textEntryOpen = false;
  int rebuilds = 0;
  int dirtyMarks = 0;
  std::vector<std::pair<int, double>> sentValues;
  float drawScale = 1.0f;
  float screenScale = 1.0f;
  std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
  std::vector<int> answers;
};

}  // namespace testsupport
