// Getting pictures and numbers out of the window, and textbook cases into it:
// the context menu and the shortcuts for Copy picture, Save picture and Copy
// readouts, and the Presets menu.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>

#include "calc/presets.h"
#include "design/describe.h"
#include "output/io.h"
#include "output/output_file.h"
#include "window/form1.h"
#include "window/picture.h"

namespace dipview::window {

namespace {

/// The window has no standard output to write a picture named "-" to.
class NoStandardOutput : public output::ByteSink {
 public:
  void Write(const char*, std::size_t) override {
    throw output::IoError("cannot write '-': the window has no standard output");
  }
};

/// A text box takes Ctrl+C for itself only when it has text selected; with
/// none, the key goes on to Copy picture.
class CopyOnlySelection : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) &&
        !static_cast<QLineEdit*>(watched)->hasSelectedText()) {
      event->ignore();
      return true;
    }
    return false;
  }
};

/// The file dialog of Save picture. A name typed without an extension gets
/// the one of the chosen file type, and an existing file is replaced only when
/// the user says so; "No" opens the dialog again at that name.
QString AskSavePath(QWidget* parent) {
  const QString title = QStringLiteral("Save picture");
  const QString png = QStringLiteral("PNG picture (*.png)");
  const QString svg = QStringLiteral("SVG drawing (*.svg)");
  QString chosen = png;
  QString path;
  for (;;) {
    // The question is asked here, once the extension is on the name: a
    // dialog asks about the name as typed, and a desktop's own dialog may
    // know nothing of the extension.
    path = QFileDialog::getSaveFileName(parent, title, path, png + QStringLiteral(";;") + svg,
                                        &chosen, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) {
      return path;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
      path += chosen == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    }
    const QFileInfo target(path);
    if (!target.exists() || target.isDir() ||
        QMessageBox::question(
            parent, title,
            QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(target.fileName()),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes) {
      return path;
    }
  }
}

}  // namespace

void Form1::SetUpGettingOut() {
  auto add = [this](const QString& text, const QKeySequence& keys, void (Form1::*slot)()) {
    auto* action = new QAction(text, this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    addAction(action);
    return action;
  };
  gettingOut_ = {
      add(QStringLiteral("Copy picture"), QKeySequence(Qt::CTRL | Qt::Key_C), &Form1::CopyPicture),
      add(QStringLiteral("Save picture..."), QKeySequence(Qt::CTRL | Qt::Key_S),
          &Form1::SavePicture),
      add(QStringLiteral("Copy readouts"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
          &Form1::CopyReadouts),
      add(QStringLiteral("The sag in time..."), QKeySequence(Qt::CTRL | Qt::Key_T),
          &Form1::ShowSagInTime),
  };
  labelsAction_ = new QAction(QStringLiteral("Labels"), this);
  labelsAction_->setCheckable(true);
  // A plain letter: a text box that takes typing keeps it (see
  // QLineEdit's shortcut override), only read-only boxes let it through.
  labelsAction_->setShortcut(QKeySequence(Qt::Key_L));
  labelsAction_->setShortcutContext(Qt::WindowShortcut);
  connect(labelsAction_, &QAction::toggled, this, [this](bool on) { SetLabels(on); });
  addAction(labelsAction_);
  presetsMenu_ = new QMenu(QStringLiteral("Presets"), this);
  for (const calc::Preset& preset : calc::kPresets) {
    const QString text = QString::fromStdString(calc::PresetCaption(preset));
    connect(presetsMenu_->addAction(text), &QAction::triggered, this,
            [this, &preset] { ApplySettings(preset.settings); });
  }
  allFaults_ = new QAction(QStringLiteral("All faults"), this);
  allFaults_->setCheckable(true);
  connect(allFaults_, &QAction::toggled, this, [this](bool on) {
    SetMode(on ? design::FormMode::AllFaults : design::FormMode::Default);
  });
  // A right click anywhere opens the window's menu: the controls' own menus
  // (a text box's Copy, a scroll bar's Scroll here) give way to it.
  for (QWidget* w : findChildren<QWidget*>()) {
    w->setContextMenuPolicy(Qt::NoContextMenu);
  }
  auto* copyFilter = new CopyOnlySelection(this);
  for (QLineEdit* box : findChildren<QLineEdit*>()) {
    box->installEventFilter(copyFilter);
  }
}

void Form1::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  for (QAction* action : gettingOut_) {
    menu.addAction(action);
  }
  menu.addAction(labelsAction_);
  menu.addMenu(presetsMenu_);
  menu.addSeparator();
  menu.addAction(allFaults_);
  menu.exec(event->globalPos());
}

void Form1::CopyPicture() {
  QApplication::clipboard()->setImage(
      RenderPicture(ReadInputs(), {.zoom = zoom_, .labels = labels_, .mode = form_.Mode()}));
}

void Form1::SetLabels(bool on) {
  if (on == labels_) {
    return;
  }
  labels_ = on;
  const QSignalBlocker block(labelsAction_);
  labelsAction_->setChecked(on);
  update();
}

void Form1::CopyReadouts() {
  QApplication::clipboard()->setText(QString::fromStdString(design::ReadoutTable(pass_.voltages)));
}

void Form1::SavePicture() {
  const QString path = saveHooks_.askPath ? saveHooks_.askPath(this) : AskSavePath(this);
  if (path.isEmpty()) {
    return;
  }
  const FaultInputs in = ReadInputs();
  const PictureOptions options{.zoom = zoom_, .labels = labels_, .mode = form_.Mode()};
  const QByteArray bytes = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)
                               ? RenderSvg(in, options)
                               : EncodePng(RenderPicture(in, options));
  try {
    NoStandardOutput none;
    output::WriteOutputFile(
        QFile::encodeName(path).toStdString(),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), none);
  } catch (const output::IoError& e) {
    const QString message = QString::fromLocal8Bit(e.what());
    if (saveHooks_.reportError) {
      saveHooks_.reportError(this, message);
    } else {
      QMessageBox::warning(this, QStringLiteral("Save picture"), message);
    }
  }
}

}  // namespace dipview::window
