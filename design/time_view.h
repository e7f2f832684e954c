#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compute/sag_in_time.h"
#include "design/constants.h"

// "The sag in time" as a list of chart steps that any front end paints: the
// four buses' waveforms and Urms(1/2) stacked, each bus's dip, and the ITIC
// and SEMI F47 curves with the four buses' points.

namespace dipview::design {

/// Size of the page the chart is laid out on, in pixels at 96 dpi.
inline constexpr int kTimeViewWidth = 1600;
inline constexpr int kTimeViewHeight = 1100;

enum class ChartPrimitive {
  Polyline,  ///< `points` joined in order
  Rect,      ///< the box between points[0] and points[1], outlined, filled with `fill` if any
  Text,      ///< `text` at points[0]: its left, centre or right end by `anchor`, centred in height
  Marker,    ///< `marker` centred at points[0], `size` pixels across, filled with `fill` if any
};
enum class LineDash { Solid, Dashed, Dotted };
enum class MarkerShape { Square, Triangle, Circle, Diamond };
enum class TextAnchor { Left, Centre, Right };

struct ChartPoint {
  double x = 0.0;  ///< pixels from the left
  double y = 0.0;  ///< pixels from the top
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

/// One step of a chart with everything it is drawn with. Lines have flat ends
/// and round joins and are smoothed; texts are in kFontFamily.
struct ChartOp {
  ChartPrimitive kind = ChartPrimitive::Polyline;
  std::vector<ChartPoint> points{};
  Rgb colour{};
  double width = 1.0;  ///< pen width, pixels
  LineDash dash = LineDash::Solid;
  std::optional<Rgb> fill{};
  MarkerShape marker = MarkerShape::Square;
  double size = 0.0;   ///< a marker's width, pixels
  std::string text{};  ///< UTF-8
  double fontPixels = 13.0;
  bool bold = false;
  bool vertical = false;  ///< text turned a quarter left, read from the bottom up
  TextAnchor anchor = TextAnchor::Left;
  friend bool operator==(const ChartOp&, const ChartOp&) = default;
};

using ChartList = std::vector<ChartOp>;

/// How each phase is told apart without colour: A widest and plain, B with
/// filled squares, C dashed with open triangles; in kPhaseColours.
struct PhaseLook {
  double width = 1.0;  ///< pixels
  LineDash dash = LineDash::Solid;
  std::optional<MarkerShape> marker{};
  bool filledMarker = false;
};
inline constexpr std::array<PhaseLook, 3> kPhaseLooks = {{
    {.width = 3.5, .dash = LineDash::Solid},
    {.width = 2.0, .dash = LineDash::Solid, .marker = MarkerShape::Square, .filledMarker = true},
    {.width = 2.0, .dash = LineDash::Dashed, .marker = MarkerShape::Triangle},
}};

/// The shapes of the four buses' points on the curves, Substation HV first.
inline constexpr std::array<MarkerShape, 4> kBusMarkers = {
    MarkerShape::Circle, MarkerShape::Square, MarkerShape::Triangle, MarkerShape::Diamond};

/// Where the data lies on the page: per bus the waveform and Urms(1/2) panels,
/// and the two curve panels; each panel's axis ranges.
struct TimeViewFrame {
  struct Area {
    double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;  ///< pixels
  };
  std::array<Area, 4> waveform;
  std::array<Area, 4> rms;
  std::array<Area, 2> curves;  ///< ITIC, SEMI F47
  double tMin = 0.0;           ///< seconds: the record's first sample
  double tMax = 1.0;           ///< seconds: the record's last sample
  double waveMax = 1.5;        ///< pu: the waveform axis runs from -waveMax to waveMax
  double rmsMax = 1.2;         ///< pu: the Urms(1/2) axis runs from 0 to this
  /// The curve panels' duration axis, seconds, logarithmic; residual axis 0 to
  /// kCurveTop pu.
  static constexpr double kCurveFrom = 0.001;
  static constexpr double kCurveTo = 100.0;
  static constexpr double kCurveTop = 1.2;

  ChartPoint Wave(int bus, double t, double v) const;
  ChartPoint Rms(int bus, double t, double v) const;
  /// A dip lasting `seconds` (clamped to the axis) with `residual` pu.
  ChartPoint Curve(int curve, double seconds, double residual) const;
};

/// What the chart shows: the settings' caption (each part between "; " on lines
/// of its own, TimeCaption's line after them), the sag states and how the sag
/// runs in time.
struct TimeViewInputs {
  std::string caption;
  SagStates states;
  TimeSettings time;
};

/// The frame TimeViewList lays out for `in`: the waveform axis reaches at least
/// 1.5 pu, otherwise the largest peak rounded up to 0.5; the Urms(1/2) axis at
/// least 1.2 pu, otherwise the largest value rounded up to 0.2.
TimeViewFrame TimeViewFrameOf(const TimeViewInputs& in);

/// The texts of one bus's dip, as the chart writes them: "residual 0.499 pu,
/// duration 0.11 s" (residual cut down to 0.001 as the readouts, duration
/// rounded to 0.0001 s) or "no dip"; "jumps A 0°, B -7.6°, C 7.5°" (cut down to
/// 0.1 degree); "ITIC outside, F47 outside" or empty without a dip.
std::array<std::string, 3> BusEventTexts(const BusEvent& event);

/// The whole chart on a white page of kTimeViewWidth x kTimeViewHeight.
ChartList TimeViewList(const TimeViewInputs& in);

/// The second caption line: "Fault lasting 0.1 s from a point on wave of 0°
/// (phase A at Substation HV), 50 Hz, 128 samples a cycle".
std::string TimeCaption(const TimeSettings& time);

}  // namespace dipview::design
