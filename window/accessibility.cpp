// Names and descriptions of the controls for screen readers, from the design.
#include "design/accessibility.h"
#include "window/form1.h"

namespace dipview::window {

void Form1::DescribeForAccessibility() {
  for (QWidget* w : findChildren<QWidget*>()) {
    const design::AccessibleText text = design::AccessibleTextOf(w->objectName().toStdString());
    if (!text.name.empty()) {
      w->setAccessibleName(QString::fromStdString(text.name));
      w->setAccessibleDescription(QString::fromStdString(text.description));
    }
  }
}

}  // namespace dipview::window
