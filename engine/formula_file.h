// Formula files: the whole working state in one file.
//
// A formula file holds both editor grids, the three options (input mode,
// CNF/DNF, reduce) and the last result (the variable letters and the truth
// table). File names carry the prefix "tervo42_" instead of an extension.
//
// Byte layout (multi-byte numbers little-endian; n = number of letters;
// V = 2728 + 4 * ceil((n + 1) / 4)):
//
//   offset      size       content
//   0           8          signature "tervqmxk"
//   8           1          input mode: 0 formula, 1 table
//   9           1          output form: 0 CNF, 1 DNF
//   10          1          reduce: 0 on, 1 off
//   11          1          0
//   12          1200       FormulaGrid, row 0 columns 0..39, then row 1 ...
//   1212        1515       TableGrid, line 0 columns 0..14, then line 1 ...
//   2727        1          0
//   2728        1          n
//   2729        n          the letters, in the VariableTable's order
//   2729 + n    ...        zero bytes up to V
//   V           2          TermCount
//   V + 2       2          0
//   V + 4       4 * count  TermValue, TermMask of terms 1..TermCount
//
// Nothing follows the last term, so a file is V + 4 + 4 * TermCount bytes.
//
// Loading reads and checks the whole file before anything of it is applied:
// a short or damaged file changes nothing, and anything that is not a
// regular file (a folder, a FIFO, a device) is refused before it is opened
// for reading, so the load never waits on it. Saving writes a temporary file
// with a short name of its own in the target's folder and renames it over
// the target only when it is complete, so a failed save leaves any older
// file as it was. A symbolic link is followed: its target is replaced and
// the link stays. A file that is replaced keeps its permissions; a
// read-only one, or one that is no regular file, is never replaced.
//
// The variable list and the grids obey the rules of grid_rules.h on both
// sides: a grid cell holds only what the editor lets in there, and the
// writer refuses to write a file its own check would refuse, so everything
// saved loads back.
//
// The stored result is checked apart from the file's form, once the file is
// applied: CheckStoredResult verifies it against the stored input as a run
// verifies its own.
//
// The functions return an ErrorCodes value (kOk, kNoExtension,
// kWrongFileType, kFileIoError, kFileNotFound); they do not touch
// Engine::ErrorCode, which stays the caller's to set and show. Beside the
// code a save or load can hand back the cause of a kFileIoError (a
// FileCause): the system's error number where a call failed, else a reason
// of its own, so that the message can say "FILE I/O ERROR: No space left
// on device".
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"

namespace tervo {

inline constexpr std::string_view kFormulaFileSignature = "tervqmxk";
inline constexpr std::string_view kFormulaFilePrefix = "tervo42_";

// Offsets of the fixed part.
inline constexpr std::size_t kFileModeOffset = 8;
inline constexpr std::size_t kFileFormOffset = 9;
inline constexpr std::size_t kFileReduceOffset = 10;
inline constexpr std::size_t kFileFormulaGridOffset = 12;
inline constexpr std::size_t kFileTableGridOffset = kFileFormulaGridOffset + kFormulaChars;  // 1212
inline constexpr std::size_t kFileLetterCountOffset = 2728;

// Offset of the term count for a list of n letters (V above).
constexpr std::size_t FormulaFileTermOffset(unsigned letters) {
  return kFileLetterCountOffset + 4 * ((letters + 1 + 3) / 4);
}

// Length of a file with the given number of letters and terms.
constexpr std::size_t FormulaFileSize(unsigned letters, unsigned terms) {
  return FormulaFileTermOffset(letters) + 4 + 4 * static_cast<std::size_t>(terms);
}

// The longest file the system can write: 15 letters and 32768 terms.
inline constexpr std::size_t kFormulaFileMaxSize = FormulaFileSize(kMaxVariables, kTermCapacity);

// ---------------------------------------------------------------- bytes

// The file's bytes for the engine's current grids, options and result.
std::vector<uint8_t> EncodeFormulaFile(const Engine& e);

// Check a whole file: kOk when it can be applied, kFileIoError when it ends
// before its last term, kWrongFileType for a wrong signature, a letter list
// that breaks IsVariableList (more than 15 letters, one outside A..Z or one
// given twice), more than 32768 terms, bytes after the last term, or a grid
// cell holding a byte the editor would not let in there. For a refused grid
// cell, *why (when given) gets a sentence naming the cell and the byte;
// other refusals leave it empty.
uint8_t CheckFormulaFile(std::span<const uint8_t> bytes, std::string* why = nullptr);

// Apply a file that CheckFormulaFile accepted: grids, options and result
// replace the engine's. Table input forces CNF. The TermMark flags are
// cleared; nothing else of the engine changes.
void ApplyFormulaFile(Engine& e, std::span<const uint8_t> bytes);

// Check, then apply when the check passed. Returns the check's code.
uint8_t DecodeFormulaFile(Engine& e, std::span<const uint8_t> bytes, std::string* why = nullptr);

// What an applied file's result is worth.
enum class StoredResult : uint8_t {
  kNone,        // no result: no letters and no terms
  kVerified,    // the terms are the stored input's function, checked over every assignment
  kUnverified,  // anything else: the terms do not fit the input, the input does not
                // translate or read, or a term has no variable or one outside the list
};

// Verify the engine's result against its grid of the current input mode
// (the formula, or the typed table) as a run would: the input is translated
// or read on an engine of its own, whose letters must be the stored ones.
// An empty term list with letters stands for a function that is 1
// everywhere, as a run leaves it. Nothing of e changes.
StoredResult CheckStoredResult(const Engine& e);

// ---------------------------------------------------------------- names

// True when a file name given for saving has an extension (any ".").
bool HasExtension(std::string_view name);

// True when a file name already begins with "tervo42_".
bool HasFormulaPrefix(std::string_view name);

// The name as the user sees it: the file name without its prefix.
std::string FormulaDisplayName(std::string_view fileName);

// The file for a name in a folder: the name gets the prefix unless it
// already has it, so "abc" and "tervo42_abc" both give folder/tervo42_abc.
std::filesystem::path FormulaFilePath(const std::filesystem::path& folder, std::string_view name);

// ---------------------------------------------------------------- files

// Where a save's bytes go. The writes and the flush of the temporary file
// pass through it, so that a test can make them fail, stop short or be
// interrupted at a chosen point; SystemFileSink() is the plain system calls.
class FileSink {
 public:
  virtual ~FileSink() = default;
  // As write(2): the number of bytes written (possibly fewer than size), or
  // -1 with errno set.
  virtual long Write(int fd, const uint8_t* data, std::size_t size) = 0;
  // As fsync(2): 0, or -1 with errno set.
  virtual int Sync(int fd) = 0;
};

FileSink& SystemFileSink();

// Why a save or load failed with kFileIoError.
struct FileCause {
  int error = 0;                // errno of the system call that failed, 0 when none did
  std::string reason;           // else the failure in words ("the file ends early"), or empty
  // The cause for a message: the system's text for error, or reason; empty
  // when there is neither.
  std::string Text() const;
};
// Write bytes to a file whole or not at all, the way a save writes a
// formula file (a temporary file renamed over the target once complete;
// links followed, a read-only file never replaced). The path is taken as
// it stands: no prefix is added. False on any failure, the older file then
// left as it was, and its cause in *cause when given.
bool WriteWholeFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                    FileSink& sink = SystemFileSink(), FileCause* cause = nullptr);

// Save to the file named by the chosen path (its folder, and its file name
// with the prefix added unless present). kNoExtension when the file name
// holds a "."; kFileIoError when the file cannot be written or must not be
// replaced (read-only, a folder or other non-regular file), in which case
// an older file of that name is left untouched. On success the written path
// (the name chosen, not the target of a link) is stored in *written when
// given; on a kFileIoError its cause in *cause when given.
uint8_t SaveFormulaFile(const Engine& e, const std::filesystem::path& chosen,
                        std::filesystem::path* written = nullptr, FileSink& sink = SystemFileSink(),
                        FileCause* cause = nullptr);

// Load from the file named by the chosen path (the prefix added as for
// saving). kFileNotFound when there is no such file, kFileIoError when it
// is no regular file, cannot be read or ends early, kWrongFileType when it
// is not a formula file or a grid holds a byte the editor would not let in
// (the cause then says which, as CheckFormulaFile's why does).
// On any failure the engine is unchanged. The opened path is stored in
// *opened when given, also on failure; the cause of a failure in *cause
// when given. The stored result is not checked here: see CheckStoredResult.
uint8_t LoadFormulaFile(Engine& e, const std::filesystem::path& chosen,
                        std::filesystem::path* opened = nullptr, FileCause* cause = nullptr);

}  // namespace tervo
