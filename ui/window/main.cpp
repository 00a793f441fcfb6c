#include <QApplication>

#include "pipeline.h"
#include "Unit1.h"

int main(int argc, char** argv) {
  // The window is laid out in screen pixels, not scaled to the resolution.
  if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING")) qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tervo42"));
  QGuiApplication::setDesktopFileName(QStringLiteral("tervo42"));
  QApplication::setWindowIcon(TForm1::ProgramIcon());
  tervo::CalibrateCounter();
  TForm1 form;
  form.show();
  return app.exec();
}
