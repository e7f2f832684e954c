// The sag in time for a web page: the chart list of the page's settings, laid
// out here exactly as the desktop lays it out, answered as JSON for the page
// to paint on a canvas. The answer is valid until the next call.

#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "compute/readout.h"
#include "design/time_view.h"
#include "web/page_api.h"

namespace {

using namespace dipview::design;

std::string g_chart;

void Number(std::string& s, double value) {
  // Hundredths of a pixel are far below what a canvas shows.
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%.2f", value);
  s.append(text, static_cast<std::size_t>(n));
}

void Colour(std::string& s, Rgb c) {
  char text[16];
  const int n = std::snprintf(text, sizeof text, "\"#%02x%02x%02x\"", c.r, c.g, c.b);
  s.append(text, static_cast<std::size_t>(n));
}

void Text(std::string& s, std::string_view text) {
  s += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      s += '\\';
    }
    s += c;
  }
  s += '"';
}

// The settings' caption as the calculator writes it, for the settings the
// page offers: whole angles and proximity, the listed ratios.
std::string Caption(const dipview::FaultInputs& in) {
  const auto n = [](double v) { return dipview::NumberText(v); };
  const auto connection = [](dipview::TransformerConnection c) {
    return c == dipview::TransformerConnection::DY ? "DY" : "YY";
  };
  const std::string fault =
      in.faultType == dipview::FaultType::SinglePhase    ? "Single Phase (Phase A)"
      : in.faultType == dipview::FaultType::PhaseToPhase ? "Phase-to-Phase (Phase B to C)"
                                                         : "Three Phase";
  return fault + " fault; Z12 angle " + n(in.z12AngleDeg) + "\u00b0, Z0 angle " + n(in.z0AngleDeg) +
         "\u00b0, ZF angle " + n(in.zfAngleDeg) + "\u00b0, Z0/Z12 " + n(in.z0Ratio) + ", ZF/Z12 " +
         n(in.zfRatio) + ", proximity " + n(in.proximity) + "; transformers HV-MV " +
         connection(in.hvMvConnection) + ", MV-C1 " + connection(in.mvC1Connection) + ", C1-C2 " +
         connection(in.c1C2Connection);
}

}  // namespace

extern "C" {

/// The chart of the sag in time for the page's settings, a fault lasting
/// `durationSeconds` from a point on wave of `inceptionDeg` at `frequencyHz`
/// (values out of range are brought to the nearest allowed): {"width",
/// "height", "font", "ops": [{"k": kind, "p": [x, y, ...], "c": colour, "w":
/// pen width, "d": dash, "f": fill or null, "m": marker, "s": size, "t": text,
/// "fp": font pixels, "b": bold, "v": vertical, "a": anchor}]}, the enums as
/// their numbers in design/time_view.h.
EMSCRIPTEN_KEEPALIVE const char* dipview_time_chart(double durationSeconds, double inceptionDeg,
                                                    int frequencyHz) {
  const dipview::FaultInputs in = dipview::web::PageSettings();
  const dipview::TimeSettings time{
      .durationSeconds =
          durationSeconds >= dipview::kMinDuration
              ? (durationSeconds <= dipview::kMaxDuration ? durationSeconds : dipview::kMaxDuration)
              : dipview::kMinDuration,
      .inceptionDeg =
          inceptionDeg >= dipview::kMinInception
              ? (inceptionDeg <= dipview::kMaxInception ? inceptionDeg : dipview::kMaxInception)
              : dipview::kMinInception,
      .frequencyHz = frequencyHz == 60 ? 60 : 50};
  const ChartList chart =
      TimeViewList({.caption = Caption(in),
                    .states = dipview::SagStatesOf(in, dipview::ComputeVoltages(in)),
                    .time = time});
  std::string& s = g_chart;
  s.clear();
  s += "{\"width\":" + std::to_string(kTimeViewWidth) +
       ",\"height\":" + std::to_string(kTimeViewHeight) + ",\"font\":";
  Text(s, kFontFamily);
  s += ",\"ops\":[";
  for (std::size_t i = 0; i < chart.size(); ++i) {
    const ChartOp& op = chart[i];
    s += i == 0 ? "{\"k\":" : ",{\"k\":";
    s += std::to_string(static_cast<int>(op.kind));
    s += ",\"p\":[";
    for (std::size_t k = 0; k < op.points.size(); ++k) {
      s += k == 0 ? "" : ",";
      Number(s, op.points[k].x);
      s += ',';
      Number(s, op.points[k].y);
    }
    s += "],\"c\":";
    Colour(s, op.colour);
    s += ",\"w\":";
    Number(s, op.width);
    s += ",\"d\":" + std::to_string(static_cast<int>(op.dash)) + ",\"f\":";
    if (op.fill) {
      Colour(s, *op.fill);
    } else {
      s += "null";
    }
    s += ",\"m\":" + std::to_string(static_cast<int>(op.marker)) + ",\"s\":";
    Number(s, op.size);
    s += ",\"t\":";
    Text(s, op.text);
    s += ",\"fp\":";
    Number(s, op.fontPixels);
    s += std::string(",\"b\":") + (op.bold ? "1" : "0") + ",\"v\":" + (op.vertical ? "1" : "0") +
         ",\"a\":" + std::to_string(static_cast<int>(op.anchor)) + "}";
  }
  s += "]}";
  return s.c_str();
}

}  // extern "C"
