// The drawing back end on Cairo: an ARGB32 image surface, fonts through
// FreeType (cairo-ft) from the plug-in's own font files, SVG pictures
// replayed as Cairo paths. The only file of the toolkit that knows Cairo.
#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>

#include "framework/graphics/CairoBackend.h"
#include "framework/graphics/DrawingBackend.h"

namespace framework {
namespace {

// One FreeType library for the process: Cairo caches font faces across
// contexts, so a face may outlive the back end that loaded it. Faces are
// created under the mutex because FT_Library is not thread-safe.
std::mutex gFreeTypeMutex;
FT_Library FreeType() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    return FT_Init_FreeType(&lib) == 0 ? lib : nullptr;
  }();
  return library;
}

/// A font file's bytes and its FreeType face, kept as long as Cairo's face uses them.
struct FontData {
  std::vector<uint8_t> bytes;
  FT_Face face = nullptr;
};

cairo_user_data_key_t gFontDataKey;

void ReleaseFontData(void* data) {
  auto* font = static_cast<FontData*>(data);
  std::lock_guard lock(gFreeTypeMutex);
  if (font->face) FT_Done_Face(font->face);
  delete font;
}

double Radians(float degreesFromTwelve) {
  // Clockwise from twelve o'clock to Cairo's clockwise-from-three.
  return (static_cast<double>(degreesFromTwelve) - 90.0) * std::numbers::pi / 180.0;
}

/// Decodes UTF-8, replacing anything malformed with U+FFFD, so Cairo (which
/// draws nothing for invalid text) always gets valid text.
std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
    uint32_t cp = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (valid) {
      const bool overlong = (length == 2 && cp < 0x80) || (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
      valid = !overlong && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0;
    }
    if (valid) {
      out.append(text.substr(i, static_cast<size_t>(length)));
      i += static_cast<size_t>(length);
    } else {
      if (lead != 0) out.append("\xEF\xBF\xBD");
      i += 1;
    }
  }
  return out;
}

class CairoBackend final : public DrawingBackend {
 public:
  CairoBackend() = default;
  ~CairoBackend() override {
    Release();
    for (auto& [id, face] : mFonts) cairo_font_face_destroy(face);
  }
  CairoBackend(const CairoBackend&) = delete;
  CairoBackend& operator=(const CairoBackend&) = delete;

  bool SetSurface(int width, int height, float scale, float originX, float originY) override {
    Release();
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || !(scale > 0.f)) return false;
    mSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(mSurface) != CAIRO_STATUS_SUCCESS) {
      Release();
      return false;
    }
    mContext = cairo_create(mSurface);
    mScale = scale;
    cairo_translate(mContext, originX, originY);
    cairo_scale(mContext, scale, scale);
    ApplyFontOptions();
    return true;
  }

  PixelBuffer Pixels() override {
    if (!mSurface) return {};
    cairo_surface_flush(mSurface);
    return {cairo_image_surface_get_data(mSurface), cairo_image_surface_get_width(mSurface),
            cairo_image_surface_get_height(mSurface), cairo_image_surface_get_stride(mSurface)};
  }

  float Scale() const override { return mScale; }

  void PushClip(const IRECT& r) override {
    if (!mContext) return;
    cairo_save(mContext);
    cairo_rectangle(mContext, r.L, r.T, r.W(), r.H());
    cairo_clip(mContext);
  }

  void PopClip() override {
    if (mContext) cairo_restore(mContext);
  }

  void FillRect(const IColor& c, const IRECT& r, float opacity) override {
    if (!Begin(c, opacity)) return;
    cairo_rectangle(mContext, r.L, r.T, r.W(), r.H());
    cairo_fill(mContext);
  }

  void FillRoundRect(const IColor& c, const IRECT& r, float radius, float opacity) override {
    if (!Begin(c, opacity)) return;
    RoundRectPath(r, radius);
    cairo_fill(mContext);
  }

  void DrawRoundRect(const IColor& c, const IRECT& r, float radius, float thickness, float opacity) override {
    if (!Begin(c, opacity)) return;
    // Stroke inside the rectangle so a 1-unit frame stays within the control.
    const float inset = 0.5f * thickness;
    const IRECT inner = r.Padded(-inset);
    RoundRectPath(inner, std::max(0.f, radius - inset));
    cairo_set_line_width(mContext, thickness);
    cairo_stroke(mContext);
  }

  void FillEllipse(const IColor& c, const IRECT& r, float opacity) override {
    if (!Begin(c, opacity) || r.NoArea()) return;
    cairo_save(mContext);
    cairo_translate(mContext, r.MW(), r.MH());
    cairo_scale(mContext, 0.5 * r.W(), 0.5 * r.H());
    cairo_arc(mContext, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_restore(mContext);
    cairo_fill(mContext);
  }

  void DrawArc(const IColor& c, float cx, float cy, float radius, float startDeg, float endDeg, float thickness,
               float opacity) override {
    if (!Begin(c, opacity) || !(radius > 0.f) || !(endDeg > startDeg)) return;
    cairo_new_path(mContext);
    cairo_arc(mContext, cx, cy, radius, Radians(startDeg), Radians(endDeg));
    cairo_set_line_width(mContext, thickness);
    cairo_set_line_cap(mContext, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(mContext);
  }

  void DrawLine(const IColor& c, float x1, float y1, float x2, float y2, float thickness, float opacity) override {
    if (!Begin(c, opacity)) return;
    cairo_move_to(mContext, x1, y1);
    cairo_line_to(mContext, x2, y2);
    cairo_set_line_width(mContext, thickness);
    cairo_set_line_cap(mContext, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(mContext);
  }

  void FillTriangle(const IColor& c, float x1, float y1, float x2, float y2, float x3, float y3,
                    float opacity) override {
    if (!Begin(c, opacity)) return;
    cairo_move_to(mContext, x1, y1);
    cairo_line_to(mContext, x2, y2);
    cairo_line_to(mContext, x3, y3);
    cairo_close_path(mContext);
    cairo_fill(mContext);
  }

  bool LoadFont(const std::string& id, std::vector<uint8_t> bytes) override {
    if (bytes.empty() || !FreeType()) return false;
    auto* font = new FontData{std::move(bytes), nullptr};
    {
      std::lock_guard lock(gFreeTypeMutex);
      if (FT_New_Memory_Face(FreeType(), font->bytes.data(), static_cast<FT_Long>(font->bytes.size()), 0,
                             &font->face) != 0) {
        delete font;
        return false;
      }
    }
    cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(font->face, 0);
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS ||
        cairo_font_face_set_user_data(face, &gFontDataKey, font, ReleaseFontData) != CAIRO_STATUS_SUCCESS) {
      cairo_font_face_destroy(face);
      ReleaseFontData(font);
      return false;
    }
    auto old = mFonts.find(id);
    if (old != mFonts.end()) cairo_font_face_destroy(old->second);
    mFonts[id] = face;
    return true;
  }

  void DrawText(const TextStyle& style, std::string_view text, const IRECT& r, float opacity) override {
    if (!mContext || text.empty() || !Begin(style.fg, opacity)) return;
    const std::string valid = ValidUtf8(text);
    SelectFont(style);
    double x = 0, y = 0;
    Place(style, valid, r, x, y);
    cairo_move_to(mContext, x, y);
    cairo_show_text(mContext, valid.c_str());
  }

  IRECT MeasureText(const TextStyle& style, std::string_view text, const IRECT& r) override {
    if (!mContext) return {};
    const std::string valid = ValidUtf8(text);
    SelectFont(style);
    cairo_text_extents_t extents;
    cairo_text_extents(mContext, valid.c_str(), &extents);
    cairo_font_extents_t font;
    cairo_font_extents(mContext, &font);
    double x = 0, y = 0;
    Place(style, valid, r, x, y);
    return {static_cast<float>(x), static_cast<float>(y - font.ascent), static_cast<float>(x + extents.x_advance),
            static_cast<float>(y + font.descent)};
  }

  void DrawSvg(const SvgPicture& picture, const IRECT& dest, float opacity) override {
    if (!mContext || picture.Empty() || dest.NoArea()) return;
    const IRECT& box = picture.viewBox;
    const double s = std::min(dest.W() / box.W(), dest.H() / box.H());
    cairo_save(mContext);
    cairo_translate(mContext, dest.MW() - s * box.W() * 0.5, dest.MH() - s * box.H() * 0.5);
    cairo_scale(mContext, s, s);
    cairo_translate(mContext, -box.L, -box.T);
    for (const SvgShape& shape : picture.shapes) DrawShape(shape, opacity);
    cairo_restore(mContext);
  }

 private:
  void Release() {
    if (mContext) cairo_destroy(mContext);
    if (mSurface) cairo_surface_destroy(mSurface);
    mContext = nullptr;
    mSurface = nullptr;
  }

  // Grey antialiasing, slight hinting and, above all, no hinted metrics:
  // text then measures the same at every scale, so layouts that depend on
  // measured widths do not shift when the editor is zoomed.
  void ApplyFontOptions() {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(mContext, options);
    cairo_font_options_destroy(options);
  }

  bool Begin(const IColor& c, float opacity) {
    if (!mContext) return false;
    const double alpha = std::clamp(c.A / 255.0 * static_cast<double>(opacity), 0.0, 1.0);
    if (alpha <= 0.0) return false;
    cairo_new_path(mContext);
    cairo_set_source_rgba(mContext, c.R / 255.0, c.G / 255.0, c.B / 255.0, alpha);
    return true;
  }

  void RoundRectPath(const IRECT& r, float radius) {
    const double rad = std::clamp(static_cast<double>(radius), 0.0, 0.5 * std::min(r.W(), r.H()));
    const double pi = std::numbers::pi;
    cairo_new_sub_path(mContext);
    cairo_arc(mContext, r.R - rad, r.T + rad, rad, -pi / 2, 0);
    cairo_arc(mContext, r.R - rad, r.B - rad, rad, 0, pi / 2);
    cairo_arc(mContext, r.L + rad, r.B - rad, rad, pi / 2, pi);
    cairo_arc(mContext, r.L + rad, r.T + rad, rad, pi, 3 * pi / 2);
    cairo_close_path(mContext);
  }

  // A font id that never loaded falls back to another loaded face, then to
  // the system's sans-serif, so text is never silently missing.
  void SelectFont(const TextStyle& style) {
    auto found = mFonts.find(style.font);
    if (found == mFonts.end()) found = mFonts.find("Roboto-Regular");
    if (found == mFonts.end()) found = mFonts.begin();
    if (found != mFonts.end()) cairo_set_font_face(mContext, found->second);
    else cairo_select_font_face(mContext, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(mContext, style.size > 0.f ? style.size : 1.0);
  }

  // Baseline origin of one line of text aligned in r; vertical placement
  // uses the font's ascent and descent so lines of different text sit alike.
  void Place(const TextStyle& style, const std::string& text, const IRECT& r, double& x, double& y) {
    cairo_text_extents_t extents;
    cairo_text_extents(mContext, text.c_str(), &extents);
    cairo_font_extents_t font;
    cairo_font_extents(mContext, &font);
    switch (style.align) {
      case EAlign::Near: x = r.L; break;
      case EAlign::Center: x = r.MW() - 0.5 * extents.x_advance; break;
      case EAlign::Far: x = r.R - extents.x_advance; break;
    }
    const double height = font.ascent + font.descent;
    switch (style.valign) {
      case EVAlign::Top: y = r.T + font.ascent; break;
      case EVAlign::Middle: y = r.MH() - 0.5 * height + font.ascent; break;
      case EVAlign::Bottom: y = r.B - font.descent; break;
    }
  }

  void ShapePath(const SvgShape& shape) {
    cairo_new_path(mContext);
    for (const SvgPathCommand& command : shape.path) {
      switch (command.op) {
        case SvgPathCommand::Op::Move: cairo_move_to(mContext, command.x1, command.y1); break;
        case SvgPathCommand::Op::Line: cairo_line_to(mContext, command.x1, command.y1); break;
        case SvgPathCommand::Op::Cubic:
          cairo_curve_to(mContext, command.x1, command.y1, command.x2, command.y2, command.x3, command.y3);
          break;
        case SvgPathCommand::Op::Close: cairo_close_path(mContext); break;
      }
    }
  }

  void DrawShape(const SvgShape& shape, float opacity) {
    const float alpha = opacity * shape.opacity;
    if (!shape.fill.none && Begin(shape.fill.color, alpha)) {
      ShapePath(shape);
      cairo_set_fill_rule(mContext, shape.evenOddFill ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
      cairo_fill(mContext);
    }
    if (!shape.stroke.none && shape.strokeWidth > 0.f && Begin(shape.stroke.color, alpha)) {
      ShapePath(shape);
      cairo_set_line_width(mContext, shape.strokeWidth);
      cairo_set_line_cap(mContext, shape.cap == SvgLineCap::Round    ? CAIRO_LINE_CAP_ROUND
                                   : shape.cap == SvgLineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                                     : CAIRO_LINE_CAP_BUTT);
      cairo_set_line_join(mContext, shape.join == SvgLineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                                    : shape.join == SvgLineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                                       : CAIRO_LINE_JOIN_MITER);
      cairo_set_miter_limit(mContext, shape.miterLimit);
      cairo_stroke(mContext);
    }
  }

  cairo_surface_t* mSurface = nullptr;
  cairo_t* mContext = nullptr;
  float mScale = 1.f;
  std::map<std::string, cairo_font_face_t*> mFonts;  // one reference each
};

}  // namespace

std::unique_ptr<DrawingBackend> MakeCairoBackend() { return std::make_unique<CairoBackend>(); }

bool WritePng(const PixelBuffer& pixels, const std::string& path) {
  if (!pixels.data || pixels.width <= 0 || pixels.height <= 0) return false;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      const_cast<unsigned char*>(pixels.data), CAIRO_FORMAT_ARGB32, pixels.width, pixels.height, pixels.stride);
  const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return written;
}

IColor PixelBuffer::At(int x, int y) const {
  if (!data || x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0, 0};
  const uint32_t argb = *reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride) +
                                                           static_cast<size_t>(x) * 4);
  const int a = static_cast<int>(argb >> 24);
  auto channel = [a](uint32_t premultiplied) {
    return a == 0 ? 0 : std::min(255, static_cast<int>((premultiplied * 255 + static_cast<uint32_t>(a) / 2) / static_cast<uint32_t>(a)));
  };
  return {a, channel((argb >> 16) & 0xFF), channel((argb >> 8) & 0xFF), channel(argb & 0xFF)};
}

}  // namespace framework
