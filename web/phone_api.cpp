// What the page's narrow layout shows besides the window's controls: the
// values of the sequence voltages, which the window only draws.

#include <emscripten/emscripten.h>

#include <string>

#include "compute/readout.h"
#include "compute/transformer.h"
#include "web/page_api.h"

namespace {

std::string g_texts;

void Append(double value) {
  char text[dipview::kNumberTextMax + 1];
  g_texts += g_texts.size() > 1 ? ",\"" : "\"";
  g_texts.append(text, dipview::WriteNumberText(value, text));
  g_texts += '"';
}

}  // namespace

extern "C" {

/// V0, V1 and V2 at Substation HV for the page's settings, cut as the
/// readouts are: JSON ["|V0|", "angle V0", ..., "angle V2"].
EMSCRIPTEN_KEEPALIVE const char* dipview_sequence_texts() {
  const dipview::SequenceTriple s =
      dipview::ComputeVoltages(dipview::web::PageSettings()).sequenceAtHV;
  g_texts = "[";
  for (const dipview::Phasor& p : {s.zero, s.positive, s.negative}) {
    Append(dipview::CutMagnitude(p.magnitude));
    Append(dipview::CutAngleDegrees(p.angle));
  }
  g_texts += ']';
  return g_texts.c_str();
}

}  // extern "C"
