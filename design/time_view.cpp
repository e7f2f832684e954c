#include "design/time_view.h"

#include <algorithm>
#include <cmath>

#include "compute/readout.h"
#include "design/axis.h"

namespace dipview::design {

namespace {

// The page: the caption on top, the four buses' rows on the left (title and
// dip, then the waveform and Urms(1/2) panels), the two curves on the right
// above the buses' legend.
constexpr double kPageWidth = kTimeViewWidth;
constexpr double kPageHeight = kTimeViewHeight;
constexpr double kCaptionLeft = 16.0;
constexpr double kCaptionFont = 15.0;
constexpr double kCaptionLine = 20.0;
// Room for the caption beside the phases' legend; a caption part estimated
// wider goes on more lines, broken after a comma.
constexpr double kCaptionRoom = 1060.0;
// A generous width of a character of the caption's font, as a share of its
// size: Liberation Sans's widest common glyphs (capitals, digits) stay below.
constexpr double kCharWidth = 0.62;
constexpr double kMinTopBand = 70.0;
constexpr double kWaveLeft = 72.0;
constexpr double kWaveRight = 600.0;
constexpr double kRmsLeft = 686.0;
constexpr double kRmsRight = 1082.0;
constexpr double kRowTitle = 13.0;     // from a row's top to its title's middle
constexpr double kRowPanelTop = 28.0;  // from a row's top to its panels
constexpr double kRowPanelGap = 40.0;  // from a row's panels to the next row
constexpr double kCurveLeft = 1180.0;
constexpr double kCurveRight = 1578.0;
constexpr double kCurveTitle = 30.0;  // from a curve block's top to its panel
constexpr double kCurveBelow = 52.0;  // under a curve panel: ticks and the axis name
constexpr double kLegendLine = 24.0;
// From a panel's bottom to the middle of its tick labels and of its axis name:
// the tick labels start below the lowest y tick label's letters.
constexpr double kTickBelow = 15.0;
constexpr double kAxisNameBelow = 30.0;
constexpr double kBottom = 12.0;

constexpr Rgb kGridColour{0xe4, 0xe4, 0xe4};
constexpr Rgb kFrameColour{0x70, 0x70, 0x70};
constexpr Rgb kGuideColour{0x50, 0x50, 0x50};
constexpr Rgb kChangeColour{0x90, 0x90, 0x90};
constexpr double kMarkerSpacing = 44.0;  // pixels along x between a phase's markers
constexpr double kPhaseMarker = 8.0;
constexpr double kBusMarker = 13.0;

// Estimated width of `text` at `fontPixels`, counting characters, not bytes.
double EstimatedWidth(std::string_view text, double fontPixels) {
  const auto count = std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
  });
  return static_cast<double>(count) * fontPixels * kCharWidth;
}

// The caption's lines: each "; " part on its own, broken after a comma where
// it would not fit.
std::vector<std::string> CaptionLines(std::string_view caption) {
  std::vector<std::string> lines;
  while (!caption.empty()) {
    const std::size_t end = caption.find("; ");
    std::string_view part = caption.substr(0, end);
    caption = end == std::string_view::npos ? std::string_view() : caption.substr(end + 2);
    std::string line;
    while (!part.empty()) {
      const std::size_t comma = part.find(", ");
      const std::string_view piece =
          part.substr(0, comma == std::string_view::npos ? part.size() : comma + 1);
      part = comma == std::string_view::npos ? std::string_view() : part.substr(comma + 2);
      const std::string joined =
          line.empty() ? std::string(piece) : line + " " + std::string(piece);
      if (!line.empty() && EstimatedWidth(joined, kCaptionFont) > kCaptionRoom) {
        lines.push_back(line);
        line = std::string(piece);
      } else {
        line = joined;
      }
    }
    lines.push_back(line + (caption.empty() ? "" : ";"));
  }
  return lines;
}

// The settings' caption and, on a line of its own, how the sag runs in time.
std::vector<std::string> AllCaptionLines(const TimeViewInputs& in) {
  std::vector<std::string> lines = CaptionLines(in.caption);
  lines.push_back(TimeCaption(in.time));
  return lines;
}

double TopBand(std::size_t captionLines) {
  return std::max(kMinTopBand, 12.0 + static_cast<double>(captionLines) * kCaptionLine + 12.0);
}

class Builder {
 public:
  explicit Builder(ChartList& out) : out_(out) {}

  void Line(std::vector<ChartPoint> points, Rgb colour, double width,
            LineDash dash = LineDash::Solid) {
    out_.push_back({.kind = ChartPrimitive::Polyline,
                    .points = std::move(points),
                    .colour = colour,
                    .width = width,
                    .dash = dash});
  }
  void Box(ChartPoint a, ChartPoint b, Rgb colour, std::optional<Rgb> fill) {
    out_.push_back({.kind = ChartPrimitive::Rect,
                    .points = {a, b},
                    .colour = colour,
                    .width = 1.0,
                    .fill = fill});
  }
  void Text(ChartPoint at, std::string text, double fontPixels, TextAnchor anchor,
            bool bold = false, bool vertical = false) {
    out_.push_back({.kind = ChartPrimitive::Text,
                    .points = {at},
                    .colour = kBlack,
                    .text = std::move(text),
                    .fontPixels = fontPixels,
                    .bold = bold,
                    .vertical = vertical,
                    .anchor = anchor});
  }
  void Marker(ChartPoint at, MarkerShape shape, double size, Rgb colour, std::optional<Rgb> fill,
              double width = 1.5) {
    out_.push_back({.kind = ChartPrimitive::Marker,
                    .points = {at},
                    .colour = colour,
                    .width = width,
                    .fill = fill,
                    .marker = shape,
                    .size = size});
  }

 private:
  ChartList& out_;
};

// The first, lowest, highest and last point of each half-pixel column, in
// their order: a record of many more samples than the panel has columns
// draws the same, and quickly.
std::vector<ChartPoint> Thinned(const std::vector<ChartPoint>& line) {
  std::vector<ChartPoint> out;
  std::size_t i = 0;
  while (i < line.size()) {
    const double column = std::floor(line[i].x * 2.0);
    std::size_t end = i;
    std::size_t low = i;
    std::size_t high = i;
    for (; end < line.size() && std::floor(line[end].x * 2.0) == column; ++end) {
      low = line[end].y < line[low].y ? end : low;
      high = line[end].y > line[high].y ? end : high;
    }
    const std::size_t kept[4] = {i, std::min(low, high), std::max(low, high), end - 1};
    for (int k = 0; k < 4; ++k) {
      if (k == 0 || kept[k] != kept[k - 1]) {
        out.push_back(line[kept[k]]);
      }
    }
    i = end;
  }
  return out;
}

// A phase's line in its colour and look, and its markers about every
// kMarkerSpacing pixels along x; C's start half a spacing after B's, so both
// show where the lines lie on top of each other.
void PhaseLine(Builder& b, int phase, const std::vector<ChartPoint>& line) {
  const PhaseLook& look = kPhaseLooks[static_cast<std::size_t>(phase)];
  const Rgb colour = kPhaseColours[static_cast<std::size_t>(phase)];
  b.Line(line, colour, look.width, look.dash);
}

void PhaseMarkers(Builder& b, int phase, const std::vector<ChartPoint>& line) {
  const PhaseLook& look = kPhaseLooks[static_cast<std::size_t>(phase)];
  if (!look.marker || line.empty()) {
    return;
  }
  const Rgb colour = kPhaseColours[static_cast<std::size_t>(phase)];
  const double first = line.front().x + (phase == 2 ? kMarkerSpacing / 2 : 0.0);
  double next = first;
  for (const ChartPoint& p : line) {
    if (p.x >= next) {
      b.Marker(p, *look.marker, kPhaseMarker, colour, look.filledMarker ? colour : kWhite);
      next = p.x + kMarkerSpacing;
    }
  }
}

std::string Degrees(double value) {
  return NumberText(value) + "\u00b0";
}

void PanelFrame(Builder& b, const TimeViewFrame::Area& a) {
  b.Box({a.left, a.top}, {a.right, a.bottom}, kFrameColour, std::nullopt);
}

// The grid, the tick labels and the axis names of a panel over time.
void TimePanel(Builder& b, const TimeViewFrame& f, const TimeViewFrame::Area& a, double yMin,
               double yMax, double yStep, const std::string& yName) {
  const auto y = [&](double v) {
    return a.bottom - (v - yMin) / (yMax - yMin) * (a.bottom - a.top);
  };
  for (double k = std::ceil(yMin / yStep - 1e-9); k * yStep <= yMax + 1e-9; ++k) {
    const double at = y(k * yStep);
    b.Line({{a.left, at}, {a.right, at}}, kGridColour, 1.0);
    b.Text({a.left - 6, at}, NumberText(k * yStep + 0.0), 12.0, TextAnchor::Right);
  }
  const double step = TickStep(f.tMax - f.tMin, 6);
  for (double k = std::ceil(f.tMin / step - 1e-9); k * step <= f.tMax + 1e-9 * step; ++k) {
    const double x = a.left + (k * step - f.tMin) / (f.tMax - f.tMin) * (a.right - a.left);
    b.Line({{x, a.top}, {x, a.bottom}}, kGridColour, 1.0);
    b.Line({{x, a.bottom}, {x, a.bottom + 4}}, kBlack, 1.0);
    b.Text({x, a.bottom + kTickBelow}, NumberText(k * step + 0.0), 12.0, TextAnchor::Centre);
  }
  b.Text({(a.left + a.right) / 2, a.bottom + kAxisNameBelow}, "Time (s)", 12.0, TextAnchor::Centre);
  b.Text({a.left - 44, (a.top + a.bottom) / 2}, yName, 12.0, TextAnchor::Centre, false, true);
}

// Dotted lines where the fault starts and where it is cleared.
void FaultEdges(Builder& b, const TimeViewFrame::Area& a, double xStart, double xClear) {
  for (const double x : {xStart, xClear}) {
    b.Line({{x, a.top}, {x, a.bottom}}, kChangeColour, 1.0, LineDash::Dotted);
  }
}

void PhaseLegend(Builder& b, double top) {
  const char* const names[3] = {"Phase A", "Phase B", "Phase C"};
  double x = kCurveLeft - 60;
  const double y = top;
  for (int phase = 0; phase < 3; ++phase) {
    const std::vector<ChartPoint> sample = {{x, y}, {x + 30, y}};
    PhaseLine(b, phase, sample);
    PhaseMarkers(b, phase, {{x + 15, y}});
    b.Text({x + 38, y}, names[phase], 13.0, TextAnchor::Left);
    x += 110;
  }
  b.Line({{x, y}, {x + 30, y}}, kGuideColour, 1.5, LineDash::Dashed);
  b.Text({x + 38, y}, "0.9 pu", 13.0, TextAnchor::Left);
}

}  // namespace

ChartPoint TimeViewFrame::Wave(int bus, double t, double v) const {
  const Area& a = waveform[static_cast<std::size_t>(bus)];
  return {a.left + (t - tMin) / (tMax - tMin) * (a.right - a.left),
          a.bottom - (v + waveMax) / (2 * waveMax) * (a.bottom - a.top)};
}

ChartPoint TimeViewFrame::Rms(int bus, double t, double v) const {
  const Area& a = rms[static_cast<std::size_t>(bus)];
  return {a.left + (t - tMin) / (tMax - tMin) * (a.right - a.left),
          a.bottom - v / rmsMax * (a.bottom - a.top)};
}

ChartPoint TimeViewFrame::Curve(int curve, double seconds, double residual) const {
  const Area& a = curves[static_cast<std::size_t>(curve)];
  const double from = std::log10(kCurveFrom);
  const double to = std::log10(kCurveTo);
  const double d = std::clamp(std::log10(seconds), from, to);
  return {a.left + (d - from) / (to - from) * (a.right - a.left),
          a.bottom - std::clamp(residual, 0.0, kCurveTop) / kCurveTop * (a.bottom - a.top)};
}

std::string TimeCaption(const TimeSettings& time) {
  return "Fault lasting " + NumberText(time.durationSeconds) + " s from a point on wave of " +
         Degrees(time.inceptionDeg + 0.0) + " (phase A at Substation HV), " +
         NumberText(time.frequencyHz) + " Hz, " + NumberText(time.samplesPerCycle) +
         " samples a cycle";
}

std::array<std::string, 3> BusEventTexts(const BusEvent& e) {
  std::array<std::string, 3> texts;
  texts[0] = e.dip ? "residual " + NumberText(CutMagnitude(e.residual)) + " pu, duration " +
                         NumberText(std::round(e.durationSeconds * 10000.0) / 10000.0) + " s"
                   : "no dip";
  const char* const letters[3] = {"A ", "B ", "C "};
  texts[1] = "jumps";
  for (std::size_t p = 0; p < 3; ++p) {
    texts[1] += (p == 0 ? " " : ", ") + std::string(letters[p]) +
                Degrees(std::floor(e.jumpDeg[p] * 10.0) / 10.0 + 0.0);
  }
  const auto verdict = [](CurveVerdict v) {
    return v == CurveVerdict::Inside ? "inside" : "outside";
  };
  texts[2] = e.dip ? std::string("ITIC ") + verdict(e.itic) + ", F47 " + verdict(e.f47) : "";
  return texts;
}

TimeViewFrame TimeViewFrameOf(const TimeViewInputs& in) {
  TimeViewFrame f;
  const double top = TopBand(AllCaptionLines(in).size());
  const double rowHeight = (kPageHeight - kBottom - top) / 4;
  for (std::size_t bus = 0; bus < 4; ++bus) {
    const double rowTop = top + static_cast<double>(bus) * rowHeight;
    const double panelTop = rowTop + kRowPanelTop;
    const double panelBottom = rowTop + rowHeight - kRowPanelGap;
    f.waveform[bus] = {kWaveLeft, panelTop, kWaveRight, panelBottom};
    f.rms[bus] = {kRmsLeft, panelTop, kRmsRight, panelBottom};
  }
  const double legend = 4 * kLegendLine + 8;
  const double block = (kPageHeight - kBottom - top - legend) / 2;
  for (std::size_t c = 0; c < 2; ++c) {
    const double blockTop = top + static_cast<double>(c) * block;
    f.curves[c] = {kCurveLeft, blockTop + kCurveTitle, kCurveRight, blockTop + block - kCurveBelow};
  }
  const SampleGrid grid = GridOf(in.time);
  f.tMin = grid.Time(grid.firstSample);
  f.tMax = grid.Time(grid.lastSample);
  double peak = 0.0;
  for (const auto* sets : {&in.states.preFault, &in.states.duringFault}) {
    for (const PhaseTriple& v : *sets) {
      peak = std::max({peak, v.a.magnitude, v.b.magnitude, v.c.magnitude});
    }
  }
  // Up to the next step above the largest value, allowing for its rounding.
  f.waveMax = std::max(1.5, std::ceil(peak * std::sqrt(2.0) / 0.5 - 1e-9) * 0.5);
  f.rmsMax = std::max(1.2, std::ceil(peak / 0.2 - 1e-9) * 0.2);
  return f;
}

ChartList TimeViewList(const TimeViewInputs& in) {
  ChartList list;
  Builder b(list);
  const TimeViewFrame f = TimeViewFrameOf(in);
  b.Box({0, 0}, {kPageWidth, kPageHeight}, kWhite, kWhite);

  const std::vector<std::string> caption = AllCaptionLines(in);
  double y = 12.0 + kCaptionLine / 2;
  for (const std::string& line : caption) {
    b.Text({kCaptionLeft, y}, line, kCaptionFont, TextAnchor::Left);
    y += kCaptionLine;
  }
  const double top = TopBand(caption.size());
  PhaseLegend(b, top / 2);

  const Waveforms waves = ComputeWaveforms(in.states, in.time);
  const RmsSeries rms = HalfCycleRms(in.states, in.time);
  const std::array<BusEvent, 4> events = BusEvents(in.states, rms);
  const SampleGrid grid = GridOf(in.time);
  const double clear = grid.Time(grid.faultSamples);

  for (int bus = 0; bus < 4; ++bus) {
    const auto& wa = f.waveform[static_cast<std::size_t>(bus)];
    const auto& ra = f.rms[static_cast<std::size_t>(bus)];
    const double rowTop = wa.top - kRowPanelTop;
    b.Text({wa.left, rowTop + kRowTitle}, std::string(kBusNames[static_cast<std::size_t>(bus)]),
           15.0, TextAnchor::Left, true);
    const std::array<std::string, 3> texts = BusEventTexts(events[static_cast<std::size_t>(bus)]);
    std::string dip = texts[0] + "; " + texts[1] + (texts[2].empty() ? "" : "; " + texts[2]);
    b.Text({ra.right, rowTop + kRowTitle}, dip, 13.0, TextAnchor::Right);

    TimePanel(b, f, wa, -f.waveMax, f.waveMax, f.waveMax > 2.0 ? 1.0 : 0.5, "Voltage (pu)");
    TimePanel(b, f, ra, 0.0, f.rmsMax, f.rmsMax > 1.6 ? 0.4 : 0.2, "Urms(1/2) (pu)");
    FaultEdges(b, wa, f.Wave(bus, 0.0, 0.0).x, f.Wave(bus, clear, 0.0).x);
    FaultEdges(b, ra, f.Rms(bus, 0.0, 0.0).x, f.Rms(bus, clear, 0.0).x);
    const double threshold = f.Rms(bus, 0.0, kDipThreshold).y;
    b.Line({{ra.left, threshold}, {ra.right, threshold}}, kGuideColour, 1.5, LineDash::Dashed);

    std::array<std::vector<ChartPoint>, 3> waveLines;
    std::array<std::vector<ChartPoint>, 3> rmsLines;
    for (int phase = 0; phase < 3; ++phase) {
      const auto& samples = waves.channels[static_cast<std::size_t>(3 * bus + phase)];
      std::vector<ChartPoint> line;
      line.reserve(samples.size());
      for (std::size_t k = 0; k < samples.size(); ++k) {
        line.push_back(f.Wave(bus, waves.time[k], samples[k]));
      }
      waveLines[static_cast<std::size_t>(phase)] = Thinned(line);
      const auto& values = rms.channels[static_cast<std::size_t>(3 * bus + phase)];
      line.clear();
      for (std::size_t k = 0; k < values.size(); ++k) {
        line.push_back(f.Rms(bus, rms.time[k], values[k]));
      }
      rmsLines[static_cast<std::size_t>(phase)] = Thinned(line);
    }
    for (int phase = 0; phase < 3; ++phase) {
      PhaseLine(b, phase, waveLines[static_cast<std::size_t>(phase)]);
    }
    for (int phase = 0; phase < 3; ++phase) {
      PhaseLine(b, phase, rmsLines[static_cast<std::size_t>(phase)]);
    }
    // Over all the lines, so that no line hides another's markers.
    for (int phase = 1; phase < 3; ++phase) {
      PhaseMarkers(b, phase, waveLines[static_cast<std::size_t>(phase)]);
      PhaseMarkers(b, phase, rmsLines[static_cast<std::size_t>(phase)]);
    }
    PanelFrame(b, wa);
    PanelFrame(b, ra);
  }

  const char* const curveNames[2] = {"ITIC (CBEMA) curve, 2000 revision", "SEMI F47-0706"};
  const RideThroughCurve curves[2] = {RideThroughCurve::Itic, RideThroughCurve::SemiF47};
  for (int c = 0; c < 2; ++c) {
    const auto& a = f.curves[static_cast<std::size_t>(c)];
    b.Text({(a.left + a.right) / 2, a.top - 14}, curveNames[c], 15.0, TextAnchor::Centre, true);
    for (int k = 0; k * 0.2 <= TimeViewFrame::kCurveTop + 1e-9; ++k) {
      const double at = f.Curve(c, 1.0, k * 0.2).y;
      b.Line({{a.left, at}, {a.right, at}}, kGridColour, 1.0);
      b.Text({a.left - 6, at}, NumberText(k * 0.2), 12.0, TextAnchor::Right);
    }
    for (double d = TimeViewFrame::kCurveFrom; d <= TimeViewFrame::kCurveTo * 1.0001; d *= 10.0) {
      const double x = f.Curve(c, d, 0.0).x;
      b.Line({{x, a.top}, {x, a.bottom}}, kGridColour, 1.0);
      b.Line({{x, a.bottom}, {x, a.bottom + 4}}, kBlack, 1.0);
      b.Text({x, a.bottom + kTickBelow}, NumberText(d), 12.0, TextAnchor::Centre);
    }
    b.Text({(a.left + a.right) / 2, a.bottom + kAxisNameBelow}, "Duration (s)", 12.0,
           TextAnchor::Centre);
    b.Text({a.left - 44, (a.top + a.bottom) / 2}, "Residual voltage (pu)", 12.0, TextAnchor::Centre,
           false, true);
    // The lower limit, step by step; a step that lasts for ever runs to the
    // axis's end.
    std::vector<ChartPoint> limit;
    double from = TimeViewFrame::kCurveFrom;
    for (const CurveStep& step : CurveSteps(curves[c])) {
      const double to = std::min(step.upToSeconds, TimeViewFrame::kCurveTo);
      limit.push_back(f.Curve(c, from, step.minimum));
      limit.push_back(f.Curve(c, to, step.minimum));
      from = to;
    }
    b.Line(limit, kBlack, 2.5);
    b.Text(f.Curve(c, 0.004, 1.08), "rides through above the line", 12.0, TextAnchor::Left);
    b.Text(f.Curve(c, 1.5, 0.3), "may trip below", 12.0, TextAnchor::Left);
    for (int bus = 0; bus < 4; ++bus) {
      const BusEvent& e = events[static_cast<std::size_t>(bus)];
      if (e.dip) {
        b.Marker(f.Curve(c, e.durationSeconds, e.residual),
                 kBusMarkers[static_cast<std::size_t>(bus)], kBusMarker, kBlack, std::nullopt, 2.0);
      }
    }
    PanelFrame(b, a);
  }
  double legendY = f.curves[1].bottom + kCurveBelow + kLegendLine / 2;
  for (int bus = 0; bus < 4; ++bus) {
    const BusEvent& e = events[static_cast<std::size_t>(bus)];
    b.Marker({kCurveLeft - 40, legendY}, kBusMarkers[static_cast<std::size_t>(bus)], kBusMarker,
             kBlack, std::nullopt, 2.0);
    b.Text({kCurveLeft - 24, legendY},
           std::string(kBusNames[static_cast<std::size_t>(bus)]) + (e.dip ? "" : " (no dip)"), 13.0,
           TextAnchor::Left);
    legendY += kLegendLine;
  }
  return list;
}

}  // namespace dipview::design
