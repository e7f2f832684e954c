#include "design/drawing.h"

namespace dipview::design {

DrawOp Recorder::Op(Primitive kind, Rgb colour) const {
  DrawOp op;
  op.kind = kind;
  op.colour = colour;
  op.penWidth = state_.drawWidth;
  op.penStyle = state_.drawStyle;
  if (state_.fillStyle == FillStyle::Solid) {
    op.fill = state_.fillColor;
  }
  return op;
}

void Recorder::Circle(float x, float y, float radius) {
  const bool dotted = state_.drawStyle == DrawStyle::Dot;
  DrawOp op = Op(dotted ? Primitive::DottedRing : Primitive::Disc, state_.foreColor);
  op.x1 = x;
  op.y1 = y;
  op.radius = radius;
  op.smooth = !dotted;
  out_.push_back(op);
}

void Recorder::Line(float x1, float y1, float x2, float y2, Rgb colour) {
  DrawOp op = Op(Primitive::Line, colour);
  op.x1 = x1;
  op.y1 = y1;
  op.x2 = x2;
  op.y2 = y2;
  // Horizontal and vertical lines stay crisp; slanted phasors are smoothed.
  op.smooth = x1 != x2 && y1 != y2;
  op.fill.reset();
  out_.push_back(op);
}

void Recorder::Box(float x1, float y1, float x2, float y2, Rgb colour) {
  DrawOp op = Op(Primitive::Box, colour);
  op.x1 = x1;
  op.y1 = y1;
  op.x2 = x2;
  op.y2 = y2;
  out_.push_back(op);
}

void Recorder::Erase(float x1, float y1, float x2, float y2) {
  DrawOp op;
  op.kind = Primitive::Fill;
  op.x1 = x1;
  op.y1 = y1;
  op.x2 = x2;
  op.y2 = y2;
  op.colour = state_.backColor;
  out_.push_back(op);
}

}  // namespace dipview::design
