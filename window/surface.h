#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>

namespace dipview::window {

/// One logical pixel is 15 twips (96 dots per inch).
inline constexpr double kTwipsPerPixel = 15.0;

enum class FillStyle { Solid, Transparent };
enum class DrawStyle { Solid, Dot };

/// The window's drawing state. It persists from one recalculation pass to the
/// next; each pass relies on what the previous one left.
struct DrawState {
  QColor foreColor;  ///< outline of drawings made without a colour; never changed
  QColor backColor;  ///< the window's own colour, under everything drawn
  QColor fillColor = Qt::black;
  FillStyle fillStyle = FillStyle::Transparent;
  DrawStyle drawStyle = DrawStyle::Solid;
  int drawWidth = 1;  ///< pixels
};

/// The drawing operations of the window, in twips with y growing downward,
/// applied to any QPainter: the window's persistent image, a PNG or a test.
class Surface {
 public:
  Surface(QPainter& painter, DrawState& state);

  DrawState& state() { return state_; }

  /// Circle outlined in the foreground colour; filled with the fill colour
  /// when the fill style is solid.
  void Circle(float x, float y, float radius);
  /// Straight line in `color` with the current draw style and width.
  void Line(float x1, float y1, float x2, float y2, const QColor& color);
  /// Rectangle between two opposite corners, outlined in `color`, filled with
  /// the fill colour when the fill style is solid.
  void Box(float x1, float y1, float x2, float y2, const QColor& color);
  /// Rectangle between two opposite corners set to the background colour,
  /// whatever the drawing state.
  void Erase(float x1, float y1, float x2, float y2);

 private:
  QPen Pen(const QColor& color) const;
  QBrush Brush() const;

  QPainter& painter_;
  DrawState& state_;
};

}  // namespace dipview::window
