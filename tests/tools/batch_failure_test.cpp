// How tervo42-batch fails: where a refusal points (line and column), the
// JSON object of a failure and of a result that a failure follows, the
// byte-order mark of a text input, and a save that a signal meets.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine.h"
#include "failure.h"
#include "formula_file.h"
#include "inputs.h"
#include "pla.h"
#include "report.h"
#include "run.h"

namespace tervo::batch {
namespace {

namespace fs = std::filesystem;

// Every kind of refusal that names a character gives its line and its
// column in the line as written, blanks and "|" counted.
TEST(BatchFailure, RefusalsPointAtLineAndColumn) {
  const struct {
    const char* what;
    std::string text;
    char reader;  // 'p' PLA file, 't' typed table, 'f' formula
    int line, column;
  } cases[] = {
      {"PLA input character", ".i 3\n.o 1\n1 | z1 1\n", 'p', 3, 5},
      {"PLA output character", ".i 2\n.o 2\n11  1x\n", 'p', 3, 6},
      {"PLA stray byte", ".i 2\n.o 1\n1\x01 1\n", 'p', 3, 2},
      {"PLA row of the wrong length", ".i 2\n.o 1\n111 1\n", 'p', 3, 5},
      {"table header", "AB3\n10\n", 't', 1, 3},
      {"table term line", "AB\n10\n 1x\n", 't', 3, 3},
      {"table tab", "AB\n1\t0\n", 't', 2, 2},
      {"formula", "A.B\n +C@\n", 'f', 2, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto e = std::make_unique<Engine>();
    PlaFile file;
    const std::optional<InputError> err = c.reader == 'p'   ? ReadPlaFile(c.text, file)
                                          : c.reader == 't' ? PlaceTable(*e, c.text)
                                                            : PlaceFormula(*e, c.text);
    ASSERT_TRUE(err);
    EXPECT_EQ(err->line, c.line);
    EXPECT_EQ(err->column, c.column);
    // The JSON of the refusal carries the same place, null where none.
    const auto j = FailureJson(InputFailure("in", *err));
    EXPECT_EQ(j["line"], c.line);
    EXPECT_EQ(j["column"], c.column ? nlohmann::ordered_json(c.column) : nlohmann::ordered_json());
  }
}

// A result that a failed save follows says the process's outcome and exit
// status, and keeps what the run found.
TEST(BatchFailure, AResultThatAFailureFollowsTakesItsOutcome) {
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceFormula(*e, "A.B+C"));
  e->FormulaMode = 1;
  NullHost host;
  const RunOutcome run = RunGo(*e, host);
  nlohmann::ordered_json j = JsonResult(*e, run, "formula");
  ASSERT_EQ(j["outcome"], "ok");
  MarkFailed(j, FileFailure("d/tervo42_a", FileMessage(kFileIoError, FileCause{EROFS, {}}), "save"));
  const auto back = nlohmann::json::parse(JsonText(j));
  EXPECT_EQ(back["outcome"], "error");
  EXPECT_EQ(back["exit_status"], kExitUsage);
  EXPECT_EQ(back["error"], "save");
  EXPECT_EQ(back["message"], "FILE I/O ERROR: Read-only file system");
  EXPECT_EQ(back["file"], "d/tervo42_a");
  EXPECT_EQ(back["run_message"], run.message);
  EXPECT_EQ(back["verified"], true);
  EXPECT_EQ(back["terms"].size(), 2u);
}

TEST(BatchFailure, OnlyALeadingByteOrderMarkIsDropped) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"\xEF\xBB\xBF.i 2\n", ".i 2\n"},
      {"\xEF\xBB\xBF", ""},
      {"A\xEF\xBB\xBF", "A\xEF\xBB\xBF"},
      {"\xEF\xBB", "\xEF\xBB"},
      {"\xEF\xBB\xBF\xEF\xBB\xBF" "A", "\xEF\xBB\xBF" "A"},
  };
  for (const auto& c : cases) {
    std::string text = c.in;
    DropByteOrderMark(text);
    EXPECT_EQ(text, c.out);
  }
}

// A sink that raises a signal in the middle of the save and then either
// goes on or fails as a full disk does.
struct SignallingSink : FileSink {
  int signal = 0;
  bool failAfter = false;
  long calls = 0;
  long Write(int fd, const uint8_t* data, std::size_t size) override {
    if (++calls == 1) {
      ::raise(signal);
      if (failAfter) {
        errno = ENOSPC;
        return -1;
      }
      return static_cast<long>(::write(fd, data, size < 100 ? size : 100));
    }
    return static_cast<long>(::write(fd, data, size));
  }
  int Sync(int fd) override { return ::fsync(fd); }
};

std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  return names;
}

// A signal that ends the program during a save waits until the save is
// done: the file is whole or was never made, and no temporary file stays.
TEST(BatchFailureDeathTest, ASignalDuringASaveLeavesNoTemporaryFile) {
  std::string tmpl = (fs::temp_directory_path() / "tervo42-signal-XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  const fs::path dir = tmpl;
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceFormula(*e, "A.B"));
  const std::size_t size = EncodeFormulaFile(*e).size();
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
    for (bool fail : {false, true}) {
      SCOPED_TRACE(std::to_string(sig) + (fail ? " failing" : " whole"));
      fs::remove(dir / "tervo42_abc");
      EXPECT_EXIT(
          {
            SignallingSink sink;
            sink.signal = sig;
            sink.failAfter = fail;
            SaveWithSignalsHeld(*e, dir / "abc", nullptr, nullptr, sink);
            std::_Exit(0);  // only when the signal was lost
          },
          ::testing::KilledBySignal(sig), "");
      if (fail) {
        EXPECT_TRUE(Listing(dir).empty());
      } else {
        EXPECT_EQ(Listing(dir), std::vector<std::string>{"tervo42_abc"});
        EXPECT_EQ(fs::file_size(dir / "tervo42_abc"), size);
      }
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tervo::batch
