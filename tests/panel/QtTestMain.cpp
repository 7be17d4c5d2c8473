// Test programs with windows: one QApplication on Qt's offscreen platform,
// the C locale's decimal point, and dialogs answered by the test.
#include <gtest/gtest.h>

#include <QApplication>

#include "engine/NumberText.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  sondrel::SetDecimalSeparator('.');
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
