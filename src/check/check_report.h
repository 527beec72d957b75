// The texts of a failed check that come from a file the check could not run to its end.
#pragma once

#include "check/event_stream.h"
#include "check/split_check.h"

// Writes into `report->detail` what stopped `stream` (after kStreamFault): a line too long, a
// block the control cannot read or the check cannot run, or a block the control alarms on.
// `path` names the file (for a read error). Writes nothing else of the report.
void DescribeStreamFault(const EventStream& stream, const char* path, SplitCheckReport* report);

// Writes `format` with the bare name of `path` (its first 159 bytes at the most, cut at a character
// boundary) into `report->detail`.
void DescribeFileFault(const char* format, const char* path, SplitCheckReport* report);
