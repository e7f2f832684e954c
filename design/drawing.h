#pragma once

#include <optional>
#include <vector>

#include "design/constants.h"

namespace dipview::design {

enum class FillStyle { Solid, Transparent };
enum class DrawStyle { Solid, Dot };

/// The window's drawing state. It persists from one recalculation pass to the
/// next; each pass relies on what the previous one left.
struct DrawState {
  Rgb foreColor;  ///< outline of drawings made without a colour; never changed
  Rgb backColor;  ///< the window's own colour, under everything drawn
  Rgb fillColor = kBlack;
  FillStyle fillStyle = FillStyle::Transparent;
  DrawStyle drawStyle = DrawStyle::Solid;
  int drawWidth = 1;  ///< pixels
  friend bool operator==(const DrawState&, const DrawState&) = default;
};

enum class Primitive {
  Fill,        ///< rectangle (x1, y1)-(x2, y2) set to `colour`, no outline
  Box,         ///< rectangle (x1, y1)-(x2, y2) filled with `fill` if any, outlined in `colour`
  Line,        ///< (x1, y1) to (x2, y2) in `colour`, round ends
  Disc,        ///< circle at (x1, y1) of `radius`, solid outline in `colour`, filled with `fill`
  DottedRing,  ///< as Disc with a dotted outline
};

/// One drawing step in twips, y growing downward, with every setting it is
/// drawn with. Pens are `penWidth` logical pixels wide with flat ends and
/// mitred corners unless said otherwise.
struct DrawOp {
  Primitive kind = Primitive::Fill;
  float x1 = 0.0f;
  float y1 = 0.0f;
  float x2 = 0.0f;
  float y2 = 0.0f;
  float radius = 0.0f;
  Rgb colour;
  int penWidth = 1;
  DrawStyle penStyle = DrawStyle::Solid;
  bool smooth = false;  ///< anti-aliased
  std::optional<Rgb> fill;
  friend bool operator==(const DrawOp&, const DrawOp&) = default;
};

using DrawingList = std::vector<DrawOp>;

/// The drawing operations of the window: each call appends the primitive it
/// draws, with the settings the drawing state gives it, to a drawing list.
class Recorder {
 public:
  Recorder(DrawingList& out, DrawState& state) : out_(out), state_(state) {}

  DrawState& state() { return state_; }

  /// Circle outlined in the foreground colour, solid or dotted by the draw
  /// style; filled with the fill colour when the fill style is solid. Solid
  /// outlines are smoothed, dotted ones are not.
  void Circle(float x, float y, float radius);
  /// Straight line in `colour` with the current draw style and width; only
  /// slanted lines are smoothed.
  void Line(float x1, float y1, float x2, float y2, Rgb colour);
  /// Rectangle between two opposite corners, outlined in `colour`, filled with
  /// the fill colour when the fill style is solid.
  void Box(float x1, float y1, float x2, float y2, Rgb colour);
  /// Rectangle set to the background colour, whatever the drawing state.
  void Erase(float x1, float y1, float x2, float y2);

 private:
  DrawOp Op(Primitive kind, Rgb colour) const;

  DrawingList& out_;
  DrawState& state_;
};

}  // namespace dipview::design
