// The core's C interface for JavaScript: plain functions over numbers and
// text in the module's memory, so the page and the tests need no bindings
// library. Every number and every text comes from the same C++ as the
// desktop programs.

#include <emscripten/emscripten.h>

#include <array>
#include <cstring>

#include "compute/readout.h"
#include "compute/transformer.h"

namespace {

using dipview::FaultInputs;
using dipview::FaultType;
using dipview::TransformerConnection;

constexpr int kSettings = 10;
constexpr int kReadouts = 30;  // 4 buses and the sequence column, 6 each

FaultInputs ToInputs(const double* s) {
  const auto connection = [](double v) {
    return v == 0 ? TransformerConnection::DY : TransformerConnection::YY;
  };
  FaultInputs in;
  in.faultType = static_cast<FaultType>(static_cast<int>(s[0]));
  in.z12AngleDeg = s[1];
  in.z0AngleDeg = s[2];
  in.zfAngleDeg = s[3];
  in.z0Ratio = static_cast<float>(s[4]);
  in.zfRatio = s[5];
  in.proximity = static_cast<std::int16_t>(s[6]);
  in.hvMvConnection = connection(s[7]);
  in.mvC1Connection = connection(s[8]);
  in.c1C2Connection = connection(s[9]);
  return in;
}

// The five triples of a pass in readout order: the buses, then V0, V1, V2.
std::array<dipview::Phasor, 15> Phasors(const dipview::PassVoltages& v) {
  std::array<dipview::Phasor, 15> out;
  for (int bus = 0; bus < 4; ++bus) {
    out[bus * 3] = v.busVoltages[bus].a;
    out[bus * 3 + 1] = v.busVoltages[bus].b;
    out[bus * 3 + 2] = v.busVoltages[bus].c;
  }
  out[12] = v.sequenceAtHV.zero;
  out[13] = v.sequenceAtHV.positive;
  out[14] = v.sequenceAtHV.negative;
  return out;
}

double g_settings[kSettings];
double g_values[kReadouts];
char g_texts[kReadouts * (dipview::kNumberTextMax + 1) + 1];

}  // namespace

extern "C" {

/// Room for the ten settings: fault (0 single, 1 phase-phase, 2 three), the
/// Z12, Z0 and ZF angles in degrees, the Z0/Z12 and ZF/Z12 ratios, the
/// proximity in percent, and the three connections (0 DY, 1 YY).
EMSCRIPTEN_KEEPALIVE double* dipview_settings() {
  return g_settings;
}

/// The 30 readout texts for the settings, each ended by a newline: |Va|,
/// angle Va, ... for the four buses, then V0, V1, V2.
EMSCRIPTEN_KEEPALIVE const char* dipview_readout_texts() {
  char* out = g_texts;
  for (const dipview::Phasor& p : Phasors(dipview::ComputeVoltages(ToInputs(g_settings)))) {
    out = dipview::WriteNumberText(dipview::CutMagnitude(p.magnitude), out);
    *out++ = '\n';
    out = dipview::WriteNumberText(dipview::CutAngleDegrees(p.angle), out);
    *out++ = '\n';
  }
  *out = '\0';
  return g_texts;
}

/// The 30 values before they are cut, in readout order: magnitudes in per
/// unit and angles in degrees.
EMSCRIPTEN_KEEPALIVE const double* dipview_readout_values() {
  double* out = g_values;
  for (const dipview::Phasor& p : Phasors(dipview::ComputeVoltages(ToInputs(g_settings)))) {
    *out++ = p.magnitude;
    *out++ = dipview::AngleDegrees(p.angle);
  }
  return g_values;
}

}  // extern "C"
