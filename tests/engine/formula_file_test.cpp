#include "formula_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "grid_rules.h"
#include "grid_text.h"

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

// A sink that passes writes on to the file, and can fail from a chosen byte
// on (with ENOSPC), hand over at most a few bytes per write, report every
// other write as interrupted, or fail the flush.
struct TestSink : FileSink {
  long failAt = -1;       // first byte that cannot be written, -1 none
  std::size_t most = 0;   // longest single write, 0 no limit
  bool interrupt = false;  // every other write returns EINTR first
  bool failSync = false;
  bool clearIds = false;  // each write clears setuid and setgid, as for a user without the privilege
  long written = 0, calls = 0;
  long Write(int fd, const uint8_t* data, std::size_t size) override {
    ++calls;
    if (clearIds) {
      struct stat st {};
      if (::fstat(fd, &st) == 0) ::fchmod(fd, st.st_mode & 01777);
    }
    if (interrupt && calls % 2 == 1) {
      errno = EINTR;
      return -1;
    }
    if (failAt >= 0 && written >= failAt) {
      errno = ENOSPC;
      return -1;
    }
    if (failAt >= 0) size = std::min(size, static_cast<std::size_t>(failAt - written));
    if (most > 0) size = std::min(size, most);
    const long w = static_cast<long>(::write(fd, data, size));
    if (w > 0) written += w;
    return w;
  }
  int Sync(int fd) override {
    if (failSync) {
      errno = EIO;
      return -1;
    }
    return ::fsync(fd);
  }
};

// What the editor lets into the cells of each grid.
const std::string kFormulaCells = "ABCDEFGHIJKLMNOPQRSTUVWXYZ ()/.=-+>";
const std::string kHeaderCells = "ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
const std::string kTermCells = " 01";

// An engine with every part of the saved state set to something unusual.
std::unique_ptr<Engine> Populated(unsigned letters, unsigned terms) {
  auto e = test::NewEngine();
  int k = 0;
  for (auto& row : e->FormulaGrid)
    for (char& c : row) c = kFormulaCells[k++ * 7 % kFormulaCells.size()];  // every character the editor takes
  for (int l = 0; l < kTableLines; ++l) {
    const std::string& cells = l == 0 ? kHeaderCells : kTermCells;
    for (char& c : e->TableGrid[l]) c = cells[k++ * 13 % cells.size()];
  }
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
    TestSink sink;
    sink.failAt = fault;
    EXPECT_EQ(SaveFormulaFile(*newer, dir / "abc", nullptr, sink), kFileIoError);
    EXPECT_EQ(Bytes(dir / "tervo42_abc"), oldBytes);
    EXPECT_EQ(Listing(), std::vector<std::string>{"tervo42_abc"});
  }
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

// A failed save or load hands back why: the system's error where a call
// failed, else the reason in words; a refusal with a code of its own has
// no cause.
TEST_F(FormulaFileTest, FailuresCarryTheirCause) {
  auto e = Populated(2, 2);
  fs::create_directory(dir / "tervo42_folder");
  ASSERT_EQ(SaveFormulaFile(*e, dir / "short"), kOk);
  fs::resize_file(dir / "tervo42_short", 100);
  ASSERT_EQ(SaveFormulaFile(*e, dir / "ro"), kOk);
  fs::permissions(dir / "tervo42_ro", fs::perms::owner_read);
  fs::create_symlink("tervo42_loop", dir / "tervo42_loop");
  TestSink full;
  full.failAt = 1000;
  TestSink failingSync;
  failingSync.failSync = true;
  using Act = std::function<uint8_t(FileCause*)>;
  auto save = [&](fs::path to, FileSink& sink) -> Act {
    return [&e, to, &sink](FileCause* c) { return SaveFormulaFile(*e, to, nullptr, sink, c); };
  };
  auto load = [&](fs::path from) -> Act {
    return [&e, from](FileCause* c) { return LoadFormulaFile(*e, from, nullptr, c); };
  };
  FileSink& plain = SystemFileSink();
  const struct {
    const char* what;
    Act act;
    uint8_t code;
    int error;
    const char* reason;
  } cases[] = {
      {"save into a missing folder", save(dir / "no" / "abc", plain), kFileIoError, ENOENT, ""},
      {"save where a folder stands", save(dir / "folder", plain), kFileIoError, EISDIR, ""},
      {"save on a full disk", save(dir / "abc", full), kFileIoError, ENOSPC, ""},
      {"save whose flush fails", save(dir / "abc", failingSync), kFileIoError, EIO, ""},
      {"save over a read-only file", save(dir / "ro", plain), kFileIoError, 0, "the file is read-only"},
      {"save into a loop of links", save(dir / "loop", plain), kFileIoError, ELOOP, ""},
      {"save with an extension", save(dir / "a.b", plain), kNoExtension, 0, ""},
      {"save that works", save(dir / "abc", plain), kOk, 0, ""},
      {"load a folder", load(dir / "folder"), kFileIoError, EISDIR, ""},
      {"load a cut-off file", load(dir / "short"), kFileIoError, 0, "the file ends early"},
      {"load through a file as a folder", load(dir / "tervo42_abc" / "x"), kFileIoError, ENOTDIR, ""},
      {"load a missing file", load(dir / "none"), kFileNotFound, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FileCause cause{EBADF, "left over"};  // whatever a caller held before
    EXPECT_EQ(c.act(&cause), c.code);
    EXPECT_EQ(cause.error, c.error);
    EXPECT_EQ(cause.reason, c.reason);
    EXPECT_EQ(cause.Text(), c.error ? std::strerror(c.error) : c.reason);
  }
  // Nothing of the failed saves is left behind.
  EXPECT_EQ(Listing(), (std::vector<std::string>{"tervo42_abc", "tervo42_folder", "tervo42_loop", "tervo42_ro",
                                                 "tervo42_short"}));
}

TEST_F(FormulaFileTest, ReplacedFileKeepsItsPermissions) {
  auto e = Populated(2, 2);
  ASSERT_EQ(SaveFormulaFile(*e, dir / "abc"), kOk);
  fs::permissions(dir / "tervo42_abc", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(SaveFormulaFile(*e, dir / "abc"), kOk);
  EXPECT_EQ(fs::status(dir / "tervo42_abc").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// The setuid, setgid and sticky bits survive a save, also where writing to
// the new file clears the first two, as it does for an ordinary user.
TEST_F(FormulaFileTest, ReplacedFileKeepsItsSpecialBits) {
  auto e = Populated(2, 2);
  for (const ::mode_t mode : {02770, 04750, 06755, 01777, 0640}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(SaveFormulaFile(*e, dir / "abc"), kOk);
    ASSERT_EQ(::chmod((dir / "tervo42_abc").c_str(), mode), 0);
    TestSink sink;
    sink.clearIds = true;
    ASSERT_EQ(SaveFormulaFile(*e, dir / "abc", nullptr, sink), kOk);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "tervo42_abc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
}

TEST_F(FormulaFileTest, SinkFaultsAndInterruptions) {
  auto old = Populated(3, 2);
  ASSERT_EQ(SaveFormulaFile(*old, dir / "abc"), kOk);
  const std::vector<uint8_t> oldBytes = Bytes(dir / "tervo42_abc");
  auto newer = Populated(9, 40);
  const struct {
    const char* what;
    std::function<void(TestSink&)> set;
    uint8_t code;
  } cases[] = {
      {"short writes of 7 bytes", [](TestSink& s) { s.most = 7; }, kOk},
      {"one byte per write", [](TestSink& s) { s.most = 1; }, kOk},
      {"every other write interrupted", [](TestSink& s) { s.interrupt = true; }, kOk},
      {"short and interrupted", [](TestSink& s) { s.interrupt = true, s.most = 100; }, kOk},
      {"disk full after short writes", [](TestSink& s) { s.most = 300, s.failAt = 2000; }, kFileIoError},
      {"flush fails", [](TestSink& s) { s.failSync = true; }, kFileIoError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(SaveFormulaFile(*old, dir / "abc"), kOk);
    TestSink sink;
    c.set(sink);
    EXPECT_EQ(SaveFormulaFile(*newer, dir / "abc", nullptr, sink), c.code);
    EXPECT_EQ(Bytes(dir / "tervo42_abc"), c.code == kOk ? EncodeFormulaFile(*newer) : oldBytes);
    EXPECT_EQ(Listing(), std::vector<std::string>{"tervo42_abc"});
  }
}

// Things at the path that are no regular file: a load refuses each at once,
// without opening it (a FIFO would block the open until someone writes).
TEST_F(FormulaFileTest, LoadRefusesWhatIsNoFileWithoutWaiting) {
  const struct {
    const char* what;
    std::function<bool(const fs::path&)> make;
  } cases[] = {
      {"FIFO", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0644) == 0; }},
      {"link to a FIFO",
       [](const fs::path& p) {
         const fs::path fifo = p.parent_path() / "fifo";
         if (::mkfifo(fifo.c_str(), 0644) != 0) return false;
         fs::create_symlink("fifo", p);
         return true;
       }},
      {"character device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); return true; }},
      {"socket",
       [](const fs::path& p) {
         sockaddr_un addr{};
         addr.sun_family = AF_UNIX;
         if (p.string().size() >= sizeof addr.sun_path) return false;
         std::strcpy(addr.sun_path, p.c_str());
         const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
         const bool ok = s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
         if (s >= 0) ::close(s);
         return ok;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path target = dir / "tervo42_odd";
    ASSERT_TRUE(c.make(target));
    auto e = Populated(2, 7);
    const std::vector<uint8_t> before = EncodeFormulaFile(*e);
    auto load = std::async(std::launch::async, [&] { return LoadFormulaFile(*e, dir / "odd"); });
    if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      // Free the waiting reader so that the test can end, then fail.
      const int w = ::open(target.c_str(), O_WRONLY);
      if (w >= 0) ::close(w);
      load.wait();
      ADD_FAILURE() << "the load waited on the " << c.what;
    } else {
      EXPECT_EQ(load.get(), kFileIoError);
    }
    EXPECT_EQ(EncodeFormulaFile(*e), before);
    std::error_code ec;
    for (const char* name : {"tervo42_odd", "fifo"}) fs::remove(dir / name, ec);
  }
}

// Targets a save must leave alone: the save fails and the target is exactly
// as it was, with no temporary file left beside it. Permissions do not bind
// root, so a file without write permission counts as read-only for every
// user.
TEST_F(FormulaFileTest, SaveLeavesWhatItMustNotReplace) {
  auto e = Populated(2, 2);
  const std::vector<uint8_t> old = EncodeFormulaFile(*Populated(1, 1));
  const struct {
    const char* what;
    std::function<void(const fs::path&)> make;
  } cases[] = {
      {"read-only 0444", [&](const fs::path& p) { Write(p, old), fs::permissions(p, fs::perms(0444)); }},
      {"owner read only 0400", [&](const fs::path& p) { Write(p, old), fs::permissions(p, fs::perms(0400)); }},
      {"no permissions at all", [&](const fs::path& p) { Write(p, old), fs::permissions(p, fs::perms(0)); }},
      {"link to a read-only file",
       [&](const fs::path& p) {
         Write(p.parent_path() / "kept", old);
         fs::permissions(p.parent_path() / "kept", fs::perms(0444));
         fs::create_symlink("kept", p);
       }},
      {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
      {"link into a missing folder", [](const fs::path& p) { fs::create_symlink("nowhere/file", p); }},
      {"loop of links", [](const fs::path& p) { fs::create_symlink(p.filename(), p); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path target = dir / "tervo42_abc";
    c.make(target);
    const std::vector<std::string> listing = Listing();
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(target);
    const fs::perms perms = fs::status(target, ec).permissions();
    EXPECT_EQ(SaveFormulaFile(*e, dir / "abc"), kFileIoError);
    EXPECT_EQ(Listing(), listing);
    EXPECT_EQ(fs::symlink_status(target).type(), status.type());
    EXPECT_EQ(fs::status(target, ec).permissions(), perms);
    if (fs::is_regular_file(target, ec)) {
      fs::permissions(target, fs::perms(0600));
      EXPECT_EQ(Bytes(target), old);
    }
    for (const auto& entry : fs::directory_iterator(dir)) fs::remove(entry.path(), ec);
  }
}

// A save through a symbolic link replaces the file the link points to, in
// that file's folder; the link stays as it was, and the file keeps its mode.
TEST_F(FormulaFileTest, SaveFollowsLinks) {
  auto e = Populated(4, 9);
  const std::vector<uint8_t> old = EncodeFormulaFile(*Populated(1, 1));
  const fs::path other = dir / "other";
  const struct {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links;  // link name in dir, what it holds
    fs::path file;                                           // the file that gets the content
    bool existed;
  } cases[] = {
      {"absolute link", {{"tervo42_abc", (other / "real").string()}}, other / "real", true},
      {"relative link", {{"tervo42_abc", "other/real"}}, other / "real", true},
      {"link to a link", {{"tervo42_abc", "mid"}, {"mid", "other/real"}}, other / "real", true},
      {"link to a file not there yet", {{"tervo42_abc", "other/new"}}, other / "new", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::create_directory(other);
    if (c.existed) {
      Write(c.file, old);
      fs::permissions(c.file, fs::perms(0640));
    }
    for (const auto& [name, to] : c.links) fs::create_symlink(to, dir / name);
    const std::vector<std::string> listing = Listing();
    fs::path written;
    ASSERT_EQ(SaveFormulaFile(*e, dir / "abc", &written), kOk);
    EXPECT_EQ(written, dir / "tervo42_abc");
    EXPECT_EQ(Listing(), listing);
    for (const auto& [name, to] : c.links) {
      EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
      EXPECT_EQ(fs::read_symlink(dir / name), fs::path(to)) << name;
    }
    EXPECT_EQ(Bytes(c.file), EncodeFormulaFile(*e));
    if (c.existed) {
      EXPECT_EQ(fs::status(c.file).permissions(), fs::perms(0640));
    }
    std::vector<std::string> inOther;
    for (const auto& entry : fs::directory_iterator(other)) inOther.push_back(entry.path().filename().string());
    EXPECT_EQ(inOther, std::vector<std::string>{c.file.filename().string()});
    auto loaded = test::NewEngine();
    ASSERT_EQ(LoadFormulaFile(*loaded, dir / "abc"), kOk);
    ExpectSameState(*e, *loaded);
    fs::remove_all(other);
    for (const auto& [name, to] : c.links) fs::remove(dir / name);
  }
}

// Every name the file system takes can be saved and loaded: the temporary
// file's name does not grow with the target's. 247 characters and the
// prefix make the longest file name there is (255 bytes).
TEST_F(FormulaFileTest, LongNames) {
  const long longest = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  ASSERT_GE(longest, 255);
  auto e = Populated(5, 5);
  for (std::size_t length : {1ul, 200ul, 236ul, 246ul, 247ul, 248ul}) {
    SCOPED_TRACE(length);
    const std::string name(length, 'n');
    const bool fits = kFormulaFilePrefix.size() + length <= static_cast<std::size_t>(longest);
    EXPECT_EQ(SaveFormulaFile(*e, dir / name), fits ? kOk : kFileIoError);
    EXPECT_EQ(Listing(), fits ? std::vector<std::string>{"tervo42_" + name} : std::vector<std::string>{});
    if (!fits) continue;
    auto loaded = test::NewEngine();
    ASSERT_EQ(LoadFormulaFile(*loaded, dir / name), kOk);
    ExpectSameState(*e, *loaded);
    // A second save replaces the first.
    EXPECT_EQ(SaveFormulaFile(*loaded, dir / ("tervo42_" + name)), kOk);
    EXPECT_EQ(Listing(), std::vector<std::string>{"tervo42_" + name});
    fs::remove(dir / ("tervo42_" + name));
  }
}

// Only letters of a table header name variables, so a run over a header
// with other bytes leaves a variable list that saves and loads back. Such a
// header itself no longer loads (nor saves): the editor would not take its
// bytes, and the check of the grids refuses them.
TEST_F(FormulaFileTest, TableHeaderOddBytesRoundTrip) {
  const struct {
    std::string header, terms;
    std::string letters;
    uint8_t code;
  } cases[] = {
      {"A1", "1", "A", kOk},
      {"A1", "11", "A", kMissingVariables},
      {"1B", " 1\n 0", "B", kOk},
      {"a?b", "1 0", "AB", kOk},
      {std::string("\0C\xFF", 3), " 1", "C", kOk},
      {"AB@[`{CD", "11    01", "ABCD", kOk},
      {"*", "", "", kMissingVariables},
      {"A B", "1 0", "AB", kOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    auto e = test::NewEngine();
    e->FormulaMode = 0;
    ASSERT_TRUE(test::SetTableText(*e, c.header + "\n" + c.terms));
    e->ErrorCode = kOk;
    ReadTable(*e);
    EXPECT_EQ(e->ErrorCode, c.code);
    EXPECT_EQ(e->Variables(), c.letters);
    EXPECT_TRUE(IsVariableList(e->Variables()));
    const bool clean = std::all_of(c.header.begin(), c.header.end(), [](char h) { return IsTableCell(h, true); });
    ASSERT_EQ(SaveFormulaFile(*e, dir / "t"), clean ? kOk : kFileIoError);
    if (!clean) {
      for (char& h : e->TableGrid[0])
        if (!IsTableCell(h, true)) h = ' ';
      ASSERT_EQ(SaveFormulaFile(*e, dir / "t"), kOk);
    }
    auto loaded = test::NewEngine();
    ASSERT_EQ(LoadFormulaFile(*loaded, dir / "t"), kOk);
    ExpectSameState(*e, *loaded);
  }
}

TEST_F(FormulaFileTest, WriterRefusesWhatTheReaderWould) {
  const struct {
    const char* what;
    std::string letters;
  } cases[] = {
      {"digit", "A1"},
      {"lower case", "Ab"},
      {"NUL", std::string("A\0", 2)},
      {"twice", "ABA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto e = Populated(0, 3);
    std::copy(c.letters.begin(), c.letters.end(), e->VariableTable.begin());
    e->VariableCount = static_cast<uint8_t>(c.letters.size());
    EXPECT_FALSE(IsVariableList(e->Variables()));
    EXPECT_EQ(CheckFormulaFile(EncodeFormulaFile(*e)), kWrongFileType);
    EXPECT_EQ(SaveFormulaFile(*e, dir / "w"), kFileIoError);
    EXPECT_TRUE(Listing().empty());
  }
}

// ---------------------------------------------------------------- load checks

// A grid cell the editor would not let in is refused, named in the reason,
// and nothing of the file is applied.
TEST_F(FormulaFileTest, RefusedGridByteIsNamedAndNothingApplied) {
  const struct {
    std::size_t at;
    uint8_t byte;
    const char* why;
  } cases[] = {
      {kFileFormulaGridOffset + 40 + 4, '#', "formula row 2, column 5 holds \"#\""},
      {kFileFormulaGridOffset, 'a', "formula row 1, column 1 holds the lower-case \"a\""},
      {kFileFormulaGridOffset + 1199, 0, "formula row 30, column 40 holds the byte 0x00"},
      {kFileTableGridOffset + 2, '\t', "table header, column 3 holds a tab"},
      {kFileTableGridOffset + 2, '1', "table header, column 3 holds \"1\""},
      {kFileTableGridOffset + 15 * 7 + 14, 0xFF, "table line 7, column 15 holds the byte 0xFF"},
      {kFileTableGridOffset + 15, 'A', "table line 1, column 1 holds \"A\""},
  };
  std::vector<uint8_t> good = EncodeFormulaFile(*Populated(3, 2));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<uint8_t> b = good;
    b[c.at] = c.byte;
    Write(dir / "tervo42_bad", b);
    auto e = Populated(2, 7);
    const std::vector<uint8_t> before = EncodeFormulaFile(*e);
    FileCause why{0, "stale"};
    EXPECT_EQ(LoadFormulaFile(*e, dir / "bad", nullptr, &why), kWrongFileType);
    EXPECT_EQ(why.Text(), std::string(c.why) + ", which the editor does not take there");
    EXPECT_EQ(EncodeFormulaFile(*e), before);
  }
  Write(dir / "tervo42_good", good);
  auto e = test::NewEngine();
  std::string why = "stale";
  EXPECT_EQ(LoadFormulaFile(*e, dir / "good", nullptr, &why), kOk);
  EXPECT_EQ(why, "");
}

// The stored result against the stored input: what a run leaves passes,
// anything a run could not leave does not.
TEST_F(FormulaFileTest, StoredResultIsVerifiedAgainstItsInput) {
  enum Input { kFormula, kTable };
  const struct {
    const char* what;
    Input input;
    const char* text;
    bool dnf;
    std::function<void(Engine&)> change;  // what happens to the result after the run
    StoredResult expected;
  } cases[] = {
      {"reduced formula", kFormula, "A.B+C", false, nullptr, StoredResult::kVerified},
      {"formula in DNF", kFormula, "A.B+C", true, nullptr, StoredResult::kVerified},
      {"typed table", kTable, "AB\n11\n01", false, nullptr, StoredResult::kVerified},
      {"table that covers everything", kTable, "A\n1\n0", false, nullptr, StoredResult::kVerified},
      {"a result bit flipped", kFormula, "A.B+C", false,
       [](Engine& e) { e.TermValue[2] ^= 1; e.TermMask[2] |= 1; }, StoredResult::kUnverified},
      {"a table result bit flipped", kTable, "AB\n11\n01", false,
       [](Engine& e) { e.TermValue[1] ^= 2; }, StoredResult::kUnverified},
      {"a row without a variable", kFormula, "A.B+C", false,
       [](Engine& e) { e.TermCount = 3; e.TermValue[3] = e.TermMask[3] = 0; }, StoredResult::kUnverified},
      {"a variable outside the list", kFormula, "A.B+C", false,
       [](Engine& e) { e.TermMask[1] |= 8; }, StoredResult::kUnverified},
      {"no rows for a function that is not 1 everywhere", kFormula, "A.B+C", false,
       [](Engine& e) { e.TermCount = 0; }, StoredResult::kUnverified},
      {"formula edited after the run", kFormula, "A.B+C", false,
       [](Engine& e) { test::SetFormulaText(e, "A.B+D"); }, StoredResult::kUnverified},
      {"letters in another order", kFormula, "A.B+C", false,
       [](Engine& e) { std::swap(e.VariableTable[0], e.VariableTable[1]); }, StoredResult::kUnverified},
      {"CNF result read as DNF", kFormula, "A.B+C", false, [](Engine& e) { e.CnfMode = 0; },
       StoredResult::kUnverified},
      {"no result at all", kFormula, "A.B+C", false,
       [](Engine& e) { e.ClearTruthTable(); e.VariableCount = 0; }, StoredResult::kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto e = test::NewEngine();
    if (c.input == kFormula) {
      e->CnfMode = c.dnf ? 0 : 1;
      ASSERT_EQ(test::Translate(*e, c.text), kOk);
    } else {
      ASSERT_EQ(test::Table(*e, c.text), kOk);
    }
    test::Reduce(*e);
    if (c.change) c.change(*e);
    // Through a file, as a load meets it.
    ASSERT_EQ(SaveFormulaFile(*e, dir / "s"), kOk);
    auto loaded = test::NewEngine();
    ASSERT_EQ(LoadFormulaFile(*loaded, dir / "s"), kOk);
    const std::vector<uint8_t> before = EncodeFormulaFile(*loaded);
    EXPECT_EQ(CheckStoredResult(*loaded), c.expected);
    EXPECT_EQ(EncodeFormulaFile(*loaded), before);  // the check changes nothing
  }
}

// ---------------------------------------------------------------- round trips

// Save, load, save: both saves give the same bytes and the loaded state is
// the saved one.
void ExpectRoundTrip(const Engine& e, const fs::path& file) {
  fs::path written;
  ASSERT_EQ(SaveFormulaFile(e, file, &written), kOk);
  std::ifstream in(written, std::ios::binary);
  const std::vector<uint8_t> first{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  auto loaded = test::NewEngine();
  ASSERT_EQ(LoadFormulaFile(*loaded, file), kOk);
  ExpectSameState(e, *loaded);
  EXPECT_EQ(EncodeFormulaFile(*loaded), first);
}

// States as a run, an edit or a load can leave them: any characters the
// editor takes in the grids, table
// input always CNF, a variable list of distinct letters in any order and
// any terms.
std::unique_ptr<Engine> RandomState(std::mt19937& rng, unsigned maxTerms) {
  auto e = test::NewEngine();
  auto any = [&](const std::string& cells) { return cells[rng() % cells.size()]; };
  for (auto& row : e->FormulaGrid)
    for (char& c : row) c = any(kFormulaCells);
  for (int l = 0; l < kTableLines; ++l)
    for (char& c : e->TableGrid[l]) c = any(l == 0 ? kHeaderCells : kTermCells);
  e->FormulaMode = static_cast<uint8_t>(rng() & 1);
  e->CnfMode = e->FormulaMode ? static_cast<uint8_t>(rng() & 1) : 1;
  e->ReduceOn = static_cast<uint8_t>(rng() & 1);
  std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::shuffle(letters.begin(), letters.end(), rng);
  letters.resize(rng() % (kMaxVariables + 1));
  std::copy(letters.begin(), letters.end(), e->VariableTable.begin());
  e->VariableCount = static_cast<uint8_t>(letters.size());
  e->TermCount = static_cast<uint16_t>(rng() % (maxTerms + 1));
  for (int t = 1; t <= e->TermCount; ++t) {
    e->TermValue[t] = static_cast<uint16_t>(rng());
    e->TermMask[t] = static_cast<uint16_t>(rng());
  }
  return e;
}

TEST_F(FormulaFileTest, RandomStatesRoundTrip) {
  std::mt19937 rng(1642);
  for (int i = 0; i < 150; ++i) {
    SCOPED_TRACE(i);
    ExpectRoundTrip(*RandomState(rng, i < 3 ? kTermCapacity : 300), dir / "r");
  }
}

// Table runs over headers of random bytes (letters, digits, blanks and
// anything else) and term lines of 0, 1 and blanks. The run's variable list
// round-trips; the header cells the editor would not take are blanked
// before the save, which would refuse them.
TEST_F(FormulaFileTest, TableRunsOverRandomHeadersRoundTrip) {
  std::mt19937 rng(4216);
  const std::string cells = "ABCxyz01 ?\x80";
  int runs = 0;
  for (int i = 0; i < 300; ++i) {
    auto e = RandomState(rng, 0);
    e->FormulaMode = 0;
    e->CnfMode = 1;
    for (char& c : e->TableGrid[0]) c = rng() % 3 ? cells[rng() % cells.size()] : static_cast<char>(rng());
    for (int line = 1; line < kTableLines; ++line)
      for (char& c : e->TableGrid[line]) c = " 01"[rng() % 3];
    e->ErrorCode = kOk;
    ReadTable(*e);
    if (e->ErrorCode == kDuplicateVariables) continue;
    ++runs;
    SCOPED_TRACE(std::string(e->TableGrid[0].begin(), e->TableGrid[0].end()));
    ASSERT_TRUE(IsVariableList(e->Variables()));
    for (char& h : e->TableGrid[0])
      if (!IsTableCell(h, true)) h = ' ';
    ExpectRoundTrip(*e, dir / "t");
  }
  EXPECT_GT(runs, 30);
}

// The fuzzer's seeds are files the program saved: each loads, saves back
// to the same bytes, and round-trips. A seed from before the grids were
// checked may hold a header byte the editor refuses: it is refused with
// the cell named.
TEST_F(FormulaFileTest, FuzzCorpusRoundTrips) {
  int files = 0;
  for (const auto& entry : fs::directory_iterator(TERVO_FUZZ_CORPUS)) {
    SCOPED_TRACE(entry.path().filename().string());
    ++files;
    const std::vector<uint8_t> seed = Bytes(entry.path());
    auto e = test::NewEngine();
    std::string why;
    if (entry.path().filename() == "tervo42_table_odd_header") {
      EXPECT_EQ(DecodeFormulaFile(*e, seed, &why), kWrongFileType);
      EXPECT_EQ(why, "table header, column 2 holds \"1\", which the editor does not take there");
      continue;
    }
    ASSERT_EQ(DecodeFormulaFile(*e, seed), kOk);
    EXPECT_EQ(EncodeFormulaFile(*e), seed);
    ExpectRoundTrip(*e, dir / "c");
  }
  EXPECT_GE(files, 7);
}

}  // namespace
}  // namespace tervo
