// Fuzz target for a whole split: arbitrary bytes (at most 8 KiB) are an NC program in the memory
// files, split as the command line splits one, split check included (VERIFY=1). The start point
// is the program's own (ProgramStartPoint), its Z raised above the highest cut when it lies
// below; the limits are a share of the program's measured totals (a whole, a half, a third or a
// quarter by the input's length; the time, the distance or both by its first byte), so that
// most programs that split at all split into several pieces.
// Checks besides memory safety:
//  - the run returns kSplitDone or kSplitFailed, and a failure has its error line;
//  - after kSplitDone pieces 1..n exist (n >= 1), the split check passes on them (run again
//    here, every block checked), and nothing else is left but the settings file (the
//    intermediate, header and footer files are deleted: DELETE=1);
//  - after kSplitFailed nothing is left but the settings file: no piece, no intermediate,
//    header or footer file;
//  - the program is never written;
//  - a one-place edit of a piece (a line dropped or repeated, a number raised by one (by a thousand
//    least increments when it has no decimal point), a G or M code
//    swapped for its neighbour, a move inserted; which and where drawn from the input) that the
//    split check still passes leaves the cuts of the pieces as they were: joined in order, the
//    repeat at each seam counted once, every cut with its ends, its path and the machine state it
//    runs with. A harmful edit the check accepts is a finding. Feed moves in the clear (at or
//    above the start height) and straight down along Z (approaches) are no cuts to this
//    comparison: the check's rules allow pieces their own such moves.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "check/event_stream.h"
#include "check/split_check.h"
#include "config/file_naming.h"
#include "config/settings.h"
#include "fuzz_support.h"
#include "header_footer/start_point.h"
#include "split/measure_pass.h"
#include "split/split_driver.h"

namespace {

constexpr size_t kLargestProgram = 8192;
constexpr char kSettingsPath[] = "Quendrix.ini";
constexpr char kSettings[] = "[COMMAND]\r\nMODE=1\r\nDELETE=1\r\nVERIFY=1\r\n[PAVLOK]\r\nNCVIEWER=\r\n";

// The settings file next to the (imagined) executable; the command settings it holds are the
// job's (Job).
void WriteSettings() {
  std::snprintf(gProgramDirectory, sizeof gProgramDirectory, "%s", "");
  std::snprintf(gSettingsPath, sizeof gSettingsPath, "%s", kSettingsPath);
  platform::FileHandle file(kSettingsPath, "wb");
  fuzz::Check(platform::WriteBytes(file.get(), kSettings, sizeof kSettings - 1) && file.Close(),
              "the settings file is written");
}

std::string Piece(int number) {
  char path[kPathField];
  fuzz::Check(PiecePath(fuzz::kInputPath, number, path, sizeof path) == kNamingOk, "a piece path");
  return path;
}

// The job the command line would make: the program's start point, raised above its cuts; the
// limits from its totals.
SplitJob Job(const uint8_t* data, size_t size) {
  SplitJob job{fuzz::kInputPath, 1.0, 1.0, {0.0, 0.0, 100.0}};
  job.settings = CommandSettings{0, 1, 1, 0, 0, 1, 0};
  double start[3] = {0.0, 0.0, 100.0};
  if (ProgramStartPoint(fuzz::kInputPath, start) == kStartPointDone) {
    for (int axis = 0; axis < 3; ++axis) job.start[axis] = start[axis];
  }
  SplitMeter distance{};
  SplitMeter time{};
  Extents minimum{};
  Extents maximum{};
  MeasureReport report{};
  if (MeasureProgram({fuzz::kInputPath, nullptr, job.start},
                     {&distance, &time, &minimum, &maximum, &report}) !=
      kMeasureOk) {
    return job;  // the split refuses it the same way
  }
  if (report.anyCut && job.start[2] < report.highestCutZ && std::isfinite(report.highestCutZ)) {
    job.start[2] = std::ceil(report.highestCutZ) + 10.0;
  }
  const double parts = static_cast<double>(1 + size % 4);
  const int kind = data[0] % 3;  // 0: both limits, 1: the time alone, 2: the distance alone
  if (time.running > 1e-6 && kind != 2) job.time = time.running / parts;
  else job.time = 1e9;
  if (distance.running > 1e-6 && kind != 1) job.distance = distance.running / parts;
  else job.distance = 1e9;
  return job;
}

// --- Edits of a piece --------------------------------------------------------------------------

// One cut as the machine makes it, for the comparison of the cuts before and after an edit.
struct Cut {
  int kind;
  CheckPoint from;
  CheckPoint to;
  ArcPath arc;
  HolePath hole;
  CheckMachineState state;
};

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-3; }

bool SamePoint(const CheckPoint& a, const CheckPoint& b) {
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if (a.flags[axis] != b.flags[axis]) return false;
    if (PhysicalKnown(a, axis) && !Near(a.physical[axis], b.physical[axis])) return false;
  }
  return true;
}

bool SameCut(const Cut& a, const Cut& b) {
  // A hole is drilled from its R level down: where the tool comes to it from, and the level it
  // returns to (its initial level or R), are moves above the work, the check's to judge as such.
  const bool hole = a.kind == kEventHole;
  if (a.kind != b.kind) return false;
  if (!hole && (!SamePoint(a.from, b.from) || !SamePoint(a.to, b.to))) return false;
  if (hole && (!Near(a.to.physical[0], b.to.physical[0]) || !Near(a.to.physical[1], b.to.physical[1]))) return false;
  if (a.kind == kEventArc && (a.arc.plane != b.arc.plane || a.arc.direction != b.arc.direction ||
                              !Near(a.arc.sweep, b.arc.sweep) || !Near(a.arc.radius, b.arc.radius))) {
    return false;
  }
  if (a.kind == kEventHole && (a.hole.code != b.hole.code || a.hole.returnMode != b.hole.returnMode ||
                               !Near(a.hole.bottom, b.hole.bottom) || !Near(a.hole.rLevel, b.hole.rLevel) ||
                               !Near(a.hole.q, b.hole.q) ||
                               !Near(a.hole.p, b.hole.p))) {
    return false;
  }
  const CheckMachineState& x = a.state;
  const CheckMachineState& y = b.state;
  const bool lengthOn = x.lengthOffset == 43 || x.lengthOffset == 44;
  return x.spindle == y.spindle && x.tool == y.tool && x.lengthOffset == y.lengthOffset &&
         (!lengthOn || x.lengthRegister == y.lengthRegister) && x.compensation == y.compensation &&
         (x.compensation == 40 || x.radiusRegister == y.radiusRegister) && x.workOffset == y.workOffset &&
         x.feedMode == y.feedMode && x.coolant == y.coolant && x.units == y.units && x.speed == y.speed &&
         x.feed == y.feed && x.offsetWrites == y.offsetWrites && Near(x.localShift[0], y.localShift[0]) &&
         Near(x.localShift[1], y.localShift[1]) && Near(x.localShift[2], y.localShift[2]);
}

// A move the check's rules let a piece make of its own: one that goes nowhere at the resolution,
// straight down (or up) along Z, or a feed move wholly at or above the start height.
bool OwnMoveKind(const CheckEvent& e, double startZ) {
  if (e.kind != kEventLinear) return false;
  // A move shorter than the resolution on every axis goes nowhere (a number written with more
  // decimals than the pieces' own moves, after a move they rounded).
  bool nowhere = true;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    const bool physical = PhysicalKnown(e.from, axis) && PhysicalKnown(e.to, axis);
    const double change = physical ? e.to.physical[axis] - e.from.physical[axis] : e.to.program[axis] - e.from.program[axis];
    nowhere = nowhere && (physical || e.from.flags[axis] == e.to.flags[axis]) && std::fabs(change) <= 1e-3 + 1e-9;
  }
  if (nowhere) return true;
  // X and Y stay where they are (known or not, as far as the machine can tell).
  bool vertical = true;
  for (int axis = 0; axis < 2; ++axis) {
    const bool known = PhysicalKnown(e.from, axis);
    const double from = known ? e.from.physical[axis] : e.from.program[axis];
    const double to = known ? e.to.physical[axis] : e.to.program[axis];
    vertical = vertical && e.from.flags[axis] == e.to.flags[axis] && std::fabs(from - to) <= 1e-9;
  }
  if (vertical) return true;
  // At or above the start height, the top of travel included.
  auto clear = [startZ](const CheckPoint& point) {
    return AtTopOfTravel(point) || (PhysicalKnown(point, 2) && point.physical[2] >= startZ - 1e-9);
  };
  return clear(e.from) && clear(e.to);
}

// The cuts of pieces 1..pieces joined; false when a piece cannot be run.
bool CutsOf(int pieces, const double start[3], std::vector<Cut>* cuts) {
  cuts->clear();
  static EventStream stream;
  for (int number = 1; number <= pieces; ++number) {
    if (stream.Open(Piece(number).c_str(), start, false) != kStreamEvent) return false;
    bool first = true;
    for (;;) {
      const CheckEvent* event = nullptr;
      const int peeked = stream.Peek(0, &event);
      if (peeked == kStreamFault) return false;
      if (peeked != kStreamEvent) break;
      const CheckEvent e = *event;
      stream.Take();
      if (!IsCuttingEvent(e.kind) || OwnMoveKind(e, start[2])) continue;
      const Cut cut{e.kind, e.from, e.to, e.arc, e.hole, e.state};
      // The repeat of the cut a piece ended with, where the next one resumes.
      if (first && !cuts->empty() && SameCut(cuts->back(), cut)) {
        first = false;
        continue;
      }
      first = false;
      cuts->push_back(cut);
    }
  }
  return true;
}

bool SameCuts(const std::vector<Cut>& a, const std::vector<Cut>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!SameCut(a[i], b[i])) return false;
  }
  return true;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const size_t next = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(at, next - at));
    at = next;
  }
  return lines;
}

// The neighbours a code is swapped for.
constexpr const char* kSwaps[][2] = {{"G00", "G01"}, {"G01", "G00"}, {"G02", "G03"}, {"G03", "G02"},
                                     {"G43", "G49"}, {"G49", "G43"}, {"G40", "G41"}, {"G54", "G55"},
                                     {"G90", "G91"}, {"M03", "M04"}, {"M08", "M09"}, {"M09", "M08"},
                                     {"M06", "M00"}, {"G98", "G99"}};
constexpr const char* kInserts[] = {"G00Z-1.\r\n", "G00X5.Y5.\r\n", "G01X5.Y5.\r\n", "M05\r\n", "M09\r\n",
                                    "G49\r\n", "G55\r\n"};

// One edit of `text` drawn from `seed`; the text unchanged when the draw finds nothing to edit.
std::string Edited(const std::string& text, uint32_t seed) {
  std::vector<std::string> lines = LinesOf(text);
  if (lines.empty()) return text;
  const size_t at = (seed >> 3) % lines.size();
  std::string& line = lines[at];
  switch (seed % 5) {
    case 0:
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
      break;
    case 1:
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
      break;
    case 2: {
      // The number after an address letter, one more in its whole part.
      for (size_t i = 0; i + 1 < line.size(); ++i) {
        const char c = line[i];
        const char d = line[i + 1];
        if (std::strchr("XYZIJKRFSHDQ", c) == nullptr || !(std::isdigit(static_cast<unsigned char>(d)) || d == '-')) continue;
        size_t end = i + 1;
        if (line[end] == '-') ++end;
        const size_t digits = end;
        while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
        if (end == digits || end - digits > 9) continue;  // no digits, or more than a control reads
        // Without a decimal point the number counts least increments: a thousand of them then,
        // so that no edit lies within the resolution the check allows for.
        const bool point = end < line.size() && line[end] == '.';
        const long whole = std::strtol(line.substr(i + 1, end - i - 1).c_str(), nullptr, 10);
        line.replace(i + 1, end - i - 1, std::to_string(whole + (point ? 1 : 1000)));
        break;
      }
      break;
    }
    case 3:
      for (const auto& swap : kSwaps) {
        const size_t found = line.find(swap[0]);
        if (found == std::string::npos) continue;
        line.replace(found, 3, swap[1]);
        break;
      }
      break;
    default:
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), kInserts[(seed >> 11) % std::size(kInserts)]);
      break;
  }
  std::string out;
  for (const std::string& l : lines) out += l;
  return out;
}

// A hash of the input: which piece is edited, and how.
uint32_t EditSeed(const uint8_t* data, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

void WriteText(const std::string& path, const std::string& text) {
  platform::FileHandle file(path.c_str(), "wb");
  fuzz::Check(platform::WriteBytes(file.get(), text.data(), text.size()) && file.Close(), "a piece is written");
}

// Edits one piece once and holds the check to the cuts (see the top of the file); the piece is
// put back as it was.
void SurveyOneEdit(const SplitCheckJob& check, int pieces, const uint8_t* data, size_t size, fuzz::MemoryFiles* files) {
  std::vector<Cut> before;
  if (!CutsOf(pieces, check.start, &before)) return;
  const uint32_t seed = EditSeed(data, size);
  const std::string path = Piece(1 + static_cast<int>((seed >> 20) % static_cast<uint32_t>(pieces)));
  const std::string original = files->Written(path);
  const std::string edited = Edited(original, seed);
  if (edited == original) return;
  WriteText(path, edited);
  static SplitCheckReport report;
  if (CheckSplit(check, &report) == kCheckPassed) {
    std::vector<Cut> after;
    if (!CutsOf(pieces, check.start, &after) || !SameCuts(before, after)) {
      if (std::getenv("QX_FUZZ_SHOW") != nullptr) {
        std::fprintf(stderr, "cuts %zu -> %zu\n", before.size(), after.size());
        for (size_t i = 0; i < before.size() || i < after.size(); ++i) {
          auto show = [](const std::vector<Cut>& cuts, size_t i) {
            if (i >= cuts.size()) return std::string("-");
            const Cut& c = cuts[i];
            char text[256];
            std::snprintf(text, sizeof text, "k%d [%d%d%d>%d%d%d] %.5g,%.5g,%.5g -> %.5g,%.5g,%.5g f%g s%g sp%d c%d t%d L%d", c.kind,
                          c.from.flags[0], c.from.flags[1], c.from.flags[2], c.to.flags[0], c.to.flags[1], c.to.flags[2],
                          c.from.physical[0], c.from.physical[1], c.from.physical[2], c.to.physical[0],
                          c.to.physical[1], c.to.physical[2], c.state.feed, c.state.speed, c.state.spindle,
                          c.state.coolant, c.state.tool, c.state.lengthOffset);
            return std::string(text);
          };
          std::fprintf(stderr, "%zu: %s | %s\n", i, show(before, i).c_str(), show(after, i).c_str());
        }
      }
      const std::vector<std::string> was = LinesOf(original);
      const std::vector<std::string> now = LinesOf(edited);
      size_t line = 0;
      while (line < was.size() && line < now.size() && was[line] == now[line]) ++line;
      std::fprintf(stderr, "edit %u of %s line %zu passes the check: [%s] -> [%s]\n", seed, path.c_str(), line + 1,
                   line < was.size() ? was[line].c_str() : "", line < now.size() ? now[line].c_str() : "");
      fuzz::Fail("an edit of a piece that changes its cuts is refused by the split check");
    }
  }
  WriteText(path, original);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > kLargestProgram) return -1;  // not added to the corpus
  fuzz::MemoryFiles files(data, size);
  WriteSettings();
  const SplitJob job = Job(data, size);
  const int boxesBefore = files.boxes();

  const int result = SplitProgram(nullptr, job);
  fuzz::Check(result == kSplitDone || result == kSplitFailed, "done or failed");

  int pieces = 0;
  while (platform::FileExists(Piece(pieces + 1).c_str())) ++pieces;
  std::vector<std::string> expected{kSettingsPath};
  if (result == kSplitDone) {
    fuzz::Check(pieces >= 1, "a split that succeeds wrote pieces");
    SplitCheckJob check{};
    check.ncFile = fuzz::kInputPath;
    check.pieceCount = pieces;
    for (int axis = 0; axis < 3; ++axis) check.start[axis] = job.start[axis];
    check.approach = 10.0;
    static SplitCheckReport report;
    if (CheckSplit(check, &report) != kCheckPassed) {
      std::fprintf(stderr, "piece %d line %d, program line %d, rule %d: %s\n", report.piece, report.pieceLine,
                   report.sourceLine, report.rule, report.detail);
      std::fprintf(stderr, "job %.17g %.17g start %.17g %.17g %.17g pieces %d\n", job.distance, job.time,
                   job.start[0], job.start[1], job.start[2], pieces);
      fuzz::Fail("the pieces of a success pass the split check");
    }
    SurveyOneEdit(check, pieces, data, size, &files);
    for (int number = 1; number <= pieces; ++number) expected.push_back(Piece(number));
  } else {
    fuzz::Check(files.boxes() > boxesBefore, "a failure has its error line");
  }
  std::sort(expected.begin(), expected.end());
  fuzz::Check(files.Paths() == expected, result == kSplitDone ? "nothing but the pieces is left"
                                                               : "nothing of a failed run is left");
  return 0;
}
