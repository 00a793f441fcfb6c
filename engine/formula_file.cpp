#include "formula_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <system_error>

#include "grid_rules.h"
#include "logic_unit.h"
#include "xlate_unit.h"

namespace tervo {

namespace {

uint16_t ReadWord(std::span<const uint8_t> b, std::size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

void PutWord(std::vector<uint8_t>& out, std::size_t at, uint16_t w) {
  out[at] = static_cast<uint8_t>(w & 0xFF);
  out[at + 1] = static_cast<uint8_t>(w >> 8);
}

class SystemSink final : public FileSink {
 public:
  long Write(int fd, const uint8_t* data, std::size_t size) override {
    return static_cast<long>(::write(fd, data, size));
  }
  int Sync(int fd) override { return ::fsync(fd); }
};

// Note the failure of the system call just made (its errno) as the cause;
// false, for the caller to return.
bool SystemFailed(FileCause& cause) {
  cause = FileCause{errno, {}};
  return false;
}

// Note a failure that no system call reports, in words; false.
bool Failed(FileCause& cause, std::string_view reason) {
  cause = FileCause{0, std::string(reason)};
  return false;
}

// Write all of data to fd, going on after short and interrupted writes;
// false on any failure, with its cause.
bool WriteAll(FileSink& sink, int fd, std::span<const uint8_t> data, FileCause& cause) {
  std::size_t done = 0;
  while (done < data.size()) {
    const long w = sink.Write(fd, data.data() + done, data.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return SystemFailed(cause);
    }
    // No progress and no error: the file cannot grow.
    if (w == 0) return Failed(cause, "no byte could be written");
    done += static_cast<std::size_t>(w);
  }
  return true;
}

std::filesystem::path FolderOf(const std::filesystem::path& p) {
  return p.parent_path().empty() ? std::filesystem::path(".") : p.parent_path();
}

// The file a save to p replaces: p with every symbolic link at its end
// followed, so that a link keeps pointing where it did and its target gets
// the new content. A link to nothing gives the path it names, which the save
// creates. False for a loop of links or a link that cannot be read.
bool FollowLinks(std::filesystem::path p, std::filesystem::path& out, FileCause& cause) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) return SystemFailed(cause);
      out = p;
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      out = p;
      return true;
    }
    std::error_code ec;
    const std::filesystem::path link = std::filesystem::read_symlink(p, ec);
    if (ec) {
      cause = FileCause{ec.value(), {}};
      return false;
    }
    if (link.empty()) return Failed(cause, "an empty symbolic link");
    p = link.is_absolute() ? link : FolderOf(p) / link;
  }
  cause = FileCause{ELOOP, {}};
  return false;
}

// Create a fresh temporary file in folder; returns its descriptor or -1.
// The name is short whatever the target's, so any target name the file
// system allows can be saved. A name is made up like mkstemp's, but the file
// is created with mode 0666 so that the umask gives a new file the usual
// permissions (mkstemp would make it 0600).
int CreateTemporary(const std::filesystem::path& folder, std::string& tempPath) {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<uint64_t> counter{0};
  uint64_t seed = static_cast<uint64_t>(::getpid()) << 32 ^
                  static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  errno = EEXIST;  // should every name be taken
  for (int attempt = 0; attempt < 100; ++attempt) {
    // splitmix64 over the seed and a counter: names differ between
    // attempts, processes and calls.
    uint64_t x = seed + 0x9E3779B97F4A7C15ull * (counter.fetch_add(1) + 1);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::string name = ".t42_";
    for (int i = 0; i < 8; ++i, x /= 62) name += kChars[x % 62];
    tempPath = (folder / name).string();
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// True when an existing file may be replaced by a save: a regular file that
// is writable. A file without any write permission counts as read-only even
// for a user the permissions do not bind (root), as it would for a shell's
// "rm -i" or an editor.
bool MayReplace(const std::filesystem::path& target, const struct stat& st, FileCause& cause) {
  if (S_ISDIR(st.st_mode)) {
    cause = FileCause{EISDIR, {}};
    return false;
  }
  if (!S_ISREG(st.st_mode)) return Failed(cause, "no regular file");
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Failed(cause, "the file is read-only");
  return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0 || SystemFailed(cause);
}

// Write bytes to the file a save to chosen replaces, through a temporary
// file in that file's folder that is renamed over it only when it is
// complete and flushed. False on failure, with its cause.
bool WriteFileAtomically(const std::filesystem::path& chosen, std::span<const uint8_t> bytes, FileSink& sink,
                         FileCause& cause) {
  std::filesystem::path target;
  if (!FollowLinks(chosen, target, cause)) return false;
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  if (!replacing && errno != ENOENT) return SystemFailed(cause);
  if (replacing && !MayReplace(target, old, cause)) return false;

  const std::filesystem::path folder = FolderOf(target);
  std::string tempPath;
  const int fd = CreateTemporary(folder, tempPath);
  if (fd < 0) return SystemFailed(cause);
  // While it is written the file is no more open to others than the old one.
  bool ok = !replacing || ::fchmod(fd, old.st_mode & 0777) == 0 || SystemFailed(cause);
  ok = ok && WriteAll(sink, fd, bytes, cause);
  if (ok && replacing) {
    // The new file takes the old one's owner (where allowed) and mode. Both
    // come after the writing: a write by a user without the privilege
    // clears the setuid and setgid bits, and so does a change of owner.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not permitted for another's file: the saving user owns the new one.
    }
    ok = ::fchmod(fd, old.st_mode & 07777) == 0 || SystemFailed(cause);
  }
  ok = ok && (sink.Sync(fd) == 0 || SystemFailed(cause));
  if (::close(fd) != 0 && ok) ok = SystemFailed(cause);
  if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) ok = SystemFailed(cause);
  if (!ok) {
    ::unlink(tempPath.c_str());
    return false;
  }
  // Make the rename itself durable; a failure here does not undo the save.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

// The cause of a load refused for what stands at the path: a folder, or
// another thing that is no regular file.
FileCause NoRegularFile(const struct stat& st) {
  return S_ISDIR(st.st_mode) ? FileCause{EISDIR, {}} : FileCause{0, "no regular file"};
}

// The code of a failed stat or open: kFileNotFound when nothing is there,
// else kFileIoError with its cause.
uint8_t OpenFailure(FileCause& cause) {
  if (errno == ENOENT) return kFileNotFound;
  SystemFailed(cause);
  return kFileIoError;
}

// Read at most limit bytes of a regular file. Returns kOk, kFileNotFound or
// kFileIoError (with its cause). Anything else (a FIFO, a device, a folder)
// is refused before it is opened, and the open itself does not wait, should
// the path be swapped for such a thing in between.
uint8_t ReadFile(const std::filesystem::path& path, std::size_t limit, std::vector<uint8_t>& out, FileCause& cause) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return OpenFailure(cause);
  if (!S_ISREG(st.st_mode)) {
    cause = NoRegularFile(st);
    return kFileIoError;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return OpenFailure(cause);
  const bool statted = ::fstat(fd, &st) == 0;
  if (!statted || !S_ISREG(st.st_mode)) {
    cause = statted ? NoRegularFile(st) : FileCause{errno, {}};
    ::close(fd);
    return kFileIoError;
  }
  out.assign(limit, 0);
  std::size_t got = 0;
  while (got < limit) {
    const ssize_t r = ::read(fd, out.data() + got, limit - got);
    if (r < 0) {
      if (errno == EINTR) continue;
      SystemFailed(cause);
      ::close(fd);
      return kFileIoError;
    }
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  ::close(fd);
  out.resize(got);
  return kOk;
}

// A byte of a grid cell as a message names it.
std::string ByteName(uint8_t b) {
  if (b > 32 && b < 127) {
    const std::string quoted = "\"" + std::string(1, static_cast<char>(b)) + "\"";
    return (b >= 'a' && b <= 'z') ? "the lower-case " + quoted : quoted;
  }
  if (b == '\t') return "a tab";
  static constexpr char kHex[] = "0123456789ABCDEF";
  return std::string("the byte 0x") + kHex[b >> 4] + kHex[b & 15];
}

// The first grid cell of a file that holds a byte the editor would not let
// in there, as a sentence; empty when there is none. The file is long
// enough for both grids.
std::string GridFault(std::span<const uint8_t> b) {
  for (int r = 0; r < kGridRows; ++r)
    for (int c = 0; c < kGridCols; ++c) {
      const uint8_t byte = b[kFileFormulaGridOffset + static_cast<std::size_t>(r) * kGridCols + c];
      if (!IsFormulaCell(static_cast<char>(byte)))
        return "formula row " + std::to_string(r + 1) + ", column " + std::to_string(c + 1) + " holds " +
               ByteName(byte);
    }
  for (int l = 0; l < kTableLines; ++l)
    for (int c = 0; c < kTableCols; ++c) {
      const uint8_t byte = b[kFileTableGridOffset + static_cast<std::size_t>(l) * kTableCols + c];
      if (!IsTableCell(static_cast<char>(byte), l == 0))
        return (l == 0 ? std::string("table header") : "table line " + std::to_string(l)) + ", column " +
               std::to_string(c + 1) + " holds " + ByteName(byte);
    }
  return {};
}

}  // namespace

// ---------------------------------------------------------------- bytes

std::vector<uint8_t> EncodeFormulaFile(const Engine& e) {
  const unsigned n = std::min<unsigned>(e.VariableCount, kMaxVariables);
  const unsigned count = std::min<unsigned>(e.TermCount, kTermCapacity);
  std::vector<uint8_t> out(FormulaFileSize(n, count), 0);
  std::copy(kFormulaFileSignature.begin(), kFormulaFileSignature.end(), out.begin());
  out[kFileModeOffset] = e.FormulaMode ? 0 : 1;
  out[kFileFormOffset] = e.CnfMode ? 0 : 1;
  out[kFileReduceOffset] = e.ReduceOn ? 0 : 1;
  std::size_t at = kFileFormulaGridOffset;
  for (const auto& row : e.FormulaGrid)
    for (char c : row) out[at++] = static_cast<uint8_t>(c);
  for (const auto& line : e.TableGrid)
    for (char c : line) out[at++] = static_cast<uint8_t>(c);
  out[kFileLetterCountOffset] = static_cast<uint8_t>(n);
  for (unsigned v = 0; v < n; ++v) out[kFileLetterCountOffset + 1 + v] = static_cast<uint8_t>(e.VariableTable[v]);
  at = FormulaFileTermOffset(n);
  PutWord(out, at, static_cast<uint16_t>(count));  // 32768 fits the unsigned word
  at += 4;
  for (unsigned t = 1; t <= count; ++t) {
    PutWord(out, at, e.TermValue[t]);
    PutWord(out, at + 2, e.TermMask[t]);
    at += 4;
  }
  return out;
}

uint8_t CheckFormulaFile(std::span<const uint8_t> b, std::string* why) {
  if (why) why->clear();
  const std::size_t size = b.size();
  const std::size_t sigLen = kFormulaFileSignature.size();
  // A file shorter than the signature is cut short if what it holds agrees
  // with the signature, and no formula file at all if it does not.
  const std::size_t head = std::min(size, sigLen);
  if (!std::equal(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(head), kFormulaFileSignature.begin()))
    return kWrongFileType;
  if (size <= kFileLetterCountOffset) return kFileIoError;
  const unsigned n = b[kFileLetterCountOffset];
  if (n > kMaxVariables) return kWrongFileType;
  if (size < kFileLetterCountOffset + 1 + n) return kFileIoError;
  const std::string_view letters(reinterpret_cast<const char*>(b.data()) + kFileLetterCountOffset + 1, n);
  if (!IsVariableList(letters)) return kWrongFileType;
  const std::size_t termAt = FormulaFileTermOffset(n);
  if (size < termAt + 4) return kFileIoError;
  const unsigned count = ReadWord(b, termAt);
  if (count > static_cast<unsigned>(kTermCapacity)) return kWrongFileType;
  const std::size_t expected = FormulaFileSize(n, count);
  if (size < expected) return kFileIoError;
  if (size > expected) return kWrongFileType;
  // A grid holds only what the editor lets in: a run would pass over any
  // other byte and report on the rest as if it were the whole input.
  const std::string fault = GridFault(b);
  if (fault.empty()) return kOk;
  if (why) *why = fault + ", which the editor does not take there";
  return kWrongFileType;
}

void ApplyFormulaFile(Engine& e, std::span<const uint8_t> b) {
  std::size_t at = kFileFormulaGridOffset;
  for (auto& row : e.FormulaGrid)
    for (char& c : row) c = static_cast<char>(b[at++]);
  for (auto& line : e.TableGrid)
    for (char& c : line) c = static_cast<char>(b[at++]);
  e.FormulaMode = b[kFileModeOffset] == 0 ? 1 : 0;
  e.CnfMode = (b[kFileFormOffset] == 0 || !e.FormulaMode) ? 1 : 0;  // table input is always CNF
  e.ReduceOn = b[kFileReduceOffset] == 0 ? 1 : 0;

  const unsigned n = b[kFileLetterCountOffset];
  e.VariableTable.fill(0);
  for (unsigned v = 0; v < n; ++v) e.VariableTable[v] = static_cast<char>(b[kFileLetterCountOffset + 1 + v]);
  e.VariableCount = static_cast<uint8_t>(n);

  at = FormulaFileTermOffset(n);
  const unsigned count = ReadWord(b, at);
  at += 4;
  e.ClearTruthTable();
  e.TermMark.fill(0);
  for (unsigned t = 1; t <= count; ++t) {
    e.TermValue[t] = ReadWord(b, at);
    e.TermMask[t] = ReadWord(b, at + 2);
    at += 4;
  }
  e.TermCount = static_cast<uint16_t>(count);
}

uint8_t DecodeFormulaFile(Engine& e, std::span<const uint8_t> bytes, std::string* why) {
  const uint8_t code = CheckFormulaFile(bytes, why);
  if (code == kOk) ApplyFormulaFile(e, bytes);
  return code;
}

StoredResult CheckStoredResult(const Engine& e) {
  if (e.VariableCount == 0 && e.TermCount == 0) return StoredResult::kNone;
  // The input is translated (or read) as GO would, on an engine of its own.
  auto run = std::make_unique<Engine>();
  Engine& r = *run;
  r.FormulaGrid = e.FormulaGrid;
  r.TableGrid = e.TableGrid;
  r.FormulaMode = e.FormulaMode;
  r.CnfMode = e.CnfMode;
  r.ErrorCode = kOk;
  if (e.FormulaMode) {
    CollectFormula(r);
    if (r.ErrorCode == kOk) ScanFormula(r);
    if (r.ErrorCode == kOk) BuildVariableTable(r);
    if (r.ErrorCode == kOk) GenerateDirectors(r);
  } else {
    ReadTable(r);
  }
  if (r.ErrorCode != kOk || r.Variables() != e.Variables()) return StoredResult::kUnverified;
  // Every row of a result names at least one variable, and only the
  // variables of the list: a run leaves no other.
  const uint16_t full = LowMask(e.VariableCount);
  for (unsigned t = 1; t <= e.TermCount; ++t) {
    const uint16_t mask = e.TermMask[t];
    if (mask == 0 || (mask & ~full) != 0) return StoredResult::kUnverified;
    r.TermValue[t] = e.TermValue[t];
    r.TermMask[t] = mask;
  }
  r.TermCount = e.TermCount;
  if (r.TermCount == 0) {
    // No rows: the function must be 1 everywhere. One row without a
    // variable covers every assignment, so the check below asks just that.
    r.TermCount = 1;
    r.TermValue[1] = r.TermMask[1] = 0;
  }
  return VerifyResult(r) ? StoredResult::kVerified : StoredResult::kUnverified;
}

// ---------------------------------------------------------------- names

bool HasExtension(std::string_view name) { return name.find('.') != std::string_view::npos; }

bool HasFormulaPrefix(std::string_view name) { return name.starts_with(kFormulaFilePrefix); }

std::string FormulaDisplayName(std::string_view fileName) {
  if (HasFormulaPrefix(fileName)) fileName.remove_prefix(kFormulaFilePrefix.size());
  return std::string(fileName);
}

std::filesystem::path FormulaFilePath(const std::filesystem::path& folder, std::string_view name) {
  std::string file(name);
  if (!HasFormulaPrefix(name)) file = std::string(kFormulaFilePrefix) + file;
  return folder / file;
}

// ---------------------------------------------------------------- files

FileSink& SystemFileSink() {
  static SystemSink sink;
  return sink;
}

std::string FileCause::Text() const { return error != 0 ? std::string(std::strerror(error)) : std::string(reason); }

bool WriteWholeFile(const std::filesystem::path& path, std::span<const uint8_t> bytes, FileSink& sink,
                    FileCause* cause) {
  FileCause why{0, "no file name"};
  if (!path.filename().empty() && WriteFileAtomically(path, bytes, sink, why)) return true;
  if (cause) *cause = why;
  return false;
}

uint8_t SaveFormulaFile(const Engine& e, const std::filesystem::path& chosen, std::filesystem::path* written,
                        FileSink& sink, FileCause* cause) {
  if (cause) *cause = FileCause{};
  const std::string name = chosen.filename().string();
  if (HasExtension(name)) return kNoExtension;
  FileCause why{0, "no file name"};
  if (!name.empty()) {
    const std::filesystem::path target = FormulaFilePath(chosen.parent_path(), name);
    const std::vector<uint8_t> bytes = EncodeFormulaFile(e);
    // Never write what loading would refuse. A run leaves only lists that
    // pass; this holds the writer to the reader's rule should one ever not.
    if (CheckFormulaFile(bytes) != kOk) {
      why = FileCause{0, "the tables hold what a formula file cannot"};
    } else if (WriteFileAtomically(target, bytes, sink, why)) {
      if (written) *written = target;
      return kOk;
    }
  }
  if (cause) *cause = why;
  return kFileIoError;
}

uint8_t LoadFormulaFile(Engine& e, const std::filesystem::path& chosen, std::filesystem::path* opened,
                        FileCause* cause) {
  const std::string name = chosen.filename().string();
  const std::filesystem::path target = name.empty() ? chosen : FormulaFilePath(chosen.parent_path(), name);
  if (opened) *opened = target;
  if (cause) *cause = FileCause{};
  if (name.empty()) return kFileNotFound;
  std::vector<uint8_t> bytes;
  FileCause why;
  // One byte more than the longest file, so that an overlong file shows.
  uint8_t code = ReadFile(target, kFormulaFileMaxSize + 1, bytes, why);
  if (code == kOk) {
    // The check gives kFileIoError only for a file that ends before its
    // last term, and names a grid cell the editor would not take.
    std::string fault;
    code = DecodeFormulaFile(e, bytes, &fault);
    if (code == kFileIoError) why = FileCause{0, "the file ends early"};
    if (!fault.empty()) {
      if (cause) *cause = FileCause{0, fault};
      return code;
    }
  }
  if (cause && code == kFileIoError) *cause = why;
  return code;
}

}  // namespace tervo
