#pragma once

#include <array>
#include <optional>
#include <unordered_map>

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include "compute/transformer.h"
#include "window/surface.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;

namespace dipview::window {

/// Position and size of a control in twips, relative to its container. Held
/// in single precision: the layout step writes halves such as 3457.5.
struct TwipsGeometry {
  float left = 0.0f;
  float top = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  friend bool operator==(const TwipsGeometry&, const TwipsGeometry&) = default;
};

/// Whole pixels for a twips geometry: the one place where twips meet Qt.
QRect ToPixelRect(const TwipsGeometry& g);

/// A straight line control drawn on the window, in twips.
struct LineControl {
  float x1 = 0.0f;
  float y1 = 0.0f;
  float x2 = 0.0f;
  float y2 = 0.0f;
};

/// Design-time look of a label.
struct LabelStyle {
  bool bold;
  bool centred;
  bool hidden;
  QColor color;  ///< text colour; the palette's when invalid
};

/// The diagram geometry of the last pass, kept for inspection.
struct LayoutValues {
  float columnWidth = 0.0f;
  float diagramRadius = 0.0f;
  float frameTop = 0.0f;
  float firstCx = 0.0f;
  float cy = 0.0f;
  float barBase = 0.0f;
};

/// The program's only window: the inputs, the diagram area and the readout
/// grid. Every handler ends in Recalculate, which redraws and rewrites it all.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  /// Client area at design time, in twips.
  static constexpr float kClientWidth = 9720.0f;
  static constexpr float kClientHeight = 7575.0f;
  /// Client area that shows everything, readout grid and sequence column included.
  static constexpr float kFullWidth = 11760.0f;
  static constexpr float kFullHeight = 8760.0f;

  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  /// The load handler: writes the four value texts, then selects the Z0/Z12
  /// option "2.5" and the ZF/Z12 option "0.0"; each selection runs a pass.
  void FormLoad();

  /// One whole pass: layout, settings, fault model, then the four buses with
  /// their diagrams and readouts.
  void Recalculate();

  /// Puts `in` on the controls without raising any handler, then runs one
  /// pass. Angles that are not whole show their decimals in the value texts;
  /// a ratio that no option offers leaves its group without a selection and
  /// is used as given.
  void ApplySettings(const FaultInputs& in);

  /// The settings of the controls as a pass reads them.
  FaultInputs ReadInputs() const;

  int passCount() const { return passCount_; }
  TwipsGeometry geometryOf(const QWidget* control) const;
  const QImage& canvas() const { return canvas_; }
  const DrawState& drawState() const { return drawState_; }
  const LayoutValues& lastLayout() const { return layout_; }
  const LineControl& line(int n) const { return lines_.at(n - 1); }

  /// Sets a control's position in twips and places the widget.
  void setGeometryOf(QWidget* control, const TwipsGeometry& g);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* AddLabel(QWidget* parent, const char* name, TwipsGeometry g, const QString& text,
                   LabelStyle style = {false, false, false, {}});
  QLineEdit* AddTextBox(QWidget* parent, const QString& name, TwipsGeometry g, bool centred);
  QGroupBox* AddFrame(const char* name, TwipsGeometry g, const QString& caption, bool hidden);
  QRadioButton* AddOption(QWidget* parent, const QString& name, TwipsGeometry g,
                          const QString& caption);
  QScrollBar* AddAngleScrollBar(const char* name, TwipsGeometry g);
  void CreateControls();
  void ConnectHandlers();
  void DescribeForAccessibility();

  void OnAngleChange(QScrollBar* bar, QLineEdit* text);
  void OnOptionClick(bool checked);

  void EnsureCanvas(QSize logicalSize);
  void LayoutDiagramArea(Surface& surface);
  void WriteReadouts(int bus, const PhaseTriple& v);
  float Left(const QWidget* w) const { return geometryOf(w).left; }
  float Top(const QWidget* w) const { return geometryOf(w).top; }
  float Width(const QWidget* w) const { return geometryOf(w).width; }
  float Height(const QWidget* w) const { return geometryOf(w).height; }
  void SetLeft(QWidget* w, float v);
  void SetTop(QWidget* w, float v);

  std::unordered_map<const QWidget*, TwipsGeometry> geometry_;
  std::array<LineControl, 4> lines_{};

  QScrollBar* z12Angle_ = nullptr;
  QScrollBar* z0Angle_ = nullptr;
  QScrollBar* zfAngle_ = nullptr;
  QScrollBar* proximity_ = nullptr;
  QLineEdit* z12AngleText_ = nullptr;
  QLineEdit* z0AngleText_ = nullptr;
  QLineEdit* zfAngleText_ = nullptr;
  QLineEdit* proximityText_ = nullptr;
  std::array<QRadioButton*, 6> z0Z12Opt_{};
  std::array<QRadioButton*, 7> zfZ12Opt_{};
  QRadioButton* singlePhase_ = nullptr;
  QRadioButton* phasePhase_ = nullptr;
  QRadioButton* threePhase_ = nullptr;
  std::array<QRadioButton*, 2> hvMvTrans_{};
  std::array<QRadioButton*, 2> mvC1Trans_{};
  std::array<QRadioButton*, 2> c1C2Trans_{};

  QLabel* voltageLabel_ = nullptr;
  QLabel* letterA_ = nullptr;
  QLabel* letterB_ = nullptr;
  QLabel* letterC_ = nullptr;
  QLabel* hvLabel_ = nullptr;
  QLabel* mvLabel_ = nullptr;
  QLabel* c1Label_ = nullptr;
  QLabel* c2Label_ = nullptr;
  QGroupBox* hvMv_ = nullptr;
  QGroupBox* mvC1_ = nullptr;
  QGroupBox* c1C2_ = nullptr;
  std::array<std::array<QLineEdit*, 6>, 4> readouts_{};

  std::optional<double> zfRatioOverride_;
  std::optional<float> z0RatioOverride_;

  QImage canvas_;
  DrawState drawState_;
  LayoutValues layout_;
  int passCount_ = 0;
};

/// Style, palette and fonts shared by the window, its pictures and its tests.
void SetUpApplication();

/// Shows the window at its stored position with the client area grown to
/// show everything, or maximised where the screen is too small for that.
void ShowAtStartUp(Form1& form);

/// The window caption.
QString WindowCaption();

}  // namespace dipview::window
