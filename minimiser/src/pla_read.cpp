// The PLA reader. A file is read line by line: keyword lines (".i", ".o",
// ...) set what the rows must look like, row lines add one cube each. The
// reader keeps to one pass and never allocates by what a file claims: the
// rows it stores are bounded by the text itself, and that bound is checked
// against the memory allowed before the first row is stored, so a file too
// large is refused with a message, never by running out of memory.
#include <unistd.h>

#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <iterator>

#include "tervo/pla.h"

namespace tervo::minimiser {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::string Printable(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x21 && u < 0x7F) return std::string("\"") + c + "\"";
  static const char* hex = "0123456789abcdef";
  return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

// The first control character (other than a blank) or byte outside ASCII
// in a line, or npos.
std::size_t StrayByte(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto u = static_cast<unsigned char>(line[i]);
    if ((u < 0x20 && !IsBlank(line[i])) || u >= 0x7F) return i;
  }
  return std::string_view::npos;
}

// True when a line holds only the characters of a row: what a row before
// .i looks like, as opposed to a title.
bool IsRowText(std::string_view line) {
  return line.find_first_not_of("01234-~| \t\r\v\f") == std::string_view::npos;
}

// An output character as kept: '1', '0', '-' or '~'; 0 for any other.
char OutputCell(char c) {
  switch (c) {
    case '1':
    case '4':
      return '1';
    case '0':
      return '0';
    case '-':
    case '2':
      return '-';
    case '~':
    case '3':
      return '~';
    default:
      return 0;
  }
}

bool IsType(std::string_view word) {
  return word == "f" || word == "r" || word == "fd" || word == "fr" || word == "dr" || word == "fdr";
}

std::string Megabytes(std::size_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

constexpr std::string_view kPhaseReason =
    "it chooses outputs to reduce in complemented form; here every output is reduced in one form (--sop or --pos)";
constexpr std::string_view kSymbolicReason = "symbolic and sequential descriptions are not taken";

constexpr PlaKeyword kKeywords[] = {
    {".i", "N", "the number of inputs, 1 or more", true},
    {".o", "N", "the number of outputs, 1 to 1024", true},
    {".ilb", "NAMES", "a name for each input, after .i", true},
    {".ob", "NAMES", "a name for each output, after .o", true},
    {".type", "T", "the sets the rows list: f, r, fd (the default), fr, dr or fdr", true},
    {".p", "N", "the number of rows, checked when given", true},
    {".e", "", "the end: nothing after it is read", true},
    {".end", "", "the same as .e", true},
    {".mv", "", "multiple-valued variables are not taken", false},
    {".label", "", "multiple-valued variables are not taken", false},
    {".phase", "", kPhaseReason, false},
    {".pair", "", "paired inputs are not taken", false},
    {".symbolic", "", kSymbolicReason, false},
    {".symbolic-output", "", kSymbolicReason, false},
    {".kiss", "", kSymbolicReason, false},
    {".latch", "", kSymbolicReason, false},
    {".clock", "", kSymbolicReason, false},
    {".code", "", kSymbolicReason, false},
};

// A file while it is read: what the keywords so far have given.
class Reader {
 public:
  Reader(std::string_view text, Pla& out, std::size_t budget) : text_(text), out_(out), budget_(budget) {}

  std::optional<PlaError> Run() {
    std::size_t pos = 0;
    // A byte order mark some editors put first is no part of the file.
    if (text_.starts_with("\xEF\xBB\xBF")) pos = 3;
    while (pos < text_.size() && !ended_) {
      std::size_t end = text_.find('\n', pos);
      if (end == std::string_view::npos) end = text_.size();
      line_ = text_.substr(pos, end - pos);
      lineStart_ = pos;
      pos = end + 1;
      ++lineNo_;
      const std::vector<std::string_view> words = Words(line_);
      if (words.empty() || words[0][0] == '#') continue;
      auto err = words[0][0] == '.' ? Keyword(words) : Row();
      if (err) return err;
    }
    return Finish();
  }

 private:
  PlaError Refuse(std::size_t column, std::string why) const {
    return PlaError{lineNo_, static_cast<int>(std::min<std::size_t>(column, INT_MAX)), std::move(why)};
  }
  // The 1-based column of a word of the current line.
  std::size_t ColumnOf(std::string_view word) const { return static_cast<std::size_t>(word.data() - line_.data()) + 1; }

  std::optional<PlaError> Keyword(const std::vector<std::string_view>& words) {
    const std::string_view key = words[0];
    const PlaKeyword* k = nullptr;
    for (const PlaKeyword& known : kKeywords)
      if (known.name == key) k = &known;
    if (!k || !k->taken) {
      std::string why = "the keyword " + std::string(key) + " is not taken";
      if (k) why += ": " + std::string(k->meaning);
      return Refuse(ColumnOf(key), why);
    }
    const bool beforeRows = key != ".p" && key != ".e" && key != ".end";
    if (firstRowLine_ && beforeRows) return Refuse(ColumnOf(key), std::string(key) + " must come before the first row");
    if (key == ".i" || key == ".o" || key == ".p") return Count(words);
    if (key == ".ilb" || key == ".ob") return Names(words);
    if (key == ".type") return Type(words);
    ended_ = true;
    return std::nullopt;
  }

  std::optional<PlaError> Count(const std::vector<std::string_view>& words) {
    const std::string_view key = words[0];
    if (words.size() != 2) return Refuse(ColumnOf(key), std::string(key) + " needs one whole number");
    const std::string_view word = words[1];
    const std::size_t column = ColumnOf(word);
    unsigned long long v = 0;
    bool negative = word.starts_with('-') && word.size() > 1;
    const std::string_view digits = negative ? word.substr(1) : word;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (end != digits.data() + digits.size() || (ec != std::errc() && ec != std::errc::result_out_of_range))
      return Refuse(column, std::string(key) + " needs one whole number");
    const bool huge = ec == std::errc::result_out_of_range;
    const std::string shown(word);
    if (key == ".i") {
      if (inputs_) return Refuse(ColumnOf(key), ".i is given twice");
      if (negative || (v == 0 && !huge))
        return Refuse(column, ".i " + shown + ": the number of inputs must be 1 or more");
      // A row holds a character per input: one row must fit.
      if (huge || v > INT_MAX || v > budget_)
        return Refuse(column, ".i " + shown + ": a row of that many inputs is more than the " + Megabytes(budget_) +
                                  " of memory allowed");
      inputs_ = v;
      out_.inputsLine = lineNo_;
    } else if (key == ".o") {
      if (outputs_) return Refuse(ColumnOf(key), ".o is given twice");
      if (negative || huge || v < 1 || v > kMaxPlaOutputs)
        return Refuse(column, ".o " + shown + ": the number of outputs must be 1 to " + std::to_string(kMaxPlaOutputs));
      outputs_ = v;
      out_.outputsLine = lineNo_;
    } else {
      if (termsLine_) return Refuse(ColumnOf(key), ".p is given twice");
      if (negative) return Refuse(column, ".p needs a number of 0 or more");
      declaredTerms_ = huge ? ULLONG_MAX : v;
      termsLine_ = lineNo_;
      termsColumn_ = static_cast<int>(column);
    }
    return std::nullopt;
  }

  std::optional<PlaError> Names(const std::vector<std::string_view>& words) {
    const std::string_view key = words[0];
    const bool in = key == ".ilb";
    const unsigned long long count = in ? inputs_ : outputs_;
    const std::string k(key);
    if (!count) return Refuse(ColumnOf(key), k + (in ? " must come after .i" : " must come after .o"));
    std::vector<std::string>& names = in ? out_.inputNames : out_.outputNames;
    if (!names.empty()) return Refuse(ColumnOf(key), k + " is given twice");
    if (words.size() - 1 != count)
      return Refuse(ColumnOf(key), k + " names " + std::to_string(words.size() - 1) +
                                       (in ? " inputs, .i says " : " outputs, .o says ") + std::to_string(count));
    names.reserve(words.size() - 1);
    for (std::size_t w = 1; w < words.size(); ++w) names.emplace_back(words[w]);
    return std::nullopt;
  }

  std::optional<PlaError> Type(const std::vector<std::string_view>& words) {
    if (out_.typeLine) return Refuse(ColumnOf(words[0]), ".type is given twice");
    if (words.size() != 2) return Refuse(ColumnOf(words[0]), ".type needs one word");
    if (!IsType(words[1]))
      return Refuse(ColumnOf(words[1]),
                    ".type " + std::string(words[1]) + ": the type must be f, r, fd, fr, dr or fdr");
    out_.type = std::string(words[1]);
    out_.typeLine = lineNo_;
    return std::nullopt;
  }

  // The memory the rows may take, checked once before the first is
  // stored: the text bounds how many rows there can be.
  std::optional<PlaError> CheckMemory() {
    const std::size_t width = inputs_ + outputs_;
    const std::size_t rest = text_.size() - lineStart_;
    // Each row but the last ends with a line break.
    std::size_t rows = (rest + 1) / (width + 1);
    if (termsLine_ && declaredTerms_ < rows) rows = declaredTerms_ + 1;
    // Two strings, a line number, and the strings' own storage when they
    // do not fit in place.
    const std::size_t perRow = 2 * sizeof(std::string) + sizeof(int) + (inputs_ > 15 ? inputs_ + 17 : 0) +
                               (outputs_ > 15 ? outputs_ + 17 : 0);
    if (rows > budget_ / perRow)
      return Refuse(1, "the rows need about " + Megabytes(rows > SIZE_MAX / perRow ? SIZE_MAX : rows * perRow) +
                           " of memory (up to " + std::to_string(rows) + " rows of " + std::to_string(inputs_) +
                           (inputs_ == 1 ? " input); " : " inputs); ") + Megabytes(budget_) + " are allowed");
    out_.in.reserve(std::min<std::size_t>(rows, 1u << 16));
    out_.out.reserve(std::min<std::size_t>(rows, 1u << 16));
    out_.line.reserve(std::min<std::size_t>(rows, 1u << 16));
    return std::nullopt;
  }

  // A row: the input characters, then one character per output; blanks
  // and "|" may stand anywhere between them, and a "#" starts a comment
  // that runs to the end of the line.
  std::optional<PlaError> Row() {
    const std::string_view line = line_.substr(0, line_.find('#'));
    // Text before .i that is no row is a title, as many files begin.
    if (!inputs_ && !IsRowText(line)) return std::nullopt;
    if (!inputs_ || !outputs_) return Refuse(1, "a row before .i and .o");
    if (!firstRowLine_) {
      firstRowLine_ = lineNo_;
      if (auto err = CheckMemory()) return err;
    }
    if (const std::size_t at = StrayByte(line); at != std::string_view::npos)
      return Refuse(at + 1, "column " + std::to_string(at + 1) + " is " + Printable(line[at]) +
                                "; a row holds the characters 0 1 - 2 ~ 3 4, blanks and \"|\"");
    const std::size_t want = inputs_ + outputs_;
    std::string in, out;
    in.reserve(inputs_);
    out.reserve(outputs_);
    std::size_t cells = 0, lastColumn = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (IsBlank(c) || c == '|') continue;
      if (cells == want) return Refuse(i + 1, WidthText(line));
      lastColumn = i + 1;
      if (cells < inputs_) {
        if (c == '0' || c == '1' || c == '-')
          in += c;
        else if (c == '2')
          in += '-';
        else
          return Refuse(i + 1, "input " + std::to_string(cells + 1) + " is " + Printable(c) +
                                   "; an input must be 0, 1 or - (also written 2)");
      } else {
        const char cell = OutputCell(c);
        if (!cell) {
          std::string why = "the output is " + Printable(c);
          if (outputs_ > 1) why += " for output " + std::to_string(cells - inputs_ + 1);
          return Refuse(i + 1, why + "; an output must be 1, 0, - or ~ (also written 4, 2 or 3)");
        }
        out += cell;
      }
      ++cells;
    }
    // Too few: the last character there is (column 1 when there is none).
    if (cells != want) return Refuse(std::max<std::size_t>(lastColumn, 1), WidthText(line));
    out_.in.push_back(std::move(in));
    out_.out.push_back(std::move(out));
    out_.line.push_back(lineNo_);
    return std::nullopt;
  }

  // Why a row of the wrong width is refused. A row of two words, inputs
  // and outputs, whose inputs are the wrong width says so: in a wide file
  // that is the count a reader cannot see.
  std::string WidthText(std::string_view line) const {
    std::vector<std::size_t> words;
    bool inWord = false;
    for (char c : line) {
      const bool gap = IsBlank(c) || c == '|';
      if (!gap && !inWord) words.push_back(0);
      if (!gap) ++words.back();
      inWord = !gap;
    }
    std::size_t cells = 0;
    for (std::size_t w : words) cells += w;
    std::string s = "the row has " + std::to_string(cells) + " characters; .i " + std::to_string(inputs_) +
                    " and .o " + std::to_string(outputs_) + " need " + std::to_string(inputs_ + outputs_);
    if (words.size() == 2 && words[0] != inputs_)
      s += " (its inputs are " + std::to_string(words[0]) + " characters)";
    return s;
  }

  // What the whole file must give once every line is read.
  std::optional<PlaError> Finish() {
    if (!inputs_) return PlaError{0, 0, "no .i line: the number of inputs is not given"};
    if (!outputs_) return PlaError{0, 0, "no .o line: the number of outputs is not given"};
    if (termsLine_ && declaredTerms_ != out_.in.size())
      return PlaError{termsLine_, termsColumn_,
                      ".p says " + std::to_string(declaredTerms_) + " rows, the file has " + std::to_string(out_.in.size())};
    out_.inputs = static_cast<unsigned>(inputs_);
    out_.outputs = static_cast<unsigned>(outputs_);
    return std::nullopt;
  }

  std::string_view text_;
  Pla& out_;
  std::size_t budget_;
  unsigned long long inputs_ = 0;         // .i, 0 until given
  unsigned long long outputs_ = 0;        // .o, 0 until given
  unsigned long long declaredTerms_ = 0;  // .p
  int termsLine_ = 0, termsColumn_ = 0;   // where .p's number stands, 0 until given
  int firstRowLine_ = 0;                  // line of the first row, 0 before it
  bool ended_ = false;                    // .e or .end read: nothing after it counts
  int lineNo_ = 0;                        // the line being read, from 1
  std::string_view line_;                 // the line being read
  std::size_t lineStart_ = 0;             // where it starts in the text
};

}  // namespace

std::size_t PlaMemoryBudget(const PlaLimits& limits) {
  if (limits.memoryBytes) return limits.memoryBytes;
  std::size_t bytes = SIZE_MAX;
  const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
  if (pages > 0 && pageSize > 0) bytes = static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    bytes = std::min<std::size_t>(bytes, limit.rlim_cur);
  return bytes / 2;
}

std::span<const PlaKeyword> PlaKeywords() { return kKeywords; }

std::optional<PlaError> ReadPla(std::string_view text, Pla& out, const PlaLimits& limits) {
  out = Pla{};
  Reader reader(text, out, PlaMemoryBudget(limits));
  auto err = reader.Run();
  if (err) out = Pla{};
  return err;
}

}  // namespace tervo::minimiser
