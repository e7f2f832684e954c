#include <functional>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QXmlStreamReader>

#include "design/describe.h"
#include "design/labels.h"
#include "tests/window/form_fixture.h"
#include "window/picture.h"

namespace dipview::window {
namespace {

struct SvgCounts {
  int lines = 0;  ///< two-point polylines
  int circles = 0;
  QStringList texts;
  bool operator==(const SvgCounts&) const = default;
};

/// Parses `bytes` as XML and counts its elements; fails the test on bad XML.
SvgCounts ParseSvg(const QByteArray& bytes) {
  SvgCounts counts;
  QXmlStreamReader xml(bytes);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) {
      continue;
    }
    if (xml.name() == u"polyline" &&
        xml.attributes().value("points").trimmed().split(u' ').size() == 2) {
      ++counts.lines;
    } else if (xml.name() == u"circle") {
      ++counts.circles;
    } else if (xml.name() == u"text") {
      counts.texts << xml.readElementText();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return counts;
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return f.readAll();
}

/// The readout values Ctrl+Shift+C copies: magnitude and angle of each row.
QStringList CopiedReadouts(QWidget* form) {
  QApplication::setActiveWindow(form);
  QApplication::clipboard()->clear();
  QTest::keyClick(form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  const QStringList lines = QApplication::clipboard()->text().split('\n');
  QStringList copied;
  for (int i = 1; i <= 15; ++i) {
    copied << lines.value(i).section('\t', 2, 2) << lines.value(i).section('\t', 3, 3);
  }
  return copied;
}

/// The same values as dipview-calc prints them for `args`.
QStringList CalculatorReadouts(QStringList args) {
  QProcess calc;
  calc.start(QStringLiteral(DIPVIEW_CALC_PATH), args << "--format"
                                                     << "csv");
  EXPECT_TRUE(calc.waitForFinished(10000));
  // The settings' columns come first, the 30 values last.
  const QStringList fields =
      QString::fromUtf8(calc.readAllStandardOutput()).split('\n').value(1).split(',');
  return fields.mid(fields.size() - 30);
}

class GettingOutTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    QApplication::setActiveWindow(form.get());
    form->SetSaveHooks({.askPath = [this](QWidget*) { return savePath; },
                        .reportError = [this](QWidget*, const QString& m) { errors << m; }});
  }

  /// What the window's SVG must hold: the drawing list's lines and circles,
  /// the four frame lines, and every option's circle with a dot in each
  /// selected one. Qt draws a line of zero length with round ends as a dot.
  SvgCounts Expected() const {
    SvgCounts c;
    for (const design::DrawOp& op : FormPeer::Pass(*form).drawing) {
      const bool dot = op.x1 == op.x2 && op.y1 == op.y2;
      c.lines += op.kind == design::Primitive::Line && !dot ? 1 : 0;
      c.circles += op.kind == design::Primitive::Disc || op.kind == design::Primitive::DottedRing ||
                           (op.kind == design::Primitive::Line && dot)
                       ? 1
                       : 0;
    }
    c.lines += 4;
    for (const QRadioButton* b : form->findChildren<QRadioButton*>()) {
      c.circles += b->isChecked() ? 2 : 1;
    }
    return c;
  }

  QTemporaryDir dir;
  QString savePath;
  QStringList errors;
  QStringList questions;
};

TEST_F(GettingOutTest, ToolTipsOfReadoutsControlsDiagramsAndDiscs) {
  EXPECT_EQ(Get<QLineEdit>("VC1_Text(2)")->toolTip(),
            "Customer Level 1, phase B: magnitude 0.777 pu (cut down to 0.001)");
  EXPECT_EQ(Get<QLineEdit>("VHV_text(3)")->toolTip(),
            "Substation HV, phase B: angle -127.6 degrees (cut down to 0.1)");
  EXPECT_EQ(Get<QRadioButton>("Z0_Z12_opt(1)")->toolTip(),
            QString::fromStdString(design::ControlTip(*design::FindControl("Z0_Z12_opt(1)"))));
  EXPECT_FALSE(Get<QScrollBar>("Proximity")->toolTip().isEmpty());
  // Centres of the diagrams (twips / 15): buses at y 300, sequence discs at x 719.
  struct Row {
    QPoint at;
    const char* tip;
  };
  const Row rows[] = {
      {{87, 300},
       "Substation HV: sag type B_a, |V| 0.778 pu, |F| 1 pu, jump 0 degrees; textbook type none of "
       "A "
       "to G"},
      {{403, 300},
       "Customer Level 1: sag type D_b, |V| 0.778 pu, |F| 1 pu, jump 0 degrees; textbook type D_b"},
      {{560, 450},
       "Customer Level 2: sag type C_a, |V| 0.778 pu, |F| 1 pu, jump 0 degrees; textbook type C_a"},
      {{719, 205}, "V1, the positive-sequence voltage at Substation HV: 0.888 pu at 0 degrees"},
      {{719, 336}, "V2, the negative-sequence voltage at Substation HV: 0.111 pu at 179.9 degrees"},
      {{560, 511},
       "Customer Level 2: sag type C_a, |V| 0.778 pu, |F| 1 pu, jump 0 degrees; textbook type C_a"},
      {{560, 512}, ""},  // the readout grid's top edge
      {{719, 400}, ""},  // between the sequence discs
      {{300, 100}, ""},  // the input area
  };
  for (const Row& r : rows) {
    EXPECT_EQ(form->DiagramTipAt(r.at), QString::fromUtf8(r.tip)) << r.at.x() << "," << r.at.y();
  }
  // Zoomed, the same places lie twice as far from the origin.
  form->SetZoom(2.0);
  EXPECT_EQ(form->DiagramTipAt(rows[3].at * 2), QString::fromUtf8(rows[3].tip));
  form->SetZoom(1.0);
  // A changed setting changes the texts, and a real help event shows them.
  QTest::mouseClick(Get<QRadioButton>("Three_Phase(2)"), Qt::LeftButton);
  QHelpEvent help(QEvent::ToolTip, QPoint(560, 300), form->mapToGlobal(QPoint(560, 300)));
  QApplication::sendEvent(form.get(), &help);
  EXPECT_EQ(
      QToolTip::text(),
      "Customer Level 2: sag type A, |V| 0.5 pu, |F| 0.5 pu, jump 0 degrees; textbook type A");
  EXPECT_EQ(Get<QLineEdit>("VC2_Text(0)")->toolTip(),
            "Customer Level 2, phase A: magnitude 0.5 pu (cut down to 0.001)");
}

TEST_F(GettingOutTest, RightClickAnywhereOffersTheEntriesWithTheirShortcuts) {
  for (const char* name : {"VC1_Text(2)", "Z12_Angle", "Frame3", "HV_Label"}) {
    QWidget* target = Get(name);
    QStringList seen;
    const QObject guard;  // a timer left pending when no menu opens dies with it
    QTimer::singleShot(0, &guard, [&seen] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      for (const QAction* a : menu->actions()) {
        seen << a->text() + " " + a->shortcut().toString();
      }
      menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                            target->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(target, &event);
    EXPECT_EQ(seen, (QStringList{"Copy picture Ctrl+C", "Save picture... Ctrl+S",
                                 "Copy readouts Ctrl+Shift+C", "The sag in time... Ctrl+T",
                                 "Labels L", "Presets ", " ", "All faults "}))
        << name;
  }
}

TEST_F(GettingOutTest, APresetPickedFromTheMenuShowsWhatTheCalculatorPrintsForIt) {
  // Down to the second case of the Presets menu with the keys, as a user would.
  const QObject guard;
  QTimer::singleShot(0, &guard, [] {
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr);
    QTest::keyClick(menu, Qt::Key_Up);     // All faults, the last entry
    QTest::keyClick(menu, Qt::Key_Up);     // Presets, over the separator
    QTest::keyClick(menu, Qt::Key_Right);  // opens the cases, the first one active
    QTimer::singleShot(0, [] {
      QWidget* cases = QApplication::activePopupWidget();
      ASSERT_NE(cases, nullptr);
      EXPECT_EQ(qobject_cast<QMenu*>(cases)->actions().value(1)->text(),
                "two-dy-down: the same seen two DY transformers down: type D at C1 and C2");
      QTest::keyClick(cases, Qt::Key_Down);
      QTest::keyClick(cases, Qt::Key_Return);
    });
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), form->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(form.get(), &event);
  EXPECT_EQ(CopiedReadouts(form.get()), CalculatorReadouts({"--preset", "two-dy-down"}));
  EXPECT_EQ(Text("Proximity_Text"), "0");
  EXPECT_TRUE(Get<QRadioButton>("C1_C2_Trans(1)")->isChecked());
}

TEST_F(GettingOutTest, CtrlShiftCCopiesTheReadoutsTheCalculatorPrints) {
  QTest::mouseClick(Get<QRadioButton>("Three_Phase(2)"), Qt::LeftButton);
  QTest::keyClick(Get<QScrollBar>("Proximity"), Qt::Key_Left);  // proximity 49
  QApplication::clipboard()->clear();
  QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  const QStringList lines = QApplication::clipboard()->text().split('\n');
  ASSERT_EQ(lines.size(), 1 + 15 + 1);  // header, 4 x 3 phases and V0, V1, V2, final newline
  EXPECT_EQ(lines[0], "bus\tphase\t|V| pu\tangle deg");
  EXPECT_EQ(lines[7], "Customer Level 1\tA\t" + Text("VC1_Text(0)") + "\t" + Text("VC1_Text(1)"));
  EXPECT_EQ(lines[14].section('\t', 0, 1), "Substation HV\tV1");

  EXPECT_EQ(CopiedReadouts(form.get()),
            CalculatorReadouts({"--fault", "three", "--proximity", "49"}));
}

/// Opens the window's menu with a right click on `target` and clicks its entry `text`.
void ClickMenuEntry(QWidget* target, const QString& text) {
  const QObject guard;
  bool clicked = false;
  QTimer::singleShot(0, &guard, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions()) {
      if (a->text() == text) {
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        clicked = true;
      }
    }
    if (!clicked) {
      menu->close();
    }
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                          target->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(target, &event);
  EXPECT_TRUE(clicked) << text.toStdString();
}

TEST_F(GettingOutTest, AllFaultsFromTheMenuCopiesWhatTheCalculatorPrints) {
  struct Row {
    QStringList clicks;
    QStringList calc;  ///< the same settings for dipview-calc
    QStringList left;  ///< the settings after leaving the all-faults form
  };
  const Row rows[] = {
      {{"Two_Phase_Ground(3)", "Faulted_Phase(1)", "HV_MV_Trans(2)"},
       {"--fault", "two-phase-ground", "--phases", "ca", "--transformers", "DD,DY,DY"},
       {"--fault", "phase-phase"}},
      {{"Faulted_Phase(2)", "MV_C1_Trans(2)", "C1_C2_Trans(2)"},
       {"--phases", "c", "--transformers", "DY,DD,DD"},
       {}},
      {{"Phase_Phase(1)", "Faulted_Phase(2)", "C1_C2_Trans(1)", "HV_MV_Trans(2)"},
       {"--fault", "phase-phase", "--phases", "ab", "--transformers", "DD,DY,YY"},
       {"--fault", "phase-phase", "--transformers", "DY,DY,YY"}},
  };
  for (const Row& r : rows) {
    SetUp();
    ClickMenuEntry(Get("Frame1"), "All faults");
    ASSERT_EQ(form->Mode(), design::FormMode::AllFaults);
    for (const QString& name : r.clicks) {
      // Where the pointer finds the option's circle: inside its frame, on top.
      auto* option = Get<QRadioButton>(name);
      const QPoint at = option->mapTo(form.get(), QPoint(6, option->height() / 2));
      ASSERT_EQ(form->childAt(at), option) << name.toStdString();
      EXPECT_TRUE(option->parentWidget()->rect().contains(option->geometry()))
          << name.toStdString();
      QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    }
    EXPECT_EQ(CopiedReadouts(form.get()), CalculatorReadouts(r.calc))
        << r.calc.join(' ').toStdString();
    // Ctrl+C copies the all-faults form that dipview-calc --png draws.
    QApplication::clipboard()->clear();
    QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
    const QString png = dir.filePath("all-faults.png");
    EXPECT_EQ(
        QProcess::execute(QStringLiteral(DIPVIEW_CALC_PATH), QStringList(r.calc) << "--png" << png),
        0);
    EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              QImage(png).convertToFormat(QImage::Format_RGB32))
        << r.calc.join(' ').toStdString();
    ClickMenuEntry(Get("VC1_Text(2)"), "All faults");
    EXPECT_EQ(form->Mode(), design::FormMode::Default);
    EXPECT_FALSE(Get("Faulted_Phase(0)")->isVisible());
    EXPECT_EQ(CopiedReadouts(form.get()), CalculatorReadouts(r.left))
        << r.left.join(' ').toStdString();
  }
}

TEST_F(GettingOutTest, CtrlCCopiesThePictureTheCalculatorDraws) {
  QTest::mouseClick(Get<QRadioButton>("MV_C1_Trans(1)"), Qt::LeftButton);
  QApplication::clipboard()->clear();
  QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
  const QImage copied = QApplication::clipboard()->image();
  EXPECT_EQ(copied.deviceIndependentSize().toSize(), QSize(784, 584));
  EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
            RenderPicture(form->ReadInputs()).convertToFormat(QImage::Format_RGB32));

  // A readout with the focus copies the picture too, unless text is selected.
  auto* readout = Get<QLineEdit>("VC1_Text(2)");
  readout->setFocus();
  QApplication::clipboard()->clear();
  QTest::keyClick(readout, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->image().deviceIndependentSize().toSize(), QSize(784, 584));
  readout->selectAll();
  QTest::keyClick(readout, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), readout->text());
  EXPECT_TRUE(QApplication::clipboard()->image().isNull());
}

TEST_F(GettingOutTest, LTogglesTheLabelsButTypesIntoAnEditableBox) {
  Get("Z12_Angle")->setFocus();
  const QImage before = form->grab().toImage();
  ASSERT_FALSE(form->LabelsShown());
  QTest::keyClick(Get<QScrollBar>("Z12_Angle"), Qt::Key_L);
  EXPECT_TRUE(form->LabelsShown());
  const QImage labelled = form->grab().toImage();
  EXPECT_NE(labelled, before);
  // Only the labels differ: the pixels outside their boxes stay.
  QRegion boxes;
  for (const design::TextItem& item : design::Labels(FormPeer::Pass(*form))) {
    boxes += LabelBox(item).toAlignedRect().adjusted(-2, -2, 2, 2);
  }
  for (int y = 0; y < before.height(); y += 3) {
    for (int x = 0; x < before.width(); x += 3) {
      if (!boxes.contains(QPoint(x, y))) {
        ASSERT_EQ(labelled.pixel(x, y), before.pixel(x, y)) << x << ", " << y;
      }
    }
  }

  // A readout takes typing: L goes into it.
  auto* readout = Get<QLineEdit>("VMV_Text(3)");
  readout->setFocus();
  readout->end(false);
  QTest::keyClick(readout, Qt::Key_L);
  EXPECT_TRUE(readout->text().endsWith('l'));
  EXPECT_TRUE(form->LabelsShown());

  // The drawing surface grows with the window, without the labels in it.
  form->resize(900, 700);
  QTest::keyClick(Get<QScrollBar>("Proximity"), Qt::Key_L);
  EXPECT_FALSE(form->LabelsShown());
  form->resize(784, 584);
  form->Recalculate();  // rewrites the readout typed into
  Get("Z12_Angle")->setFocus();
  EXPECT_EQ(form->grab().toImage(), before);
}

TEST_F(GettingOutTest, CopyPictureTakesTheZoomAndTheLabels) {
  form->SetZoom(2.0);
  form->resize(Form1::FullSize(2.0));
  QApplication::clipboard()->clear();
  QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
  const QImage plain = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(plain.deviceIndependentSize().toSize(), QSize(1568, 1168));
  EXPECT_EQ(plain,
            RenderPicture(form->ReadInputs(), {.zoom = 2.0}).convertToFormat(QImage::Format_RGB32));

  form->SetLabels(true);
  QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
  const QImage labelled = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(labelled.size(), plain.size());
  EXPECT_NE(labelled, plain);
  EXPECT_EQ(labelled, RenderPicture(form->ReadInputs(), {.zoom = 2.0, .labels = true})
                          .convertToFormat(QImage::Format_RGB32));
}

TEST_F(GettingOutTest, LabelsOverlapNeitherEachOtherNorTheControls) {
  form->SetLabels(true);
  for (const auto& [mode, zoom] : {std::pair{design::FormMode::Default, 1.0},
                                   {design::FormMode::Default, 2.0},
                                   {design::FormMode::Default, 3.0},
                                   {design::FormMode::AllFaults, 1.0},
                                   {design::FormMode::AllFaults, 2.0}}) {
    form->SetMode(mode);
    form->SetZoom(zoom);
    form->resize(Form1::FullSize(zoom));
    const std::vector<design::TextItem> items = design::Labels(FormPeer::Pass(*form));
    ASSERT_EQ(items.size(), 4u * (3 + 3 + 1 + 5 + 6) + 3);
    std::vector<QRectF> controls;
    for (const QWidget* w : form->findChildren<QWidget*>()) {
      if (w->isVisible() && w->parentWidget() == form.get()) {
        controls.push_back(QRectF(w->geometry()));
      }
    }
    const QRectF whole(QPointF(0, 0), QSizeF(Form1::FullSize(zoom)));
    for (std::size_t i = 0; i < items.size(); ++i) {
      const QRectF box = LabelBox(items[i], zoom);
      EXPECT_TRUE(whole.contains(box)) << items[i].text << " at " << zoom;
      // A hall reads the smallest of them at full screen.
      EXPECT_GE(box.height() / zoom, 10.0) << items[i].text;
      for (std::size_t j = i + 1; j < items.size(); ++j) {
        EXPECT_FALSE(box.intersects(LabelBox(items[j], zoom)))
            << items[i].text << " and " << items[j].text << " at " << zoom;
      }
      for (const QRectF& c : controls) {
        EXPECT_FALSE(box.intersects(c)) << items[i].text << " at " << zoom;
      }
    }
  }
}

TEST_F(GettingOutTest, CtrlSSavesPngAndSvgWholeOrNotAtAll) {
  savePath = dir.filePath("window.png");
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  const QImage png(savePath, "PNG");
  EXPECT_EQ(png.size(), QSize(784, 584));

  QTest::mouseClick(Get<QRadioButton>("Phase_Phase(1)"), Qt::LeftButton);
  savePath = dir.filePath("window.SVG");
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  const SvgCounts svg = ParseSvg(ReadFile(savePath));
  const SvgCounts expected = Expected();
  // 4 buses x (3 phasors + 4 dotted bar lines) + 3 sequence lines + 4 frame
  // lines, but the phase-to-phase fault's V0 has zero length and is a dot.
  EXPECT_EQ(svg.lines, 35 - 1);
  EXPECT_EQ(svg.lines, expected.lines);
  // 7 diagrams x (disc + 4 rings) + 22 options + 6 selected dots + V0.
  EXPECT_EQ(svg.circles, 63 + 1);
  EXPECT_EQ(svg.circles, expected.circles);
  for (const char* text : {"Customer Level 1", "V012 at Sub HV", "Phase-to-Phase (Phase B to C)",
                           "Line-to-Neutral Voltages"}) {
    EXPECT_TRUE(svg.texts.contains(text)) << text;
  }
  EXPECT_TRUE(svg.texts.contains(Text("VC1_Text(2)")));
  EXPECT_FALSE(svg.texts.contains("|V| pu")) << "no labels unless they are shown";
  EXPECT_TRUE(errors.isEmpty());

  // A folder is refused and a missing folder reported; nothing is left behind.
  savePath = dir.path();
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  savePath = dir.filePath("missing/window.png");
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(errors.size(), 2);
  EXPECT_TRUE(errors[0].startsWith("cannot write '" + dir.path() + "'")) << errors[0].toStdString();
  EXPECT_EQ(errors[1], "cannot write '" + savePath + "': the folder '" + dir.filePath("missing") +
                           "' does not exist (No such file or directory)");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries, QDir::Name),
            (QStringList{"window.SVG", "window.png"}));
  // Cancelling the dialog writes nothing.
  savePath.clear();
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(errors.size(), 2);

  // With the labels shown at 200%, the picture as the window shows it.
  form->SetZoom(2.0);
  form->SetLabels(true);
  savePath = dir.filePath("labels.png");
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(QImage(savePath, "PNG").convertToFormat(QImage::Format_RGB32),
            RenderPicture(form->ReadInputs(), {.zoom = 2.0, .labels = true})
                .convertToFormat(QImage::Format_RGB32));
  savePath = dir.filePath("labels.svg");
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ParseSvg(ReadFile(savePath)).texts.count("|V| pu"), 4);
}

TEST_F(GettingOutTest, TheFileDialogAddsTheChosenTypesExtension) {
  form->SetSaveHooks(
      {.askPath = {}, .reportError = [this](QWidget*, const QString& m) { errors << m; }});
  struct Row {
    const char* type;
    const char* typed;
  };
  for (const Row& r :
       {Row{"SVG drawing (*.svg)", "drawing"}, Row{"PNG picture (*.png)", "picture"}}) {
    const QObject guard;  // a timer left pending when no dialog opens dies with it
    QTimer::singleShot(0, &guard, [this, r] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->selectNameFilter(r.type);
      dialog->selectFile(dir.filePath(r.typed));
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, protected there
    });
    // The closed dialog leaves no window active; the shortcut needs one.
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  }
  EXPECT_TRUE(errors.isEmpty());
  EXPECT_EQ(ParseSvg(ReadFile(dir.filePath("drawing.svg"))).lines, 35);
  EXPECT_EQ(QImage(dir.filePath("picture.png"), "PNG").size(), QSize(784, 584))
      << QDir(dir.path()).entryList().join(' ').toStdString();
}

/// Answers the modal windows that open while a shortcut runs, one step for
/// each in turn: a step waits until a window of its type is the active modal
/// one, and the step after it for the next. The nested event loops of a
/// dialog and its message boxes run the steps.
class ModalSteps {
 public:
  template <typename Window>
  ModalSteps& Then(std::function<void(Window*)> act) {
    steps_.push_back([act](QWidget* w) {
      auto* window = qobject_cast<Window*>(w);
      if (window != nullptr) {
        act(window);
      }
      return window != nullptr;
    });
    return *this;
  }
  /// Starts watching; the steps run until all have or the guard dies.
  void Start() { Poll(); }
  std::size_t Done() const { return done_; }

 private:
  void Poll() {
    if (done_ == steps_.size()) {
      return;
    }
    // The next look is booked first: a step may open a nested event loop.
    QTimer::singleShot(10, &guard_, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != last_ && modal != nullptr && steps_[done_](modal)) {
        last_ = modal;
        ++done_;
      }
      Poll();
    });
  }

  std::vector<std::function<bool(QWidget*)>> steps_;
  std::size_t done_ = 0;
  QWidget* last_ = nullptr;
  QObject guard_;
};

/// Types `name` into the file dialog's name box and presses Return, as a user
/// does. A dialog that stays open is cancelled, so that the test goes on.
void TypeName(QFileDialog* dialog, const QString& name) {
  EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
  if (auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
    QTest::keyClicks(box, name);
    QTest::keyClick(box, Qt::Key_Return);
  }
  if (dialog->isVisible()) {
    ADD_FAILURE() << "the dialog did not take " << name.toStdString();
    dialog->reject();
  }
}

TEST_F(GettingOutTest, ANameWithoutExtensionAsksBeforeReplacingTheFile) {
  form->SetSaveHooks(
      {.askPath = {}, .reportError = [this](QWidget*, const QString& m) { errors << m; }});
  const QString existing = dir.filePath("pic.png");
  {
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("kept");
  }
  auto typePic = [this](QFileDialog* d) { TypeName(d, dir.filePath("pic")); };
  auto answer = [this](QMessageBox::StandardButton button) {
    return [this, button](QMessageBox* box) {
      questions << box->text();
      QTest::mouseClick(box->button(button), Qt::LeftButton);
    };
  };
  auto save = [this](ModalSteps& steps) {
    steps.Start();
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  };
  // No: the dialog opens again at the name, and cancelling it keeps the file.
  ModalSteps no;
  no.Then<QFileDialog>(typePic)
      .Then<QMessageBox>(answer(QMessageBox::No))
      .Then<QFileDialog>([](QFileDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
  save(no);
  EXPECT_EQ(ReadFile(existing), "kept");
  EXPECT_EQ(no.Done(), 3u);
  ModalSteps yes;
  yes.Then<QFileDialog>(typePic).Then<QMessageBox>(answer(QMessageBox::Yes));
  save(yes);
  EXPECT_EQ(QImage(existing, "PNG").size(), QSize(784, 584));
  EXPECT_EQ(questions, QStringList(2, "pic.png already exists.\nDo you want to replace it?"));
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(GettingOutTest, CalculatorWritesTheSameVectorPicture) {
  const QString svg = dir.filePath("calc.svg");
  const QString pngNamedSvg = dir.filePath("calc-png.Svg");
  ASSERT_EQ(QProcess::execute(QStringLiteral(DIPVIEW_CALC_PATH), {"--svg", svg}), 0);
  ASSERT_EQ(QProcess::execute(QStringLiteral(DIPVIEW_CALC_PATH), {"--png", pngNamedSvg}), 0);
  const SvgCounts fromCalc = ParseSvg(ReadFile(svg));
  EXPECT_EQ(fromCalc, ParseSvg(ReadFile(pngNamedSvg)));
  EXPECT_EQ(fromCalc, ParseSvg(RenderSvg(form->ReadInputs())));
  EXPECT_EQ(fromCalc.lines, 35);
  EXPECT_EQ(fromCalc.lines, Expected().lines);
  EXPECT_EQ(fromCalc.circles, 63);
  EXPECT_EQ(fromCalc.circles, Expected().circles);
}

}  // namespace
}  // namespace dipview::window
