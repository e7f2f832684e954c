#pragma once

#include <array>
#include <functional>
#include <unordered_map>

#include <QImage>
#include <QWidget>

#include "design/form.h"
#include "design/pass.h"
// What a program showing or drawing the window needs besides: ToPixelRect and
// SetUpApplication.
#include "window/painter.h"
#include "window/widgets.h"

class QAction;
class QLineEdit;
class QMenu;
class QRadioButton;
class QScrollBar;

namespace dipview::window {

class FormPeer;

/// The program's only window: the inputs, the diagram area and the readout
/// grid, built from the design table. Every handler ends in Recalculate,
/// which runs the design's pass and paints its drawing list.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  /// Client area that shows everything, readout grid and sequence column included.
  static constexpr float kFullWidth = design::kFullWidth;
  static constexpr float kFullHeight = design::kFullHeight;

  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  /// The load handler: writes the four value texts, then selects the Z0/Z12
  /// option "2.5" and the ZF/Z12 option "0.0"; each selection runs a pass.
  void FormLoad();

  /// One whole pass: reads the controls, runs the design's pass, moves the
  /// diagram controls, paints the drawing list and writes the readouts.
  void Recalculate();

  /// Puts `in` on the controls without raising any handler, then runs one
  /// pass. Angles that are not whole show their decimals in the value texts;
  /// a ratio that no option offers leaves its group without a selection and
  /// is used as given.
  void ApplySettings(const FaultInputs& in);

  /// The settings of the controls as a pass reads them.
  FaultInputs ReadInputs();

  /// Shows the default or the all-faults form (design::FormMode), making the
  /// extra controls the first time, and runs a pass when the mode changed.
  /// Leaving the all-faults form puts its extra groups back as
  /// design::FormModel::SetMode says. The menu's "All faults" follows.
  void SetMode(design::FormMode mode);
  design::FormMode Mode() const { return form_.Mode(); }

  /// Scales the whole design by `zoom` (1 = design size): controls, fonts,
  /// option circles, scroll-bar arrows and the drawing, which is painted
  /// again from the last pass's drawing list at the new size. Runs no pass and
  /// does not resize the window itself.
  void SetZoom(double zoom);
  double Zoom() const { return zoom_; }

  /// The window's size showing everything at `zoom`, in logical pixels.
  static QSize FullSize(double zoom);

  /// How Save picture asks for a file name (an empty one cancels) and reports
  /// a failure: a file dialog and a message box unless set.
  struct SaveHooks {
    std::function<QString(QWidget* parent)> askPath;
    std::function<void(QWidget* parent, const QString& message)> reportError;
  };
  void SetSaveHooks(SaveHooks hooks) { saveHooks_ = std::move(hooks); }

  /// Copy picture (Ctrl+C): the window for the current settings as
  /// dipview-calc --png draws it, at the window's zoom and with its labels
  /// when they are shown, as an image on the clipboard.
  void CopyPicture();
  /// Save picture (Ctrl+S): asks for a file name, and whether to replace
  /// the file when it exists, and writes the picture there, as SVG when the
  /// name ends in .svg and as PNG otherwise, never leaving half a file.
  void SavePicture();
  /// Copy readouts (Ctrl+Shift+C): design::ReadoutTable of the last pass as
  /// text on the clipboard.
  void CopyReadouts();
  /// Labels (L): shows or hides the labels over the drawing (design::Labels),
  /// in the window and in its pictures.
  void SetLabels(bool on);
  bool LabelsShown() const { return labels_; }

  /// The sag in time (Ctrl+T): shows the window of the sag in time for these
  /// settings, opening it the first time.
  void ShowSagInTime();
  /// The Presets menu: one entry per textbook case of calc::kPresets, its
  /// name and explanation, which puts the case's settings on the controls.
  QMenu* PresetsMenu() const { return presetsMenu_; }

 Q_SIGNALS:
  /// Raised at the end of every pass.
  void Recalculated();

 public:
  /// Paints the window's content as a vector drawing at 100% (one unit per
  /// 15 twips, 11760 x 8760 twips): the last pass's drawing list, the frame
  /// lines, and every shown control as outlines with its text.
  void PaintVector(QPainter& painter) const;

  /// The tooltip of the diagram area at `pos` (logical pixels): a sequence
  /// disc's value or a bus column's sag type; empty elsewhere.
  QString DiagramTipAt(QPoint pos) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;

 private:
  friend class FormPeer;  // the tests' view of the pass and the geometry

  void CreateControls();
  /// Makes the widget of `c` in `parent`.
  QWidget* MakeControl(const design::Control& c, QWidget* parent);
  /// Makes the controls only the all-faults form has, hidden.
  void CreateAllFaultsControls();
  /// Puts the geometry, captions and visibility of the form model's mode on
  /// the controls, raising no handler.
  void ShowMode();
  void SetTabOrder();
  void SeparateAllOptionRows();
  void DescribeForAccessibility();
  void ConnectHandlers();
  void SetUpGettingOut();
  void SetToolTips();
  void UpdateToolTips();

  /// Scroll bar `bar` took `qtValue` (Qt's numbering, growing from the top or left).
  void OnScroll(design::ScrollBarId bar, int qtValue);
  QRadioButton* ButtonOf(design::OptionRef option) const;
  /// Puts what the form model holds on the scroll bars, value boxes and options,
  /// raising no handler.
  void ShowFormModel();

  design::ControlValues ReadControls();
  void EnsureCanvas(QSize logicalSize);
  void PaintCanvas();
  design::TwipsRect geometryOf(const QWidget* control) const;
  void setGeometryOf(QWidget* control, const design::TwipsRect& r);

  std::unordered_map<const QWidget*, design::TwipsRect> geometry_;

  /// The window's rules and what its input controls hold.
  design::FormModel form_;
  std::array<QScrollBar*, 4> scrollBars_{};  ///< in the order of design::kScrollBarNames
  std::array<QLineEdit*, 4> valueBoxes_{};
  /// Option buttons by group, in the order of design::kAllFaultsGroupSizes;
  /// null for the all-faults form's until it is first shown.
  std::array<std::array<QRadioButton*, 7>, design::kAllFaultsGroupSizes.size()> options_{};
  /// The form shown: the all-faults controls exist, and which mode they show.
  bool allFaultsMade_ = false;
  design::FormMode shownMode_ = design::FormMode::Default;
  /// The controls the layout step moves, in the order of design::kDiagramControls.
  std::array<QWidget*, design::kDiagramControls.size()> diagramControls_{};
  std::array<std::array<QLineEdit*, 6>, 4> readouts_{};

  /// Copy picture, Save picture, Copy readouts, The sag in time: the context
  /// menu and shortcuts.
  std::array<QAction*, 4> gettingOut_{};
  QMenu* presetsMenu_ = nullptr;
  QAction* allFaults_ = nullptr;  ///< the menu's checkable "All faults"
  SaveHooks saveHooks_;
  /// The Labels toggle, in the context menu and on L.
  QAction* labelsAction_ = nullptr;
  bool labels_ = false;

  double zoom_ = 1.0;
  /// The window's drawing surface, at the zoom and the screen's pixel density.
  QImage canvas_;
  design::DrawState drawState_;
  design::PassResult pass_;
  int passCount_ = 0;
};

/// The window caption.
QString WindowCaption();

/// The look of a frame: its border and the caption in its top edge, at `zoom`.
QString FrameStyleSheet(double zoom);

}  // namespace dipview::window
