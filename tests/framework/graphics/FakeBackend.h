#pragma once

// A drawing back end that draws nothing: it records what the toolkit asks
// of it and measures every character (code point) as 7 units wide, so
// layouts can be checked with simple arithmetic.
#include <string>
#include <string_view>
#include <vector>

#include "framework/graphics/DrawingBackend.h"

namespace graphicstest {

class FakeBackend final : public framework::DrawingBackend {
 public:
  static constexpr float kCharWidth = 7.f;

  struct Fill {
    framework::IColor colour;
    framework::IRECT rect;
  };
  struct Text {
    framework::TextStyle style;
    std::string text;
    framework::IRECT rect;
  };
  struct Line {
    framework::IColor colour;
    float x1, y1, x2, y2;
  };

  static float WidthOf(std::string_view text) {
    float chars = 0.f;
    for (const char c : text)
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) chars += 1.f;
    return chars * kCharWidth;
  }

  bool SetSurface(int, int, float scale, float, float) override {
    mScale = scale;
    return true;
  }
  framework::PixelBuffer Pixels() override { return {}; }
  float Scale() const override { return mScale; }

  void PushClip(const framework::IRECT& r) override { clips.push_back(r); ++clipDepth; }
  void PopClip() override { --clipDepth; }

  void FillRect(const framework::IColor& c, const framework::IRECT& r, float) override { fills.push_back({c, r}); }
  void FillRoundRect(const framework::IColor& c, const framework::IRECT& r, float, float) override {
    fills.push_back({c, r});
  }
  void DrawRoundRect(const framework::IColor&, const framework::IRECT&, float, float, float) override {}
  void FillEllipse(const framework::IColor&, const framework::IRECT&, float) override {}
  void DrawArc(const framework::IColor&, float, float, float, float, float, float, float) override {}
  void DrawLine(const framework::IColor& c, float x1, float y1, float x2, float y2, float, float) override {
    lines.push_back({c, x1, y1, x2, y2});
  }
  void FillTriangle(const framework::IColor&, float, float, float, float, float, float, float) override {}

  bool LoadFont(const std::string&, std::vector<uint8_t>) override { return true; }
  void DrawText(const framework::TextStyle& style, std::string_view text, const framework::IRECT& r,
                float) override {
    texts.push_back({style, std::string(text), r});
  }
  framework::IRECT MeasureText(const framework::TextStyle&, std::string_view text,
                               const framework::IRECT& r) override {
    ++measures;
    return {r.L, r.T, r.L + WidthOf(text), r.B};
  }
  void DrawSvg(const framework::SvgPicture&, const framework::IRECT&, float) override {}

  void Clear() {
    fills.clear();
    texts.clear();
    lines.clear();
    clips.clear();
  }

  std::vector<Fill> fills;
  std::vector<Text> texts;
  std::vector<Line> lines;
  std::vector<framework::IRECT> clips;
  int clipDepth = 0;
  int measures = 0;

 private:
  float mScale = 1.f;
};

}  // namespace graphicstest
