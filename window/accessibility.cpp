// Names and descriptions of the controls for screen readers.
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

#include "design/constants.h"
#include "window/form1.h"

namespace dipview::window {

namespace {

QString BusName(int bus) {
  const std::string_view name = design::kBusNames[bus];
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

void Form1::DescribeForAccessibility() {
  auto describe = [](QWidget* w, const QString& name, const QString& description) {
    w->setAccessibleName(name);
    w->setAccessibleDescription(description);
  };
  const QString angleHelp =
      QStringLiteral("%2 in degrees, 0 to %1; up raises it by 1, Page Up by 10")
          .arg(design::kMaxAngle);
  describe(z12Angle_, QStringLiteral("Z12 angle, degrees"),
           angleHelp.arg(QStringLiteral("Angle of the positive- and negative-sequence impedance")));
  describe(z0Angle_, QStringLiteral("Z0 angle, degrees"),
           angleHelp.arg(QStringLiteral("Angle of the zero-sequence impedance")));
  describe(zfAngle_, QStringLiteral("ZF angle, degrees"),
           angleHelp.arg(QStringLiteral("Angle of the fault impedance")));
  describe(proximity_,
           QStringLiteral("Relative distance from %1 to the fault, percent").arg(BusName(0)),
           QStringLiteral("0 is close to %1, 100 is far").arg(BusName(0)));
  describe(z12AngleText_, QStringLiteral("Z12 angle value, degrees"),
           QStringLiteral("The value of the Z12 angle scroll bar"));
  describe(z0AngleText_, QStringLiteral("Z0 angle value, degrees"),
           QStringLiteral("The value of the Z0 angle scroll bar"));
  describe(zfAngleText_, QStringLiteral("ZF angle value, degrees"),
           QStringLiteral("The value of the ZF angle scroll bar"));
  describe(proximityText_, QStringLiteral("Relative distance value, percent"),
           QStringLiteral("The value of the relative distance scroll bar"));
  for (int k = 0; k < 6; ++k) {
    describe(z0Z12Opt_[k], QStringLiteral("Z0/Z12 ratio %1").arg(z0Z12Opt_[k]->text()),
             QStringLiteral("Magnitude of the zero-sequence impedance relative to Z12"));
  }
  for (int k = 0; k < 7; ++k) {
    describe(zfZ12Opt_[k], QStringLiteral("ZF/Z12 ratio %1").arg(zfZ12Opt_[k]->text()),
             QStringLiteral("Magnitude of the fault impedance relative to Z12"));
  }
  for (QRadioButton* b : faultOpt_) {
    describe(b, QStringLiteral("Fault type: %1").arg(b->text()),
             QStringLiteral("Type of the fault on the transmission system"));
  }
  // Named by the buses they join; Substation MV without its feeder.
  const QString hv = BusName(0);
  const QString mv = QStringLiteral("Substation MV");
  const QString transformers[3] = {QStringLiteral("%1 to %2").arg(hv, mv),
                                   QStringLiteral("%1 to %2").arg(mv, BusName(2)),
                                   QStringLiteral("%1 to %2").arg(BusName(2), BusName(3))};
  for (int t = 0; t < 3; ++t) {
    for (QRadioButton* b : transOpt_[t]) {
      describe(b, QStringLiteral("Transformer %1: %2").arg(transformers[t], b->text()),
               QStringLiteral("Connection of the transformer from %1").arg(transformers[t]));
    }
  }
  for (int bus = 0; bus < 4; ++bus) {
    for (int k = 0; k < 6; ++k) {
      const QChar phase = QChar(u'A' + k / 2);
      const bool magnitude = k % 2 == 0;
      describe(readouts_[bus][k],
               QStringLiteral("%1, phase %2 %3")
                   .arg(BusName(bus), phase,
                        magnitude ? QStringLiteral("magnitude, per unit")
                                  : QStringLiteral("angle, degrees")),
               magnitude
                   ? QStringLiteral("Line-to-neutral voltage magnitude, cut to 0.001 per unit")
                   : QStringLiteral("Line-to-neutral voltage angle, cut to 0.1 degree"));
    }
  }
}

}  // namespace dipview::window
