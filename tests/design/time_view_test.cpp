#include "design/time_view.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace dipview::design {
namespace {

TEST(TimeViewTest, DipTextsCutAsTheReadoutsAre) {
  const BusEvent dip{.dip = true,
                     .residual = 0.49999999999980405,
                     .durationSeconds = 0.11000000000000001,
                     .jumpDeg = {-0.0, -7.63, 7.58},
                     .itic = CurveVerdict::Outside,
                     .f47 = CurveVerdict::Inside};
  EXPECT_EQ(BusEventTexts(dip),
            (std::array<std::string, 3>{"residual 0.499 pu, duration 0.11 s",
                                        "jumps A 0\u00b0, B -7.7\u00b0, C 7.5\u00b0",
                                        "ITIC outside, F47 inside"}));
  const BusEvent none{.jumpDeg = {180.0, -0.04, 0.04}};
  EXPECT_EQ(BusEventTexts(none), (std::array<std::string, 3>{
                                     "no dip", "jumps A 180\u00b0, B -0.1\u00b0, C 0\u00b0", ""}));
  EXPECT_EQ(TimeCaption({.durationSeconds = 0.25, .inceptionDeg = -90.0, .frequencyHz = 60}),
            "Fault lasting 0.25 s from a point on wave of -90\u00b0 (phase A at Substation HV), "
            "60 Hz, 128 samples a cycle");
}

TEST(TimeViewTest, CurvesStepThroughTheirCornersAndEachDipSitsOnThem) {
  const FaultInputs fault;
  const TimeViewInputs in{
      .caption = "caption", .states = SagStatesOf(fault, ComputeVoltages(fault)), .time = {}};
  const ChartList chart = TimeViewList(in);
  const TimeViewFrame f = TimeViewFrameOf(in);
  // The limits, corner by corner (seconds, pu), as the published curves draw them.
  const std::vector<std::pair<double, double>> corners[2] = {{{0.001, 0},
                                                              {0.02, 0},
                                                              {0.02, 0.7},
                                                              {0.5, 0.7},
                                                              {0.5, 0.8},
                                                              {10, 0.8},
                                                              {10, 0.9},
                                                              {100, 0.9}},
                                                             {{0.001, 0},
                                                              {0.02, 0},
                                                              {0.02, 0.5},
                                                              {0.2, 0.5},
                                                              {0.2, 0.7},
                                                              {0.5, 0.7},
                                                              {0.5, 0.8},
                                                              {1, 0.8},
                                                              {1, 0.9},
                                                              {100, 0.9}}};
  for (int c = 0; c < 2; ++c) {
    std::vector<ChartPoint> want;
    for (const auto& [seconds, pu] : corners[c]) {
      want.push_back(f.Curve(c, seconds, pu));
    }
    const auto limit = std::find_if(chart.begin(), chart.end(), [&](const ChartOp& op) {
      return op.kind == ChartPrimitive::Polyline && op.points.front() == want.front() &&
             op.points.size() > 2;
    });
    ASSERT_NE(limit, chart.end()) << c;
    EXPECT_EQ(limit->points, want) << c;
  }
  // The four buses' points: each dip's marker in each curve's panel, in the
  // bus's shape.
  const std::array<BusEvent, 4> events = SagEvents(in.states, in.time);
  for (int c = 0; c < 2; ++c) {
    for (int bus = 0; bus < 4; ++bus) {
      const ChartPoint at = f.Curve(c, events[static_cast<std::size_t>(bus)].durationSeconds,
                                    events[static_cast<std::size_t>(bus)].residual);
      const auto n = std::count_if(chart.begin(), chart.end(), [&](const ChartOp& op) {
        return op.kind == ChartPrimitive::Marker && op.points[0] == at &&
               op.marker == kBusMarkers[static_cast<std::size_t>(bus)];
      });
      EXPECT_EQ(n, events[static_cast<std::size_t>(bus)].dip ? 1 : 0) << c << " " << bus;
    }
  }
  // The 90 % threshold across each bus's Urms(1/2) panel.
  for (int bus = 0; bus < 4; ++bus) {
    const auto& a = f.rms[static_cast<std::size_t>(bus)];
    const double y = f.Rms(bus, 0.0, kDipThreshold).y;
    EXPECT_EQ(
        std::count_if(chart.begin(), chart.end(),
                      [&](const ChartOp& op) {
                        return op.kind == ChartPrimitive::Polyline && op.dash == LineDash::Dashed &&
                               op.points == std::vector<ChartPoint>{{a.left, y}, {a.right, y}};
                      }),
        1)
        << bus;
  }
}

}  // namespace
}  // namespace dipview::design
