#pragma once

#include <array>

#include "compute/sequence.h"
#include "design/drawing.h"

// The drawing steps of the diagrams and bars, and their geometry, in twips.

namespace dipview::design {

struct PointTwips {
  float x = 0.0f;
  float y = 0.0f;
  friend bool operator==(const PointTwips&, const PointTwips&) = default;
};

struct BoxTwips {
  float x1 = 0.0f;
  float y1 = 0.0f;
  float x2 = 0.0f;
  float y2 = 0.0f;
  friend bool operator==(const BoxTwips&, const BoxTwips&) = default;
};

/// End of a phasor line drawn from (x, y): (x + R re, y - R im), with (re, im)
/// from PolarToRect, so 1.0 per unit reaches the outer circle and +90 degrees
/// points up.
PointTwips PhasorEnd(float x, float y, float radius, const Phasor& v);

/// The frame of a bus's bars: (cx - 1.5w - 100, y0) to (cx + 1.5w + 100, y0 - H).
BoxTwips BarFrame(float cx, float y0);

/// The bars A, B, C side by side on y0, each |V| * H high.
std::array<BoxTwips, 3> Bars(float cx, float y0, const PhaseTriple& v);

/// Centre of sequence diagram k (0 = V0, 1 = V1, 2 = V2) in the fifth column.
PointTwips SequenceCentre(float firstBusCx, float columnWidth, float radius, float line4Y1, int k);

/// White disc of radius R outlined in the foreground colour, then the dotted
/// rings at 0.8, 0.6, 0.4 and 0.2 R. Leaves the draw style solid.
void DrawDiagramBackground(Recorder& s, float x, float y, float radius);

/// Three backgrounds under each other, each on a freshly erased square, and
/// the V0, V1, V2 lines in black, two pixels wide. Leaves draw width 1 and
/// draw style solid.
void DrawSequenceDiagrams(Recorder& s, float firstBusCx, float columnWidth, float radius,
                          float line4Y1, const SequenceTriple& v);

/// Va black, Vb light red, Vc light blue, two pixels wide, in that order.
void DrawPhasorLines(Recorder& s, float cx, float cy, float radius, const PhaseTriple& v);

/// The white frame, its four dotted lines and the three filled bars. Leaves
/// the fill colour light blue.
void DrawMagnitudeBars(Recorder& s, float cx, float y0, const PhaseTriple& v);

}  // namespace dipview::design
