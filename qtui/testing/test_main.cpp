// The main of the windowed tests: GoogleTest with a Qt application on the
// offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "qtui/testing/gui_driver.h"

int main(int argc, char** argv) {
  qtui::testing::UseOffscreenPlatform();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
