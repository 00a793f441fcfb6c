// tervo_helpgen: turns the help text source into the stored help lines.
//
//   tervo_helpgen <help.txt> <output.cpp>
//
// The source is UTF-8 text, one help line per line: line 25 * (p - 1) + 1 of
// the file is the title of page p, the next 24 lines are its text lines. Every
// character must be in Latin-1 (the help window draws bytes). The generator
// checks the markup of the text lines, so that a typing slip stops the build
// with the file name and line number instead of showing up as a silently
// dropped command:
//   - after "\" must follow one of B P S L F I M N T [ G (either case);
//   - "\G" must be followed by the number of an existing page;
//   - a line must not end in "\"; tabs are refused (use "\T");
//   - a title line must not be empty or start with a blank.
// Each line is then stored with EncodePairs and written as a C++ table that
// StoredHelpLines() (ui/help/help_text.h) returns. The output is written to a
// temporary file and renamed, so a failed run never leaves half a table.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "help_code.h"

namespace {

constexpr int kLinesPerPage = 25;
constexpr int kMaxPages = 255;        // the page number is one byte
constexpr size_t kMaxLineBytes = 240;  // far beyond what fits on a page

struct SourceError {
  int line;  // 1-based source line, 0 for the whole file
  std::string what;
};

// UTF-8 to Latin-1; false when a character is outside Latin-1 or the bytes are
// not UTF-8.
bool ToLatin1(const std::string& in, std::string& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < in.size() &&
               (static_cast<unsigned char>(in[i + 1]) & 0xC0) == 0x80) {
      out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(in[i + 1]) & 0x3F));
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

// Checks the markup of one text line; returns an empty string when it is sound.
std::string CheckTextLine(const std::string& line, int pageCount) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\t') return "a tab character (write \\T for a tab stop)";
    if (static_cast<unsigned char>(line[i]) < 32) return "a control character";
    if (line[i] != '\\') continue;
    if (i + 1 >= line.size()) return "the line ends in a lone backslash";
    const char command = line[++i];
    switch (command) {
      case 'B': case 'b': case 'P': case 'p': case 'S': case 's': case 'L': case 'l':
      case 'F': case 'f': case 'I': case 'i': case 'M': case 'm': case 'N': case 'n':
      case 'T': case 't': case '[':
        break;
      case 'G': case 'g': {
        size_t j = i + 1;
        int page = 0;
        while (j < line.size() && line[j] >= '0' && line[j] <= '9' && page <= kMaxPages) {
          page = page * 10 + (line[j] - '0');
          ++j;
        }
        if (j == i + 1) return "\\G without a page number";
        if (page < 1 || page > pageCount) return "\\G" + std::to_string(page) + " names no page of the help";
        i = j - 1;
        break;
      }
      default:
        return std::string("unknown command \\") + command;
    }
  }
  return {};
}

std::vector<SourceError> CheckSource(const std::vector<std::string>& lines) {
  std::vector<SourceError> errors;
  if (lines.empty()) {
    errors.push_back({0, "the help text is empty"});
    return errors;
  }
  const int pageCount = static_cast<int>((lines.size() + kLinesPerPage - 1) / kLinesPerPage);
  if (pageCount > kMaxPages) {
    errors.push_back({0, "more than " + std::to_string(kMaxPages) + " pages"});
    return errors;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    const int sourceLine = static_cast<int>(i) + 1;
    const std::string& line = lines[i];
    if (line.size() > kMaxLineBytes) errors.push_back({sourceLine, "line longer than " + std::to_string(kMaxLineBytes) + " characters"});
    if (i % kLinesPerPage == 0) {
      if (line.empty() || line[0] == ' ') errors.push_back({sourceLine, "the title line of a page is empty or starts with a blank"});
      continue;
    }
    const std::string problem = CheckTextLine(line, pageCount);
    if (!problem.empty()) errors.push_back({sourceLine, problem});
  }
  return errors;
}

// A C++ string literal for any bytes: printable ASCII as it is, everything
// else as a three-digit octal escape.
std::string Literal(const std::string& bytes) {
  std::string out = "\"";
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c < 127 && c != '"' && c != '\\' && c != '?') {
      out += ch;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", c);
      out += escape;
    }
  }
  return out + "\"";
}

std::string GenerateSource(const std::vector<std::string>& lines, const std::string& sourceName) {
  std::ostringstream out;
  out << "// Generated by tervo_helpgen from " << sourceName << ". Do not edit.\n"
      << "#include \"help_text.h\"\n\n"
      << "namespace tervo {\n\nnamespace {\n\n"
      << "constexpr std::string_view kStoredHelp[] = {\n";
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string stored = tervo::EncodePairs(lines[i], static_cast<uint32_t>(i) * 2654435761u + 7u);
    out << "    {" << Literal(stored) << ", " << stored.size() << "},\n";
  }
  out << "};\n\n}  // namespace\n\n"
      << "std::span<const std::string_view> StoredHelpLines() { return kStoredHelp; }\n\n"
      << "}  // namespace tervo\n";
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: tervo_helpgen <help.txt> <output.cpp>\n";
    return 2;
  }
  const std::string sourcePath = argv[1];
  const std::string outputPath = argv[2];

  std::ifstream in(sourcePath, std::ios::binary);
  if (!in) {
    std::cerr << sourcePath << ": cannot be read\n";
    return 1;
  }
  std::vector<std::string> lines;
  std::string raw;
  int lineNumber = 0;
  bool encodingOk = true;
  while (std::getline(in, raw)) {
    ++lineNumber;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string latin1;
    if (!ToLatin1(raw, latin1)) {
      std::cerr << sourcePath << ":" << lineNumber << ": a character outside Latin-1 or broken UTF-8\n";
      encodingOk = false;
    }
    lines.push_back(latin1);
  }
  if (in.bad()) {
    std::cerr << sourcePath << ": read error\n";
    return 1;
  }
  if (!encodingOk) return 1;

  const std::vector<SourceError> errors = CheckSource(lines);
  for (const SourceError& e : errors) {
    std::cerr << sourcePath;
    if (e.line > 0) std::cerr << ":" << e.line;
    std::cerr << ": " << e.what << "\n";
  }
  if (!errors.empty()) return 1;

  const std::string temporary = outputPath + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << GenerateSource(lines, "resources/help/help.txt");
    out.close();
    if (!out) {
      std::cerr << temporary << ": cannot be written\n";
      std::remove(temporary.c_str());
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), outputPath.c_str()) != 0) {
    std::cerr << outputPath << ": cannot be replaced\n";
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}
