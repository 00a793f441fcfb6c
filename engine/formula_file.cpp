#include "formula_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace tervo {

namespace {

std::atomic<long> gWriteFault{-1};

uint16_t ReadWord(std::span<const uint8_t> b, std::size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

void PutWord(std::vector<uint8_t>& out, std::size_t at, uint16_t w) {
  out[at] = static_cast<uint8_t>(w & 0xFF);
  out[at + 1] = static_cast<uint8_t>(w >> 8);
}

// Write all of data to fd; false on any failure (or the injected fault).
bool WriteAll(int fd, std::span<const uint8_t> data) {
  constexpr std::size_t kChunk = 1024;
  const long fault = gWriteFault.load();
  std::size_t done = 0;
  while (done < data.size()) {
    std::size_t n = std::min(kChunk, data.size() - done);
    bool failHere = false;
    if (fault >= 0 && done + n > static_cast<std::size_t>(fault)) {
      n = static_cast<std::size_t>(fault) > done ? static_cast<std::size_t>(fault) - done : 0;
      failHere = true;
    }
    while (n > 0) {
      const ssize_t w = ::write(fd, data.data() + done, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += static_cast<std::size_t>(w);
      n -= static_cast<std::size_t>(w);
    }
    if (failHere) return false;
  }
  return true;
}

// Create a fresh temporary file beside target; returns its descriptor or -1.
int CreateTemporary(const std::filesystem::path& target, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = "." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "_" +
                             std::to_string(counter.fetch_add(1));
    tempPath = (folder / name).string();
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// Write bytes to target through a temporary file in the same folder that is
// renamed over target only when it is complete and flushed.
bool WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes) {
  std::string tempPath;
  const int fd = CreateTemporary(target, tempPath);
  if (fd < 0) return false;
  // A file that is replaced keeps its permissions.
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(tempPath.c_str());
    return false;
  }
  // Make the rename itself durable; a failure here does not undo the save.
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

// Read at most limit bytes of a regular file. Returns kOk, kFileNotFound or
// kFileIoError.
uint8_t ReadFile(const std::filesystem::path& path, std::size_t limit, std::vector<uint8_t>& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? kFileNotFound : kFileIoError;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kFileIoError;
  }
  out.assign(limit, 0);
  std::size_t got = 0;
  while (got < limit) {
    const ssize_t r = ::read(fd, out.data() + got, limit - got);
    if (r < 0) {
      if (errno == EINTR) continue;
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

uint8_t CheckFormulaFile(std::span<const uint8_t> b) {
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
  std::array<bool, 26> seen{};
  for (unsigned v = 0; v < n; ++v) {
    const uint8_t c = b[kFileLetterCountOffset + 1 + v];
    if (c < 'A' || c > 'Z' || seen[c - 'A']) return kWrongFileType;
    seen[c - 'A'] = true;
  }
  const std::size_t termAt = FormulaFileTermOffset(n);
  if (size < termAt + 4) return kFileIoError;
  const unsigned count = ReadWord(b, termAt);
  if (count > static_cast<unsigned>(kTermCapacity)) return kWrongFileType;
  const std::size_t expected = FormulaFileSize(n, count);
  if (size < expected) return kFileIoError;
  if (size > expected) return kWrongFileType;
  return kOk;
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

uint8_t DecodeFormulaFile(Engine& e, std::span<const uint8_t> bytes) {
  const uint8_t code = CheckFormulaFile(bytes);
  if (code == kOk) ApplyFormulaFile(e, bytes);
  return code;
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

uint8_t SaveFormulaFile(const Engine& e, const std::filesystem::path& chosen, std::filesystem::path* written) {
  const std::string name = chosen.filename().string();
  if (name.empty()) return kFileIoError;
  if (HasExtension(name)) return kNoExtension;
  const std::filesystem::path target = FormulaFilePath(chosen.parent_path(), name);
  const std::vector<uint8_t> bytes = EncodeFormulaFile(e);
  if (!WriteFileAtomically(target, bytes)) return kFileIoError;
  if (written) *written = target;
  return kOk;
}

uint8_t LoadFormulaFile(Engine& e, const std::filesystem::path& chosen, std::filesystem::path* opened) {
  const std::string name = chosen.filename().string();
  const std::filesystem::path target = name.empty() ? chosen : FormulaFilePath(chosen.parent_path(), name);
  if (opened) *opened = target;
  if (name.empty()) return kFileNotFound;
  std::vector<uint8_t> bytes;
  // One byte more than the longest file, so that an overlong file shows.
  const uint8_t read = ReadFile(target, kFormulaFileMaxSize + 1, bytes);
  if (read != kOk) return read;
  return DecodeFormulaFile(e, bytes);
}

void SetFormulaFileWriteFault(long bytes) { gWriteFault.store(bytes < 0 ? -1 : bytes); }

}  // namespace tervo
