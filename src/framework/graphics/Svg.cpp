// The SVG reader: walks the tags of a document, keeps the inherited
// presentation state of each open group, and turns every drawable
// element into an SvgShape. Elements it does not know are skipped with
// everything inside them, so a picture made with other tools still shows
// the parts this reader understands.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/graphics/SvgPath.h"
#include "framework/graphics/SvgPicture.h"
#include "framework/graphics/SvgValues.h"
#include "framework/graphics/XmlReader.h"

namespace framework {

namespace {

using svg::Matrix;
using svg::Paint;

/// The properties a child inherits from its group, as far as they are set.
struct InheritedStyle {
  Paint fill{Paint::Kind::Color, IColor{255, 0, 0, 0}};
  Paint stroke;
  double strokeWidth = 1.0;
  SvgLineCap cap = SvgLineCap::Butt;
  SvgLineJoin join = SvgLineJoin::Miter;
  double miterLimit = 4.0;
  bool evenOdd = false;
  double fillOpacity = 1.0;
  double strokeOpacity = 1.0;
  IColor color{255, 0, 0, 0};  // what currentColor stands for
};

/// What is in force inside one open element.
struct Context {
  Matrix transform;
  InheritedStyle style;
  double opacity = 1.0;  // the product of the element's and its groups' opacity
};

/// One element's own presentation: attributes first, its style attribute over them.
struct ElementStyle {
  InheritedStyle style;
  double opacity = 1.0;
  bool hidden = false;  // display: none
};

std::string_view AttributeValue(const XmlToken& token, std::string_view name) {
  for (const auto& a : token.attributes) {
    if (a.name == name) return a.value;
  }
  return {};
}

bool HasAttribute(const XmlToken& token, std::string_view name) {
  for (const auto& a : token.attributes) {
    if (a.name == name) return true;
  }
  return false;
}

template <typename Enum, size_t N>
void SetKeyword(std::string_view value, const std::pair<std::string_view, Enum> (&table)[N], Enum& out) {
  for (const auto& [word, e] : table) {
    if (value == word) out = e;
  }
}

/// "inherit": the property takes its group's value again, whatever an
/// attribute of the element itself said before.
void InheritProperty(std::string_view name, const InheritedStyle& parent, ElementStyle& e) {
  InheritedStyle& s = e.style;
  if (name == "fill") s.fill = parent.fill;
  else if (name == "stroke") s.stroke = parent.stroke;
  else if (name == "stroke-width") s.strokeWidth = parent.strokeWidth;
  else if (name == "stroke-linecap") s.cap = parent.cap;
  else if (name == "stroke-linejoin") s.join = parent.join;
  else if (name == "stroke-miterlimit") s.miterLimit = parent.miterLimit;
  else if (name == "fill-rule") s.evenOdd = parent.evenOdd;
  else if (name == "fill-opacity") s.fillOpacity = parent.fillOpacity;
  else if (name == "stroke-opacity") s.strokeOpacity = parent.strokeOpacity;
  else if (name == "color") s.color = parent.color;
  else if (name == "opacity") e.opacity = 1.0;  // the group's opacity applies once, through the group
  else if (name == "display") e.hidden = false;
}

/// Applies one presentation property; values it cannot read are ignored,
/// which leaves the inherited value in force.
void ApplyProperty(std::string_view name, std::string_view value, double dpi, const InheritedStyle& parent,
                   ElementStyle& e) {
  value = svg::Trim(value);
  if (value == "inherit") return InheritProperty(name, parent, e);
  static constexpr std::pair<std::string_view, SvgLineCap> kCaps[] = {
      {"butt", SvgLineCap::Butt}, {"round", SvgLineCap::Round}, {"square", SvgLineCap::Square}};
  static constexpr std::pair<std::string_view, SvgLineJoin> kJoins[] = {
      {"miter", SvgLineJoin::Miter}, {"round", SvgLineJoin::Round}, {"bevel", SvgLineJoin::Bevel}};
  InheritedStyle& s = e.style;
  if (name == "fill") {
    if (const auto p = svg::ParsePaint(value)) s.fill = *p;
  } else if (name == "stroke") {
    if (const auto p = svg::ParsePaint(value)) s.stroke = *p;
  } else if (name == "stroke-width") {
    if (const auto w = svg::ParseLength(value, dpi); w && *w >= 0.0) s.strokeWidth = *w;
  } else if (name == "stroke-linecap") {
    SetKeyword(value, kCaps, s.cap);
  } else if (name == "stroke-linejoin") {
    SetKeyword(value, kJoins, s.join);
  } else if (name == "stroke-miterlimit") {
    if (const auto m = svg::ParseNumber(value); m && *m >= 1.0) s.miterLimit = *m;
  } else if (name == "fill-rule") {
    if (value == "evenodd" || value == "nonzero") s.evenOdd = value == "evenodd";
  } else if (name == "fill-opacity") {
    if (const auto o = svg::ParseOpacity(value)) s.fillOpacity = *o;
  } else if (name == "stroke-opacity") {
    if (const auto o = svg::ParseOpacity(value)) s.strokeOpacity = *o;
  } else if (name == "opacity") {
    if (const auto o = svg::ParseOpacity(value)) e.opacity = *o;
  } else if (name == "color") {
    if (const auto c = svg::ParseColor(value)) s.color = *c;
  } else if (name == "display") {
    e.hidden = value == "none";
  }
}

/// "fill: red; stroke-width: 2 !important" as properties.
void ApplyStyleAttribute(std::string_view style, double dpi, const InheritedStyle& parent, ElementStyle& e) {
  while (!style.empty()) {
    const size_t semi = style.find(';');
    const std::string_view declaration = style.substr(0, semi);
    style = semi == std::string_view::npos ? std::string_view{} : style.substr(semi + 1);
    const size_t colon = declaration.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = declaration.substr(colon + 1);
    if (const size_t bang = value.find('!'); bang != std::string_view::npos) value = value.substr(0, bang);
    ApplyProperty(svg::Trim(declaration.substr(0, colon)), value, dpi, parent, e);
  }
}

/// A length attribute of a shape, or `fallback` when it is absent or unreadable.
double Length(const XmlToken& token, std::string_view name, double dpi, double fallback = 0.0) {
  if (!HasAttribute(token, name)) return fallback;
  return svg::ParseLength(AttributeValue(token, name), dpi).value_or(fallback);
}

void AddEllipse(svg::PathBuilder& path, double cx, double cy, double rx, double ry) {
  if (!(rx > 0.0) || !(ry > 0.0)) return;
  path.MoveTo(cx + rx, cy);
  path.ArcTo(rx, ry, 0, false, true, cx, cy + ry);
  path.ArcTo(rx, ry, 0, false, true, cx - rx, cy);
  path.ArcTo(rx, ry, 0, false, true, cx, cy - ry);
  path.ArcTo(rx, ry, 0, false, true, cx + rx, cy);
  path.Close();
}

void AddRect(const XmlToken& token, double dpi, svg::PathBuilder& path) {
  const double x = Length(token, "x", dpi), y = Length(token, "y", dpi);
  const double w = Length(token, "width", dpi), h = Length(token, "height", dpi);
  if (!(w > 0.0) || !(h > 0.0)) return;
  // One corner radius given stands for both; each is at most half the side.
  double rx = Length(token, "rx", dpi, -1.0), ry = Length(token, "ry", dpi, -1.0);
  if (rx < 0.0) rx = ry;
  if (ry < 0.0) ry = rx;
  rx = std::clamp(rx, 0.0, w / 2);
  ry = std::clamp(ry, 0.0, h / 2);
  if (rx == 0.0 || ry == 0.0) {
    path.MoveTo(x, y);
    path.LineTo(x + w, y);
    path.LineTo(x + w, y + h);
    path.LineTo(x, y + h);
    path.Close();
    return;
  }
  path.MoveTo(x + rx, y);
  path.LineTo(x + w - rx, y);
  path.ArcTo(rx, ry, 0, false, true, x + w, y + ry);
  path.LineTo(x + w, y + h - ry);
  path.ArcTo(rx, ry, 0, false, true, x + w - rx, y + h);
  path.LineTo(x + rx, y + h);
  path.ArcTo(rx, ry, 0, false, true, x, y + h - ry);
  path.LineTo(x, y + ry);
  path.ArcTo(rx, ry, 0, false, true, x + rx, y);
  path.Close();
}

/// polyline and polygon: pairs of numbers; an odd last number is dropped.
void AddPoints(std::string_view points, bool close, svg::PathBuilder& path) {
  svg::NumberScanner scan(points);
  scan.SkipSpace();
  bool first = true;
  double x = 0.0, y = 0.0;
  while (!path.Full() && scan.Number(x)) {
    scan.SkipSeparators();
    if (!scan.Number(y)) break;
    scan.SkipSeparators();
    if (first) path.MoveTo(x, y);
    else path.LineTo(x, y);
    first = false;
  }
  if (close) path.Close();
}

/// The geometry of a drawable element; false for an element that is not one.
bool BuildGeometry(const XmlToken& token, double dpi, svg::PathBuilder& path) {
  const std::string_view name = token.name;
  if (name == "path") {
    svg::ReadPathData(AttributeValue(token, "d"), path);
  } else if (name == "rect") {
    AddRect(token, dpi, path);
  } else if (name == "circle") {
    const double r = Length(token, "r", dpi);
    AddEllipse(path, Length(token, "cx", dpi), Length(token, "cy", dpi), r, r);
  } else if (name == "ellipse") {
    // A missing radius takes the other one's value.
    const double rx = Length(token, "rx", dpi, -1.0), ry = Length(token, "ry", dpi, -1.0);
    AddEllipse(path, Length(token, "cx", dpi), Length(token, "cy", dpi), rx < 0 ? ry : rx, ry < 0 ? rx : ry);
  } else if (name == "line") {
    path.MoveTo(Length(token, "x1", dpi), Length(token, "y1", dpi));
    path.LineTo(Length(token, "x2", dpi), Length(token, "y2", dpi));
  } else if (name == "polyline" || name == "polygon") {
    AddPoints(AttributeValue(token, "points"), name == "polygon", path);
  } else {
    return false;
  }
  return true;
}

SvgPaint ResolvePaint(const Paint& paint, double opacity, const IColor& currentColor) {
  SvgPaint out;
  if (paint.kind == Paint::Kind::None) return out;
  out.none = false;
  out.color = paint.kind == Paint::Kind::CurrentColor ? currentColor : paint.color;
  out.color.A = static_cast<int>(std::lround(out.color.A * opacity));
  return out;
}

class SvgDocumentReader {
 public:
  SvgDocumentReader(std::string_view text, double dpi) : mXml(text), mDpi(dpi) {}

  SvgPicture Read() {
    XmlToken token;
    if (!mXml.Next(token) || token.kind != XmlToken::Kind::Start || token.name != "svg") return {};
    readSize(token);
    const auto root = enter(token, Context{});
    if (!root || token.selfClosing) return std::move(mPicture);
    mOpen.push_back(*root);
    while (!mOpen.empty() && !mStopped && mXml.Next(token)) handle(token);
    return std::move(mPicture);
  }

 private:
  void handle(const XmlToken& token) {
    if (token.kind == XmlToken::Kind::End) {
      if (mSkipDepth > 0) --mSkipDepth;
      else mOpen.pop_back();
      return;
    }
    if (mSkipDepth > 0 || static_cast<int>(mOpen.size()) >= kMaxSvgDepth) return skip(token);
    const auto context = enter(token, mOpen.back());
    if (!context) return skip(token);
    if (token.name == "g" || token.name == "a") {
      if (!token.selfClosing) mOpen.push_back(*context);
      return;
    }
    svg::PathBuilder path(context->transform, kMaxSvgCommands - mCommands);
    if (!BuildGeometry(token, mDpi, path)) return skip(token);
    addShape(path, *context);
    // A shape's children (titles, animations) draw nothing.
    skip(token);
  }

  /// Skips `token` and everything inside it.
  void skip(const XmlToken& token) {
    if (!token.selfClosing) ++mSkipDepth;
  }

  /// The context inside an element, or nothing for one that is not drawn.
  std::optional<Context> enter(const XmlToken& token, const Context& parent) const {
    ElementStyle own{parent.style};
    for (const auto& a : token.attributes) ApplyProperty(a.name, a.value, mDpi, parent.style, own);
    ApplyStyleAttribute(AttributeValue(token, "style"), mDpi, parent.style, own);
    if (own.hidden) return std::nullopt;
    Context inside{parent.transform, own.style, parent.opacity * own.opacity};
    if (HasAttribute(token, "transform")) {
      // A transform that cannot be read is ignored like any bad attribute;
      // one that leaves the coordinate range hides the element.
      if (const auto m = svg::ParseTransform(AttributeValue(token, "transform"))) {
        inside.transform = parent.transform * *m;
        if (!inside.transform.Bounded()) return std::nullopt;
      }
    }
    return inside;
  }

  void addShape(svg::PathBuilder& path, const Context& context) {
    if (path.Full()) mStopped = true;
    if (!path.Draws()) return;
    const InheritedStyle& s = context.style;
    SvgShape shape;
    shape.fill = ResolvePaint(s.fill, s.fillOpacity, s.color);
    shape.stroke = ResolvePaint(s.stroke, s.strokeOpacity, s.color);
    shape.strokeWidth = static_cast<float>(s.strokeWidth * context.transform.LengthScale());
    if (!(shape.strokeWidth > 0.0f) || !std::isfinite(shape.strokeWidth)) shape.stroke = SvgPaint{};
    if (shape.fill.none && shape.stroke.none) return;
    shape.cap = s.cap;
    shape.join = s.join;
    shape.miterLimit = static_cast<float>(s.miterLimit);
    shape.evenOddFill = s.evenOdd;
    shape.opacity = static_cast<float>(context.opacity);
    shape.path = path.Take();
    mCommands += shape.path.size();
    mPicture.shapes.push_back(std::move(shape));
    if (mPicture.shapes.size() >= kMaxSvgShapes) mStopped = true;
  }

  /// The picture's size from width, height and viewBox; a missing size
  /// follows the view box (its aspect when only one side is given).
  void readSize(const XmlToken& svg) {
    std::optional<double> width, height;
    if (const auto w = svg::ParseLength(AttributeValue(svg, "width"), mDpi); w && *w > 0) width = w;
    if (const auto h = svg::ParseLength(AttributeValue(svg, "height"), mDpi); h && *h > 0) height = h;
    const auto box = readViewBox(AttributeValue(svg, "viewBox"));
    if (box) {
      const double bw = box->W(), bh = box->H();
      if (!width && !height) {
        width = bw;
        height = bh;
      } else if (!width) {
        width = *height * bw / bh;
      } else if (!height) {
        height = *width * bh / bw;
      }
      mPicture.viewBox = *box;
    } else if (width && height) {
      mPicture.viewBox = IRECT{0.f, 0.f, static_cast<float>(*width), static_cast<float>(*height)};
    }
    if (width && height && std::isfinite(*width) && std::isfinite(*height)) {
      mPicture.width = static_cast<float>(*width);
      mPicture.height = static_cast<float>(*height);
    }
  }

  static std::optional<IRECT> readViewBox(std::string_view text) {
    svg::NumberScanner scan(text);
    double v[4] = {};
    scan.SkipSpace();
    for (double& n : v) {
      if (!scan.Number(n)) return std::nullopt;
      scan.SkipSeparators();
    }
    if (!scan.AtEnd() || !(v[2] > 0) || !(v[3] > 0)) return std::nullopt;
    return IRECT{static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[0] + v[2]),
                 static_cast<float>(v[1] + v[3])};
  }

  XmlReader mXml;
  double mDpi;
  SvgPicture mPicture;
  std::vector<Context> mOpen;  // the root and the groups open around the next tag
  int mSkipDepth = 0;          // tags open inside a skipped element
  size_t mCommands = 0;        // path commands of all shapes so far
  bool mStopped = false;
};

}  // namespace

SvgPicture ParseSvg(std::string_view text, float dpi) {
  if (text.size() > kMaxSvgBytes) return {};
  // A resolution that is no resolution falls back to the one the editor uses.
  const double useDpi = (std::isfinite(dpi) && dpi > 0.f && dpi <= 10000.f) ? dpi : 72.0;
  return SvgDocumentReader(text, useDpi).Read();
}

}  // namespace framework
