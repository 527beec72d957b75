#include "header_footer/start_point.h"

#include "nc/interpreter.h"
#include "nc/pass_rules.h"

namespace {

// The records of the start-point operations: those of every pass, but their modal state begins
// at zeros rather than "unknown", with the power-on distance mode.
struct StartRecords : PassRecords {
  StartRecords() {
    modal = ModalState{};
    modal.distanceMode = kPowerOnDistanceMode;
  }
};

}  // namespace

int ProgramStartPoint(const char* ncFile, double start[3]) {
  StartRecords r;
  if (r.ScanStart(ncFile) != kScanDone) return kStartPointFailed;
  for (int axis = kX; axis <= kZ; ++axis) start[axis] = r.current[axis];
  return kStartPointDone;
}
