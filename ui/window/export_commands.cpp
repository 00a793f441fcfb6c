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

#include "commands.h"
#include "dialog_looks.h"
#include "engine.h"
#include "export_formats.h"
#include "formula_file.h"
#include "pipeline.h"

namespace tervo {
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

constexpr int kNoConstant = -2;

// A loaded file keeps no word of how its run ended. A run that ended
// "TAUTOLOGY" or "INCONSISTENT" saved all the rows or none, and a table
// whose lines cover everything is reduced to no row at all, which read as
// it stands would be 0. The input saved with the rows tells: worked out
// afresh, the constant it is everywhere. kNoConstant when it does not
// translate or is no constant.
int LoadedConstant(const Engine& e, const EditorState& resultInput) {
  auto input = std::make_unique<Engine>();
  EditorView unused;
  RestoreEditor(resultInput, *input, unused);
  std::vector<uint8_t> function;
  if (!InputFunction(*input, e.Variables(), function) || function.empty()) return kNoConstant;
  for (const uint8_t v : function)
    if (v != function.front()) return kNoConstant;
  return function.front();
}

}  // namespace

void InstallExportDialog(CommandQuestions& questions, QWidget* window) {
  questions.exportPath = [window](const QString& folder, const QString& name) {
    QFileDialog dialog(window, QStringLiteral("export result"), folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const FormatFilter& f : kFilters) filters << QString::fromLatin1(f.filter);
    dialog.setNameFilters(filters);
    // A name typed without a suffix gets the one of the format shown.
    dialog.setDefaultSuffix(SuffixOf(kFilters[0].format));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& chosen) {
      const auto at = filters.indexOf(chosen);
      if (at >= 0) dialog.setDefaultSuffix(SuffixOf(kFilters[at].format));
    });
    if (!name.isEmpty()) dialog.selectFile(name);
    ShowFileColumnsWhole(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
  };
}

void ExportCommand(CommandHost& host) {
  Engine& e = host.engine();
  if (e.RunState != kRunIdle) {
    host.SetMessage(QStringLiteral("export: not while a run is going"));
    return;
  }
  CommandMemory& m = host.memory();
  using ResultKind = CommandMemory::ResultKind;
  int constant = m.result == ResultKind::kOne ? 1 : m.result == ResultKind::kZero ? 0 : -1;
  if (m.result == ResultKind::kLoaded && e.VariableCount > 0) {
    constant = LoadedConstant(e, m.resultInput);
    // Rows that are no constant stand as they are; no rows tell nothing.
    if (constant == kNoConstant && e.TermCount > 0) constant = -1;
  }
  if (m.result == ResultKind::kNone || e.VariableCount == 0 || constant == kNoConstant) {
    host.SetMessage(QStringLiteral("nothing to export: no result"));
    return;
  }
  host.HideCursor();
  const QString name = m.rememberedName.isEmpty() ? QStringLiteral("result") : m.rememberedName;
  CommandQuestions& ask = host.questions();
  const QString chosen = ask.exportPath(m.rememberedFolder, name);
  if (!chosen.isEmpty()) {
    const QFileInfo info(chosen);
    const auto format = FormatOfName(chosen);
    if (!format) {
      host.SetMessage(QStringLiteral("export: name the file .v, .vhd, .tex or .csv"));
    } else {
      // The input the result came from, for the formula and the function's
      // own column; the grids may have been edited since.
      auto input = std::make_unique<tervo::Engine>();
      tervo::EditorView unused;
      tervo::RestoreEditor(m.resultInput, *input, unused);
      tervo::ExportDesign design = tervo::DesignFromEngine(e, constant, input.get());
      design.module = info.completeBaseName().toStdString();
      std::string why;
      const auto text = tervo::ExportText(design, *format, &why);
      if (!text) {
        host.SetMessage(QStringLiteral("export: ") + QString::fromStdString(why));
      } else {
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text->data()), text->size());
        const std::filesystem::path path(QFile::encodeName(chosen).toStdString());
        if (tervo::WriteWholeFile(path, bytes, ask.saveSink ? *ask.saveSink : SystemFileSink()))
          host.SetMessage(QStringLiteral("result exported: ") + info.fileName());
        else
          host.SetMessage(QStringLiteral("export: FILE I/O ERROR: ") + info.fileName() +
                          QStringLiteral(" not written"));
      }
    }
  }
  host.ShowCursor();
}

// What the result of a run is, kept for the export with the input that
// made it.
void NoteRunResult(CommandHost& host, const RunOutcome& run) {
  using ResultKind = CommandMemory::ResultKind;
  CommandMemory& m = host.memory();
  if (run.ended)
    m.result = ResultKind::kNone;
  else if (run.code == kTautology)
    m.result = ResultKind::kOne;
  else if (run.code == kInconsistent)
    m.result = ResultKind::kZero;
  else
    m.result = run.drawn && run.code == kOk ? ResultKind::kRows : ResultKind::kNone;
  m.resultInput = CaptureEditor(host.engine(), host.editorView());
}

}  // namespace tervo
