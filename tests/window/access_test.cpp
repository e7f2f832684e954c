#include <QAccessible>
#include <QApplication>
#include <QTest>

#include "tests/window/form_fixture.h"

namespace dipview::window {
namespace {

struct AccessibleRow {
  const char* object;
  const char* name;
};

std::ostream& operator<<(std::ostream& os, const AccessibleRow& row) {
  return os << row.object;
}

class AccessibleNameTest : public FormTest, public testing::WithParamInterface<AccessibleRow> {};

TEST_P(AccessibleNameTest, ScreenReadersHearTheName) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Get(GetParam().object));
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->text(QAccessible::Name), GetParam().name);
  EXPECT_FALSE(iface->text(QAccessible::Description).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Controls, AccessibleNameTest,
    testing::Values(
        AccessibleRow{"Z12_Angle", "Z12 angle, degrees"},
        AccessibleRow{"Z0_Angle", "Z0 angle, degrees"},
        AccessibleRow{"ZF_Angle", "ZF angle, degrees"},
        AccessibleRow{"Proximity", "Relative distance from Substation HV to the fault, percent"},
        AccessibleRow{"Z12_Angle_Text", "Z12 angle value, degrees"},
        AccessibleRow{"Proximity_Text", "Relative distance value, percent"},
        AccessibleRow{"Z0_Z12_opt(1)", "Z0/Z12 ratio 2.5"},
        AccessibleRow{"ZF_Z12_opt(6)", "ZF/Z12 ratio 0.0"},
        AccessibleRow{"Phase_Phase(1)", "Fault type: Phase-to-Phase (Phase B to C)"},
        AccessibleRow{"MV_C1_Trans(1)", "Transformer Substation MV to Customer Level 1: YY"},
        AccessibleRow{"VHV_text(2)", "Substation HV, phase B magnitude, per unit"},
        AccessibleRow{"VC2_Text(5)", "Customer Level 2, phase C angle, degrees"}));

TEST_F(FormTest, EveryInputAndReadoutHasAnAccessibleName) {
  for (QWidget* w : form->findChildren<QWidget*>()) {
    if (qobject_cast<QScrollBar*>(w) || qobject_cast<QRadioButton*>(w) ||
        qobject_cast<QLineEdit*>(w)) {
      EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
      EXPECT_FALSE(w->accessibleDescription().isEmpty()) << w->objectName().toStdString();
    }
  }
}

TEST_F(FormTest, KeysMoveTheScrollBarsLikeTheMouse) {
  QApplication::setActiveWindow(form.get());
  auto* bar = Get<QScrollBar>("Z12_Angle");
  bar->setFocus();
  const int before = FormPeer::PassCount(*form);
  QTest::keyClick(bar, Qt::Key_Down);
  EXPECT_EQ(Text("Z12_Angle_Text"), "89");
  QTest::keyClick(bar, Qt::Key_PageDown);
  EXPECT_EQ(Text("Z12_Angle_Text"), "79");
  QTest::keyClick(bar, Qt::Key_Up);
  EXPECT_EQ(Text("Z12_Angle_Text"), "80");
  QTest::keyClick(bar, Qt::Key_PageUp);
  EXPECT_EQ(Text("Z12_Angle_Text"), "90");
  QTest::keyClick(bar, Qt::Key_Up);  // already at 90: no Change
  EXPECT_EQ(FormPeer::PassCount(*form), before + 4);

  auto* proximity = Get<QScrollBar>("Proximity");
  proximity->setFocus();
  QTest::keyClick(proximity, Qt::Key_Right);
  EXPECT_EQ(Text("Proximity_Text"), "51");
  QTest::keyClick(proximity, Qt::Key_PageDown);
  EXPECT_EQ(Text("Proximity_Text"), "61");
  QTest::keyClick(proximity, Qt::Key_Left);
  EXPECT_EQ(Text("Proximity_Text"), "60");
  FaultInputs in;
  in.proximity = 60;
  EXPECT_EQ(Readouts(), Expected(in));
}

TEST_F(FormTest, KeyboardOnlyWalkReachesEveryControl) {
  QApplication::setActiveWindow(form.get());
  Get("Z12_Angle")->setFocus();
  QStringList visited;
  for (int i = 0; i < 80 && !visited.contains(QApplication::focusWidget()->objectName()); ++i) {
    visited << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  ASSERT_FALSE(visited.isEmpty()) << visited.join(" ").toStdString();
  EXPECT_EQ(visited.front(), "Z12_Angle");
  EXPECT_EQ(visited.mid(1, 2), (QStringList{"Z0_Angle", "ZF_Angle"}));
  for (const char* expected :
       {"Proximity", "VHV_text(0)", "VC2_Text(5)", "Z12_Angle_Text", "Proximity_Text"}) {
    EXPECT_TRUE(visited.contains(expected)) << expected;
  }
  // Each group of options is one stop; the arrows move within it and select.
  for (const char* group : {"Z0_Z12_opt(1)", "ZF_Z12_opt(6)", "Single_Phase(0)", "HV_MV_Trans(0)",
                            "MV_C1_Trans(0)", "C1_C2_Trans(0)"}) {
    EXPECT_TRUE(visited.contains(group)) << group;
  }
  Get("Single_Phase(0)")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_TRUE(Get<QRadioButton>("Phase_Phase(1)")->isChecked());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_TRUE(Get<QRadioButton>("Three_Phase(2)")->isChecked());
  FaultInputs in;
  in.faultType = FaultType::ThreePhase;
  EXPECT_EQ(Readouts(), Expected(in));
  Get("C1_C2_Trans(1)")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_TRUE(Get<QRadioButton>("C1_C2_Trans(1)")->isChecked());
  in.c1C2Connection = TransformerConnection::YY;
  EXPECT_EQ(Readouts(), Expected(in));

  // In the all-faults form the faulted phases are the stop after the fault's,
  // and the arrows go down the fault frame as it shows the faults.
  form->SetMode(design::FormMode::AllFaults);
  Get("Three_Phase(2)")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "Faulted_Phase(0)");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "HV_MV_Trans(0)");
  Get("Three_Phase(2)")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_TRUE(Get<QRadioButton>("Two_Phase_Ground(3)")->isChecked());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_TRUE(Get<QRadioButton>("Phase_Phase(1)")->isChecked());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_TRUE(Get<QRadioButton>("Two_Phase_Ground(3)")->isChecked());
}

}  // namespace
}  // namespace dipview::window
