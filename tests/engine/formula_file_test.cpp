#include "formula_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_support.h"

namespace tervo {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class FormulaFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tervo42-file-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    SetFormulaFileWriteFault(-1);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::vector<uint8_t> Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Write(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  // Names in the folder (to see that no temporary file is left behind).
  std::vector<std::string> Listing() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir;
};

// An engine with every part of the saved state set to something unusual.
std::unique_ptr<Engine> Populated(unsigned letters, unsigned terms) {
  auto e = test::NewEngine();
  int k = 0;
  for (auto& row : e->FormulaGrid)
    for (char& c : row) c = static_cast<char>(k++ * 7);  // every byte value, NUL and 0xFF among them
  for (auto& line : e->TableGrid)
    for (char& c : line) c = static_cast<char>(k++ * 13 + 1);
  e->FormulaMode = 1;
  e->CnfMode = 0;
  e->ReduceOn = 0;
  for (unsigned v = 0; v < letters; ++v) e->VariableTable[v] = static_cast<char>('Z' - v);
  e->VariableCount = static_cast<uint8_t>(letters);
  for (unsigned t = 1; t <= terms; ++t) {
    e->TermValue[t] = static_cast<uint16_t>(t * 40503u);
    e->TermMask[t] = static_cast<uint16_t>(t * 2654435761u >> 7);
  }
  e->TermCount = static_cast<uint16_t>(terms);
  return e;
}

void ExpectSameState(const Engine& a, const Engine& b) {
  EXPECT_EQ(a.FormulaGrid, b.FormulaGrid);
  EXPECT_EQ(a.TableGrid, b.TableGrid);
  EXPECT_EQ(a.FormulaMode, b.FormulaMode);
  EXPECT_EQ(a.CnfMode, b.CnfMode);
  EXPECT_EQ(a.ReduceOn, b.ReduceOn);
  EXPECT_EQ(a.Variables(), b.Variables());
  ASSERT_EQ(a.TermCount, b.TermCount);
  for (int t = 1; t <= a.TermCount; ++t) {
    EXPECT_EQ(a.TermValue[t], b.TermValue[t]) << "term " << t;
    EXPECT_EQ(a.TermMask[t], b.TermMask[t]) << "term " << t;
  }
}

TEST_F(FormulaFileTest, SaveThenLoadRestoresEverything) {
  for (unsigned letters : {0u, 3u, 4u, 15u}) {
    SCOPED_TRACE(letters);
    auto saved = Populated(letters, letters * 5);
    fs::path written;
    ASSERT_EQ(SaveFormulaFile(*saved, dir / "abc", &written), kOk);
    EXPECT_EQ(written, dir / "tervo42_abc");
    auto loaded = test::NewEngine();
    fs::path opened;
    ASSERT_EQ(LoadFormulaFile(*loaded, dir / "abc", &opened), kOk);
    EXPECT_EQ(opened, written);
    ExpectSameState(*saved, *loaded);
  }
}

TEST_F(FormulaFileTest, FullTableRoundTrip) {
  auto saved = Populated(15, kTermCapacity);
  ASSERT_EQ(SaveFormulaFile(*saved, dir / "big"), kOk);
  EXPECT_EQ(fs::file_size(dir / "tervo42_big"), kFormulaFileMaxSize);
  auto loaded = test::NewEngine();
  ASSERT_EQ(LoadFormulaFile(*loaded, dir / "tervo42_big"), kOk);
  ExpectSameState(*saved, *loaded);
}

TEST_F(FormulaFileTest, LengthFollowsLettersAndTerms) {
  for (unsigned letters = 0; letters <= 7; ++letters) {
    for (unsigned terms : {0u, 1u, 9u}) {
      auto e = Populated(letters, terms);
      const std::size_t expected = (letters <= 3 ? 2736u : 2740u) + 4 * terms;
      EXPECT_EQ(EncodeFormulaFile(*e).size(), expected) << letters << " letters, " << terms << " terms";
    }
  }
}

TEST_F(FormulaFileTest, BytesAreLaidOutLittleEndian) {
  auto e = test::NewEngine();
  e->FormulaMode = 0;
  e->CnfMode = 1;
  e->ReduceOn = 1;
  e->FormulaGrid[0][0] = 'A';
  e->FormulaGrid[29][39] = 'Q';
  e->TableGrid[0][0] = 'B';
  e->TableGrid[100][14] = '1';
  e->VariableTable[0] = 'C';
  e->VariableTable[1] = 'A';
  e->VariableCount = 2;
  e->TermCount = 2;
  e->TermValue[1] = 0x1234;
  e->TermMask[1] = 0xABCD;
  e->TermValue[2] = 0x0001;
  e->TermMask[2] = 0x8000;
  const std::vector<uint8_t> b = EncodeFormulaFile(*e);
  ASSERT_EQ(b.size(), 2736u + 8u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 8), "tervqmxk");
  EXPECT_EQ(b[8], 1);  // table input
  EXPECT_EQ(b[9], 0);  // CNF
  EXPECT_EQ(b[10], 0);  // reduce on
  EXPECT_EQ(b[11], 0);
  EXPECT_EQ(b[12], 'A');
  EXPECT_EQ(b[12 + 1199], 'Q');
  EXPECT_EQ(b[13], ' ');
  EXPECT_EQ(b[1212], 'B');
  EXPECT_EQ(b[1212 + 1514], '1');
  EXPECT_EQ(b[2727], 0);
  EXPECT_EQ(b[2728], 2);
  EXPECT_EQ(b[2729], 'C');
  EXPECT_EQ(b[2730], 'A');
  EXPECT_EQ(b[2731], 0);
  const std::vector<uint8_t> tail(b.begin() + 2732, b.end());
  EXPECT_EQ(tail, (std::vector<uint8_t>{2, 0, 0, 0, 0x34, 0x12, 0xCD, 0xAB, 0x01, 0x00, 0x00, 0x80}));
}

TEST_F(FormulaFileTest, TableInputLoadsAsCnf) {
  auto e = Populated(2, 1);
  e->FormulaMode = 0;
  std::vector<uint8_t> b = EncodeFormulaFile(*e);
  b[kFileFormOffset] = 1;  // DNF beside table input: never written, but read sanely
  auto loaded = test::NewEngine();
  ASSERT_EQ(DecodeFormulaFile(*loaded, b), kOk);
  EXPECT_EQ(loaded->FormulaMode, 0);
  EXPECT_EQ(loaded->CnfMode, 1);
}

// Every damaged or foreign file is refused with its message, and the engine
// keeps everything it had.
TEST_F(FormulaFileTest, RefusedFilesChangeNothing) {
  auto source = Populated(4, 3);
  const std::vector<uint8_t> good = EncodeFormulaFile(*source);
  const std::size_t termAt = FormulaFileTermOffset(4);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    uint8_t code;
  };
  auto with = [&](auto change) {
    std::vector<uint8_t> b = good;
    change(b);
    return b;
  };
  const Case cases[] = {
      {"empty file", {}, kFileIoError},
      {"start of the signature only", {'t', 'e', 'r', 'v'}, kFileIoError},
      {"short foreign file", {'h', 'e', 'l', 'l', 'o'}, kWrongFileType},
      {"signature only", with([](auto& b) { b.resize(8); }), kFileIoError},
      {"100 bytes", with([](auto& b) { b.resize(100); }), kFileIoError},
      {"ends inside the letters", with([](auto& b) { b.resize(2730); }), kFileIoError},
      {"ends before the term count", with([&](auto& b) { b.resize(termAt + 3); }), kFileIoError},
      {"ends inside the last term", with([](auto& b) { b.pop_back(); }), kFileIoError},
      {"wrong signature", with([](auto& b) { b[7] = 'K'; }), kWrongFileType},
      {"16 letters", with([](auto& b) { b[2728] = 16; }), kWrongFileType},
      {"255 letters", with([](auto& b) { b[2728] = 255; }), kWrongFileType},
      {"lower-case letter", with([](auto& b) { b[2729] = 'a'; }), kWrongFileType},
      {"letter below A", with([](auto& b) { b[2730] = '@'; }), kWrongFileType},
      {"letter above Z", with([](auto& b) { b[2732] = '['; }), kWrongFileType},
      {"letter twice", with([](auto& b) { b[2730] = b[2729]; }), kWrongFileType},
      {"32769 terms", with([&](auto& b) { b[termAt] = 0x01; b[termAt + 1] = 0x80; }), kWrongFileType},
      {"65535 terms", with([&](auto& b) { b[termAt] = 0xFF; b[termAt + 1] = 0xFF; }), kWrongFileType},
      {"more terms than bytes", with([&](auto& b) { b[termAt] = 4; }), kFileIoError},
      {"byte after the last term", with([](auto& b) { b.push_back(0); }), kWrongFileType},
      {"fewer terms than bytes", with([&](auto& b) { b[termAt] = 2; }), kWrongFileType},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CheckFormulaFile(c.bytes), c.code);
    auto e = Populated(2, 7);
    const std::vector<uint8_t> before = EncodeFormulaFile(*e);
    Write(dir / "tervo42_bad", c.bytes);
    EXPECT_EQ(LoadFormulaFile(*e, dir / "bad"), c.code);
    EXPECT_EQ(EncodeFormulaFile(*e), before);
  }
}

TEST_F(FormulaFileTest, NamesGetOnePrefix) {
  auto e = Populated(1, 1);
  fs::path written;
  ASSERT_EQ(SaveFormulaFile(*e, dir / "tervo42_abc", &written), kOk);
  EXPECT_EQ(written, dir / "tervo42_abc");
  EXPECT_EQ(Listing(), std::vector<std::string>{"tervo42_abc"});
  EXPECT_EQ(FormulaDisplayName("tervo42_abc"), "abc");
  EXPECT_EQ(FormulaDisplayName("abc"), "abc");
  EXPECT_EQ(FormulaFilePath("f", "abc"), fs::path("f/tervo42_abc"));
  EXPECT_EQ(FormulaFilePath("f", "tervo42_abc"), fs::path("f/tervo42_abc"));
  EXPECT_EQ(FormulaFilePath("", "x_tervo42_y"), fs::path("tervo42_x_tervo42_y"));
}

TEST_F(FormulaFileTest, NameWithDotIsRefused) {
  auto e = Populated(1, 1);
  EXPECT_TRUE(HasExtension("abc.txt"));
  EXPECT_TRUE(HasExtension(".abc"));
  EXPECT_FALSE(HasExtension("abc"));
  EXPECT_EQ(SaveFormulaFile(*e, dir / "abc.txt"), kNoExtension);
  EXPECT_EQ(SaveFormulaFile(*e, dir / "tervo42_a.b"), kNoExtension);
  EXPECT_TRUE(Listing().empty());
}

TEST_F(FormulaFileTest, MissingFileIsNotFound) {
  auto e = Populated(1, 1);
  const std::vector<uint8_t> before = EncodeFormulaFile(*e);
  fs::path opened;
  EXPECT_EQ(LoadFormulaFile(*e, dir / "nothing", &opened), kFileNotFound);
  EXPECT_EQ(opened, dir / "tervo42_nothing");
  EXPECT_EQ(LoadFormulaFile(*e, dir / "no-folder" / "abc"), kFileNotFound);
  EXPECT_EQ(EncodeFormulaFile(*e), before);
  // A folder where the file should be is no file either, and cannot be read.
  fs::create_directory(dir / "tervo42_folder");
  EXPECT_EQ(LoadFormulaFile(*e, dir / "folder"), kFileIoError);
  EXPECT_EQ(EncodeFormulaFile(*e), before);
}

// A save that fails leaves the older file exactly as it was and no
// temporary file behind.
TEST_F(FormulaFileTest, FailedSaveKeepsTheOldFile) {
  auto old = Populated(3, 2);
  ASSERT_EQ(SaveFormulaFile(*old, dir / "abc"), kOk);
  const std::vector<uint8_t> oldBytes = Bytes(dir / "tervo42_abc");
  auto newer = Populated(9, 40);
  for (long fault : {0L, 1L, 100L, 1024L, 2500L, 2900L}) {
    SCOPED_TRACE(fault);
    SetFormulaFileWriteFault(fault);
    EXPECT_EQ(SaveFormulaFile(*newer, dir / "abc"), kFileIoError);
    EXPECT_EQ(Bytes(dir / "tervo42_abc"), oldBytes);
    EXPECT_EQ(Listing(), std::vector<std::string>{"tervo42_abc"});
  }
  SetFormulaFileWriteFault(-1);
  ASSERT_EQ(SaveFormulaFile(*newer, dir / "abc"), kOk);
  EXPECT_EQ(Bytes(dir / "tervo42_abc"), EncodeFormulaFile(*newer));
}

TEST_F(FormulaFileTest, UnwritablePlacesFail) {
  auto e = Populated(2, 2);
  EXPECT_EQ(SaveFormulaFile(*e, dir / "missing-folder" / "abc"), kFileIoError);
  fs::create_directory(dir / "tervo42_taken");
  fs::create_directory(dir / "tervo42_taken" / "inside");
  EXPECT_EQ(SaveFormulaFile(*e, dir / "taken"), kFileIoError);
  EXPECT_TRUE(fs::is_directory(dir / "tervo42_taken" / "inside"));
  EXPECT_EQ(Listing(), std::vector<std::string>{"tervo42_taken"});
}

TEST_F(FormulaFileTest, ReplacedFileKeepsItsPermissions) {
  auto e = Populated(2, 2);
  ASSERT_EQ(SaveFormulaFile(*e, dir / "abc"), kOk);
  fs::permissions(dir / "tervo42_abc", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(SaveFormulaFile(*e, dir / "abc"), kOk);
  EXPECT_EQ(fs::status(dir / "tervo42_abc").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace tervo
