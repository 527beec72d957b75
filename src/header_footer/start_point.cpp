#include "header_footer/start_point.h"

#include <cstdio>

#include "log/run_log.h"
#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/pass_rules.h"

namespace {

// Texts of the start-point operations.
constexpr char kStartFailedText[] = "エラー：スタート座標の取り出しに失敗しました。";

// The records of the start-point operations: those of every pass, but their modal state begins
// at zeros rather than "unknown", with the power-on distance mode.
struct StartRecords : PassRecords {
  StartRecords() {
    modal = ModalState{};
    modal.distanceMode = kPowerOnDistanceMode;
  }
};

int ReportFailure(platform::WindowHandle owner) {
  FormatLog("%s", kStartFailedText);
  EmitLogLine(owner, kLogError);
  return kStartPointFailed;
}

}  // namespace

int ProgramStartPoint(const char* ncFile, double start[3]) {
  StartRecords r;
  if (r.ScanStart(ncFile) != kScanDone) return kStartPointFailed;
  for (int axis = kX; axis <= kZ; ++axis) start[axis] = r.current[axis];
  return kStartPointDone;
}

int MeasureStartAndTotals(platform::WindowHandle owner, const char* ncFile, double start[3],
                          DistanceTotals* distanceTotals, TimeTotals* timeTotals,
                          MoveCounters* counters) {
  StartRecords r;
  r.given.fill(-1);
  r.hasPoint.fill(-1);
  if (r.ScanStart(ncFile) != kScanDone) {
    return ReportFailure(owner);
  }
  const double point[3] = {r.current[kX], r.current[kY], r.current[kZ]};
  // Scratch extents: the replay needs them, the caller does not.
  Extents minimum{point[0], point[1], point[2], 0.0};
  Extents maximum = minimum;

  platform::FileHandle input(ncFile, "rb");
  if (!input) return kStartPointFailed;
  DistanceTotals distance{0.0, 0.0};
  TimeTotals time{0.0, 0.0};
  MoveCounters moveCounters{0, 0};
  LineReader reader(input.get());
  char line[kLineBufferSize];
  size_t length = 0;
  int status = kLineRead;
  // The replay goes on from the state the scan left: at the start point, motion unset, feed 0.
  while ((status = reader.Next(line, &length)) == kLineRead) {
    if (!r.Step(line, length, IsUninterpretedByReplay)) continue;
    if (IsSetPositionBlock(r.block)) {
      AdvanceAsMachine(true, r.modal, r.given, &r.current, r.previous, r.words);
      r.previous = r.current;
      continue;
    }
    AdvancePosition(r.modal, r.given, &r.current, r.previous, r.words);
    bool moved = r.current[kX] != r.previous[kX] || r.current[kY] != r.previous[kY] ||
                 r.current[kZ] != r.previous[kZ];
    bool fullCircle = (r.modal.motion == 2 || r.modal.motion == 3) &&
                      (r.current[kI] != 0.0 || r.current[kJ] != 0.0);
    if (!moved && !fullCircle) continue;
    MeasureMove(r.modal, r.current, r.previous, r.feed, &distance, &time, &minimum, &maximum,
                &moveCounters);
    r.previous = r.current;
    r.feed.previousFeed = r.feed.feed;
    r.modal.previousMotion = r.modal.motion;
  }
  if (status != kLineEnd) return ReportFailure(owner);
  input.Close();

  for (int axis = kX; axis <= kZ; ++axis) start[axis] = point[axis];
  (*distanceTotals)[kRapid] += distance[kRapid];
  (*distanceTotals)[kCutting] += distance[kCutting] / 1000.0;
  (*timeTotals)[kCutting] += time[kCutting];
  if (counters != nullptr) *counters = moveCounters;
  return kStartPointDone;
}
