#include <clocale>
#include <cstdlib>

#include <gtest/gtest.h>
#include <QApplication>

#include "window/form1.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  // Set before QApplication so that test discovery needs no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  dipview::window::SetUpApplication();
  return RUN_ALL_TESTS();
}
