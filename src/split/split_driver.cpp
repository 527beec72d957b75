#include "split/split_driver.h"

#include <cstdint>
#include <cstring>
#include <span>

#include "config/file_naming.h"
#include "config/settings.h"
#include "config/settings_keys.h"
#include "header_footer/footer_cut.h"
#include "header_footer/header_cut.h"
#include "header_footer/wait.h"
#include "log/run_log.h"
#include "nc/format.h"
#include "nc/line_reader.h"
#include "nc/measure.h"
#include "nc/number_text.h"
#include "split/measure_pass.h"
#include "split/motion_writer.h"
#include "split/split_messages.h"
#include "split/viewer.h"
#include "text/text_compare.h"

namespace {

// Everything one run works on besides the caller's meters.
struct SplitRun {
  platform::WindowHandle owner;
  const char* ncFile;
  SplitMeter* distance;
  SplitMeter* time;
  const double* start;
  uint32_t startTick;
  FormatSettings format;
  SeamSettings seam;
  char intermediatePath[kSplitPathSize];
  char headerPath[kSplitPathSize];
  char footerPath[kSplitPathSize];
  Extents minimum;
  Extents maximum;
  int firstCuttingLine;  // NC line of the program's first cutting move (0: none)
  int pieces;            // pieces written and closed
};

// Emits the composed line as an error of the run and returns kSplitFailed.
int Refuse(const SplitRun& run) { return EmitLogLine(run.owner, kLogError); }

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

double ReadSeamNumber(const TextSetting& setting) {
  char text[16];
  ReadSettingText(setting, text, sizeof text);
  return ParseStandardDecimal(text);
}

// --- Path checks -------------------------------------------------------------------------------

// True when `path` is the name of some piece of `ncFile` (<base>_<number><ext>, number 1 or more).
bool IsPieceName(const char* ncFile, const char* path) {
  PathParts parts;
  SplitPathParts(ncFile, &parts);
  const size_t prefix = parts.drive.size() + parts.directory.size() + parts.baseName.size();
  const size_t length = std::strlen(path);
  if (length < prefix + 4 + parts.extension.size() || path[prefix] != '_') return false;
  size_t digits = 0;
  int number = 0;
  while (prefix + 1 + digits < length && path[prefix + 1 + digits] >= '0' &&
         path[prefix + 1 + digits] <= '9' && digits < 9) {
    number = number * 10 + (path[prefix + 1 + digits] - '0');
    ++digits;
  }
  if (number < 1) return false;
  char piece[kSplitPathSize];
  if (PiecePath(ncFile, number, piece, sizeof piece) != kNamingOk) return false;
  return EqualsIgnoringCase(piece, path);
}

// Refuses derived files that would fall on the program or on each other.
int CheckDerivedPaths(const SplitRun& run) {
  const char* derived[] = {run.intermediatePath, run.headerPath, run.footerPath};
  for (const char* path : derived) {
    if (EqualsIgnoringCase(path, run.ncFile)) {
      FormatLog(kDerivedIsSource, path);
      return Refuse(run);
    }
  }
  for (size_t i = 0; i < 3; ++i) {
    bool clash = IsPieceName(run.ncFile, derived[i]);
    for (size_t j = i + 1; j < 3 && !clash; ++j) clash = EqualsIgnoringCase(derived[i], derived[j]);
    if (clash) {
      FormatLog(kDerivedCollision, derived[i]);
      return Refuse(run);
    }
  }
  return kSplitDone;
}

// Builds one derived path; refuses a path that does not fit.
int DerivePath(const SplitRun& run, const TextSetting& setting, char* out) {
  char suffix[64];
  ReadSettingText(setting, suffix, sizeof suffix);
  if (SuffixPath(run.ncFile, suffix, out, kSplitPathSize) != kNamingOk) {
    FormatLog(kDerivedPathTooLong, run.ncFile);
    return Refuse(run);
  }
  return kSplitDone;
}

// --- A. Start: the job, its settings and its files -------------------------------------------

int StartRun(SplitRun* run) {
  if (std::strlen(run->ncFile) >= kSplitPathSize) {
    FormatLog(kNcPathTooLong, run->ncFile);
    return Refuse(*run);
  }
  if (!platform::FileExists(run->ncFile)) {
    FormatLog(kNcFileMissing, run->ncFile);
    return Refuse(*run);
  }
  FormatLog(kJobFile, run->ncFile);
  EmitLogLine(nullptr, kLogPlain);
  LineWithCoordinate(kJobDistance, run->distance->limit);
  LineWithCoordinate(kJobTime, run->time->limit);
  LineWithCoordinate(kJobStartX, run->start[0]);
  LineWithCoordinate(kJobStartY, run->start[1]);
  LineWithCoordinate(kJobStartZ, run->start[2]);
  Blank();

  // A limit of 0 or less (or no number at all) would end a piece before any was opened.
  if (!(run->distance->limit > 0.0)) {
    char text[kCoordinateTextSize];
    FormatCoordinate(run->distance->limit, text);
    FormatLog(kDistanceLimitInvalid, text);
    return Refuse(*run);
  }
  if (!(run->time->limit > 0.0)) {
    char text[kCoordinateTextSize];
    FormatCoordinate(run->time->limit, text);
    FormatLog(kTimeLimitInvalid, text);
    return Refuse(*run);
  }

  ReadFormatSettings(&run->format);
  if (run->format.decimal != 0) run->format.decimal = 3;
  if (gCommandSettings.debug == 100) EchoOutputParameters(run->format);

  run->seam.approach = ReadSeamNumber(kApproachSetting);
  run->seam.lift = ReadSeamNumber(kLiftSetting);
  run->seam.approachFeedRatio = ReadSeamNumber(kApproachFeedSetting);
  run->seam.liftFeedRatio = ReadSeamNumber(kLiftFeedSetting);
  if (DerivePath(*run, kAsciiFileSetting, run->intermediatePath) != kSplitDone ||
      DerivePath(*run, kSplitHeaderSuffixSetting, run->headerPath) != kSplitDone ||
      DerivePath(*run, kSplitFooterSuffixSetting, run->footerPath) != kSplitDone) {
    return kSplitFailed;
  }
  // The highest piece number a run can reach in practice must fit as well.
  char piece[kSplitPathSize];
  if (PiecePath(run->ncFile, 999, piece, sizeof piece) != kNamingOk) {
    FormatLog(kDerivedPathTooLong, run->ncFile);
    return Refuse(*run);
  }
  run->format.comment = ReadSettingInt(kCommentSetting);

  LineWithCoordinate(kSeamApproach, run->seam.approach);
  LineWithCoordinate(kSeamLift, run->seam.lift);
  Blank();
  FormatLog(kHeaderFileLine, run->headerPath);
  EmitLogLine(nullptr, kLogPlain);
  FormatLog(kFooterFileLine, run->footerPath);
  EmitLogLine(nullptr, kLogPlain);
  Blank();
  return CheckDerivedPaths(*run);
}

// --- B. Measurement and C. the decision ------------------------------------------------------

int MeasureRun(SplitRun* run) {
  SplitMeter* distance = run->distance;
  SplitMeter* time = run->time;
  distance->rapid = distance->running = 0.0;
  time->rapid = time->running = 0.0;
  MeasureReport report{};
  const int result = MeasureProgram(run->ncFile, run->intermediatePath, run->start, distance, time,
                                    &run->minimum, &run->maximum, &report);
  if (result != kMeasureOk) {
    // A refused program leaves no partial intermediate file behind. (Its path was checked not to
    // be the program's nor any other file of the run; a file that could not be made is not ours.)
    if (result != kMeasureNcUnreadable && result != kMeasureIntermediateUnwritable) {
      platform::RemoveFile(run->intermediatePath);
    }
    char text[kLogLineSize];
    DescribeMeasureFailure(result, report, run->ncFile, run->intermediatePath, text);
    FormatLog("%s", text);
    return Refuse(*run);
  }
  run->firstCuttingLine = report.firstCuttingLine;
  LineWithCoordinate(kTotalDistance, distance->running);
  LineWithCoordinate(kTotalTime, time->running);
  char warning[kLogLineSize];
  if (DescribeZeroFeedWarning(report.zeroFeedMoves, warning) > 0) {
    FormatLog("%s", warning);
    EmitLogLine(nullptr, kLogPlain);
  }
  Blank();

  // Running at or above a limit in either meter needs a split.
  const bool needed = time->running >= time->limit || distance->running >= distance->limit;
  if (!needed) {
    platform::RemoveFile(run->intermediatePath);
    FormatLog("%s", kNoSplitNeeded);
    return Refuse(*run);
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

  // Files the user made (and perhaps edited) are used as they are. A refused or failed cut leaves
  // none of the files this run made behind (their paths were checked to be the run's own).
  bool madeHeader = false;
  if (!platform::FileExists(run->headerPath)) {
    HeaderCheck check{};
    const int cut = CutHeaderChecked(run->ncFile, run->headerPath, run->firstCuttingLine, &check);
    if (cut != kHeaderCutOk) {
      platform::RemoveFile(run->headerPath);
      platform::RemoveFile(run->intermediatePath);
    }
    if (cut == kHeaderCutFailed) {
      FormatLog("%s", kHeaderCutFailedText);
      return Refuse(*run);
    }
    // A header that would start every piece without its tool length, spindle or tool refuses the
    // split; what it only warns about is reported and the split goes on.
    if (ReportHeaderCheck(run->owner, check) != 0 || cut != kHeaderCutOk) return kSplitFailed;
    madeHeader = true;
  }
  if (!platform::FileExists(run->footerPath) && CutFooter(run->ncFile, run->footerPath) != kFooterCutOk) {
    platform::RemoveFile(run->footerPath);
    if (madeHeader) platform::RemoveFile(run->headerPath);
    platform::RemoveFile(run->intermediatePath);
    FormatLog("%s", kFooterCutFailedText);
    return Refuse(*run);
  }
  return kSplitDone;
}

// --- E. The split loop -------------------------------------------------------------------------

// Measures the move from `from` to `to` into the meters' first two slots.
void MeasureInto(const ModalState& modal, const Position& to, const Position& from, double feed,
                 SplitRun* run, Extents* minimum, Extents* maximum) {
  FeedState feedState{feed, 0.0, 0.0};
  DistanceTotals distance{run->distance->rapid, run->distance->running};
  TimeTotals time{run->time->rapid, run->time->running};
  MeasureMove(modal, to, from, feedState, &distance, &time, minimum, maximum);
  run->distance->rapid = distance[kRapid];
  run->distance->running = distance[kCutting];
  run->time->running = time[kCutting];
}

// Closes the piece file; a failed final write is an error of the run.
int FinishPieceFile(const SplitRun& run, platform::FileHandle* piece, int number) {
  if (piece->Close()) return kSplitDone;
  char path[kSplitPathSize];
  PiecePath(run.ncFile, number, path, sizeof path);
  FormatLog(kPieceWriteFailed, path);
  return Refuse(run);
}

// Reads the intermediate file back and writes the pieces. Sets `run->pieces`.
int SplitLoop(SplitRun* run) {
  SplitMeter* distance = run->distance;
  SplitMeter* time = run->time;
  distance->limit *= 1000.0;  // metres to mm from here on
  distance->rapid = distance->running = 0.0;
  time->rapid = time->running = 0.0;

  platform::FileHandle intermediate(run->intermediatePath, "rb");
  if (!intermediate) {
    FormatLog(kIntermediateUnreadable, run->intermediatePath);
    return Refuse(*run);
  }
  LineReader reader(intermediate.get());
  platform::FileHandle piece;  // the piece being written

  Position current{};   // the record just read (X, Y, Z, I, J)
  Position previous{};  // the record before it: where the tool stands
  Position entry{};     // the record before the current one, as read: where a new piece resumes
  ModalState modal{};   // motion: the record's; previousMotion: the motion in force in the piece
  OutputFeed feed{};
  Extents minimum = run->minimum;
  Extents maximum = run->maximum;
  int pieceNumber = 1;  // the piece to open next
  bool pieceOpen = false;

  MotionRecord record;
  int read;
  while ((read = ReadMotionRecord(&reader, &record)) == kRecordRead) {
    modal.motion = record.motion;
    current = Position{record.x, record.y, record.z, record.i, record.j, 0.0, 0.0, 0.0};
    feed.feed = record.feed;
    MeasureInto(modal, current, previous, feed.feed, run, &minimum, &maximum);

    // The time meter is tested first; both limits are strict.
    const bool byTime = time->running > time->limit;
    if (pieceOpen && (byTime || distance->running > distance->limit)) {
      if (ClosePiece(piece.get(), run->footerPath, &current, previous, run->start, run->seam,
                     &modal, &feed, *time, *distance, run->format) != kPieceEdgeOk) {
        FormatLog("%s", kPieceTailFailed);
        return Refuse(*run);
      }
      const int closed = pieceNumber - 1;
      if (FinishPieceFile(*run, &piece, closed) != kSplitDone) return kSplitFailed;
      run->pieces = closed;
      FormatLog(byTime ? kSplitByTime : kSplitByDistance, closed);
      EmitLogLine(nullptr, kLogPlain);
      LineWithTwoFixed(kPieceTotals, closed, distance->previous, time->previous);
      Blank();
      // The record that ended the piece is cut again at the start of the next one: its own move,
      // from the entry point to its end point, is the first amount of that piece.
      distance->rapid = distance->running = 0.0;
      time->rapid = time->running = 0.0;
      MeasureInto(modal, current, entry, feed.feed, run, &minimum, &maximum);
      pieceOpen = false;
    }

    if (!pieceOpen) {
      char path[kSplitPathSize];
      if (PiecePath(run->ncFile, pieceNumber, path, sizeof path) != kNamingOk) {
        FormatLog(kDerivedPathTooLong, run->ncFile);
        return Refuse(*run);
      }
      char display[kSplitPathSize];
      std::memcpy(display, path, sizeof display);
      BareFileName(display, sizeof display);
      FormatLog(kPieceName, pieceNumber, display);
      EmitLogLine(nullptr, kLogPlain);
      if (!piece.Open(path, "wb")) {
        FormatLog(kPieceUncreatable, path);
        return Refuse(*run);
      }
      if (OpenPiece(piece.get(), run->headerPath, pieceNumber, run->ncFile, entry, current,
                    run->start, run->seam, &modal, &feed, run->format) != kPieceEdgeOk) {
        FormatLog("%s", kPieceHeadFailed);
        return Refuse(*run);
      }
      ++pieceNumber;
      pieceOpen = true;
    } else {
      WriteMotionBlock(piece.get(), &modal, current, previous, &feed, run->format);
    }

    // Move on. previousMotion is left to the writers: it names the motion really in force.
    entry = current;
    previous = current;
    distance->previous = distance->running;
    time->previous = time->running;
  }
  if (read != kRecordRead && read != kRecordEnd) {
    FormatLog(kIntermediateBroken, run->intermediatePath, reader.lineNumber());
    return Refuse(*run);
  }
  if (!pieceOpen) {  // not even the start record: the file is not the pass's
    FormatLog(kIntermediateBroken, run->intermediatePath, 1);
    return Refuse(*run);
  }

  // F. The end of the program: the last record is written already.
  if (ClosePiece(piece.get(), run->footerPath, nullptr, previous, run->start, run->seam, &modal,
                 &feed, *time, *distance, run->format) != kPieceEdgeOk) {
    FormatLog("%s", kPieceTailFailed);
    return Refuse(*run);
  }
  intermediate.Close();
  const int last = pieceNumber - 1;
  if (FinishPieceFile(*run, &piece, last) != kSplitDone) return kSplitFailed;
  run->pieces = last;
  FormatLog(kSplitRest, last);
  EmitLogLine(nullptr, kLogPlain);
  LineWithTwoFixed(kPieceTotals, last, distance->previous, time->previous);
  return kSplitDone;
}

// --- F. The end: clean-up, summary, completion box, viewer -----------------------------------

int FinishRun(SplitRun* run) {
  if (!platform::RemoveFile(run->intermediatePath)) {
    FormatLog("%s", kIntermediateNotDeleted);
    return Refuse(*run);
  }
  if (gCommandSettings.deleteFiles == 1) {
    if (gCommandSettings.print == 1) Blank();
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
  FormatLog(kDoneFile, run->ncFile);
  EmitLogLine(nullptr, kLogPlain);
  LineWithCoordinate(kDoneDistance, run->distance->limit);
  LineWithCoordinate(kDoneTime, run->time->limit);
  FormatLog(kDoneCount, run->pieces);
  EmitLogLine(nullptr, kLogPlain);

  const uint32_t elapsed = platform::TickCount() - run->startTick;  // wraps like the tick itself
  const int seconds = static_cast<int>(elapsed / 1000);
  const int milliseconds = static_cast<int>(elapsed % 1000);
  FormatLog(kElapsed, seconds, milliseconds);
  EmitLogLine(nullptr, kLogPlain);

  if (gCommandSettings.mode == 0) {
    FormatLog(kDoneBox, run->ncFile, run->pieces, seconds, milliseconds);
    ShowLogLineBox(nullptr, platform::BoxIcon::kInformation);
  }
  for (int number = 1; number <= run->pieces; ++number) {
    char path[kSplitPathSize];
    if (PiecePath(run->ncFile, number, path, sizeof path) == kNamingOk) OpenInViewer(run->owner, path);
  }
  FormatLog("%s", kRunEnd);
  EmitLogLine(nullptr, kLogPlain);
  return kSplitDone;
}

}  // namespace

int SplitProgram(platform::WindowHandle owner, const char* ncFile, SplitMeter* distance,
                 SplitMeter* time, const double start[3]) {
  SplitRun run{};
  run.owner = owner;
  run.ncFile = ncFile;
  run.distance = distance;
  run.time = time;
  run.start = start;
  run.startTick = platform::TickCount();
  if (StartRun(&run) != kSplitDone) return kSplitFailed;
  if (MeasureRun(&run) != kSplitDone) return kSplitFailed;
  if (PrepareRun(&run) != kSplitDone) return kSplitFailed;
  if (SplitLoop(&run) != kSplitDone) return kSplitFailed;
  return FinishRun(&run);
}
