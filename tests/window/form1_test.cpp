#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "tests/window/form_fixture.h"

namespace dipview::window {
namespace {

void ClickOn(QScrollBar* bar, QStyle::SubControl which) {
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, SubControl(bar, which).center());
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

TEST_F(FormTest, StartUpShowsTheDefaults) {
  EXPECT_EQ(Text("Z12_Angle_Text"), "90");
  EXPECT_EQ(Text("Z0_Angle_Text"), "90");
  EXPECT_EQ(Text("ZF_Angle_Text"), "90");
  EXPECT_EQ(Text("Proximity_Text"), "50");
  EXPECT_EQ(FormPeer::PassCount(*form), 2);
  EXPECT_TRUE(Get<QRadioButton>("Single_Phase(0)")->isChecked());
  EXPECT_TRUE(Get<QRadioButton>("Z0_Z12_opt(1)")->isChecked());
  EXPECT_TRUE(Get<QRadioButton>("ZF_Z12_opt(6)")->isChecked());
  for (const char* t : {"HV_MV_Trans(0)", "MV_C1_Trans(0)", "C1_C2_Trans(0)"}) {
    EXPECT_TRUE(Get<QRadioButton>(t)->isChecked()) << t;
  }
  EXPECT_EQ(Get<QRadioButton>("Z0_Z12_opt(1)")->text(), "2.5");
  EXPECT_EQ(Get<QRadioButton>("ZF_Z12_opt(6)")->text(), "0.0");
  EXPECT_EQ(form->ReadInputs(), FaultInputs{});
  const QStringList expected = {"0.499", "0",     "1.092", "-127.6", "1.092", "127.5",
                                "0.838", "-36.6", "0.838", "-143.5", "0.999", "90",
                                "0.949", "-65.9", "0.777", "-180",   "0.949", "65.8",
                                "0.999", "-90.1", "0.838", "143.4",  "0.838", "36.5"};
  EXPECT_EQ(Readouts(), expected);
}

TEST(FormStartUpTest, FirstPassRunsBeforeAnyZfOptionIsSelected) {
  Form1 form;
  EXPECT_EQ(FormPeer::PassCount(form), 0);
  int passesWithoutZf = 0;
  const auto* zf6 = form.findChild<QRadioButton*>("ZF_Z12_opt(6)");
  QObject::connect(form.findChild<QRadioButton*>("Z0_Z12_opt(1)"), &QRadioButton::toggled, &form,
                   [&] { passesWithoutZf += zf6->isChecked() ? 0 : 1; });
  form.FormLoad();
  EXPECT_EQ(passesWithoutZf, 1);
  EXPECT_EQ(FormPeer::PassCount(form), 2);
}

TEST(FormStartUpTest, WindowCaptionAndFocus) {
  Form1 form;
  EXPECT_TRUE(form.windowTitle().startsWith(
      "DIPVIEW, Voltage Sags Due to Faults on Distribution Circuts, "));
  form.FormLoad();
  ShowAtStartUp(form);
  QApplication::setActiveWindow(&form);
  EXPECT_EQ(QApplication::focusWidget(), form.findChild<QWidget*>("Z12_Angle"));
  EXPECT_GE(form.width(), 784);
  EXPECT_GE(form.height(), 584);
}

TEST(FormStartUpTest, DiagramControlsHiddenUntilTheFirstPass) {
  Form1 form;
  const char* names[] = {"Voltage_Label", "Letter_A", "Letter_B", "Letter_C",
                         "HV_Label",      "MV_Label", "C1_Label", "C2_Label",
                         "HV_MV",         "MV_C1",    "C1_C2"};
  form.show();
  for (const char* n : names) {
    EXPECT_FALSE(form.findChild<QWidget*>(n)->isVisible()) << n;
  }
  EXPECT_EQ(FormPeer::GeometryOf(form, form.findChild<QWidget*>("Letter_B")),
            (design::TwipsRect{3480, 3000, 135, 375}));
  form.Recalculate();
  for (const char* n : names) {
    EXPECT_TRUE(form.findChild<QWidget*>(n)->isVisible()) << n;
  }
  EXPECT_TRUE(form.findChild<QWidget*>("Label2")->isVisibleTo(&form));
}

struct PlacedRow {
  const char* name;
  float left, top;
};

std::ostream& operator<<(std::ostream& os, const PlacedRow& row) {
  return os << row.name;
}

class LayoutTest : public FormTest, public testing::WithParamInterface<PlacedRow> {};

TEST_P(LayoutTest, PlacesTheControlAndKeepsItThere) {
  const PlacedRow& row = GetParam();
  for (int pass = 0; pass < 2; ++pass) {
    const design::TwipsRect g = FormPeer::GeometryOf(*form, Get(row.name));
    EXPECT_EQ(g.left, row.left) << row.name;
    EXPECT_EQ(g.top, row.top) << row.name;
    form->Recalculate();
  }
  EXPECT_EQ(FormPeer::Geometry(*form).columnWidth, 2370.0f);
  EXPECT_EQ(FormPeer::Geometry(*form).diagramRadius, 885.0f);
  EXPECT_EQ(FormPeer::Geometry(*form).frameTop, 5385.0f);
}

INSTANTIATE_TEST_SUITE_P(
    AfterThePass, LayoutTest,
    testing::Values(PlacedRow{"Voltage_Label", 3930, 2980}, PlacedRow{"Letter_A", 3255, 2980},
                    PlacedRow{"Letter_B", 3457.5f, 2980}, PlacedRow{"Letter_C", 3660, 2980},
                    PlacedRow{"HV_Label", 637.5f, 3360}, PlacedRow{"MV_Label", 2407.5f, 3360},
                    PlacedRow{"C1_Label", 5317.5f, 3360}, PlacedRow{"C2_Label", 7687.5f, 3360},
                    PlacedRow{"HV_MV", 2062.5f, 5385}, PlacedRow{"MV_C1", 4432.5f, 5385},
                    PlacedRow{"C1_C2", 6802.5f, 5385}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, CaptionsAndFramesFollowAMovedMvLabel) {
  QWidget* mv = Get("MV_Label");
  design::TwipsRect g = FormPeer::GeometryOf(*form, mv);
  g.top = 3600;
  FormPeer::SetGeometryOf(*form, mv, g);
  // Their own starting tops have no effect.
  design::TwipsRect hv = FormPeer::GeometryOf(*form, Get("HV_Label"));
  hv.top = 100;
  FormPeer::SetGeometryOf(*form, Get("HV_Label"), hv);
  form->Recalculate();
  for (const char* n : {"HV_Label", "C1_Label", "C2_Label"}) {
    EXPECT_EQ(FormPeer::GeometryOf(*form, Get(n)).top, 3600.0f) << n;
  }
  for (const char* n : {"HV_MV", "MV_C1", "C1_C2"}) {
    EXPECT_EQ(FormPeer::GeometryOf(*form, Get(n)).top, 3600.0f + 255.0f + 2 * 885.0f) << n;
  }
  EXPECT_EQ(FormPeer::Geometry(*form).cy, 3600.0f + 255.0f + 885.0f);
}

TEST_F(FormTest, LettersAreSpacedByTheWidthOfA) {
  for (const char* n : {"Letter_B", "Letter_C"}) {
    design::TwipsRect g = FormPeer::GeometryOf(*form, Get(n));
    g.width = 500;
    FormPeer::SetGeometryOf(*form, Get(n), g);
  }
  form->Recalculate();
  EXPECT_EQ(FormPeer::GeometryOf(*form, Get("Letter_B")).left -
                FormPeer::GeometryOf(*form, Get("Letter_A")).left,
            202.5f);
  EXPECT_EQ(FormPeer::GeometryOf(*form, Get("Letter_C")).left -
                FormPeer::GeometryOf(*form, Get("Letter_B")).left,
            202.5f);
}

TEST_F(FormTest, ArrowClickMovesByOneAndWritesTheTextBeforeThePass) {
  auto* bar = Get<QScrollBar>("Z12_Angle");
  const int before = FormPeer::PassCount(*form);
  ClickOn(bar, QStyle::SC_ScrollBarAddLine);  // the bottom arrow: towards 0
  EXPECT_EQ(Text("Z12_Angle_Text"), "89");
  EXPECT_EQ(FormPeer::PassCount(*form), before + 1);
  FaultInputs in;
  in.z12AngleDeg = 89;
  EXPECT_EQ(Readouts(), Expected(in));
  ClickOn(bar, QStyle::SC_ScrollBarSubLine);  // the top arrow: back up to 90
  EXPECT_EQ(Text("Z12_Angle_Text"), "90");
  EXPECT_EQ(Readouts(), Expected(FaultInputs{}));
}

TEST_F(FormTest, ArrowClickAtTheEndOfTheRangeRaisesNothing) {
  for (const char* name : {"Z12_Angle", "Z0_Angle", "ZF_Angle"}) {
    const int before = FormPeer::PassCount(*form);
    ClickOn(Get<QScrollBar>(name), QStyle::SC_ScrollBarSubLine);
    EXPECT_EQ(FormPeer::PassCount(*form), before) << name;
  }
  auto* proximity = Get<QScrollBar>("Proximity");
  for (int i = 0; i < 5; ++i) {
    ClickOn(proximity, QStyle::SC_ScrollBarAddPage);
  }
  EXPECT_EQ(Text("Proximity_Text"), "100");
  const int before = FormPeer::PassCount(*form);
  ClickOn(proximity, QStyle::SC_ScrollBarAddLine);
  EXPECT_EQ(FormPeer::PassCount(*form), before);
  EXPECT_EQ(Text("Proximity_Text"), "100");
}

TEST_F(FormTest, TrackClickMovesByTen) {
  ClickOn(Get<QScrollBar>("ZF_Angle"), QStyle::SC_ScrollBarAddPage);
  EXPECT_EQ(Text("ZF_Angle_Text"), "80");
  ClickOn(Get<QScrollBar>("Proximity"), QStyle::SC_ScrollBarSubPage);
  EXPECT_EQ(Text("Proximity_Text"), "40");
  FaultInputs in;
  in.zfAngleDeg = 80;
  in.proximity = 40;
  EXPECT_EQ(Readouts(), Expected(in));
}

TEST_F(FormTest, DragChangesNothingUntilRelease) {
  auto* bar = Get<QScrollBar>("Proximity");
  const QPoint start = SubControl(bar, QStyle::SC_ScrollBarSlider).center();
  const int before = FormPeer::PassCount(*form);
  SendMouse(bar, QEvent::MouseButtonPress, start, Qt::LeftButton);
  for (int dx = 5; dx <= 40; dx += 5) {
    SendMouse(bar, QEvent::MouseMove, start + QPoint(dx, 0), Qt::LeftButton);
    EXPECT_EQ(FormPeer::PassCount(*form), before);
    EXPECT_EQ(Text("Proximity_Text"), "50");
  }
  SendMouse(bar, QEvent::MouseButtonRelease, start + QPoint(40, 0), Qt::NoButton);
  EXPECT_EQ(FormPeer::PassCount(*form), before + 1);
  EXPECT_GT(bar->value(), 50);
  EXPECT_EQ(Text("Proximity_Text"), QString::number(bar->value()));
  FaultInputs in;
  in.proximity = static_cast<std::int16_t>(bar->value());
  EXPECT_EQ(Readouts(), Expected(in));
}

TEST_F(FormTest, OptionClickRecalculatesAndLeavesTheValueTexts) {
  const int before = FormPeer::PassCount(*form);
  QTest::mouseClick(Get("Phase_Phase(1)"), Qt::LeftButton);
  EXPECT_EQ(FormPeer::PassCount(*form), before + 1);
  EXPECT_EQ(Text("Z12_Angle_Text"), "90");
  EXPECT_EQ(Text("Proximity_Text"), "50");
  FaultInputs in;
  in.faultType = FaultType::PhaseToPhase;
  EXPECT_EQ(Readouts(), Expected(in));
  QTest::mouseClick(Get("ZF_Z12_opt(4)"), Qt::LeftButton);
  QTest::mouseClick(Get("Z0_Z12_opt(0)"), Qt::LeftButton);
  in.zfRatio = 1.0;
  in.z0Ratio = 3.0f;
  EXPECT_EQ(Readouts(), Expected(in));
  EXPECT_EQ(form->ReadInputs(), in);
}

TEST_F(FormTest, TypedReadoutTextIsGoneAfterTheNextPass) {
  auto* box = Get<QLineEdit>("VC1_Text(3)");
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, "hello");
  EXPECT_EQ(box->text(), "hello");
  QTest::mouseClick(Get("Three_Phase(2)"), Qt::LeftButton);
  FaultInputs in;
  in.faultType = FaultType::ThreePhase;
  EXPECT_EQ(Readouts(), Expected(in));
}

TEST_F(FormTest, ValueTextsAreReadOnly) {
  auto* box = Get<QLineEdit>("Z0_Angle_Text");
  box->setFocus();
  QTest::keyClicks(box, "12");
  EXPECT_EQ(box->text(), "90");
  EXPECT_FALSE(Get<QLineEdit>("VHV_text(0)")->isReadOnly());
}

TEST_F(FormTest, ChangingTheLastTransformerRewritesAllBoxes) {
  const QStringList before = Readouts();
  for (const char* array : {"VHV_text", "VMV_Text", "VC1_Text", "VC2_Text"}) {
    for (int k = 0; k < 6; ++k) {
      Get<QLineEdit>(QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(k))->setText("x");
    }
  }
  QTest::mouseClick(Get("C1_C2_Trans(1)"), Qt::LeftButton);
  const QStringList after = Readouts();
  EXPECT_FALSE(after.contains("x"));
  EXPECT_EQ(after.mid(0, 18), before.mid(0, 18));
  EXPECT_EQ(after.mid(18, 6), after.mid(12, 6));
  EXPECT_NE(after.mid(18, 6), before.mid(18, 6));
}

TEST_F(FormTest, AllYYGivesFourEqualBuses) {
  for (const char* n : {"HV_MV_Trans(1)", "MV_C1_Trans(1)", "C1_C2_Trans(1)"}) {
    QTest::mouseClick(Get(n), Qt::LeftButton);
  }
  const QStringList r = Readouts();
  EXPECT_EQ(r.mid(6, 6), r.mid(0, 6));
  EXPECT_EQ(r.mid(12, 6), r.mid(0, 6));
  EXPECT_EQ(r.mid(18, 6), r.mid(0, 6));
}

struct SettingsRow {
  const char* name;
  FaultInputs in;
};

std::ostream& operator<<(std::ostream& os, const SettingsRow& row) {
  return os << row.name;
}

class ReadoutAgreementTest : public FormTest, public testing::WithParamInterface<SettingsRow> {};

TEST_P(ReadoutAgreementTest, ReadoutsEqualTheCore) {
  form->ApplySettings(GetParam().in);
  EXPECT_EQ(form->ReadInputs(), GetParam().in);
  EXPECT_EQ(Readouts(), Expected(GetParam().in));
}

FaultInputs Make(FaultType type, int proximity, double zf, float z0, double z12, double z0a,
                 double zfa, TransformerConnection a, TransformerConnection b,
                 TransformerConnection c) {
  FaultInputs in;
  in.faultType = type;
  in.proximity = static_cast<std::int16_t>(proximity);
  in.zfRatio = zf;
  in.z0Ratio = z0;
  in.z12AngleDeg = z12;
  in.z0AngleDeg = z0a;
  in.zfAngleDeg = zfa;
  in.hvMvConnection = a;
  in.mvC1Connection = b;
  in.c1C2Connection = c;
  return in;
}

constexpr auto DY = TransformerConnection::DY;
constexpr auto YY = TransformerConnection::YY;

INSTANTIATE_TEST_SUITE_P(
    Settings, ReadoutAgreementTest,
    testing::Values(SettingsRow{"StartUp", FaultInputs{}},
                    SettingsRow{"SingleMixed",
                                Make(FaultType::SinglePhase, 50, 0.5, 3.0f, 80, 70, 0, DY, DY, DY)},
                    SettingsRow{"SingleBolted",
                                Make(FaultType::SinglePhase, 0, 0.0, 1.0f, 90, 90, 90, DY, YY, DY)},
                    SettingsRow{"PhasePhase",
                                Make(FaultType::PhaseToPhase, 0, 1.0, 2.5f, 90, 90, 0, YY, DY, YY)},
                    SettingsRow{"ThreeBolted",
                                Make(FaultType::ThreePhase, 0, 0.0, 0.5f, 45, 10, 20, DY, DY, YY)},
                    SettingsRow{"ThreeFar",
                                Make(FaultType::ThreePhase, 100, 3.0, 1.5f, 0, 0, 90, YY, YY, YY)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, SettingsOutsideTheOptionsAreUsedAsGiven) {
  FaultInputs in;
  in.zfRatio = 0.75;
  in.z0Ratio = 1.25f;
  in.z12AngleDeg = 37.5;
  form->ApplySettings(in);
  EXPECT_EQ(Text("Z12_Angle_Text"), "37.5");
  EXPECT_EQ(form->ReadInputs(), in);
  EXPECT_EQ(Readouts(), Expected(in));
  EXPECT_FALSE(Get<QRadioButton>("ZF_Z12_opt(6)")->isChecked());
  // A click on an option of the group goes back to the option's ratio.
  QTest::mouseClick(Get("ZF_Z12_opt(5)"), Qt::LeftButton);
  EXPECT_EQ(form->ReadInputs().zfRatio, 0.5);
}

}  // namespace
}  // namespace dipview::window

namespace dipview::window {
namespace {

void ForceChecked(QRadioButton* button, bool checked) {
  const QSignalBlocker block(button);
  button->setAutoExclusive(false);
  button->setChecked(checked);
}

TEST_F(FormTest, WithNoFaultSelectedEveryMagnitudeIsZero) {
  for (const char* n : {"Single_Phase(0)", "Phase_Phase(1)", "Three_Phase(2)"}) {
    ForceChecked(Get<QRadioButton>(n), false);
  }
  form->Recalculate();
  const QStringList r = Readouts();
  for (int i = 0; i < r.size(); i += 2) {
    EXPECT_EQ(r[i], "0") << i;
  }
}

TEST_F(FormTest, WhenTwoRatioOptionsAreSelectedTheHigherIndexWins) {
  ForceChecked(Get<QRadioButton>("ZF_Z12_opt(0)"), true);
  ForceChecked(Get<QRadioButton>("Z0_Z12_opt(5)"), true);
  EXPECT_EQ(form->ReadInputs().zfRatio, 0.0);
  EXPECT_EQ(form->ReadInputs().z0Ratio, 0.5f);
  ForceChecked(Get<QRadioButton>("ZF_Z12_opt(6)"), false);
  EXPECT_EQ(form->ReadInputs().zfRatio, 3.0);
}

TEST_F(FormTest, EnlargingTheWindowShowsTheGridWithTheLastValues) {
  form->resize(648, 505);  // the stored client area
  QWidget* first = Get("VHV_text(0)");
  QWidget* sequence = Get("Label2");
  EXPECT_FALSE(form->rect().intersects(first->geometry()));
  EXPECT_FALSE(form->rect().intersects(sequence->geometry()));
  QTest::mouseClick(Get("Three_Phase(2)"), Qt::LeftButton);
  form->resize(784, 584);
  EXPECT_TRUE(form->rect().contains(first->geometry()));
  EXPECT_TRUE(form->rect().contains(sequence->geometry()));
  FaultInputs in;
  in.faultType = FaultType::ThreePhase;
  EXPECT_EQ(Readouts(), Expected(in));
  // The sequence column was drawn while it was out of sight.
  EXPECT_EQ(form->grab().toImage().pixelColor(10785 / 15 + 10, 1105 / 15 + 10), QColor(Qt::white));
}

}  // namespace
}  // namespace dipview::window

namespace dipview::window {
namespace {

struct CalcRow {
  const char* args;
  FaultInputs in;
};

std::ostream& operator<<(std::ostream& os, const CalcRow& row) {
  return os << row.args;
}

class CalculatorAgreementTest : public FormTest, public testing::WithParamInterface<CalcRow> {};

TEST_P(CalculatorAgreementTest, WindowShowsWhatTheCalculatorPrints) {
  QProcess calc;
  calc.start(QStringLiteral(DIPVIEW_CALC_PATH),
             QString::fromLatin1(GetParam().args).split(' ', Qt::SkipEmptyParts)
                 << QStringLiteral("--format") << QStringLiteral("csv"));
  ASSERT_TRUE(calc.waitForFinished(10000));
  ASSERT_EQ(calc.exitCode(), 0) << calc.readAllStandardError().toStdString();
  const QStringList lines = QString::fromUtf8(calc.readAllStandardOutput()).split('\n');
  ASSERT_GE(lines.size(), 2);
  const QStringList fields = lines[1].split(',');
  ASSERT_EQ(fields.size(), 10 + 24 + 6);
  form->ApplySettings(GetParam().in);
  EXPECT_EQ(Readouts(), fields.mid(10, 24));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, CalculatorAgreementTest,
    testing::Values(
        CalcRow{"", FaultInputs{}},
        CalcRow{"--fault single --proximity 0 --z0-ratio 1.0 --zf-ratio 0.0",
                Make(FaultType::SinglePhase, 0, 0.0, 1.0f, 90, 90, 90, DY, DY, DY)},
        CalcRow{"--fault phase-phase --z12-angle 37 --zf-angle 12 --zf-ratio 1.5 --proximity 73 "
                "--transformers DY,DY,YY",
                Make(FaultType::PhaseToPhase, 73, 1.5, 2.5f, 37, 90, 12, DY, DY, YY)},
        CalcRow{"--fault three --z12-angle 80 --zf-angle 0 --zf-ratio 3.0 --proximity 5",
                Make(FaultType::ThreePhase, 5, 3.0, 2.5f, 80, 90, 0, DY, DY, DY)},
        CalcRow{"--z12-angle 62 --z0-angle 18 --zf-angle 45 --z0-ratio 0.5 --zf-ratio 2.5 "
                "--proximity 99",
                Make(FaultType::SinglePhase, 99, 2.5, 0.5f, 62, 18, 45, DY, DY, DY)}));

}  // namespace
}  // namespace dipview::window
