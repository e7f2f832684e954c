#include <clocale>
#include <cstdlib>

#include <gtest/gtest.h>
#include <QGuiApplication>

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  // Set before the application starts, so that the tests and their discovery
  // need no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QGuiApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
