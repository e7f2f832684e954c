// Tooltips: what each control sets, what each readout, bus diagram and
// sequence disc shows. The texts come from design/describe.h.
#include <cmath>

#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>

#include "design/describe.h"
#include "design/diagrams.h"
#include "window/form1.h"

namespace dipview::window {

void Form1::SetToolTips() {
  for (const design::Control& c : design::DesignTable(form_.Mode())) {
    const std::string tip = design::ControlTip(c);
    if (!tip.empty()) {
      findChild<QWidget*>(QString::fromStdString(c.name))->setToolTip(QString::fromStdString(tip));
    }
  }
}

void Form1::UpdateToolTips() {
  for (int bus = 0; bus < 4; ++bus) {
    for (int k = 0; k < 6; ++k) {
      readouts_[bus][k]->setToolTip(
          QString::fromStdString(design::ReadoutTip(bus, k, pass_.readouts[bus][k])));
    }
  }
}

QString Form1::DiagramTipAt(QPoint pos) const {
  if (passCount_ == 0) {
    return {};
  }
  // The window's pixels are design pixels times the zoom.
  const float x = static_cast<float>(pos.x() / zoom_ * design::kTwipsPerPixel);
  const float y = static_cast<float>(pos.y() / zoom_ * design::kTwipsPerPixel);
  const design::DiagramGeometry& g = pass_.geometry;
  for (int k = 0; k < 3; ++k) {
    const design::PointTwips c =
        design::SequenceCentre(g.firstCx, g.columnWidth, g.diagramRadius, design::kLine4.y1, k);
    if (std::hypot(x - c.x, y - c.y) <= g.diagramRadius) {
      return QString::fromStdString(design::SequenceTip(k, pass_.voltages.sequenceAtHV));
    }
  }
  // The bus columns run from Line1 down to the readout grid.
  static const float gridTop =
      design::FindControl(design::ElementName(design::kReadoutArrays[0], 0))->rect.top;
  const float column = (x - design::kLine1.x1) / g.columnWidth;
  if (y <= design::kLine1.y1 || y >= gridTop || column < 0 || column >= 4) {
    return {};
  }
  const int bus = static_cast<int>(column);
  return QString::fromStdString(
      design::BusTip(bus, pass_.voltages.busVoltages[bus], pass_.prefaultAngles[bus]));
}

bool Form1::event(QEvent* event) {
  // Controls show their own tooltips; this is the window's surface.
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = DiagramTipAt(help->pos());
    if (tip.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
  }
  return QWidget::event(event);
}

}  // namespace dipview::window
