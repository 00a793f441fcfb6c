#include <QApplication>

#include "DBG_unit.h"
#include "Unit1.h"

int main(int argc, char** argv) {
  // The window is laid out in logical pixels and scaled by the screen's
  // device-pixel ratio, rounded to a whole number so that the 10 x 18 cells
  // of the panes land on whole device pixels and stay sharp.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tervo42"));
  QGuiApplication::setDesktopFileName(QStringLiteral("tervo42"));
  QApplication::setWindowIcon(TForm1::ProgramIcon());
  DebugStartUp();
  TForm1 form;
  form.show();
  return app.exec();
}
