#include "design/diagrams.h"

namespace dipview::design {

PointTwips PhasorEnd(float x, float y, float radius, const Phasor& v) {
  const Rectangular r = PolarToRect(v);
  return {static_cast<float>(x + radius * r.re), static_cast<float>(y - radius * r.im)};
}

BoxTwips BarFrame(float cx, float y0) {
  const float half = 1.5f * kBarWidth + 100.0f;
  return {cx - half, y0, cx + half, y0 - kBarFullScale};
}

std::array<BoxTwips, 3> Bars(float cx, float y0, const PhaseTriple& v) {
  const double w = kBarWidth;
  const double h = kBarFullScale;
  auto bar = [&](double left, double magnitude) {
    return BoxTwips{static_cast<float>(cx + left * w), y0, static_cast<float>(cx + (left + 1) * w),
                    static_cast<float>(y0 - magnitude * h)};
  };
  return {bar(-1.5, v.a.magnitude), bar(-0.5, v.b.magnitude), bar(0.5, v.c.magnitude)};
}

PointTwips SequenceCentre(float firstBusCx, float columnWidth, float radius, float line4Y1, int k) {
  return {firstBusCx + 4.0f * columnWidth,
          static_cast<float>(line4Y1 + radius + 100.0 + 2.0 * k * (radius + 100.0))};
}

void DrawDiagramBackground(Recorder& s, float x, float y, float radius) {
  DrawState& st = s.state();
  st.drawStyle = DrawStyle::Solid;
  st.fillColor = kWhite;
  s.Circle(x, y, radius);
  st.drawStyle = DrawStyle::Dot;
  for (double f : {0.8, 0.6, 0.4, 0.2}) {
    s.Circle(x, y, static_cast<float>(f * radius));
  }
  st.drawStyle = DrawStyle::Solid;
}

void DrawSequenceDiagrams(Recorder& s, float firstBusCx, float columnWidth, float radius,
                          float line4Y1, const SequenceTriple& v) {
  std::array<PointTwips, 3> centres;
  for (int k = 0; k < 3; ++k) {
    centres[k] = SequenceCentre(firstBusCx, columnWidth, radius, line4Y1, k);
    // No clearing rectangle reaches the sequence column: without this, every
    // pass would smooth the disc's outline over the last one's and darken it.
    const float reach = radius + kSequenceMargin;
    s.Erase(centres[k].x - reach, centres[k].y - reach, centres[k].x + reach, centres[k].y + reach);
    DrawDiagramBackground(s, centres[k].x, centres[k].y, radius);
  }
  s.state().drawWidth = 2;
  const Phasor* phasors[3] = {&v.zero, &v.positive, &v.negative};
  for (int k = 0; k < 3; ++k) {
    const PointTwips end = PhasorEnd(centres[k].x, centres[k].y, radius, *phasors[k]);
    s.Line(centres[k].x, centres[k].y, end.x, end.y, kBlack);
  }
  s.state().drawWidth = 1;
  s.state().drawStyle = DrawStyle::Solid;
}

void DrawPhasorLines(Recorder& s, float cx, float cy, float radius, const PhaseTriple& v) {
  s.state().drawWidth = 2;
  const Phasor* phases[3] = {&v.a, &v.b, &v.c};
  for (int i = 0; i < 3; ++i) {
    const PointTwips end = PhasorEnd(cx, cy, radius, *phases[i]);
    s.Line(cx, cy, end.x, end.y, kPhaseColours[i]);
  }
  s.state().drawWidth = 1;
}

void DrawMagnitudeBars(Recorder& s, float cx, float y0, const PhaseTriple& v) {
  DrawState& st = s.state();
  const BoxTwips frame = BarFrame(cx, y0);
  // The fill colour is still white from the diagram background.
  s.Box(frame.x1, frame.y1, frame.x2, frame.y2, kBlack);
  st.drawStyle = DrawStyle::Dot;
  for (double f : {0.2, 0.4, 0.6, 0.8}) {
    const auto y = static_cast<float>(y0 - f * kBarFullScale);
    s.Line(frame.x1, y, frame.x2, y, kBlack);
  }
  st.drawStyle = DrawStyle::Solid;
  const std::array<BoxTwips, 3> bars = Bars(cx, y0, v);
  for (int i = 0; i < 3; ++i) {
    st.fillColor = kPhaseColours[i];
    s.Box(bars[i].x1, bars[i].y1, bars[i].x2, bars[i].y2, kPhaseColours[i]);
  }
}

}  // namespace dipview::design
