// The tests need a QApplication: fonts, text layout, printers and widgets.
#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Headless unless a test run asks for a real window system.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
