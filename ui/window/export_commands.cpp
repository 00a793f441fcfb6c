// Exporting the result from the main window (Ctrl+E, the output pane's
// menu): a Verilog module, a VHDL entity, a LaTeX fragment or a CSV truth
// table, chosen by the file's suffix, written whole or not at all. The
// writers are the engine's (export_formats.h), shared with tervo42-batch.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Unit1.h"
#include "dialog_looks.h"
#include "export_formats.h"
#include "formula_file.h"
#include "ui_Unit1.h"

namespace {

struct FormatFilter {
  tervo::ExportFormat format;
  const char* filter;  // as the dialog lists it
};

constexpr FormatFilter kFilters[] = {
    {tervo::ExportFormat::kVerilog, "Verilog module (*.v)"},
    {tervo::ExportFormat::kVhdl, "VHDL entity (*.vhd *.vhdl)"},
    {tervo::ExportFormat::kLatex, "LaTeX fragment (*.tex)"},
    {tervo::ExportFormat::kCsv, "CSV truth table (*.csv)"},
};

// The format a file name asks for by its suffix; nothing for another.
std::optional<tervo::ExportFormat> FormatOfName(const QString& name) {
  const QString suffix = QFileInfo(name).suffix().toLower();
  if (suffix == QLatin1String("vhdl")) return tervo::ExportFormat::kVhdl;
  for (const FormatFilter& f : kFilters)
    if (QLatin1Char('.') + suffix == QLatin1String(tervo::ExportSuffix(f.format).data())) return f.format;
  return std::nullopt;
}

QString SuffixOf(tervo::ExportFormat f) { return QString::fromLatin1(tervo::ExportSuffix(f).data()).mid(1); }

}  // namespace

void TForm1::InstallExportDialog() {
  AskExportPath = [this](const QString& folder, const QString& name) {
    QFileDialog dialog(this, QStringLiteral("export result"), folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const FormatFilter& f : kFilters) filters << QString::fromLatin1(f.filter);
    dialog.setNameFilters(filters);
    // A name typed without a suffix gets the one of the format shown.
    dialog.setDefaultSuffix(SuffixOf(kFilters[0].format));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& chosen) {
      const auto at = filters.indexOf(chosen);
      if (at >= 0) dialog.setDefaultSuffix(SuffixOf(kFilters[at].format));
    });
    if (!name.isEmpty()) dialog.selectFile(name);
    ShowFileColumnsWhole(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
  };
}

void TForm1::ExportResult() {
  tervo::Engine& e = *engine_;
  if (e.RunState != tervo::kRunIdle) {
    SetMessage(QStringLiteral("export: not while a run is going"));
    return;
  }
  int constant = Result_ == ResultKind::kOne ? 1 : Result_ == ResultKind::kZero ? 0 : -1;
  if (Result_ == ResultKind::kLoaded && e.VariableCount > 0) {
    constant = LoadedConstant();
    // Rows that are no constant stand as they are; no rows tell nothing.
    if (constant == kNoConstant && e.TermCount > 0) constant = -1;
  }
  if (Result_ == ResultKind::kNone || e.VariableCount == 0 || constant == kNoConstant) {
    SetMessage(QStringLiteral("nothing to export: no result"));
    return;
  }
  HideCursor();
  const QString name = RememberedName.isEmpty() ? QStringLiteral("result") : RememberedName;
  const QString chosen = AskExportPath(RememberedFolder, name);
  if (!chosen.isEmpty()) {
    const QFileInfo info(chosen);
    const auto format = FormatOfName(chosen);
    if (!format) {
      SetMessage(QStringLiteral("export: name the file .v, .vhd, .tex or .csv"));
    } else {
      // The input the result came from, for the formula and the function's
      // own column; the grids may have been edited since.
      auto input = std::make_unique<tervo::Engine>();
      tervo::EditorView unused;
      tervo::RestoreEditor(ResultInput_, *input, unused);
      tervo::ExportDesign design = tervo::DesignFromEngine(e, constant, input.get());
      design.module = info.completeBaseName().toStdString();
      std::string why;
      const auto text = tervo::ExportText(design, *format, &why);
      if (!text) {
        SetMessage(QStringLiteral("export: ") + QString::fromStdString(why));
      } else {
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text->data()), text->size());
        const std::filesystem::path path(QFile::encodeName(chosen).toStdString());
        if (tervo::WriteWholeFile(path, bytes, SaveSink ? *SaveSink : tervo::SystemFileSink()))
          SetMessage(QStringLiteral("result exported: ") + info.fileName());
        else
          SetMessage(QStringLiteral("export: FILE I/O ERROR: ") + info.fileName() +
                     QStringLiteral(" not written"));
      }
    }
  }
  ShowCursor();
}

// A loaded file keeps no word of how its run ended. A run that ended
// "TAUTOLOGY" or "INCONSISTENT" saved all the rows or none, and a table
// whose lines cover everything is reduced to no row at all, which read as
// it stands would be 0. The input saved with the rows tells: worked out
// afresh, the constant it is everywhere. kNoConstant when it does not
// translate or is no constant.
int TForm1::LoadedConstant() const {
  auto input = std::make_unique<tervo::Engine>();
  tervo::EditorView unused;
  tervo::RestoreEditor(ResultInput_, *input, unused);
  std::vector<uint8_t> function;
  if (!tervo::InputFunction(*input, engine_->Variables(), function) || function.empty()) return kNoConstant;
  for (const uint8_t v : function)
    if (v != function.front()) return kNoConstant;
  return function.front();
}

// What the result of a run is, kept for the export with the input that
// made it.
void TForm1::NoteResult(const tervo::RunOutcome& run) {
  if (run.ended)
    Result_ = ResultKind::kNone;
  else if (run.code == tervo::kTautology)
    Result_ = ResultKind::kOne;
  else if (run.code == tervo::kInconsistent)
    Result_ = ResultKind::kZero;
  else
    Result_ = run.drawn && run.code == tervo::kOk ? ResultKind::kRows : ResultKind::kNone;
  ResultInput_ = tervo::CaptureEditor(*engine_, view_);
}
