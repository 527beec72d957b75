#include "support/program_generator.h"

#include <climits>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kStartZ = 100000;  // thousandths, like every length below

// Comments as a person at the control writes them (CP932 in the binary).
constexpr const char* kComments[] = {
    "荒加工", "仕上げ　φ１０エンドミル", "表面　ソリッド", "穴あけ　センタードリル", "ポケット加工（外周）",
    "ＺＸ平面の円弧", "工具交換", "深穴　ペック",
};

class Generator {
 public:
  Generator(uint32_t seed, int lines, int style) : rng_(seed), target_(lines), style_(style) {}

  GeneratedProgram Run();

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }
  int64_t Range(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(rng_() % static_cast<uint32_t>(high - low + 1));
  }

  // A length in thousandths as a number: with a point ("12.5", "-0.05", "3.") or, now and then,
  // as thousandths without one ("12500").
  std::string Number(int64_t value);
  std::string Word(char letter, int64_t value) { return Joined(letter, Number(value)); }
  // A code word: the letter and a whole number ("T3", "S2500", "O1234").
  static std::string Code(char letter, int number) { return Joined(letter, std::to_string(number)); }
  // The letter, then `text`. (Appended, not added with +: GCC 12 warns of overlapping copies in
  // the sum of a short string and a temporary.)
  static std::string Joined(char letter, const std::string& text) {
    std::string word(1, letter);
    word += text;
    return word;
  }
  // The word of axis `letter` taking it from `from` to `to` in the distance mode in force.
  std::string Axis(char letter, int64_t from, int64_t to) { return Word(letter, distance_ == 91 ? to - from : to); }
  std::string Feed(int feed);
  // Writes one line of `words`, sometimes with blanks between them, in lower case, or with a
  // comment after them.
  void Line(const std::vector<std::string>& words);
  void Comment() { Raw(CommentText(kComments[Pick(sizeof kComments / sizeof kComments[0])])); }
  // A comment in the style's form: "(TEXT)", or "; TEXT" to the line's end.
  std::string CommentText(const char* text) const {
    return style_ == kPcControlPost ? std::string("; ") + text : std::string("(") + text + ")";
  }
  void Raw(const std::string& text) {
    program_.text += text + eol_;
    ++program_.lines;
  }
  // The motion word when `motion` is not in force (always after a cycle), else now and then.
  void Motion(int motion, std::vector<std::string>* words) {
    if (motion != motion_ || Chance(15)) words->push_back(motion == 0 ? "G00" : motion == 1 ? "G01" : motion == 2 ? "G02" : "G03");
    motion_ = motion;
  }
  void SwitchDistance(std::vector<std::string>* words) {
    if (!Chance(12)) return;
    distance_ = distance_ == 90 ? 91 : 90;
    words->push_back(distance_ == 90 ? "G90" : "G91");
  }

  void Header();
  void CamHeader();
  void Approach();
  void Cuts(int count);
  void Linear();
  void Arc();
  void Drill();
  void ToolChange();
  void OffsetWrite();
  void LocalSystem();
  // An operation written as a subprogram and called in its place, once or repeated.
  void SubprogramCall();
  void End();

  std::mt19937 rng_;
  int target_;
  int style_;
  static constexpr int kMostOffsetWrites = 30;  // below the writes a split replays
  int offsetWrites_ = 0;
  int64_t shift_[2] = {0, 0};  // the G52 shift in force, X and Y (thousandths)
  GeneratedProgram program_{};
  const char* eol_ = "\r\n";
  int64_t at_[3] = {0, 0, kStartZ};  // X, Y, Z where the tool stands (thousandths, absolute)
  int distance_ = 90;
  int plane_ = 17;
  int motion_ = -1;  // the motion in force (-1: none, after G80)
  int feed_ = 0;
  int tool_ = 1;
  static constexpr int kMostSubprograms = 12;
  int subprograms_ = 0;
  std::string subprogramText_;  // the subprograms, written after the main program's end
};

std::string Generator::Number(int64_t value) {
  std::string text = value < 0 ? "-" : Chance(3) ? "+" : "";
  const int64_t magnitude = value < 0 ? -value : value;
  if (Chance(20)) return text + std::to_string(magnitude);  // thousandths, no point
  text += std::to_string(magnitude / 1000) + ".";
  std::string fraction = std::to_string(1000 + magnitude % 1000).substr(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return text + fraction;
}

std::string Generator::Feed(int feed) {
  feed_ = feed;
  if (feed < program_.lowestFeed) program_.lowestFeed = feed;
  std::string word = Code('F', feed);
  if (Chance(30)) word += '.';
  return word;
}

void Generator::Line(const std::vector<std::string>& words) {
  const char* blank = Chance(40) ? " " : "";
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += blank;
    // A blank between a letter and its number, now and then ("F 500"): the reader joins them.
    if (word.size() > 1 && word[0] >= 'A' && word[0] <= 'Z' && Chance(2)) text += word.substr(0, 1) + " " + word.substr(1);
    else text += word;
  }
  if (Chance(5)) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
  }
  if (Chance(4)) {
    text += CommentText(kComments[Pick(sizeof kComments / sizeof kComments[0])]);
  } else if (style_ == kPcControlPost && program_.lines % 3 == 0) {
    text += ";";  // the end of block of a tape listing
  }
  Raw(text);
}

void Generator::Header() {
  eol_ = Chance(80) ? "\r\n" : "\n";
  if (style_ == kCamPost || style_ == kPcControlPost || style_ == kFixtureOffsets || style_ == kLocalSystems ||
      style_ == kSubprograms) {
    CamHeader();
    return;
  }
  const int64_t x = Range(-50, 50) * 1000;
  const int64_t y = Range(-50, 50) * 1000;
  at_[0] = x;
  at_[1] = y;
  at_[2] = kStartZ;
  program_.start[0] = static_cast<double>(x) / 1000.0;
  program_.start[1] = static_cast<double>(y) / 1000.0;
  program_.start[2] = static_cast<double>(kStartZ) / 1000.0;
  Raw("%");
  Raw(Code('O', 1000 + Pick(9000)));
  Comment();
  Line({"G92", Word('X', x), Word('Y', y), Word('Z', kStartZ)});
  Line({"G90", "G17", "G40", "G80"});
  Line({"T1", "M06"});
  Line({Code('S', 1000 + 500 * Pick(8)), "M03"});
  Line({"G43", "H1", Word('Z', kStartZ)});  // at the start height: no move
}

void Generator::CamHeader() {
  program_.start[0] = 0.0;
  program_.start[1] = 0.0;
  program_.start[2] = static_cast<double>(kStartZ) / 1000.0;
  Raw("%");
  Raw(Code('O', 1000 + Pick(9000)));
  Comment();
  if (style_ == kPcControlPost) {
    Line({"G90", "G94", "G17", "G21", "G40", "G49", "G80", "G91.1"});
  } else {
    Line({"G90", "G94", "G17", "G21", "G40", "G49", "G80"});
  }
  Line({"G91", "G28", "Z0."});
  Line({"G90"});
  Line({"T1", "M06"});
  Line({Code('S', 1000 + 500 * Pick(8)), "M03"});
  Line({"G54"});
  const int64_t x = Range(-80000, 80000);
  const int64_t y = Range(-80000, 80000);
  Line({"G00", Word('X', x), Word('Y', y)});
  const int64_t z = Range(30, 100) * 1000;
  std::vector<std::string> words = {"G43", "H1", Word('Z', z)};
  if (Chance(50)) words.push_back("M08");
  Line(words);
  at_[0] = x;
  at_[1] = y;
  at_[2] = z;
  distance_ = 90;
  motion_ = 0;
}

// Rapid to a place at the height the tool stands at, rapid down near the stock, plunge.
void Generator::Approach() {
  std::vector<std::string> words;
  SwitchDistance(&words);
  Motion(0, &words);
  const int64_t x = Range(-80000, 80000);
  const int64_t y = Range(-80000, 80000);
  words.push_back(Axis('X', at_[0], x));
  words.push_back(Axis('Y', at_[1], y));
  Line(words);
  at_[0] = x;
  at_[1] = y;
  const int64_t near = Range(1000, 5000);
  words.clear();
  Motion(0, &words);
  words.push_back(Axis('Z', at_[2], near));
  Line(words);
  at_[2] = near;
  const int64_t depth = -Range(500, 5000);
  words.clear();
  Motion(1, &words);
  words.push_back(Axis('Z', at_[2], depth));
  words.push_back(Feed(static_cast<int>(Range(5, 30)) * 10));
  Line(words);
  at_[2] = depth;
}

void Generator::Linear() {
  std::vector<std::string> words;
  SwitchDistance(&words);
  if (plane_ != 17 && Chance(50)) {
    words.push_back("G17");
    plane_ = 17;
  }
  Motion(1, &words);
  int64_t to[3] = {at_[0], at_[1], at_[2]};
  const int axes = 1 + Pick(3);  // 1: X, 2: Y, 3: both; now and then Z too
  if (axes & 1) to[0] = Range(-90000, 90000);
  if (axes & 2) to[1] = Range(-90000, 90000);
  if (Chance(15)) to[2] = -Range(500, 8000);
  if (to[0] == at_[0] && to[1] == at_[1] && to[2] == at_[2]) to[0] += 1000;
  for (int axis = 0; axis < 3; ++axis) {
    if (to[axis] != at_[axis] || Chance(5)) words.push_back(Axis("XYZ"[axis], at_[axis], to[axis]));
    at_[axis] = to[axis];
  }
  if (Chance(15)) words.push_back(Feed(static_cast<int>(Range(10, 200)) * 10 + (Chance(10) ? 5 : 0)));
  Line(words);
}

// An arc in a plane picked now: its first and second axis (X Y, Z X, Y Z) and their centre offsets
// (I J, K I, J K). A full circle now and then; the radius form for a part of the others.
void Generator::Arc() {
  // Arcs that move Z start below the stock's top, so that they stay below Z 10.
  const int plane = Chance(70) || at_[2] > 0 ? 17 : Chance(50) ? 18 : 19;
  const int first = plane == 17 ? 0 : plane == 18 ? 2 : 1;
  const int second = plane == 17 ? 1 : plane == 18 ? 0 : 2;
  const char* offsetLetters = plane == 17 ? "IJ" : plane == 18 ? "KI" : "JK";
  const int64_t radius = plane == 17 ? Range(1000, 25000) : Range(1000, 5000);
  const double startAngle = Range(0, 359) * kPi / 180.0;
  // The centre, on the thousandths grid, and the radius it gives.
  int64_t offset[2] = {std::llround(-radius * std::cos(startAngle)), std::llround(-radius * std::sin(startAngle))};
  if (offset[0] == 0 && offset[1] == 0) offset[0] = radius;
  const double centre[2] = {static_cast<double>(at_[first] + offset[0]), static_cast<double>(at_[second] + offset[1])};
  const double r = std::hypot(static_cast<double>(offset[0]), static_cast<double>(offset[1]));
  const double from = std::atan2(-static_cast<double>(offset[1]), -static_cast<double>(offset[0]));
  const bool counterClockwise = Chance(50);
  const bool full = Chance(5);
  const bool radiusForm = !full && Chance(30);
  // A radius arc keeps away from a half circle, where the rounded end could leave the chord
  // longer than the diameter.
  int sweep = radiusForm ? (Chance(50) ? static_cast<int>(Range(20, 160)) : static_cast<int>(Range(200, 340)))
                         : static_cast<int>(Range(10, 350));
  const double to = from + (counterClockwise ? 1 : -1) * sweep * kPi / 180.0;
  int64_t end[2] = {at_[first], at_[second]};
  if (!full) {
    end[0] = std::llround(centre[0] + r * std::cos(to));
    end[1] = std::llround(centre[1] + r * std::sin(to));
    if (end[0] == at_[first] && end[1] == at_[second]) return;
  }

  std::vector<std::string> words;
  SwitchDistance(&words);
  if (plane != plane_ || Chance(10)) words.push_back(plane == 17 ? "G17" : plane == 18 ? "G18" : "G19");
  plane_ = plane;
  Motion(counterClockwise ? 3 : 2, &words);
  const char letters[3] = {'X', 'Y', 'Z'};
  if (full) {
    // A whole circle by its centre alone, or with its end (its start again, absolute or as
    // increments of zero): written in thousandths or reached by increments, that end may lie a
    // hair of binary beside the start.
    if (Chance(50)) {
      words.push_back(Axis(letters[first], at_[first], at_[first]));
      words.push_back(Axis(letters[second], at_[second], at_[second]));
    }
  } else {
    if (end[0] != at_[first] || Chance(30)) words.push_back(Axis(letters[first], at_[first], end[0]));
    if (end[1] != at_[second] || Chance(30)) words.push_back(Axis(letters[second], at_[second], end[1]));
  }
  if (radiusForm) {
    words.push_back(Word('R', (sweep > 180 ? -1 : 1) * std::llround(r)));
    ++program_.radiusArcs;
  } else {
    for (int i = 0; i < 2; ++i) {
      if (offset[i] != 0 || Chance(50)) words.push_back(Word(offsetLetters[i], offset[i]));
    }
  }
  if (Chance(10)) words.push_back(Feed(static_cast<int>(Range(10, 150)) * 10));
  Line(words);
  if (full && Chance(25)) {
    // The same circle again at once, a spring pass: the same move twice in a row.
    Line(words);
    ++program_.arcs;
  }
  at_[first] = end[0];
  at_[second] = end[1];
  ++program_.arcs;
}

void Generator::Cuts(int count) {
  for (int i = 0; i < count; ++i) {
    if (Chance(35)) Arc();
    else Linear();
    if (Chance(3)) Comment();
  }
  std::vector<std::string> words;
  Motion(0, &words);
  const int64_t clear = Range(5, 50) * 1000;
  words.push_back(Axis('Z', at_[2], clear));
  if (Chance(20)) words.push_back("M09");
  Line(words);
  at_[2] = clear;
}

// Holes of G81 or G83 in G90 and G17, from an initial level above the stock, up to G80.
void Generator::Drill() {
  std::vector<std::string> words;
  if (distance_ != 90) words.push_back("G90");
  if (plane_ != 17) words.push_back("G17");
  distance_ = 90;
  plane_ = 17;
  Motion(0, &words);
  int64_t x = Range(-80000, 80000);
  int64_t y = Range(-80000, 80000);
  words.push_back(Word('X', x));
  words.push_back(Word('Y', y));
  Line(words);
  const int64_t initial = Range(15, 30) * 1000;
  Line({Word('Z', initial)});
  const bool peck = Chance(40);
  int returnLevel = Chance(50) ? 98 : 99;
  const int64_t r = Range(1000, 5000);
  const int64_t bottom = -Range(1000, 10000);
  words = {returnLevel == 98 ? "G98" : "G99", peck ? "G83" : "G81", Word('X', x), Word('Y', y), Word('Z', bottom),
           Word('R', r)};
  if (peck) words.push_back(Word('Q', Range(1000, 3000)));
  words.push_back(Feed(static_cast<int>(Range(5, 20)) * 10));
  Line(words);
  const int holes = 1 + Pick(5);
  for (int hole = 0; hole < holes; ++hole) {
    words.clear();
    if (Chance(20)) {
      returnLevel = returnLevel == 98 ? 99 : 98;
      words.push_back(returnLevel == 98 ? "G98" : "G99");
    }
    // The next hole: along X, along Y or both.
    const int along = Pick(3);
    const int64_t nx = along != 1 ? Range(-80000, 80000) : x;
    int64_t ny = along != 0 ? Range(-80000, 80000) : y;
    if (nx == x && ny == y) ny += 1000;
    if (nx != x || Chance(20)) words.push_back(Word('X', nx));
    if (ny != y || Chance(20)) words.push_back(Word('Y', ny));
    x = nx;
    y = ny;
    Line(words);
  }
  Line({"G80"});
  motion_ = -1;
  at_[0] = x;
  at_[1] = y;
  at_[2] = returnLevel == 98 ? initial : r;
  program_.holes += holes + 1;
}

void Generator::ToolChange() {
  std::vector<std::string> words;
  Motion(0, &words);
  words.push_back(Axis('Z', at_[2], kStartZ));
  Line(words);
  at_[2] = kStartZ;
  Line({"M05"});
  if (Chance(50)) {
    Line({"G91", "G28", "Z0."});  // the reference return: Z unknown until G43 H names it
    distance_ = 91;
  }
  tool_ = tool_ % 20 + 1;
  Line({Code('T', tool_), "M06"});
  if (Chance(50)) Comment();
  if (style_ == kFixtureOffsets && offsetWrites_ < kMostOffsetWrites && Chance(50)) {
    // The tool's length, as measured on a presetter: the positioning and G43 H after it name
    // every axis again.
    ++offsetWrites_;
    std::vector<std::string> write;
    if (distance_ != 90) write.push_back("G90");  // an incremental write would add to the length
    distance_ = 90;
    for (const std::string& word : {std::string("G10"), std::string("L10"), Code('P', tool_), Word('R', -Range(80000, 250000))}) {
      write.push_back(word);
    }
    Line(write);
  }
  const int64_t x = Range(-80000, 80000);
  const int64_t y = Range(-80000, 80000);
  Line({"G90", "G00", Word('X', x), Word('Y', y), Code('S', 1000 + 250 * Pick(16)), "M03"});
  distance_ = 90;
  motion_ = 0;
  at_[0] = x;
  at_[1] = y;
  const int64_t z = Range(50, 100) * 1000;
  words = {"G43", Code('H', tool_), Word('Z', z)};
  if (Chance(50)) words.push_back("M08");
  Line(words);
  at_[2] = z;
}

// The work offset in force written anew (the next fixture's): every axis is named at once after it,
// absolute, where the tool stood in the old frame's numbers.
void Generator::OffsetWrite() {
  if (offsetWrites_ >= kMostOffsetWrites) return;
  ++offsetWrites_;
  Line({distance_ != 90 ? "G90" : "", "G10", "L2", "P1", Word('X', -Range(100000, 300000)),
        Word('Y', -Range(100000, 300000)), Word('Z', -Range(200000, 400000))});
  Line({"G90", "G00", Word('X', at_[0]), Word('Y', at_[1]), Word('Z', at_[2])});
  distance_ = 90;
  motion_ = 0;
}

// The next part's local coordinate system (or the cancel): the tool stays, its numbers change by
// the change of the shift. Absolute, on its own line ("G90" on it after a G91).
void Generator::LocalSystem() {
  std::vector<std::string> words;
  if (distance_ != 90) words.push_back("G90");
  distance_ = 90;
  words.push_back("G52");
  const bool cancel = Chance(25);
  const int axes = cancel ? 3 : 1 + Pick(3);  // X, Y or both
  for (int axis = 0; axis < 2; ++axis) {
    if ((axes & (1 << axis)) == 0) continue;
    const int64_t shift = cancel ? 0 : Range(-200, 200) * 1000 + (Chance(30) ? Range(0, 999) : 0);
    words.push_back(Word(axis == 0 ? 'X' : 'Y', shift));
    at_[axis] -= shift - shift_[axis];
    shift_[axis] = shift;
  }
  Line(words);
}

void Generator::SubprogramCall() {
  const int number = 8000 + subprograms_++;
  std::string mainText;
  mainText.swap(program_.text);  // the subprogram's lines go to a text of their own
  const GeneratedProgram before = program_;
  Raw(Code('O', number));
  // Each run begins from the same modes, so that every run makes the same moves: absolute, and
  // the motion and plane written again at their first use.
  Line({"G90"});
  distance_ = 90;
  motion_ = -1;
  plane_ = -1;
  if (Chance(30)) {
    Drill();
  } else {
    // An approach in absolute numbers: from here on the moves are those of every run, whatever
    // the distance mode of the cuts.
    const int64_t x = Range(-80000, 80000);
    const int64_t y = Range(-80000, 80000);
    Line({"G00", Word('X', x), Word('Y', y)});
    const int64_t near = Range(1000, 5000);
    Line({Word('Z', near)});
    const int64_t depth = -Range(500, 5000);
    Line({"G01", Word('Z', depth), Feed(static_cast<int>(Range(5, 30)) * 10)});
    at_[0] = x;
    at_[1] = y;
    at_[2] = depth;
    motion_ = 1;
    Cuts(static_cast<int>(Range(3, 15)));
  }
  if (distance_ != 90) Line({"G90"});
  distance_ = 90;
  Raw("M99");
  subprogramText_ += program_.text;
  program_.text.swap(mainText);
  const int runs = Chance(50) ? 1 : 2 + Pick(2);
  // What the body counts, once per run.
  program_.arcs += (runs - 1) * (program_.arcs - before.arcs);
  program_.radiusArcs += (runs - 1) * (program_.radiusArcs - before.radiusArcs);
  program_.holes += (runs - 1) * (program_.holes - before.holes);
  if (runs == 1) {
    Line({"M98", Code('P', number)});
  } else {
    switch (Pick(3)) {
      case 0: Line({"M98", Code('P', number), Code('L', runs)}); break;
      case 1: Line({"M98", Code('P', number), Code('K', runs)}); break;
      default: Line({"M98", Code('P', runs * 10000 + number)}); break;
    }
  }
}

void Generator::End() {
  // A shift still standing is cancelled before the last rapid up or after it.
  const bool shifted = shift_[0] != 0 || shift_[1] != 0;
  const bool cancelFirst = Chance(50);
  auto cancel = [&] {
    Line({distance_ != 90 ? "G90" : "", "G52", Word('X', 0), Word('Y', 0)});
    distance_ = 90;
    for (int axis = 0; axis < 2; ++axis) {
      at_[axis] += shift_[axis];
      shift_[axis] = 0;
    }
  };
  if (shifted && cancelFirst) cancel();
  std::vector<std::string> words;
  if (distance_ != 90) words.push_back("G90");
  distance_ = 90;
  Motion(0, &words);
  words.push_back(Word('Z', kStartZ));
  Line(words);
  if (shifted && !cancelFirst) cancel();
  Line({Word('X', static_cast<int64_t>(std::llround(program_.start[0] * 1000))),
        Word('Y', static_cast<int64_t>(std::llround(program_.start[1] * 1000)))});
  Line({"M05"});
  Line({"M30"});
  program_.text += subprogramText_;
  Raw("%");
}

GeneratedProgram Generator::Run() {
  program_.lowestFeed = INT_MAX;
  Header();
  do {
    const int kind = Pick(10);
    if (kind < 2) {
      Drill();
    } else {
      if (style_ == kFixtureOffsets && Chance(30)) OffsetWrite();
      if (style_ == kLocalSystems && Chance(30)) LocalSystem();
      if (style_ == kSubprograms && subprograms_ < kMostSubprograms && Chance(50)) {
        SubprogramCall();
      } else {
        Approach();
        Cuts(static_cast<int>(Range(5, 40)));
      }
    }
    if (Chance(20)) ToolChange();
  } while (program_.lines < target_);
  End();
  return program_;
}

}  // namespace

GeneratedProgram GenerateProgram(uint32_t seed, int lines, int style) { return Generator(seed, lines, style).Run(); }
