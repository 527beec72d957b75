// A survey of every piece we can make, read by a reader of its own (it shares nothing with the
// split or its check): the pieces of the golden cases, of the shared corpus and of generated
// programs. Each piece must
//  - give Z in a straight move or an arc only in a frame (tool, length offset, H) that the program
//    gives Z in itself: under another length offset the same Z is another place for the tip;
//  - change tools only for a cut: every M06 is followed by a cut in the same piece before the next
//    M06, and, in a piece before the last, before the piece ends (the program's own habits aside);
//  - make no move under cutter compensation of a kind the program never makes under it (the lift
//    of a seam, a rapid retract or return).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "config/file_naming.h"
#include "support/fake_platform.h"
#include "support/golden_case.h"
#include "support/program_generator.h"
#include "support/split_check_run.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct Word {
  char letter;
  double value;
};

// The words of one line: comments in parentheses and everything after ";" left out.
std::vector<Word> WordsOf(const std::string& line) {
  std::vector<Word> words;
  size_t i = 0;
  while (i < line.size()) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
    if (c == '(') {
      const size_t close = line.find(')', i);
      if (close == std::string::npos) break;
      i = close + 1;
      continue;
    }
    if (c == ';') break;
    if (c >= 'A' && c <= 'Z') {
      size_t j = i + 1;
      while (j < line.size() && line[j] == ' ') ++j;
      size_t k = j;
      while (k < line.size() && (std::isdigit(static_cast<unsigned char>(line[k])) || line[k] == '.' ||
                                 line[k] == '-' || line[k] == '+')) {
        ++k;
      }
      words.push_back(Word{c, k > j ? std::atof(line.substr(j, k - j).c_str()) : 0.0});
      i = k;
      continue;
    }
    ++i;
  }
  return words;
}

bool HasCode(const std::vector<Word>& words, char letter, double code) {
  for (const Word& w : words) {
    if (w.letter == letter && w.value > code - 0.01 && w.value < code + 0.01) return true;
  }
  return false;
}

bool HasLetter(const std::vector<Word>& words, char letter) {
  for (const Word& w : words) {
    if (w.letter == letter) return true;
  }
  return false;
}

using Frame = std::tuple<int, int, int>;  // tool, length offset, H (0 under G49)

// What the reader follows through one file.
struct Reader {
  int tool = 0;
  int selected = 0;
  int length = 49;
  int registerH = 0;
  int compensation = 40;
  int motion = 0;
  bool cycle = false;

  std::set<Frame> zFrames;      // frames Z was given in
  int changes = 0;              // M06 since the latest cut
  bool changeWithoutCut = false;  // an M06 after another with no cut between
  int changeLine = 0;           // the latest M06
  bool rapidUnderCompensation = false;
  bool zOnlyUnderCompensation = false;
  int firstFault = 0;           // the first line that broke a rule (with `fault` saying which)
  std::string fault;

  // Reads one line (1-based `number`); `program`: the program's reader, whose habits the piece is
  // held to (nullptr while reading the program itself).
  void Line(const std::string& line, int number, const Reader* program) {
    const std::vector<Word> words = WordsOf(line);
    if (words.empty()) return;
    for (const Word& w : words) {
      if (w.letter == 'T') selected = static_cast<int>(w.value);
      if (w.letter == 'H') registerH = static_cast<int>(w.value);
    }
    bool nonModal = false;
    for (const Word& w : words) {
      if (w.letter != 'G') continue;
      const int code = static_cast<int>(w.value + 0.001);
      const bool whole = w.value - code < 0.01;
      if (!whole) continue;
      if (code >= 0 && code <= 3) {
        motion = code;
        cycle = false;
      }
      if (code == 80) cycle = false;
      if (code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89)) cycle = true;
      if (code == 40 || code == 41 || code == 42) compensation = code;
      if (code == 43 || code == 44 || code == 49) length = code;
      if (code == 4 || code == 28 || code == 30 || code == 53 || code == 92 || code == 10) nonModal = true;
    }
    if (HasCode(words, 'M', 6)) {
      if (changes > 0) {
        changeWithoutCut = true;
        if (program != nullptr && !program->changeWithoutCut) Fail(number, "a tool change with no cut since the one before");
      }
      tool = selected;
      ++changes;
      changeLine = number;
    }
    const bool axes = HasLetter(words, 'X') || HasLetter(words, 'Y') || HasLetter(words, 'Z');
    if (nonModal || !axes) return;
    if (cycle) {
      changes = 0;  // a hole
      return;
    }
    if (HasLetter(words, 'Z')) {
      const Frame frame{tool, length, length == 49 ? 0 : registerH};
      if (program == nullptr) {
        zFrames.insert(frame);
      } else if (program->zFrames.count(frame) == 0) {
        Fail(number, "Z in a frame the program never gives Z in");
      }
    }
    if (compensation != 40) {
      const bool zOnly = !HasLetter(words, 'X') && !HasLetter(words, 'Y');
      if (program == nullptr) {
        rapidUnderCompensation = rapidUnderCompensation || motion == 0;
        zOnlyUnderCompensation = zOnlyUnderCompensation || zOnly;
      } else if ((motion == 0 && !program->rapidUnderCompensation) || (zOnly && !program->zOnlyUnderCompensation)) {
        Fail(number, "a move under cutter compensation the program never makes under it");
      }
    }
    if (motion >= 1 && motion <= 3) changes = 0;
  }

  void Fail(int number, const char* why) {
    if (firstFault != 0) return;
    firstFault = number;
    fault = why;
  }
};

std::vector<std::string> LinesOf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : bytes) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

Reader ReadProgram(const std::string& bytes) {
  Reader program;
  int number = 0;
  for (const std::string& line : LinesOf(bytes)) {
    program.Line(line, ++number, nullptr);
    const std::vector<Word> words = WordsOf(line);
    if (HasCode(words, 'M', 30) || HasCode(words, 'M', 2)) break;
  }
  if (program.changes > 0) program.changeWithoutCut = true;  // a tool change after its last cut
  return program;
}

// The first fault of piece `bytes` (last: the last piece), or "" when it has none.
std::string PieceFault(const Reader& program, const std::string& bytes, bool last) {
  Reader piece;
  int number = 0;
  for (const std::string& line : LinesOf(bytes)) piece.Line(line, ++number, &program);
  if (piece.firstFault == 0 && !last && piece.changes > 0 && !program.changeWithoutCut) {
    piece.Fail(piece.changeLine, "a tool change after the last cut of a piece before the last");
  }
  if (piece.firstFault == 0) return "";
  return "line " + std::to_string(piece.firstFault) + ": " + piece.fault;
}

// Surveys the pieces PROGRAM_001 ... in `dir` (the program's path `path`).
void SurveyPieces(const std::string& path, int pieces) {
  const Reader program = ReadProgram(ReadFileBytes(path));
  for (int number = 1; number <= pieces; ++number) {
    char piece[512];
    ASSERT_EQ(PiecePath(path.c_str(), number, piece, sizeof piece), kNamingOk);
    EXPECT_EQ(PieceFault(program, ReadFileBytes(piece), number == pieces), "") << "piece " << number;
  }
}

TEST(PieceHeadSurvey, TheReaderFindsEachFault) {
  // A two-tool program as a CAM post writes it, and pieces with each fault a splitter could make.
  const std::string program =
      "%\nO1\nG90 G17 G40 G49 G80\nG91 G28 Z0.\nT1 M06\nS1000 M03\nG90 G54 G00 X0. Y0.\nG43 H1 Z50.\n"
      "G01 Z-1. F100\nX10.\nG00 Z50.\nG91 G28 Z0.\nT2 M06\nS2000 M03\nG90 G00 X0. Y0.\nG43 H2 Z50.\n"
      "G01 Z-1. F100\nG41 D2 X20.\nY10.\nM30\n%\n";
  const Reader source = ReadProgram(program);
  const struct {
    const char* name;
    const char* piece;
    bool last;
    const char* fault;
  } cases[] = {
      {"a head as it should be", "%\nG90 G17 G40 G49 G80\nT2M06\nS2000M03\nG90G0X0.Y0.\nG43H2Z50.\nG01Z-1.F100\nX10.\n",
       false, ""},
      {"the start height before the length offset", "%\nG90 G17 G40 G49 G80\nT2M06\nG90G0X0.Y0.Z50.\nG43H2Z50.\nG01Z-1.\n",
       false, "line 4: Z in a frame"},
      {"another tool's length offset", "%\nT2M06\nG43H1Z50.\nG01Z-1.\n", false, "line 3: Z in a frame"},
      {"the first tool's set-up replayed", "%\nT1 M06\nS1000 M03\nT2M06\nG43H2Z50.\nG01Z-1.\n", false,
       "line 4: a tool change with no cut"},
      {"the next tool's set-up at the end", "%\nT1M06\nG43H1Z50.\nG01Z-1.\nX10.\nG00Z50.\nT2 M06\nM30\n", false,
       "line 7: a tool change after the last cut"},
      {"the same at the end of the last piece (the program's own end)",
       "%\nT1M06\nG43H1Z50.\nG01Z-1.\nX10.\nG00Z50.\nT2 M06\nM30\n", true, ""},
      {"a lift under compensation", "%\nT2M06\nG43H2Z50.\nG01Z-1.\nG41D2X20.\nY10.\nZ0.\nG00Z50.\n", true,
       "line 7: a move under cutter compensation"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string fault = PieceFault(source, c.piece, c.last);
    if (c.fault[0] == '\0') {
      EXPECT_EQ(fault, "");
    } else {
      EXPECT_EQ(fault.rfind(c.fault, 0), 0u) << fault;
    }
  }
}

TEST(PieceHeadSurvey, GoldenExpectedPieces) {
  for (const std::string& name : GoldenCases()) {
    SCOPED_TRACE(name);
    TempDir dir;
    std::string path;
    const int pieces = LayOutGoldenPieces(name, dir.Path(""), &path);
    if (pieces > 0) SurveyPieces(path, pieces);
  }
}

TEST(PieceHeadSurvey, CorpusProgramsSplit) {
  const char* folder = std::getenv("QX_CORPUS_DIR");
  const fs::path corpus(folder != nullptr ? folder : QX_CORPUS_DIR);
  std::error_code ec;
  if (!fs::is_directory(corpus, ec)) GTEST_SKIP() << "no corpus at " << corpus;
  int surveyed = 0;
  for (const auto& entry : fs::directory_iterator(corpus, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name == "SOURCES.md" || name[0] == '.') continue;
    SCOPED_TRACE(name);
    FakePlatform fake;
    TempDir dir;
    const SplitForCheck split = SplitInFolder(dir, fake, "PROGRAM.NC", ReadFileBytes(entry.path().string()));
    if (split.pieces == 0) continue;  // refused: nothing written
    SurveyPieces(split.path, split.pieces);
    ++surveyed;
  }
  EXPECT_GT(surveyed, 20);
}

TEST(PieceHeadSurvey, GeneratedProgramsSplit) {
  for (const int style : {kStateThePosition, kCamPost}) {
    for (uint32_t seed = 300; seed < 340; ++seed) {
      SCOPED_TRACE(std::to_string(style) + " " + std::to_string(seed));
      const GeneratedProgram generated = GenerateProgram(seed, 120, style);
      FakePlatform fake;
      TempDir dir;
      const SplitForCheck split = SplitInFolder(dir, fake, "PROGRAM.NC", generated.text, 4);
      ASSERT_GT(split.pieces, 0) << split.log;
      SurveyPieces(split.path, split.pieces);
    }
  }
}

}  // namespace
