// The window for a web page: the design table, the handlers' rules and the
// pass, run here in C++ exactly as the desktop runs them. The page builds
// its controls from the table, reports what the user does to them, paints
// the drawing list and shows the texts; it computes nothing itself.
//
// Every call answers with JSON text in the module's memory, valid until the
// next call.

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

#include "design/accessibility.h"
#include "design/controls.h"
#include "design/pass.h"
#include "dipview/version.h"
#include "web/page_api.h"

namespace {

using namespace dipview::design;

// The window's colours come from the desktop toolkit's standard palette:
// the button face under everything and the button text for outlines.
constexpr Rgb kButtonFace{0xef, 0xef, 0xef};
constexpr Rgb kButtonText{0x00, 0x00, 0x00};

class Json {
 public:
  Json& Raw(std::string_view text) {
    text_ += text;
    fresh_ = false;
    return *this;
  }
  Json& Text(std::string_view text) {
    text_ += '"';
    for (const char c : text) {
      if (c == '"' || c == '\\') {
        text_ += '\\';
      }
      text_ += c;
    }
    return Raw("\"");
  }
  Json& Number(double value) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%.9g", value);
    return Raw(std::string_view(buffer, static_cast<std::size_t>(n)));
  }
  Json& Bool(bool value) { return Raw(value ? "true" : "false"); }
  Json& Colour(Rgb c) {
    char buffer[10];
    std::snprintf(buffer, sizeof buffer, "\"#%02x%02x%02x\"", c.r, c.g, c.b);
    return Raw(buffer);
  }
  /// A comma before each element of an array or object but the first.
  Json& Separate() {
    if (!fresh_) {
      text_ += ',';
    }
    fresh_ = false;
    return *this;
  }
  Json& Key(std::string_view key) {
    Separate().Text(key);
    text_ += ':';
    fresh_ = true;
    return *this;
  }
  Json& Open(char bracket) {
    Separate();
    text_ += bracket;
    fresh_ = true;
    return *this;
  }
  Json& Close(char bracket) { return Raw(std::string_view(&bracket, 1)); }
  Json& Numbers(std::initializer_list<double> values) {
    Open('[');
    for (const double v : values) {
      Separate().Number(v);
    }
    return Close(']');
  }
  Json& Rect(const TwipsRect& r) { return Numbers({r.left, r.top, r.width, r.height}); }
  const char* c_str() const { return text_.c_str(); }

 private:
  std::string text_;
  bool fresh_ = true;
};

std::string_view KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return "label";
    case ControlKind::TextBox:
      return "text";
    case ControlKind::Frame:
      return "frame";
    case ControlKind::OptionButton:
      return "option";
    case ControlKind::VerticalScrollBar:
      return "vscroll";
    case ControlKind::HorizontalScrollBar:
      return "hscroll";
    case ControlKind::Line:
      return "line";
  }
  return "label";
}

// The four scroll bars, the value box each writes, in the page's numbering.
struct ScrollBinding {
  std::string_view bar;
  std::string_view text;
};
constexpr std::array<ScrollBinding, 4> kScrollBars = {{{"Z12_Angle", "Z12_Angle_Text"},
                                                       {"Z0_Angle", "Z0_Angle_Text"},
                                                       {"ZF_Angle", "ZF_Angle_Text"},
                                                       {"Proximity", "Proximity_Text"}}};

// The option groups, in the page's numbering: fault, Z0/Z12, ZF/Z12 and the
// three transformers.
struct OptionGroup {
  std::string_view array;
  int size;
};
constexpr std::array<OptionGroup, 6> kGroups = {{{"", 3},
                                                 {"Z0_Z12_opt", 6},
                                                 {"ZF_Z12_opt", 7},
                                                 {"HV_MV_Trans", 2},
                                                 {"MV_C1_Trans", 2},
                                                 {"C1_C2_Trans", 2}}};
constexpr std::array<std::string_view, 3> kFaultNames = {"Single_Phase(0)", "Phase_Phase(1)",
                                                         "Three_Phase(2)"};

std::string OptionName(int group, int index) {
  return group == 0 ? std::string(kFaultNames[index]) : ElementName(kGroups[group].array, index);
}

// What the controls hold, the layout and the drawing state: the window.
struct Page {
  ControlValues values;
  std::array<int, 3> transformer{0, 0, 0};  // selected element of each frame, -1 for none
  DiagramLayout layout = DesignLayout();
  DrawState state{.foreColor = kButtonText, .backColor = kButtonFace};
  PassResult pass;
  double surfaceHeightPx = kFullHeight / kTwipsPerPixel;
  bool diagramShown = false;
  int passes = 0;
};

Page g_page;
Json g_answer;

bool IsSelected(int group, int index) {
  const Selections& s = g_page.values.selected;
  switch (group) {
    case 0:
      return s.fault[index];
    case 1:
      return s.z0Z12[index];
    case 2:
      return s.zfZ12[index];
    default:
      // Element 0 (DY) is what the pass reads; element 1 is its complement.
      return s.transformerDY[group - 3] == (index == 0);
  }
}

// Makes `index` the only selected option of `group`.
void SelectOnly(int group, int index) {
  Selections& s = g_page.values.selected;
  for (int k = 0; k < kGroups[group].size; ++k) {
    switch (group) {
      case 0:
        s.fault[k] = k == index;
        break;
      case 1:
        s.z0Z12[k] = k == index;
        break;
      case 2:
        s.zfZ12[k] = k == index;
        break;
      default:
        s.transformerDY[group - 3] = index == 0;
        break;
    }
  }
}

double& AngleOf(int bar) {
  ControlValues& v = g_page.values;
  return bar == 0 ? v.z12AngleDeg : bar == 1 ? v.z0AngleDeg : v.zfAngleDeg;
}

int ScrollValue(int bar) {
  // An angle given with decimals puts its bar at the nearest whole degree.
  return bar == 3 ? g_page.values.proximity
                  : static_cast<int>(std::lround(std::clamp(AngleOf(bar), 0.0, 90.0)));
}

// A value box's text: the shortest text of its value, decimals and all.
std::string ValueText(int bar) {
  char buffer[32];
  const auto end = bar == 3 ? std::to_chars(buffer, buffer + sizeof buffer, g_page.values.proximity)
                            : std::to_chars(buffer, buffer + sizeof buffer, AngleOf(bar));
  return std::string(buffer, end.ptr);
}

void Recalculate() {
  ++g_page.passes;
  PassInputs in;
  in.controls = g_page.values;
  in.layout = g_page.layout;
  in.surfaceHeightPx = g_page.surfaceHeightPx;
  RunPass(in, g_page.state, g_page.pass);
  g_page.layout = g_page.pass.layout;
  g_page.diagramShown = true;
}

void AnswerState() {
  Json& j = g_answer;
  j = Json();
  j.Open('{').Key("passes").Number(g_page.passes);
  j.Key("scroll").Open('{');
  for (int bar = 0; bar < 4; ++bar) {
    j.Key(kScrollBars[bar].bar).Number(ScrollValue(bar));
  }
  j.Close('}').Key("texts").Open('{');
  for (int bar = 0; bar < 4; ++bar) {
    j.Key(kScrollBars[bar].text).Text(ValueText(bar));
  }
  if (g_page.passes > 0) {
    for (int bus = 0; bus < 4; ++bus) {
      for (int k = 0; k < 6; ++k) {
        j.Key(ElementName(kReadoutArrays[bus], k)).Text(g_page.pass.readouts[bus][k]);
      }
    }
  }
  j.Close('}').Key("selected").Open('{');
  for (int group = 0; group < static_cast<int>(kGroups.size()); ++group) {
    for (int index = 0; index < kGroups[group].size; ++index) {
      j.Key(OptionName(group, index)).Bool(IsSelected(group, index));
    }
  }
  j.Close('}').Key("layout").Open('{');
  if (g_page.diagramShown) {
    for (const DiagramControl& c : kDiagramControls) {
      j.Key(c.name).Rect(g_page.layout.*c.rect);
    }
  }
  j.Close('}').Key("drawing").Open('[');
  for (const DrawOp& op : g_page.pass.drawing) {
    // kind, x1, y1, x2, y2, radius, colour, pen width, dotted, smoothed, fill
    j.Open('[').Number(static_cast<int>(op.kind));
    for (const float v : {op.x1, op.y1, op.x2, op.y2, op.radius}) {
      j.Separate().Number(v);
    }
    j.Separate().Colour(op.colour).Separate().Number(op.penWidth);
    j.Separate().Bool(op.penStyle == DrawStyle::Dot).Separate().Bool(op.smooth).Separate();
    if (op.fill) {
      j.Colour(*op.fill);
    } else {
      j.Raw("null");
    }
    j.Close(']');
  }
  j.Close(']').Close('}');
}

}  // namespace

namespace dipview::web {

const char* ApplySettings(const FaultInputs& in) {
  ControlValues& v = g_page.values;
  v.z12AngleDeg = in.z12AngleDeg;
  v.z0AngleDeg = in.z0AngleDeg;
  v.zfAngleDeg = in.zfAngleDeg;
  v.proximity = in.proximity;
  // A ratio that no option offers leaves its group without a selection.
  const auto selectRatio = [](int group, const auto& table, auto value, auto& unlisted) {
    const auto it = std::find(table.begin(), table.end(), value);
    unlisted = it == table.end() ? value : 0;
    SelectOnly(group, it == table.end() ? -1 : static_cast<int>(it - table.begin()));
  };
  selectRatio(1, kZ0Ratios, in.z0Ratio, v.z0RatioUnlisted);
  selectRatio(2, kZfRatios, in.zfRatio, v.zfRatioUnlisted);
  const auto fault = std::find(kFaultButtons.begin(), kFaultButtons.end(), in.faultType);
  SelectOnly(0,
             fault == kFaultButtons.end() ? -1 : static_cast<int>(fault - kFaultButtons.begin()));
  const TransformerConnection connections[3] = {in.hvMvConnection, in.mvC1Connection,
                                                in.c1C2Connection};
  for (int t = 0; t < 3; ++t) {
    SelectOnly(3 + t, connections[t] == TransformerConnection::DY ? 0 : 1);
  }
  Recalculate();
  AnswerState();
  return g_answer.c_str();
}

FaultInputs PageSettings() {
  return SettingsOf(g_page.values);
}

}  // namespace dipview::web

extern "C" {

/// The design table and what a page needs to draw it: the caption, the font,
/// the colours, the size in twips and the twips per pixel.
EMSCRIPTEN_KEEPALIVE const char* dipview_design() {
  Json& j = g_answer;
  j = Json();
  j.Open('{').Key("caption").Text(kWindowCaption).Key("version").Text(dipview::kVersionText);
  j.Key("font").Text(kFontFamily).Key("fontPixels").Number(kDefaultFontPixels);
  j.Key("boldFontPixels").Number(kBoldFontPixels).Key("twipsPerPixel").Number(kTwipsPerPixel);
  j.Key("width").Number(kFullWidth).Key("height").Number(kFullHeight);
  j.Key("face").Colour(kButtonFace).Key("text").Colour(kButtonText);
  j.Key("controls").Open('[');
  for (const Control& c : DesignTable()) {
    j.Open('{').Key("kind").Text(KindName(c.kind)).Key("name").Text(c.name);
    j.Key("container").Text(c.container).Key("rect").Rect(c.rect);
    j.Key("ends").Numbers({c.ends.x1, c.ends.y1, c.ends.x2, c.ends.y2});
    j.Key("caption").Text(c.caption).Key("bold").Bool(c.font == FontKind::Bold);
    j.Key("colour");
    if (c.colour) {
      j.Colour(*c.colour);
    } else {
      j.Raw("null");
    }
    j.Key("visible").Bool(c.visible).Key("centred").Bool(c.centred);
    j.Key("readOnly").Bool(c.readOnly).Key("selected").Bool(c.selected);
    const AccessibleText text = AccessibleTextOf(c.name);
    j.Key("accessible").Open('{').Key("name").Text(text.name);
    j.Key("description").Text(text.description).Close('}');
    j.Key("scroll").Open('{').Key("min").Number(c.scroll.min).Key("max").Number(c.scroll.max);
    j.Key("value").Number(c.scroll.value).Key("small").Number(c.scroll.smallChange);
    j.Key("large").Number(c.scroll.largeChange).Close('}');
    j.Close('}');
  }
  j.Close(']').Key("tabOrder").Open('[');
  for (const std::string& name : TabOrder()) {
    j.Separate().Text(name);
  }
  j.Close(']').Key("scrollBars").Open('[');
  for (const ScrollBinding& b : kScrollBars) {
    j.Separate().Text(b.bar);
  }
  j.Close(']').Key("optionGroups").Open('[');
  for (int group = 0; group < static_cast<int>(kGroups.size()); ++group) {
    j.Open('[');
    for (int index = 0; index < kGroups[group].size; ++index) {
      j.Separate().Text(OptionName(group, index));
    }
    j.Close(']');
  }
  j.Close(']').Close('}');
  return j.c_str();
}

/// Loads the window: the value boxes take the scroll bars' values, then
/// Z0/Z12 2.5 and ZF/Z12 0.0 are selected, each running a pass, the first
/// with no ZF/Z12 option selected. `heightPx` is the drawing surface's height
/// in pixels.
EMSCRIPTEN_KEEPALIVE const char* dipview_load(double heightPx) {
  g_page = Page{};
  g_page.surfaceHeightPx = heightPx;
  SelectOnly(1, 1);
  Recalculate();
  SelectOnly(2, 6);
  Recalculate();
  AnswerState();
  return g_answer.c_str();
}

/// Scroll bar `bar` (0 Z12, 1 Z0, 2 ZF angle, 3 proximity) took `value` on
/// release: its value box is written and a pass runs.
EMSCRIPTEN_KEEPALIVE const char* dipview_scroll(int bar, int value) {
  if (bar >= 0 && bar < 4) {
    if (bar == 3) {
      g_page.values.proximity = static_cast<std::int16_t>(value);
    } else {
      AngleOf(bar) = value;
    }
    Recalculate();
  }
  AnswerState();
  return g_answer.c_str();
}

/// Option `index` of group `group` (0 fault, 1 Z0/Z12, 2 ZF/Z12, 3 to 5 the
/// transformers) was clicked: it becomes the group's only selected option,
/// and a pass runs when it was not selected before.
EMSCRIPTEN_KEEPALIVE const char* dipview_select(int group, int index) {
  if (group >= 0 && group < static_cast<int>(kGroups.size()) && index >= 0 &&
      index < kGroups[group].size && !IsSelected(group, index)) {
    SelectOnly(group, index);
    Recalculate();
  }
  AnswerState();
  return g_answer.c_str();
}

}  // extern "C"
