// The main window's test seams: the questions its commands ask, the sink
// its saves write to and what the info pane drew, kept out of the window's
// public members.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "Unit1.h"
#include "DBG_unit.h"

namespace tervo {

struct WindowTestAccess {
  using PathQuestion = std::function<QString(const QString& folder, const QString& name)>;
  // Answer the load and save dialogs; a cancelled dialog answers "".
  static PathQuestion& AskOpenPath(TForm1& f) { return f.AskOpenPath; }
  static PathQuestion& AskSavePath(TForm1& f) { return f.AskSavePath; }
  static PathQuestion& AskExportPath(TForm1& f) { return f.AskExportPath; }
  // Where a print goes without a printer, and the OK/Cancel of the page warning.
  static std::function<QString(const QString&)>& AskPdfPath(TForm1& f) { return f.AskPdfPath; }
  static std::function<bool(const QString&)>& AskProceed(TForm1& f) { return f.AskProceed; }
  // Where saves write their bytes (nullptr: the system's file calls).
  static void SetSaveSink(TForm1& f, FileSink* sink) { f.SaveSink = sink; }
  // The translation tables the info pane shows at the Xlate stops (TracePanel::InfoTable bits).
  static uint8_t InfoShown(const TForm1& f) { return f.Trace.Shown(); }
  // The texts the info pane drew at its last repaint.
  static const std::vector<InfoText>& ShownTexts(const InfoPane& pane) { return pane.shown_; }
};

}  // namespace tervo
