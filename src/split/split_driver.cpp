#include "split/split_driver.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>

#include "check/split_check.h"
#include "config/file_naming.h"
#include "config/settings.h"
#include "config/settings_keys.h"
#include "header_footer/footer_cut.h"
#include "header_footer/header_cut.h"
#include "header_footer/wait.h"
#include "log/run_log.h"
#include "nc/format.h"
#include "nc/block.h"
#include "nc/machine_state.h"
#include "nc/measure.h"
#include "nc/number_text.h"
#include "nc/pass_rules.h"
#include "split/intermediate.h"
#include "split/machine_meter.h"
#include "split/measure_messages.h"
#include "split/measure_pass.h"
#include "split/piece_writer.h"
#include "split/split_messages.h"
#include "split/seam_rules.h"
#include "split/seam_plan.h"
#include "split/viewer.h"
#include "text/text_cut.h"

namespace {

// Everything one run works on.
struct SplitRun {
  platform::WindowHandle owner;
  const SplitJob& job;
  SplitMeter distance;  // limit in metres as given; in mm once the split loop starts
  SplitMeter time;      // limit in minutes
  uint32_t startTick;
  char intermediatePath[kPathField];
  char headerPath[kPathField];
  char footerPath[kPathField];
  PieceSettings piece;  // what every piece is made of
  char positioning[128];  // the positioning line after the header
  char resumePositioning[128];  // the same after the header without the first tool's set-up
  Extents minimum;
  Extents maximum;
  int pieces;            // pieces written and closed
  PositioningRecipe recipe;  // the header's end and the positioning line's recipe
  int bodyLine;          // the first line of the program's body (the header is before it)
  int lastMoveLine;      // the place of its last move among the lines the program runs (its line
                         // in a program without calls): the footer follows it
  int64_t lastMoveRecord = 0;  // the record of the program's last move (from the start record)
  int64_t lastCutRecord = 0;   // the record of its last cut: no piece begins after it
  int units;             // the program's units
  bool lengthOffsets = false;  // the program takes up tool length offsets
  bool setsPosition = false;   // the program states its position with G92
  bool localShifts = false;    // the program's body sets a local coordinate system (G52)
  int opened = 0;        // the highest piece number this run created (0: none): a failed run
                         // removes pieces 1 .. opened
  bool madeHeader = false;  // this run made the header file / the footer file
  bool madeFooter = false;
  platform::FileStatus source{};  // the program's size and last write time before it was read
  // TIMEMODEL=1: the split's time is the machine time of `limits`; `machine` holds it as `time`
  // holds the programmed time (running: the piece's so far; previous: before the current record;
  // limit: the split time). The sums are the closed pieces'.
  bool machineModel = false;
  MachineLimits limits{};
  SplitMeter machine{0.0, 0.0, 0.0, 0.0};
  double machineSum = 0.0;
  double programmedSum = 0.0;
  bool resumeWithoutZ = false;  // the positioning line after the header without the first tool's
                                // set-up names no Z
  int seam = kSeamCut;           // SeamPolicy of the run
  int sizeKb = 0;                // the largest piece file in KB (0: no limit)
  int shares = 0;                // --pieces: the pieces of equal cutting time (TIMEMODEL=1: machine
                                 // time) asked for (0: none)
  const char* seamText = "cut";  // as given
  bool limitsPassed = false;  // the program passes a limit: a split is needed (else only SEAM=tool
                              // splits it, at its tool changes)
  int64_t footerOffset = 0;   // a program that calls nothing: where the line after its last move
                              // begins (the footer cut reads from there); 0: unknown
};

// Emits the composed line as an error of the run and returns kSplitFailed.
int Refuse(const SplitRun& run) {
  EmitLogLine(run.owner, kLogError);
  return kSplitFailed;
}

void Blank() { EmitLogLine(nullptr, kLogPlain); }

// Emits `format` with one coordinate text.
void LineWithCoordinate(const char* format, double value) {
  char text[kCoordinateTextSize];
  FormatCoordinate(value, text);
  FormatLog(format, text);
  EmitLogLine(nullptr, kLogPlain);
}

// "%d" line with two values cut to three decimals.
void LineWithTwoFixed(const char* format, int number, double first, double second) {
  char a[64];
  char b[64];
  FormatFixed(first, a, 3);
  FormatFixed(second, b, 3);
  FormatLog(format, number, a, b);
  EmitLogLine(nullptr, kLogPlain);
}

void ExtentLine(const char* format, double maximum, double minimum) {
  char a[64];
  char b[64];
  FormatFixed(maximum, a, 3);
  FormatFixed(minimum, b, 3);
  FormatLog(format, a, b);
  EmitLogLine(nullptr, kLogPlain);
}

// Reads one seam setting; refuses a height below 0 or a feed factor of 0 or less, which would
// move the tool into the stock or stop it with a feed alarm.
int ReadSeamNumber(const SplitRun& run, const TextSetting& setting, bool feedFactor, double* value) {
  char text[16];
  ReadSettingText(setting, text, sizeof text);
  *value = ParseStandardDecimal(text);
  if (feedFactor ? *value > 0.0 : *value >= 0.0) return kSplitDone;
  FormatLog(feedFactor ? kSeamFeedNotPositive : kSeamHeightNegative, setting.key, text);
  return Refuse(run);
}

// --- A. Start: the job, its settings and its files -------------------------------------------

// Builds one derived path; refuses a path that does not fit.
int DerivePath(const SplitRun& run, const TextSetting& setting, char* out) {
  char suffix[64];
  ReadSettingText(setting, suffix, sizeof suffix);
  if (SuffixPath(run.job.ncFile, suffix, out, kPathField) != kNamingOk) {
    FormatLog(kDerivedPathTooLong, run.job.ncFile);
    return Refuse(run);
  }
  return kSplitDone;
}

// Refuses derived files that would fall on the program or on each other.
int CheckDerivedPaths(const SplitRun& run) {
  const char* derived[] = {run.intermediatePath, run.headerPath, run.footerPath};
  for (const char* path : derived) {
    if (SamePath(path, run.job.ncFile)) {
      FormatLog(kDerivedIsSource, path);
      return Refuse(run);
    }
  }
  for (size_t i = 0; i < 3; ++i) {
    bool clash = IsPiecePath(run.job.ncFile, derived[i]);
    for (size_t j = i + 1; j < 3 && !clash; ++j) clash = SamePath(derived[i], derived[j]);
    if (clash) {
      FormatLog(kDerivedCollision, derived[i]);
      return Refuse(run);
    }
  }
  return kSplitDone;
}

// Reports the job and takes the program's size and time stamp (SourceUnchanged compares them).
int ReportJob(SplitRun* run) {
  const SplitJob& job = run->job;
  if (std::strlen(job.ncFile) >= kPathField) {
    FormatLog(kNcPathTooLong, job.ncFile);
    return Refuse(*run);
  }
  if (platform::GetFileStatus(job.ncFile, &run->source) != 0) {
    FormatLog(kNcFileMissing, job.ncFile);
    return Refuse(*run);
  }
  FormatLog(kJobFile, job.ncFile);
  EmitLogLine(nullptr, kLogPlain);
  LineWithCoordinate(kJobDistance, job.distance);
  LineWithCoordinate(kJobTime, job.time);
  LineWithCoordinate(kJobStartX, job.start[0]);
  LineWithCoordinate(kJobStartY, job.start[1]);
  LineWithCoordinate(kJobStartZ, job.start[2]);
  Blank();

  // A limit of 0 or less (or no number at all) would end a piece before any was opened.
  if (!(job.distance > 0.0)) {
    char text[kCoordinateTextSize];
    FormatCoordinate(job.distance, text);
    FormatLog(kDistanceLimitInvalid, text);
    return Refuse(*run);
  }
  if (!(job.time > 0.0)) {
    char text[kCoordinateTextSize];
    FormatCoordinate(job.time, text);
    FormatLog(kTimeLimitInvalid, text);
    return Refuse(*run);
  }
  return kSplitDone;
}

// TIMEMODEL and, for the machine time, the machine of [MACHINE].
int ReadTimeModel(SplitRun* run) {
  const int model = run->job.settings.timeModel;
  if (model != 0 && model != 1) {
    FormatLog(kTimeModelInvalid, model);
    return Refuse(*run);
  }
  run->machineModel = model == 1;
  run->machine.limit = run->job.time;
  if (!run->machineModel) return kSplitDone;
  char problem[kLogLineSize];
  if (ReadMachineSettings(&run->limits, problem) != kMachineSettingsOk) {
    FormatLog("%s", problem);
    return Refuse(*run);
  }
  return kSplitDone;
}

int ReadRunSettings(SplitRun* run) {
  PieceSettings& piece = run->piece;
  ReadFormatSettings(&piece.format);
  if (piece.format.decimal != 0) piece.format.decimal = 3;
  if (run->job.settings.debug == kEchoOutputDebug) EchoOutputParameters(piece.format);

  if (ReadSeamNumber(*run, kApproachSetting, false, &piece.seam.approach) != kSplitDone ||
      ReadSeamNumber(*run, kLiftSetting, false, &piece.seam.lift) != kSplitDone ||
      ReadSeamNumber(*run, kApproachFeedSetting, true, &piece.seam.approachFeedRatio) != kSplitDone ||
      ReadSeamNumber(*run, kLiftFeedSetting, true, &piece.seam.liftFeedRatio) != kSplitDone) {
    return kSplitFailed;
  }
  if (DerivePath(*run, kAsciiFileSetting, run->intermediatePath) != kSplitDone ||
      DerivePath(*run, kSplitHeaderSuffixSetting, run->headerPath) != kSplitDone ||
      DerivePath(*run, kSplitFooterSuffixSetting, run->footerPath) != kSplitDone) {
    return kSplitFailed;
  }
  // The highest piece number a run can reach in practice must fit as well.
  char last[kPathField];
  if (PiecePath(run->job.ncFile, 999, last, sizeof last) != kNamingOk) {
    FormatLog(kDerivedPathTooLong, run->job.ncFile);
    return Refuse(*run);
  }
  piece.format.comment = ReadSettingInt(kCommentSetting);
  piece.ncFile = run->job.ncFile;
  piece.headerPath = run->headerPath;
  piece.footerPath = run->footerPath;
  piece.observer = run->job.observer;
  piece.reportBlocks = run->job.settings.debug == kReportBlocksDebug;
  for (int axis = 0; axis < 3; ++axis) piece.start[axis] = run->job.start[axis];

  if (ReadTimeModel(run) != kSplitDone) return kSplitFailed;

  // The job's policy (a batch parameter) or SEAM of [COMMAND].
  const bool jobSeam = run->job.seam != nullptr && run->job.seam[0] != '\0';
  run->seamText = jobSeam ? run->job.seam : run->job.settings.seamText;
  run->seam = jobSeam ? ParseSeamPolicy(run->job.seam) : run->job.settings.seam;
  if (run->seam == kSeamUnknown) {
    FormatLog(kSeamPolicyUnknown, run->seamText);
    return Refuse(*run);
  }
  // The size limit: the job's (a batch parameter) or SIZE of [COMMAND]; whole KB, 0 for none.
  run->sizeKb = run->job.settings.sizeKb;
  if (run->job.maxSize != nullptr && run->job.maxSize[0] != '\0') run->sizeKb = ParseSizeKb(run->job.maxSize);
  if (run->sizeKb < 0 || run->sizeKb > 1000000) {
    char text[32];
    if (run->job.maxSize != nullptr && run->job.maxSize[0] != '\0') {
      CopyText(run->job.maxSize, text, sizeof text);
    } else if (run->job.settings.sizeText[0] != '\0') {
      CopyText(run->job.settings.sizeText, text, sizeof text);
    } else {
      std::snprintf(text, sizeof text, "%d", run->sizeKb);
    }
    FormatLog(kSizeLimitInvalid, text);
    return Refuse(*run);
  }
  // The pieces asked for: the job's (a batch parameter) or the console's --pieces.
  const char* shares = run->job.pieces != nullptr && run->job.pieces[0] != '\0' ? run->job.pieces
                                                                                : run->job.settings.piecesText;
  if (shares[0] != '\0') {
    const int count = ParseSizeKb(shares);  // whole numbers by the same rule
    if (count < 2 || count > kMaxPlannedSeams) {
      FormatLog(kPiecesInvalid, shares);
      return Refuse(*run);
    }
    run->shares = count;
  }
  LineWithCoordinate(kSeamApproach, piece.seam.approach);
  LineWithCoordinate(kSeamLift, piece.seam.lift);
  if (run->seam != kSeamCut) {
    FormatLog(kSeamPolicyLine, run->seam == kSeamTool ? "tool" : "break");
    EmitLogLine(nullptr, kLogPlain);
  }
  if (run->sizeKb > 0) {
    FormatLog(kSizeLimitLine, run->sizeKb);
    EmitLogLine(nullptr, kLogPlain);
  }
  if (run->shares > 0) {
    // Under TIMEMODEL=1 the shares are of the machine time.
    FormatLog(run->machineModel ? kPiecesMachineLine : kPiecesLine, run->shares);
    EmitLogLine(nullptr, kLogPlain);
  }
  if (run->machineModel) {
    FormatLog("%s", kTimeModelMachine);
    EmitLogLine(nullptr, kLogPlain);
  }
  Blank();
  FormatLog(kHeaderFileLine, run->headerPath);
  EmitLogLine(nullptr, kLogPlain);
  FormatLog(kFooterFileLine, run->footerPath);
  EmitLogLine(nullptr, kLogPlain);
  Blank();
  return CheckDerivedPaths(*run);
}

// --- B. Measurement and C. the decision ------------------------------------------------------

// True when start height `startZ` lies below `highestCutZ` on the grid of the program's numbers
// (0.001 mm, or 0.0001 inch in `units` kInches). A start at the height of the highest cut is no
// fault (a program's first plunge often feeds down from its start height), and the same height
// must be judged the same whether the user typed it or it was taken from the program, where it
// may carry the binary residue of incremental moves (0.1 + 0.2 is a hair above 0.3).
bool StartBelowCut(double startZ, double highestCutZ, int units) {
  const int decimals = units == kInches ? 4 : 3;
  int64_t start = 0;
  int64_t highest = 0;
  if (!RoundToWhole(startZ, decimals, &start) || !RoundToWhole(highestCutZ, decimals, &highest)) {
    return startZ < highestCutZ;
  }
  return start < highest;
}

// The start point must be a safe height above every cut (each piece retracts to it and returns
// across the part there), and in a program that states its position with G92 it must be that
// position: every piece repeats the G92 where the previous one returned to the start point.
int CheckStartPoint(const SplitRun& run, const MeasureReport& report) {
  const double* start = run.job.start;
  for (int axis = kX; axis <= kZ; ++axis) {
    if ((report.setPositionAxes & (1 << axis)) == 0) continue;
    const double stated = report.setPosition[axis];
    if (std::fabs(start[axis] - stated) < 0.0005) continue;
    char given[kCoordinateTextSize];
    char value[kCoordinateTextSize + 1] = {kWordLetters[axis], '\0'};
    FormatCoordinate(start[axis], given);
    FormatCoordinate(stated, std::span<char>(value + 1, kCoordinateTextSize));
    FormatLog(kStartAgainstSetPosition, kAxisNames[axis], given, report.setPositionLine, value);
    return Refuse(run);
  }
  if (report.anyCut && StartBelowCut(start[kZ], report.highestCutZ, report.units)) {
    char given[kCoordinateTextSize + 8];
    char highest[kCoordinateTextSize + 8];
    if (report.units == kInches) {
      // An inch program's numbers have four decimals: both shown to the place they differ in.
      FormatRounded(start[kZ], given, 4);
      FormatRounded(report.highestCutZ, highest, 4);
    } else {
      FormatCoordinate(start[kZ], given);
      FormatCoordinate(report.highestCutZ, highest);
    }
    FormatLog(kStartBelowCut, given, highest);
    return Refuse(run);
  }
  return kSplitDone;
}

int MeasureRun(SplitRun* run) {
  SplitMeter& distance = run->distance;
  SplitMeter& time = run->time;
  // Where the header ends decides where the pieces' bodies begin: the measurement starts the
  // body at the start point, where every piece's positioning line puts the tool. (A program the
  // header cut cannot read is left for the measurement to report.)
  const bool headerFound = CutHeader(run->job.ncFile, nullptr, &run->recipe) == kHeaderCutOk;
  run->bodyLine = !headerFound ? 1 : run->recipe.bodyLine == 0 ? INT_MAX : run->recipe.bodyLine;
  MeasureReport report{};
  const int result = MeasureProgram({run->job.ncFile, run->intermediatePath, run->job.start, run->bodyLine,
                                     run->machineModel ? &run->limits : nullptr},
                                    {&distance, &time, &run->minimum, &run->maximum, &report});
  if (result == kMeasureOk && !headerFound) {
    platform::RemoveFile(run->intermediatePath);
    FormatLog("%s", kHeaderCutFailedText);
    return Refuse(*run);
  }
  if (result != kMeasureOk) {
    // A refused program leaves no partial intermediate file behind. (Its path was checked not to
    // be the program's nor any other file of the run; a file that could not be made is not ours.)
    if (result != kMeasureNcUnreadable && result != kMeasureIntermediateUnwritable) {
      platform::RemoveFile(run->intermediatePath);
    }
    char text[kLogLineSize];
    DescribeMeasureFailure(result, report, run->job.ncFile, run->intermediatePath, text);
    FormatLog("%s", text);
    return Refuse(*run);
  }
  run->lastMoveLine = report.lastMoveOrdinal;
  run->footerOffset = report.footerOffset;
  run->lastMoveRecord = report.lastMoveRecord;
  run->lastCutRecord = report.lastCutRecord;
  run->units = report.units;
  run->lengthOffsets = report.lengthOffsetUsed;
  run->setsPosition = report.setPositionLine != 0;
  run->localShifts = report.localShiftUsed;
  LineWithCoordinate(kTotalDistance, distance.running);
  LineWithCoordinate(kTotalTime, time.running);
  if (run->machineModel) {
    // The whole program as one piece runs it: what the split time is weighed against.
    run->machine.running = report.machineMinutes;
    LineWithCoordinate(kTotalMachineTime, run->machine.running);
  }
  char warning[kLogLineSize];
  if (DescribeZeroFeedWarning(report.zeroFeedMoves, warning) > 0) {
    FormatLog("%s", warning);
    EmitLogLine(nullptr, kLogPlain);
  }
  if (report.linesAfterEnd > 0) {
    FormatLog(kProgramEndsEarlyText, report.endLine, report.endCode, report.linesAfterEnd);
    EmitLogLine(nullptr, kLogPlain);
  }
  Blank();

  // Running at or above a limit in either meter needs a split.
  const double splitTime = run->machineModel ? run->machine.running : time.running;
  const bool needed = splitTime >= time.limit || distance.running >= distance.limit;
  // Under SEAM=tool a program of several tools is split at its tool changes whatever its length:
  // the plan decides (PlanRun).
  run->limitsPassed = needed;
  if (!needed && run->seam != kSeamTool && run->sizeKb == 0 && run->shares == 0) {
    platform::RemoveFile(run->intermediatePath);
    FormatLog("%s", kNoSplitNeeded);
    return Refuse(*run);
  }
  if (CheckStartPoint(*run, report) != kSplitDone) {
    platform::RemoveFile(run->intermediatePath);
    return kSplitFailed;
  }
  return kSplitDone;
}

// --- D. Preparation ----------------------------------------------------------------------------

int PrepareRun(SplitRun* run) {
  FormatLog("%s", kSplitStart);
  EmitLogLine(nullptr, kLogPlain);
  Blank();
  ExtentLine(kExtentLineX, run->maximum[kExtentX], run->minimum[kExtentX]);
  ExtentLine(kExtentLineY, run->maximum[kExtentY], run->minimum[kExtentY]);
  ExtentLine(kExtentLineZ, run->maximum[kExtentZ], run->minimum[kExtentZ]);
  Blank();

  // Files the user made (and perhaps edited) are used as they are. A failed cut leaves none of
  // the files this run made behind (their paths were checked to be the run's own).
  // A header file the user made is used as it is; the positioning line still comes from the
  // program, to this run's start point, and so does where the program's body begins.
  const char* ncFile = run->job.ncFile;
  if (!platform::FileExists(run->headerPath)) {
    if (CutHeader(ncFile, run->headerPath, &run->recipe) != kHeaderCutOk) {
      platform::RemoveFile(run->headerPath);
      platform::RemoveFile(run->intermediatePath);
      FormatLog("%s", kHeaderCutFailedText);
      return Refuse(*run);
    }
    run->madeHeader = true;
  }
  auto removeMade = [&] {
    if (run->madeHeader) platform::RemoveFile(run->headerPath);
    platform::RemoveFile(run->intermediatePath);
  };
  if (!platform::FileExists(run->footerPath)) {
    if (CutFooter(ncFile, run->footerPath, run->lastMoveLine, run->footerOffset) != kFooterCutOk) {
      platform::RemoveFile(run->footerPath);
      removeMade();
      FormatLog("%s", kFooterCutFailedText);
      return Refuse(*run);
    }
    run->madeFooter = true;
  }
  // What every piece's head leaves the machine in: the restore of a piece starts from there. A
  // program that cuts under a tool length offset moves Z only under one: a header that leaves
  // none in force gets a positioning line in X and Y alone. So does the header of a piece that
  // resumes with another tool in a program that cuts without offsets: Z comes after its tool
  // change.
  PieceSettings& piece = run->piece;
  piece.lengthOffsets = run->lengthOffsets;
  piece.setsPosition = run->setsPosition;
  const int headers[2] = {kProgramHeader, kResumeHeader};
  char* lines[2] = {run->positioning, run->resumePositioning};
  MachineState* states[2] = {&piece.header, &piece.resumeHeader};
  for (int h = 0; h < 2; ++h) {
    MachineState opening = UnstatedMachine();
    if (!HeaderMachineState(run->headerPath, "", &opening, headers[h])) {
      removeMade();
      FormatLog(kHeaderStateUnreadable, run->headerPath);
      return Refuse(*run);
    }
    // (The same rule as the piece writer's: see PieceWriter::Open.)
    const bool withZ = run->lengthOffsets ? opening.lengthOffset == 43 || opening.lengthOffset == 44
                                          : headers[h] == kProgramHeader;
    if (headers[h] == kResumeHeader) run->resumeWithoutZ = !withZ;
    (headers[h] == kResumeHeader ? piece.resumePositioningWithZ : piece.positioningWithZ) = withZ;
    FormatPositioningLine(run->recipe, run->job.start, std::span<char>(lines[h], sizeof run->positioning), withZ);
    *states[h] = opening;
    ApplyStateText(lines[h], std::strlen(lines[h]), kWholeBlock, states[h]);
  }
  piece.positioning = run->positioning;
  piece.resumePositioning = run->resumePositioning;
  // A piece that resumes under a local coordinate system goes to the start point in its frame.
  piece.recipe = &run->recipe;
  piece.units = run->units;
  return kSplitDone;
}

// --- E. The split loop -------------------------------------------------------------------------

// The tools a piece holds, for its log lines under SEAM=break and tool.
struct PieceTools {
  int count = 0;
  int numbers[8] = {};
  bool more = false;  // more tools than the list holds
  void Add(int tool) {
    if (tool == kNotStated) return;
    for (int i = 0; i < count; ++i) {
      if (numbers[i] == tool) return;
    }
    if (count == 8) {
      more = true;
      return;
    }
    numbers[count++] = tool;
  }
  // "T1 T2", "T1 ... T8 ..." past the list, "-" for none.
  void Text(char* out, size_t size) const {
    size_t used = 0;
    out[0] = '\0';
    for (int i = 0; i < count; ++i) {
      const int n = std::snprintf(out + used, size - used, i == 0 ? "T%d" : " T%d", numbers[i]);
      if (n < 0 || static_cast<size_t>(n) >= size - used) return;
      used += static_cast<size_t>(n);
    }
    if (more && used + 4 < size) std::memcpy(out + used, " ...", 5);
    if (count == 0) std::snprintf(out, size, "-");
  }
};

// Closes the piece being written and reports it with the kind of split `kind`. Under SEAM=break
// and tool (`tools` given) also its tools and the size of its file.
int ClosePiece(SplitRun* run, PieceWriter* writer, const char* kind, int number, bool moves = true,
               const PieceTools* tools = nullptr) {
  char toolsText[64] = "";
  if (tools != nullptr) tools->Text(toolsText, sizeof toolsText);
  const int closed = writer->Close(run->time.previous, run->distance.previous, moves,
                                   run->machineModel ? &run->machine.previous : nullptr,
                                   tools != nullptr ? toolsText : nullptr);
  if (closed == kFooterUnreadable) {
    FormatLog("%s", kPieceTailFailed);
    return Refuse(*run);
  }
  char path[kPathField];
  PiecePath(run->job.ncFile, number, path, sizeof path);
  if (closed == kPieceNotWritten) {
    FormatLog(kPieceWriteFailed, path);
    return Refuse(*run);
  }
  run->pieces = number;
  FormatLog(kind, number);
  EmitLogLine(nullptr, kLogPlain);
  LineWithTwoFixed(kPieceTotals, number, run->distance.previous, run->time.previous);
  if (run->machineModel) {
    LineWithTwoFixed(kPieceMachineTimes, number, run->machine.previous, run->time.previous);
    run->machineSum += run->machine.previous;
    run->programmedSum += run->time.previous;
  }
  if (tools != nullptr) {
    FormatLog(kPieceTools, number, toolsText);
    EmitLogLine(nullptr, kLogPlain);
    platform::FileStatus status{};
    if (platform::GetFileStatus(path, &status) == 0) {
      FormatLog(kPieceSize, number, static_cast<int>(status.size));
      EmitLogLine(nullptr, kLogPlain);
    }
    if (run->piece.observer != nullptr) {
      // The next piece cuts this one's last move again only after a seam as under SEAM=cut.
      const bool clean = kind != kSplitByTime && kind != kSplitByDistance;
      run->piece.observer->PieceFacts(number, clean, static_cast<long long>(status.size));
    }
  }
  return kSplitDone;
}

// The warning of a forced seam: the stretch without a break, and where the seam falls.
void ForcedSeamLine(const PlannedSeam& seam) {
  if (!seam.announce) return;
  FormatLog(seam.hole ? kSeamForcedAfterHole : kSeamForced, seam.fromLine, seam.line, seam.line);
  EmitLogLine(nullptr, kLogPlain);
}

// Opens piece `number`, which takes over at `entry`, and writes its head.
int OpenPiece(SplitRun* run, PieceWriter* writer, int number, const Position& entry,
              int header = kProgramHeader) {
  char path[kPathField];
  if (PiecePath(run->job.ncFile, number, path, sizeof path) != kNamingOk) {
    FormatLog(kDerivedPathTooLong, run->job.ncFile);
    return Refuse(*run);
  }
  char display[kPathField];
  std::memcpy(display, path, sizeof display);
  BareFileName(display, sizeof display);
  FormatLog(kPieceName, number, display);
  EmitLogLine(nullptr, kLogPlain);
  const int opened = writer->Open(number, path, entry, header);
  if (opened == kPieceNotCreated) {  // nothing was made: a file already there is not this run's
    FormatLog(kPieceUncreatable, path);
    return Refuse(*run);
  }
  run->opened = number;
  if (opened != kPieceWritten) {
    FormatLog("%s", kPieceHeadFailed);
    return Refuse(*run);
  }
  return kSplitDone;
}

// A limit passed where no piece could end yet.
struct PendingSeam {
  bool active;
  bool byTime;          // the time limit was passed (else the distance limit)
  bool afterHole;       // passed by a hole: the next piece begins at the next cut, not again
                        // with the hole
  int line;             // the NC line where the limit was passed
  const char* deferred; // why the seam had to wait (nullptr: it did not)
};

// The split loop: reads the intermediate file back and writes the pieces.
//
// A piece ends with the cutting move that passes a limit, and the next piece begins by cutting
// that move again from its start. A hole is never drilled twice: after the hole that passes a
// limit the piece ends before the next hole (whose piece issues its whole cycle block) or the
// next cutting move. No piece ends or begins inside cutter compensation, where the tool's place
// is unknown, or in a work offset other than the header's: the seam waits for the first cut
// after, and the log says so.
class SplitLoop {
 public:
  explicit SplitLoop(SplitRun* run, const SeamPlan* plan = nullptr)
      : run_(run),
        machineMeter_(run->limits, run->units),
        meters_{&run->distance, &run->time, run->minimum, run->maximum,
                run->units == kInches ? kMillimetresPerInch : 1.0, &run->machine,
                run->machineModel ? &machineMeter_ : nullptr},
        writer_(run->piece),
        plan_(plan) {}

  // Writes every piece. Sets `run->pieces`.
  int Run();

 private:
  // A block of the program's own: into the piece being written, unless the header or the footer
  // holds it.
  int TakeBlock(const BlockRecord& block);
  // A move or hole: measured, and written into the piece being written or, at a seam, into the
  // next. Returns kSplitDone or kSplitFailed.
  int TakePath(const PathRecord& record);
  // Ends the piece being written at `record` and begins the next one with it.
  int Seam(const PathRecord& record, const MachineState& before, Position* end);
  // Ends the piece being written before the program's tool change `block` (a limit passed, the
  // seam not placed yet): the piece ends after the closing blocks of its last operation, and the
  // next one begins with the next tool's set-up, the program's own.
  int SeamAtToolChange(const BlockRecord& block, bool namesTool);
  // Ends the piece being written at the planned break before `record` (SEAM=break, tool): the
  // piece ends after the program's own way out of the stock, the next approaches from above.
  int BreakSeam(const PathRecord& record, const MachineState& before, Position* end);
  // Ends the piece being written before the cut `record` for its size (SIZE): the next piece
  // approaches the cut's start from above, as after a hole.
  int BeforeCutSeam(const PathRecord& record, const MachineState& before, Position* end);
  // Opens the next piece at `record` and writes its head: the restore of `before`, the approach
  // (`fromAbove`: at the start height to above the move's start, as after a break; else down onto
  // the move's start) and the record itself, the first amount of the piece.
  int BeginPieceAt(const PathRecord& record, const MachineState& before, Position* end, bool fromAbove);
  // After a planned seam at `record`: a record longer than a limit by itself passes it again in
  // the piece it begins, where the plan forced a seam at it too. The record is in the new piece
  // already; a move then ends that piece, and the next cuts it again.
  int ForcedAgain(const PathRecord& record, const MachineState& before, Position* end);
  // The planned seam at the record being read (nullptr: none).
  const PlannedSeam* PlannedHere(int kind) const {
    if (plan_ == nullptr || next_ >= plan_->count) return nullptr;
    const PlannedSeam& seam = plan_->seams[next_];
    return seam.ordinal == ordinal_ && seam.kind == kind ? &seam : nullptr;
  }
  // Closes the piece being written with the kind of split `kind`.
  int Close(const char* kind, bool moves = true) {
    if (ClosePiece(run_, &writer_, kind, pieceNumber_, moves, plan_ != nullptr ? &tools_ : nullptr) != kSplitDone) {
      return kSplitFailed;
    }
    if (run_->machineModel && plan_ != nullptr && run_->piece.observer != nullptr) {
      // The machine time measured against the one the seams were planned by.
      const int index = pieceNumber_ - 1;
      const double planned = index < plan_->timedPieces ? plan_->pieceMachine[index] : -1.0;
      run_->piece.observer->PieceMachineTime(pieceNumber_, run_->machine.previous, planned);
    }
    return kSplitDone;
  }
  // A piece opened: it names the tools it cuts with.
  void ToolsBegin() { tools_ = PieceTools{}; }
  // Keeps the offset write (G10) `block` for the heads of the pieces after it (any other block:
  // nothing). False when the writer cannot keep it.
  bool KeepOffsetWrite(const BlockRecord& block);

  SplitRun* run_;
  MachineMeter machineMeter_;  // the planner of the piece being written (TIMEMODEL=1)
  PieceMeters meters_;
  PieceWriter writer_;
  MachineState state_ = UnstatedMachine();  // the program's, before the record being read
  Position previous_{};  // where the tool stands before the record: where a new piece resumes
  double localShift_[3] = {0, 0, 0};  // G52: the shift in force (previous_ is in its frame)
  int pieceNumber_ = 0;  // the piece being written (0: none yet)
  PendingSeam pending_{false, false, false, 0, nullptr};
  const SeamPlan* plan_ = nullptr;  // the seams under SEAM=break and tool (nullptr: SEAM=cut)
  int next_ = 0;                    // the next planned seam
  int64_t ordinal_ = 0;             // the record being read, counted from 0
  PieceTools tools_;                // the tools of the piece being written
  const char* passedKind_ = nullptr;  // the kind of split of a pending seam (nullptr: by its meter)
};

// True for a block that may be an offset write (G10): the text holds "G10" not followed by a digit.
bool KeepsOffsetWrite(const BlockRecord& block) {
  for (size_t i = 0; i + 3 <= block.length; ++i) {
    if (block.text[i] == 'G' && block.text[i + 1] == '1' && block.text[i + 2] == '0' &&
        (i + 3 == block.length || block.text[i + 3] < '0' || block.text[i + 3] > '9')) {
      return true;
    }
  }
  return false;
}

bool SplitLoop::KeepOffsetWrite(const BlockRecord& block) {
  Block words;
  if (ReadBlock(block.text, block.length, &words) != kBlockReadable || !IsOffsetWrite(words)) return true;
  char text[kOffsetWriteTextSize];
  return OffsetWriteWords(block.text, words, text, sizeof text) && writer_.KeepOffsetWrite(text);
}

int SplitLoop::TakeBlock(const BlockRecord& block) {
  // The header's blocks are in every piece's head already; those after the program's last move
  // are its footer.
  const bool body = pieceNumber_ > 0 && block.line >= run_->bodyLine && ordinal_ <= run_->lastMoveRecord;
  bool namesTool = false;
  if (PlannedHere(kPlannedToolChangeRefused) != nullptr) {
    FormatLog(kToolSeamRefused, block.line);
    EmitLogLine(nullptr, kLogPlain);
    ++next_;
  }
  const PlannedSeam* planned = PlannedHere(kPlannedToolChange);
  if (planned != nullptr) {
    // A break at the program's tool change (its blocks were found to allow it when planned).
    ++next_;
    IsToolChange(block, &namesTool);
    passedKind_ = planned->everyTool ? kSplitAtToolChange
                  : planned->bySize  ? kSplitAtBreakBySize
                  : planned->byTime  ? kSplitAtBreakByTime
                                     : kSplitAtBreakByDistance;
    pending_ = PendingSeam{true, planned->byTime, false, block.line, nullptr};
    if (SeamAtToolChange(block, namesTool) != kSplitDone) return kSplitFailed;
  } else if (body && pending_.active && ordinal_ < run_->lastCutRecord && IsToolChange(block, &namesTool) &&
             SeamBlocked(0, state_, run_->piece.header) == nullptr) {
    // A tool change with cuts after it (a piece without one would only change tools).
    if (SeamAtToolChange(block, namesTool) != kSplitDone) return kSplitFailed;
  }
  ApplyStateText(block.text, block.length, kWholeBlock, &state_);
  FollowLocalSystem(block, run_->units, localShift_, &previous_);
  if (body) {
    writer_.WriteBlock(block);
    meters_.Measure(block);
  }
  if (body && KeepsOffsetWrite(block) && !KeepOffsetWrite(block)) {
    FormatLog(kIntermediateBroken, run_->intermediatePath, block.line);
    return Refuse(*run_);
  }
  return kSplitDone;
}

int SplitLoop::SeamAtToolChange(const BlockRecord& block, bool namesTool) {
  if (pending_.deferred != nullptr) {
    FormatLog(pending_.deferred, pending_.line, block.line);
    EmitLogLine(nullptr, kLogPlain);
  }
  const char* kind = passedKind_ != nullptr ? passedKind_ : pending_.byTime ? kSplitByTime : kSplitByDistance;
  if (Close(kind) != kSplitDone) return kSplitFailed;
  Blank();
  pending_ = PendingSeam{false, false, false, 0, nullptr};
  passedKind_ = nullptr;
  if (OpenPiece(run_, &writer_, ++pieceNumber_, previous_, kResumeHeader) != kSplitDone) return kSplitFailed;
  writer_.RestoreAtToolChange(state_, !namesTool);
  ToolsBegin();
  meters_.Reset();
  return kSplitDone;
}

int SplitLoop::TakePath(const PathRecord& record) {
  const char* riding = record.riding();
  const size_t ridingLength = riding[0] == '\0' ? 0 : std::strlen(riding);  // mostly none
  const MachineState before = state_;
  ApplyStateText(riding, ridingLength, kBeforeMove, &state_);

  Position end = previous_;
  if (record.hole) {
    meters_.Measure(record.drill, previous_, &end);
  } else {
    meters_.Measure(record.move, previous_, pieceNumber_ > 0);
    end = record.move.at;
  }
  if (pieceNumber_ == 0) {
    // The start record: the positioning line after the header has brought the tool there.
    if (OpenPiece(run_, &writer_, ++pieceNumber_, end) != kSplitDone) return kSplitFailed;
    ToolsBegin();
  } else if (const PlannedSeam* before_cut = PlannedHere(kPlannedBefore); before_cut != nullptr) {
    ++next_;
    passedKind_ = kSplitBySize;
    if (BeforeCutSeam(record, before, &end) != kSplitDone || ForcedAgain(record, before, &end) != kSplitDone) {
      return kSplitFailed;
    }
  } else if (const PlannedSeam* planned = PlannedHere(kPlannedBreak); planned != nullptr) {
    ++next_;
    passedKind_ = planned->bySize ? kSplitAtBreakBySize
                                  : planned->byTime ? kSplitAtBreakByTime : kSplitAtBreakByDistance;
    if (BreakSeam(record, before, &end) != kSplitDone || ForcedAgain(record, before, &end) != kSplitDone) {
      return kSplitFailed;
    }
  } else {
    bool passedHere = false;
    const PlannedSeam* forced = PlannedHere(kPlannedForced);
    if (forced != nullptr) {
      // No break since the piece began: the seam falls as under SEAM=cut.
      ++next_;
      ForcedSeamLine(*forced);
    }
    if (record.cutting() && !pending_.active &&
        (plan_ == nullptr ? meters_.Passed() : forced != nullptr)) {
      pending_ = PendingSeam{true, plan_ == nullptr ? meters_.PassedTime() : forced->byTime, record.hole,
                             record.line(), nullptr};
      passedHere = true;
    }
    const char* blocked = record.cutting() && pending_.active
                              ? SeamBlocked(record.flags(), before, run_->piece.header)
                              : nullptr;
    if (blocked != nullptr && pending_.deferred == nullptr) pending_.deferred = blocked;
    // The program's last cut ends the piece it passes the limit in: a piece after it would only
    // cut that move again. (A plan of seams holds none there.)
    const bool lastCut = plan_ == nullptr && IsLastCut(record, ordinal_, run_->lastCutRecord);
    const bool seam = record.cutting() && pending_.active && blocked == nullptr &&
                      !(record.hole && passedHere) && !lastCut;
    if (seam) {
      if (Seam(record, before, &end) != kSplitDone) return kSplitFailed;
    } else if (record.hole) {
      writer_.WriteHole(record.drill);
    } else {
      writer_.WriteMove(record.move);
    }
  }
  if (record.cutting()) tools_.Add(before.tool);
  ApplyStateText(riding, ridingLength, kAfterMove, &state_);
  // A plane code on a move's own line is not among its words.
  if (!record.hole) state_.plane = record.move.plane;
  previous_ = end;
  run_->distance.previous = run_->distance.running;
  run_->time.previous = run_->time.running;
  run_->machine.previous = run_->machine.running;
  return kSplitDone;
}

int SplitLoop::Seam(const PathRecord& record, const MachineState& before, Position* end) {
  // The piece ends here: with this move, which the next piece cuts again, or before this hole or
  // this move when a hole ended the piece's work.
  if (!record.hole && !pending_.afterHole) writer_.WriteMove(record.move);
  if (pending_.deferred != nullptr) {
    FormatLog(pending_.deferred, pending_.line, record.line());
    EmitLogLine(nullptr, kLogPlain);
  }
  if (Close(pending_.byTime ? kSplitByTime : kSplitByDistance) != kSplitDone) return kSplitFailed;
  Blank();
  pending_ = PendingSeam{false, false, false, 0, nullptr};
  return BeginPieceAt(record, before, end, false);
}

int SplitLoop::ForcedAgain(const PathRecord& record, const MachineState& before, Position* end) {
  const PlannedSeam* again = PlannedHere(kPlannedForced);
  if (again == nullptr) return kSplitDone;
  ++next_;
  ForcedSeamLine(*again);
  // The record is in the new piece already: it is not written again before the seam.
  pending_ = PendingSeam{true, again->byTime, true, record.line(), nullptr};
  if (record.hole) return kSplitDone;
  // The piece holds this one move: it ends with it, and the next cuts it again.
  run_->distance.previous = run_->distance.running;
  run_->time.previous = run_->time.running;
  return Seam(record, before, end);
}

int SplitLoop::BeginPieceAt(const PathRecord& record, const MachineState& before, Position* end, bool fromAbove) {
  // A piece that resumes with another tool than the header's changes tools once, to its own: the
  // header's set-up of the first tool is left out.
  const int header = before.tool != kNotStated && before.tool != run_->piece.header.tool ? kResumeHeader
                                                                                        : kProgramHeader;
  if (OpenPiece(run_, &writer_, ++pieceNumber_, previous_, header) != kSplitDone) return kSplitFailed;
  writer_.Restore(before);
  ToolsBegin();
  // The record is the first amount of the new piece.
  meters_.Reset();
  if (record.hole) {
    writer_.ApproachHole(record.drill);
    writer_.WriteHole(record.drill);
    meters_.Measure(record.drill, previous_, end);
  } else {
    if (fromAbove) {
      writer_.ApproachFromAbove(previous_);
    } else {
      writer_.Approach(previous_, record.move.feed);
    }
    writer_.WriteMove(record.move);
    meters_.Measure(record.move, previous_);
  }
  return kSplitDone;
}

int SplitLoop::BreakSeam(const PathRecord& record, const MachineState& before, Position* end) {
  // The piece before ends where the program has taken the tool out of the stock: no lift of the
  // split's own, and nothing is cut twice.
  if (Close(passedKind_) != kSplitDone) return kSplitFailed;
  Blank();
  passedKind_ = nullptr;
  return BeginPieceAt(record, before, end, true);
}

int SplitLoop::BeforeCutSeam(const PathRecord& record, const MachineState& before, Position* end) {
  // The piece ends after the cut before this one (with the lift of every tail), and the next comes
  // down to where this cut begins, as after a hole: nothing is cut twice.
  if (Close(passedKind_) != kSplitDone) return kSplitFailed;
  Blank();
  passedKind_ = nullptr;
  return BeginPieceAt(record, before, end, false);
}

int SplitLoop::Run() {
  run_->distance.limit *= 1000.0;  // metres to mm from here on
  platform::FileHandle file(run_->intermediatePath, "rb");
  if (!file) {
    FormatLog(kIntermediateUnreadable, run_->intermediatePath);
    return Refuse(*run_);
  }
  IntermediateReader reader(file.get());
  meters_.carried = reader.carriesTime();
  meters_.Start();
  int kind;
  while ((kind = reader.Next()) == kRecordMove || kind == kRecordHole || kind == kRecordBlock) {
    if (kind == kRecordBlock) {
      if (TakeBlock(reader.block()) != kSplitDone) return kSplitFailed;
    } else if (TakePath(PathRecord{kind == kRecordHole, reader.move(), reader.hole()}) != kSplitDone) {
      return kSplitFailed;
    }
    ++ordinal_;
  }
  if (kind != kRecordEnd || pieceNumber_ == 0) {  // not even the start record: not the pass's file
    FormatLog(kIntermediateBroken, run_->intermediatePath, pieceNumber_ > 0 ? reader.lineNumber() : 1);
    return Refuse(*run_);
  }

  // F. The end of the program: the last record is written already.
  file.Close();
  if (pending_.active && pending_.deferred != nullptr) {
    FormatLog(kSeamNeverReached, pending_.line);
    EmitLogLine(nullptr, kLogPlain);
  } else if (plan_ != nullptr && plan_->lastCutPassedLine != 0) {
    FormatLog(kLastCutPassesLimit, plan_->lastCutPassedLine);
    EmitLogLine(nullptr, kLogPlain);
  }
  // A program that ends inside cutter compensation ends so in its last piece too: a lift, retract
  // or return added there would run off the programmed path, by an offset built from the moves
  // before.
  const bool compensated = state_.compensation == 41 || state_.compensation == 42;
  return Close(kSplitRest, !compensated);
}

// True when the seams are planned before the pieces are written: SEAM=break, tool, or SIZE.
bool Planned(const SplitRun& run) {
  return run.seam == kSeamBreak || run.seam == kSeamTool || run.sizeKb > 0 || run.shares > 0;
}

// Plans the seams of SEAM=break and tool before any piece is written (nothing under SEAM=cut,
// whose seams fall as the pieces are written).
int PlanRun(SplitRun* run, SeamPlan* plan) {
  plan->count = 0;
  if (!Planned(*run)) return kSplitDone;
  SeamPlanJob job{};
  job.intermediatePath = run->intermediatePath;
  job.policy = run->seam;
  job.sizeLimit = 0;
  job.pieces = run->shares;
  job.totalTime = run->machineModel ? run->machine.running : run->time.running;
  job.machine = run->machineModel ? &run->limits : nullptr;
  job.timeLimit = run->time.limit;
  job.distanceLimit = run->distance.limit * 1000.0;
  job.toMillimetres = run->units == kInches ? kMillimetresPerInch : 1.0;
  job.startZ = run->job.start[2];
  job.units = run->units;
  job.header = run->piece.header;
  job.bodyLine = run->bodyLine;
  job.lastMoveRecord = run->lastMoveRecord;
  job.lastCutRecord = run->lastCutRecord;
  job.headerAtReference = run->resumeWithoutZ && FileReturnsZ(run->headerPath);
  // SIZE: the body of each piece is measured by writing the program once, as one piece, over the
  // first piece's file (written again with the pieces); a piece's head and tail at their largest.
  char scratch[kPathField] = "";
  if (run->sizeKb > 0) {
    PiecePath(run->job.ncFile, 1, scratch, sizeof scratch);
    job.sizeLimit = static_cast<unsigned long long>(run->sizeKb) * 1024u;
    // The header and footer as they are copied into a piece; the positioning line and the comment
    // naming the program; the restore (at most its plane, feed mode, tool change, next tool,
    // spindle, rotary words, length offset and coolant), the approach and the first move naming
    // every word fit in kSeamLinesBytes, the tail's cycle cancel, lift, retract, return and
    // comments in kTailLinesBytes.
    constexpr unsigned long long kSeamLinesBytes = 320;
    constexpr unsigned long long kTailLinesBytes = 256;
    const size_t positioning = std::max(std::strlen(run->positioning), std::strlen(run->resumePositioning));
    job.headBytes = CopiedTextSize(run->headerPath) + positioning + 2 + std::strlen(run->job.ncFile) + 4 +
                    kSeamLinesBytes;
    // Under a local coordinate system: its G52 line, and the positioning line's numbers in the
    // shifted frame (X and Y, each up to "-999999.999" longer than the start's).
    constexpr unsigned long long kLocalSystemBytes = 64;
    if (run->localShifts) job.headBytes += kLocalSystemBytes;
    job.tailBytes = CopiedTextSize(run->footerPath) + kTailLinesBytes;
    job.pieceSettings = &run->piece;
    job.scratchPath = scratch;
    if (run->opened < 1) run->opened = 1;  // a failed run removes the file
  }
  int badLine = 0;
  const int result = PlanSeams(job, plan, &badLine);
  if (result == kSeamPlanDone && !run->limitsPassed && plan->count == 0) {
    // One tool only, within the limits and the size: nothing to split, and nothing of this run
    // left behind.
    if (run->sizeKb > 0) platform::RemoveFile(scratch);
    if (run->madeHeader) platform::RemoveFile(run->headerPath);
    if (run->madeFooter) platform::RemoveFile(run->footerPath);
    platform::RemoveFile(run->intermediatePath);
    FormatLog("%s", kNoSplitNeeded);
    return Refuse(*run);
  }
  if (result == kSeamPlanDone) {
    if (run->job.observer != nullptr) {
      run->job.observer->SeamsPlanned(plan->longestStretch, plan->longestCut, plan->longestCarry);
    }
    return kSplitDone;
  }
  if (result == kSeamPlanUnreadable) {
    FormatLog(kIntermediateUnreadable, run->intermediatePath);
  } else if (result == kSeamPlanNoScratch) {
    FormatLog(kPieceUncreatable, scratch);
  } else if (result == kSeamPlanBroken) {
    FormatLog(kIntermediateBroken, run->intermediatePath, badLine);
  } else {
    FormatLog(kSeamPlanTooMany, kMaxPlannedSeams + 1);
  }
  return Refuse(*run);
}

// --- The split check: a split that cannot be proven is not delivered --------------------------

int CheckPieces(SplitRun* run) {
  if (run->job.settings.verify != 1) return kSplitDone;
  // Every block of the body is checked to be carried, in its place. A header or footer file that
  // was there before the run is the user's (cut earlier and left as it was, or edited): the pieces
  // are checked to begin and end with it, and what it sets by the state at every move after it.
  SplitCheckJob job{};
  job.ncFile = run->job.ncFile;
  job.pieceCount = run->pieces;
  for (int axis = 0; axis < 3; ++axis) job.start[axis] = run->job.start[axis];
  job.approach = run->piece.seam.approach;
  job.headerFile = run->madeHeader ? nullptr : run->headerPath;
  job.footerFile = run->madeFooter ? nullptr : run->footerPath;
  SplitCheckReport report{};
  const int result = CheckSplit(job, &report);
  char line[kLogLineSize];
  DescribeSplitCheck(report, line);
  FormatLog("%s", line);
  if (result == kCheckPassed) {
    EmitLogLine(nullptr, kLogPlain);
    return kSplitDone;
  }
  return Refuse(*run);
}

// --- F. The end: clean-up, summary, completion box, viewer -----------------------------------

// Pieces of the same program left by an earlier run that made more of them: PART_005.NC next to
// a new split into four pieces could be loaded for the new fifth. They are this system's own
// files (exactly the piece names, numbered on from `after` + 1 without a gap), and each removal
// is logged.
void RemoveStalePieces(const SplitRun& run, int after) {
  for (int number = after + 1;; ++number) {
    char path[kPathField];
    if (PiecePath(run.job.ncFile, number, path, sizeof path) != kNamingOk) return;
    if (!platform::FileExists(path) || platform::IsDirectory(path)) return;
    if (!platform::RemoveFile(path)) return;
    char display[kPathField];
    std::memcpy(display, path, sizeof display);
    BareFileName(display, sizeof display);
    FormatLog(kStalePieceRemoved, display);
    EmitLogLine(nullptr, kLogPlain);
  }
}

// --- A failed run: nothing of it that could be taken for a good split ------------------------

// True when the program's size and last write time are still those taken before it was read
// (false also when it is gone); CheckSource refuses the run otherwise.
bool SourceUnchanged(const SplitRun& run) {
  platform::FileStatus now{};
  return platform::GetFileStatus(run.job.ncFile, &now) == 0 && now.size == run.source.size &&
         now.modified == run.source.modified && now.directory == run.source.directory;
}

int CheckSource(const SplitRun& run) {
  if (SourceUnchanged(run)) return kSplitDone;
  FormatLog(kSourceChanged, run.job.ncFile);
  return Refuse(run);
}

// Removes what a run that failed after its preparation made: its pieces (the one it broke off
// in included), so that none is loaded for a piece of a good split; pieces numbered after them
// from an earlier split, whose set this run has broken; the intermediate file; and the header and
// footer files where a success would delete them (DELETE=1) or where this run cut them from a
// program that has changed since. A piece it could not create is not its own: a folder under
// that name stays.
void DiscardRun(const SplitRun& run) {
  for (int number = 1; number <= run.opened; ++number) {
    char path[kPathField];
    if (PiecePath(run.job.ncFile, number, path, sizeof path) == kNamingOk) platform::RemoveFile(path);
  }
  if (run.opened > 0) RemoveStalePieces(run, run.opened);
  platform::RemoveFile(run.intermediatePath);
  const bool changed = !SourceUnchanged(run);
  if (run.job.settings.deleteFiles == 1 || (changed && run.madeHeader)) platform::RemoveFile(run.headerPath);
  if (run.job.settings.deleteFiles == 1 || (changed && run.madeFooter)) platform::RemoveFile(run.footerPath);
}

int FinishRun(SplitRun* run) {
  if (!platform::RemoveFile(run->intermediatePath)) {
    FormatLog("%s", kIntermediateNotDeleted);
    return Refuse(*run);
  }
  RemoveStalePieces(*run, run->pieces);
  if (run->job.settings.deleteFiles == 1) {
    if (run->job.settings.print == 1) Blank();
    WaitSeconds(1);
    if (!platform::RemoveFile(run->headerPath)) {
      FormatLog(kHeaderNotDeleted, run->headerPath);
      EmitLogLine(nullptr, kLogPlain);
      Blank();
    }
    if (!platform::RemoveFile(run->footerPath)) {
      FormatLog(kFooterNotDeleted, run->footerPath);
      EmitLogLine(nullptr, kLogPlain);
      Blank();
    }
  }

  Blank();
  FormatLog("%s", kDone);
  EmitLogLine(nullptr, kLogPlain);
  FormatLog(kDoneFile, run->job.ncFile);
  EmitLogLine(nullptr, kLogPlain);
  LineWithCoordinate(kDoneDistance, run->distance.limit);
  LineWithCoordinate(kDoneTime, run->time.limit);
  if (run->machineModel) {
    char machine[kCoordinateTextSize];
    char programmed[kCoordinateTextSize];
    FormatCoordinate(run->machineSum, machine);
    FormatCoordinate(run->programmedSum, programmed);
    FormatLog(kDoneMachineTimes, machine, programmed);
    EmitLogLine(nullptr, kLogPlain);
  }
  FormatLog(kDoneCount, run->pieces);
  EmitLogLine(nullptr, kLogPlain);

  const uint32_t elapsed = platform::TickCount() - run->startTick;  // wraps like the tick itself
  const int seconds = static_cast<int>(elapsed / 1000);
  const int milliseconds = static_cast<int>(elapsed % 1000);
  FormatLog(kElapsed, seconds, milliseconds);
  EmitLogLine(nullptr, kLogPlain);

  if (run->job.settings.mode == 0) {
    FormatLog(kDoneBox, run->job.ncFile, run->pieces, seconds, milliseconds);
    ShowLogLineBox(nullptr, platform::BoxIcon::kInformation);
  }
  const bool viewing = !NoViewerConfigured();
  for (int number = 1; viewing && number <= run->pieces; ++number) {
    char path[kPathField];
    if (PiecePath(run->job.ncFile, number, path, sizeof path) == kNamingOk) {
      OpenInViewer(run->owner, path);
    }
  }
  FormatLog("%s", kRunEnd);
  EmitLogLine(nullptr, kLogPlain);
  return kSplitDone;
}

}  // namespace

int SplitProgram(platform::WindowHandle owner, const SplitJob& job) {
  SplitRun run{owner, job, SplitMeter{0, 0, job.distance, 0}, SplitMeter{0, 0, job.time, 0},
               platform::TickCount(), "", "", "", PieceSettings{}, "", "", Extents{}, Extents{}, 0,
               PositioningRecipe{}, 0, 0, 0, 0, 0};
  if (ReportJob(&run) != kSplitDone) return kSplitFailed;
  if (ReadRunSettings(&run) != kSplitDone) return kSplitFailed;
  if (MeasureRun(&run) != kSplitDone) return kSplitFailed;
  if (PrepareRun(&run) != kSplitDone) return kSplitFailed;
  // The pieces are made from the program as it was measured, and proven against it as it is
  // read by the check: a program changed in between gets no pieces (and a change before the check
  // is named as such, not as the check's failure).
  static SeamPlan plan;  // the seams only: a few kilobytes, whatever the program's length
  if (CheckSource(run) != kSplitDone || PlanRun(&run, &plan) != kSplitDone ||
      SplitLoop(&run, Planned(run) ? &plan : nullptr).Run() != kSplitDone ||
      CheckSource(run) != kSplitDone ||
      CheckPieces(&run) != kSplitDone || CheckSource(run) != kSplitDone) {
    DiscardRun(run);
    return kSplitFailed;
  }
  return FinishRun(&run);
}
