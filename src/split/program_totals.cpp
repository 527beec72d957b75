#include "split/program_totals.h"

#include <climits>

#include "header_footer/header_cut.h"
#include "log/run_log.h"
#include "config/settings.h"
#include "split/machine_meter.h"
#include "split/measure_pass.h"

namespace {

constexpr char kStartFailedText[] = "エラー：スタート座標の取り出しに失敗しました。";

// The first line of the program's body, as a split finds it (1 when the header cannot be cut:
// the measurement then reports what is wrong with the program).
int ProgramBodyLine(const char* ncFile) {
  PositioningRecipe recipe{};
  if (CutHeader(ncFile, nullptr, &recipe) != kHeaderCutOk) return 1;
  return recipe.bodyLine == 0 ? INT_MAX : recipe.bodyLine;
}

// The measurement a split makes of `ncFile` from `point`, without an intermediate file.
struct ProgramMeasure {
  SplitMeter distance{0.0, 0.0, 0.0, 0.0};
  SplitMeter time{0.0, 0.0, 0.0, 0.0};
  Extents minimum{};
  Extents maximum{};
  MeasureReport report{};
  int result = kMeasureOk;
  bool machineTime = false;  // report.machineMinutes holds the machine time (TIMEMODEL=1)

  // `timeModel` is TIMEMODEL of the run: under 1 the split weighs the machine time, so that is
  // the program's time then. (A [MACHINE] the split would refuse leaves the programmed time; the
  // split says what is wrong.) The estimate changes no result and no line found.
  ProgramMeasure(const char* ncFile, const double point[3], int timeModel) {
    MachineLimits limits{};
    char problem[kLogLineSize];
    machineTime = timeModel == 1 && ReadMachineSettings(&limits, problem) == kMachineSettingsOk;
    result = MeasureProgram({ncFile, nullptr, point, ProgramBodyLine(ncFile),
                             machineTime ? &limits : nullptr},
                            {&distance, &time, &minimum, &maximum, &report});
  }
};

}  // namespace

int MeasureStartAndTotals(platform::WindowHandle owner, const char* ncFile, int timeModel, StartAndTotals* out) {
  double point[3] = {0.0, 0.0, 0.0};
  if (ProgramStartPoint(ncFile, point) != kStartPointDone) {
    FormatLog("%s", kStartFailedText);
    EmitLogLine(owner, kLogError);
    return kStartPointFailed;
  }
  const ProgramMeasure measure(ncFile, point, timeModel);
  const MeasureReport& report = measure.report;
  // A program without a cutting move has nothing to split, but its start point still fills the
  // fields, with totals of zero.
  if (measure.result != kMeasureOk && measure.result != kMeasureNoCuttingMove) {
    char text[kLogLineSize];
    DescribeMeasureFailure(measure.result, report, ncFile, "", text);
    FormatLog("%s", text);
    EmitLogLine(owner, kLogError);
    return kStartPointFailed;
  }
  for (int axis = 0; axis < 3; ++axis) out->start[axis] = point[axis];
  out->distance = DistanceTotals{measure.distance.rapid, measure.distance.running};
  out->time = TimeTotals{0.0, measure.machineTime ? report.machineMinutes : measure.time.running};
  out->counters = MoveCounters{report.zeroFeedMoves, report.unmeasurableMoves};
  return kStartPointDone;
}

int CutProgramFooter(const char* ncFile, const char* footerFile, std::span<char> reason) {
  if (!reason.empty()) reason[0] = '\0';
  double point[3] = {0.0, 0.0, 0.0};
  if (ProgramStartPoint(ncFile, point) != kStartPointDone) return kFooterCutFailed;
  const ProgramMeasure measure(ncFile, point, 0);  // the footer needs the last move only
  const int result = measure.result;
  const MeasureReport& report = measure.report;
  if (result == kMeasureNcUnreadable || result == kMeasureLineTooLong || result == kMeasureReadError) {
    return kFooterCutFailed;
  }
  if (result != kMeasureOk) {
    DescribeMeasureFailure(result, report, ncFile, "", reason);
    return kFooterProgramRefused;
  }
  return CutFooter(ncFile, footerFile, report.lastMoveOrdinal, report.footerOffset);
}
