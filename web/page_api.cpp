// The window for a web page: the design table, the handlers' rules and the
// pass, run here in C++ exactly as the desktop runs them. The page builds
// its controls from the table, reports what the user does to them, paints
// the drawing list and shows the texts; it computes nothing itself.
//
// Every call answers with JSON text in the module's memory, valid until the
// next call.

#include <emscripten/emscripten.h>

#include <array>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "design/accessibility.h"
#include "design/controls.h"
#include "design/form.h"
#include "design/labels.h"
#include "design/pass.h"
#include "design/zoom.h"
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

ScrollBarId BarOf(int bar) {
  return static_cast<ScrollBarId>(bar);
}

// The window: its controls, the layout and the drawing state.
struct Page {
  FormModel form;
  DiagramLayout layout = DesignLayout();
  DrawState state{.foreColor = kButtonText, .backColor = kButtonFace};
  PassResult pass;
  double surfaceHeightPx = kFullHeight / kTwipsPerPixel;
  bool diagramShown = false;
  int passes = 0;
};

Page g_page;
Json g_answer;

void Recalculate() {
  ++g_page.passes;
  PassInputs in;
  in.controls = g_page.form.Values();
  in.layout = g_page.layout;
  in.surfaceHeightPx = g_page.surfaceHeightPx;
  RunPass(in, g_page.state, g_page.pass);
  g_page.layout = g_page.pass.layout;
  g_page.diagramShown = true;
}

// The diagram controls take the sizes of the form model's mode; the next
// pass places them.
void ShowMode() {
  const DiagramLayout sizes = DesignLayout(g_page.form.Mode());
  for (const DiagramControl& c : kDiagramControls) {
    (g_page.layout.*c.rect).width = (sizes.*c.rect).width;
    (g_page.layout.*c.rect).height = (sizes.*c.rect).height;
  }
}

// Runs a pass when the form model asks for one.
void RunIf(bool pass) {
  if (pass) {
    Recalculate();
  }
}

bool ValidBar(int bar) {
  return bar >= 0 && bar < static_cast<int>(kScrollBarNames.size());
}

// A drawn scroll bar's parts for its value now, `length` long and `breadth` across.
ScrollGeometry GeometryOf(int bar, double length, double breadth) {
  return ScrollGeometryOf(FormModel::RangeOf(BarOf(bar)), g_page.form.ScrollValue(BarOf(bar)),
                          length, breadth);
}

// The state of every control and the drawing; `handled` tells a key's caller
// whether the key was the scroll bar's.
void AnswerState(std::optional<bool> handled = std::nullopt) {
  const FormModel& form = g_page.form;
  Json& j = g_answer;
  j = Json();
  j.Open('{').Key("passes").Number(g_page.passes);
  j.Key("scroll").Open('{');
  for (int bar = 0; bar < 4; ++bar) {
    j.Key(kScrollBarNames[bar].bar).Number(form.ScrollValue(BarOf(bar)));
  }
  j.Close('}').Key("texts").Open('{');
  for (int bar = 0; bar < 4; ++bar) {
    j.Key(kScrollBarNames[bar].text).Text(form.ValueText(BarOf(bar)));
  }
  if (g_page.passes > 0) {
    for (int bus = 0; bus < 4; ++bus) {
      for (int k = 0; k < 6; ++k) {
        j.Key(ElementName(kReadoutArrays[bus], k)).Text(g_page.pass.readouts[bus][k]);
      }
    }
  }
  j.Close('}').Key("selected").Open('{');
  for (int group = 0; group < static_cast<int>(kAllFaultsGroupSizes.size()); ++group) {
    for (int index = 0; index < kAllFaultsGroupSizes[group]; ++index) {
      const OptionRef option{.group = static_cast<OptionGroup>(group), .index = index};
      j.Key(OptionName(option.group, index)).Bool(form.IsSelected(option));
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
  j.Close(']').Key("mode").Number(static_cast<int>(form.Mode()));
  if (handled) {
    j.Key("handled").Bool(*handled);
  }
  j.Close('}');
}

// A scroll bar's value, and for a press whether it starts a drag.
const char* AnswerValue(int value, bool drag = false) {
  g_answer = Json();
  g_answer.Open('{').Key("value").Number(value).Key("drag").Bool(drag).Close('}');
  return g_answer.c_str();
}

}  // namespace

namespace dipview::web {

const char* ApplySettings(const FaultInputs& in) {
  g_page.form.Apply(in);
  ShowMode();
  Recalculate();
  AnswerState();
  return g_answer.c_str();
}

FaultInputs PageSettings() {
  return g_page.form.Settings();
}

FormMode PageMode() {
  return g_page.form.Mode();
}

void SetMode(FormMode mode) {
  if (g_page.form.SetMode(mode)) {
    ShowMode();
  }
}

}  // namespace dipview::web

extern "C" {

/// The design table of `mode` (0 the default form, 1 the all-faults form) and
/// what a page needs to draw it: the caption, the font, the colours, the size
/// in twips and the twips per pixel.
EMSCRIPTEN_KEEPALIVE const char* dipview_design_of(int mode) {
  const FormMode form = mode == 1 ? FormMode::AllFaults : FormMode::Default;
  Json& j = g_answer;
  j = Json();
  j.Open('{').Key("caption").Text(kWindowCaption).Key("version").Text(dipview::kVersionText);
  j.Key("font").Text(kFontFamily).Key("fontPixels").Number(kDefaultFontPixels);
  j.Key("boldFontPixels").Number(kBoldFontPixels).Key("twipsPerPixel").Number(kTwipsPerPixel);
  j.Key("width").Number(kFullWidth).Key("height").Number(kFullHeight);
  j.Key("face").Colour(kButtonFace).Key("text").Colour(kButtonText);
  j.Key("controls").Open('[');
  for (const Control& c : DesignTable(form)) {
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
  for (const std::string& name : TabOrder(form)) {
    j.Separate().Text(name);
  }
  j.Close(']').Key("scrollBars").Open('[');
  for (const ScrollBarNames& b : kScrollBarNames) {
    j.Separate().Text(b.bar);
  }
  j.Close(']').Key("optionGroups").Open('[');
  const std::span<const int> sizes = OptionGroupSizes(form);
  for (int group = 0; group < static_cast<int>(sizes.size()); ++group) {
    j.Open('[');
    for (int index = 0; index < sizes[group]; ++index) {
      j.Separate().Text(OptionName(static_cast<OptionGroup>(group), index));
    }
    j.Close(']');
  }
  j.Close(']').Close('}');
  return j.c_str();
}

/// The labels of the last pass, to paint over the drawing: an array of
/// [x, baseline, align (0 left, 1 centre, 2 right), text, size, bold, colour],
/// positions and sizes in twips.
EMSCRIPTEN_KEEPALIVE const char* dipview_labels() {
  Json& j = g_answer;
  j = Json();
  j.Open('[');
  for (const TextItem& item : Labels(g_page.pass)) {
    j.Open('[').Number(item.x).Separate().Number(item.baseline);
    j.Separate().Number(static_cast<int>(item.align)).Separate().Text(item.text);
    j.Separate().Number(item.size).Separate().Bool(item.bold).Separate().Colour(item.colour);
    j.Close(']');
  }
  j.Close(']');
  return j.c_str();
}

/// The default form's design table: dipview_design_of(0).
EMSCRIPTEN_KEEPALIVE const char* dipview_design() {
  return dipview_design_of(0);
}

/// Shows the default form (`mode` 0) or the all-faults form (1); a pass runs
/// when the mode changed. Leaving the all-faults form puts its extra groups
/// back as the form model says.
EMSCRIPTEN_KEEPALIVE const char* dipview_set_mode(int mode) {
  if (mode == 0 || mode == 1) {
    if (g_page.form.SetMode(mode == 1 ? FormMode::AllFaults : FormMode::Default)) {
      ShowMode();
      Recalculate();
    }
  }
  AnswerState();
  return g_answer.c_str();
}

/// The most device pixels per design pixel the drawing surface, `width` x
/// `height` design pixels, may take.
EMSCRIPTEN_KEEPALIVE double dipview_canvas_limit(double width, double height) {
  return CanvasRatioLimit(width, height);
}

/// Loads the window: the load handler's steps, each selection running a
/// pass. `heightPx` is the drawing surface's height in pixels.
EMSCRIPTEN_KEEPALIVE const char* dipview_load(double heightPx) {
  g_page = Page{};
  g_page.surfaceHeightPx = heightPx;
  g_page.form.WriteValueTexts();
  for (const OptionRef& option : FormModel::kLoadSelections) {
    RunIf(g_page.form.Click(option));
  }
  AnswerState();
  return g_answer.c_str();
}

/// Scroll bar `bar` (in the order of the design's "scrollBars") took `value`,
/// on a release or from a key: a pass runs when the value changed.
EMSCRIPTEN_KEEPALIVE const char* dipview_scroll(int bar, int value) {
  if (ValidBar(bar)) {
    RunIf(g_page.form.SetScrollValue(BarOf(bar), value));
  }
  AnswerState();
  return g_answer.c_str();
}

/// The key `key` (its DOM name) on scroll bar `bar`: the state, with
/// "handled" false for a key that scroll bars leave alone.
EMSCRIPTEN_KEEPALIVE const char* dipview_scroll_key(int bar, const char* key) {
  const ScrollAction action = ScrollActionOfKey(key);
  if (ValidBar(bar)) {
    RunIf(g_page.form.Scroll(BarOf(bar), action));
  }
  AnswerState(action != ScrollAction::None);
  return g_answer.c_str();
}

/// Where the parts of scroll bar `bar` lie, drawn `length` long and `breadth`
/// across with its thumb at `value`: arrow, track, thumb and at (the thumb's start).
EMSCRIPTEN_KEEPALIVE const char* dipview_scroll_geometry(int bar, int value, double length,
                                                         double breadth) {
  ScrollGeometry g;
  if (ValidBar(bar)) {
    g = ScrollGeometryOf(FormModel::RangeOf(BarOf(bar)), value, length, breadth);
  }
  g_answer = Json();
  g_answer.Open('{').Key("arrow").Number(g.arrow).Key("track").Number(g.track);
  g_answer.Key("thumb").Number(g.thumb).Key("at").Number(g.at).Close('}');
  return g_answer.c_str();
}

/// A press `offset` from the back end of scroll bar `bar`: the value it
/// gives on release, and "drag" true when it is on the thumb.
EMSCRIPTEN_KEEPALIVE const char* dipview_scroll_press(int bar, double offset, double length,
                                                      double breadth) {
  if (!ValidBar(bar)) {
    return AnswerValue(0);
  }
  const ScrollAction action = ScrollActionAt(GeometryOf(bar, length, breadth), offset);
  const int value = g_page.form.ScrollValue(BarOf(bar));
  return AnswerValue(ScrollTarget(FormModel::RangeOf(BarOf(bar)), value, action),
                     action == ScrollAction::None);
}

/// The value while the thumb of scroll bar `bar` has been dragged `moved`
/// along it (negative towards the back end) from where it was pressed.
EMSCRIPTEN_KEEPALIVE const char* dipview_scroll_drag(int bar, double moved, double length,
                                                     double breadth) {
  if (!ValidBar(bar)) {
    return AnswerValue(0);
  }
  const int value = g_page.form.ScrollValue(BarOf(bar));
  return AnswerValue(
      DragTarget(FormModel::RangeOf(BarOf(bar)), GeometryOf(bar, length, breadth), value, moved));
}

/// Option `index` of group `group` (in the order of the design's
/// "optionGroups") was clicked: it becomes the group's only selected option,
/// and a pass runs when it was not selected before.
EMSCRIPTEN_KEEPALIVE const char* dipview_select(int group, int index) {
  const std::span<const int> sizes = OptionGroupSizes(g_page.form.Mode());
  if (group >= 0 && group < static_cast<int>(sizes.size()) && index >= 0 && index < sizes[group]) {
    RunIf(g_page.form.Click({.group = static_cast<OptionGroup>(group), .index = index}));
  }
  AnswerState();
  return g_answer.c_str();
}

}  // extern "C"
