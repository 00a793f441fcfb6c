#include "failure.h"

#include <cstdio>

#include "report.h"

namespace tervo::batch {

namespace {

nlohmann::ordered_json NullWhenZero(int n) { return n > 0 ? nlohmann::ordered_json(n) : nlohmann::ordered_json(); }

void PutPlace(nlohmann::ordered_json& j, const Failure& f) {
  j["error"] = f.kind;
  j["file"] = f.file.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(f.file);
  j["line"] = NullWhenZero(f.line);
  j["column"] = NullWhenZero(f.column);
}

}  // namespace

Failure UsageFailure(std::string text) {
  Failure f;
  f.kind = "usage";
  f.message = std::move(text);
  f.hint = true;
  return f;
}

Failure UsageFailure(const InputError& err) {
  Failure f = UsageFailure(err.text);
  f.kind = "input";
  f.line = err.line;
  f.column = err.column;
  return f;
}

Failure FileFailure(std::string path, std::string text, std::string kind) {
  Failure f;
  f.kind = std::move(kind);
  f.message = std::move(text);
  f.where = path;
  f.file = std::move(path);
  return f;
}

Failure InputFailure(std::string path, const InputError& err) {
  Failure f;
  f.kind = "input";
  f.message = err.text;
  f.where = err.line > 0 ? path + ":" + std::to_string(err.line) : path;
  f.file = std::move(path);
  f.line = err.line;
  f.column = err.column;
  return f;
}

Failure FormulaFailure(std::string source, const InputError& err) {
  Failure f = InputFailure(std::move(source), err);
  f.where = f.file;
  return f;
}

Failure MemoryFailure() {
  Failure f;
  f.kind = "memory";
  f.message = "there is not enough memory to finish the run";
  return f;
}

std::string FileMessage(uint8_t code, const FileCause& cause) {
  std::string text(MessageTable[code]);
  const std::string why = cause.Text();
  if (!why.empty()) text += ": " + why;
  return text;
}

std::string FailureText(const Failure& f) {
  std::string s(kProgramName);
  s += ": ";
  if (!f.where.empty()) s += f.where + ": ";
  s += f.message + "\n";
  if (f.hint) s += "Try '" + std::string(kProgramName) + " --help' for more information.\n";
  return s;
}

nlohmann::ordered_json FailureJson(const Failure& f) {
  nlohmann::ordered_json j;
  j["outcome"] = "error";
  j["message"] = f.message;
  PutPlace(j, f);
  j["exit_status"] = f.status;
  return j;
}

void MarkFailed(nlohmann::ordered_json& result, const Failure& f) {
  if (result.contains("message")) result["run_message"] = result["message"];
  result["message"] = f.message;
  result["outcome"] = "error";
  PutPlace(result, f);
  result["exit_status"] = f.status;
}

int ReportFailure(const Failure& f, bool json) {
  std::fputs(FailureText(f).c_str(), stderr);
  if (!json) return f.status;
  CheckedOutput out(stdout);
  out.Write(JsonText(FailureJson(f)));
  if (!out.Finish())
    std::fprintf(stderr, "%s: standard output: %s; the JSON is not written whole\n", kProgramName.data(),
                 out.Error().c_str());
  return f.status;
}

}  // namespace tervo::batch
