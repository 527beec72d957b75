#include "check/check_report.h"

#include <cstdio>

#include "check/check_messages.h"
#include "config/file_naming.h"
#include "platform/text_encoding.h"

namespace {

// Longest file name a detail text shows.
constexpr size_t kShownNameSize = 160;

const char* AlarmText(int alarm) {
  switch (alarm) {
    case kAlarmArcChord: return kDetailArcChord;
    case kAlarmArcNoCentre: return kDetailArcNoCentre;
    case kAlarmArcNoChord: return kDetailArcNoChord;
    case kAlarmArcUnknownStart: return kDetailArcUnknownStart;
    case kAlarmUnitsChanged: return kDetailUnitsChanged;
    case kAlarmCycleNoDepth: return kDetailCycleNoDepth;
    case kAlarmCycleUnknownLevel: return kDetailCycleUnknownLevel;
    case kAlarmBadRegister: return kDetailBadRegister;
    default: return kDetailBadRepeat;
  }
}

void DescribeBlockFault(const SimulationFault& fault, SplitCheckReport* report) {
  char* detail = report->detail;
  const size_t size = sizeof report->detail;
  switch (fault.blockResult) {
    case kBlockNoNumber:
      std::snprintf(detail, size, kDetailNoNumber, fault.text, fault.column);
      break;
    case kBlockBadNumber:
      std::snprintf(detail, size, kDetailBadNumber, fault.text, fault.column);
      break;
    case kBlockRepeatedWord:
      std::snprintf(detail, size, kDetailRepeatedWord, fault.text, fault.column);
      break;
    case kBlockTooManyCodes:
      std::snprintf(detail, size, kDetailTooManyCodes, fault.column);
      break;
    default: {
      // A control byte is shown by its value, never as itself.
      char shown[8];
      const auto c = static_cast<unsigned char>(fault.text[0]);
      if (c < 0x20 || c == 0x7F) {
        std::snprintf(shown, sizeof shown, "0x%02X", c);
      } else {
        std::snprintf(shown, sizeof shown, "%s", fault.text);
      }
      std::snprintf(detail, size, kDetailBadCharacter, shown, fault.column);
      break;
    }
  }
}

}  // namespace

void DescribeStreamFault(const EventStream& stream, const char* path, SplitCheckReport* report) {
  char* detail = report->detail;
  const size_t size = sizeof report->detail;
  if (stream.faultKind() == kStreamFaultLineTooLong) {
    std::snprintf(detail, size, kDetailLineTooLong, static_cast<int>(kMaxLineLength));
    return;
  }
  if (stream.faultKind() == kStreamFaultReadError) {
    DescribeFileFault(kDetailFileReadError, path, report);
    return;
  }
  if (stream.faultKind() == kStreamFaultCall) {
    const int number = stream.callNumber();
    switch (stream.callFault()) {
      case kCallMissing: std::snprintf(detail, size, kDetailCallMissing, number); break;
      case kCallReturnInMain: std::snprintf(detail, size, "%s", kDetailCallReturnInMain); break;
      case kCallRecursive: std::snprintf(detail, size, kDetailCallRecursive, number); break;
      case kCallTooDeep: std::snprintf(detail, size, kDetailCallTooDeep, kMaxCallDepth); break;
      case kCallBeforeEnd: std::snprintf(detail, size, kDetailCallBeforeEnd, number); break;
      case kCallNoReturn: std::snprintf(detail, size, kDetailCallNoReturn, number); break;
      case kCallEndInside: std::snprintf(detail, size, kDetailCallEndInside, number); break;
      case kCallTooMany: std::snprintf(detail, size, kDetailCallTooMany, kMaxSubprograms); break;
      case kCallTooLong: std::snprintf(detail, size, kDetailCallTooLong, gLineCountLimit); break;
      default: std::snprintf(detail, size, "%s", kDetailCallForm); break;
    }
    return;
  }
  const SimulationFault& fault = stream.simulator().fault();
  switch (fault.result) {
    case kSimulationUnreadable:
      DescribeBlockFault(fault, report);
      break;
    case kSimulationUnsupported:
      if (fault.letter == 'G') {
        char code[16];
        if (fault.code % 10 == 0) {
          std::snprintf(code, sizeof code, "%d", fault.code / 10);
        } else {
          std::snprintf(code, sizeof code, "%d.%d", fault.code / 10, fault.code % 10);
        }
        std::snprintf(detail, size, kDetailUnsupportedG, code);
      } else if (fault.letter == 'M') {
        std::snprintf(detail, size, kDetailUnsupportedM, fault.code);
      } else {
        std::snprintf(detail, size, kDetailUnsupportedLetter, fault.letter);
      }
      break;
    default:
      std::snprintf(detail, size, "%s", AlarmText(fault.alarm));
      break;
  }
}

void DescribeFileFault(const char* format, const char* path, SplitCheckReport* report) {
  char name[512];
  std::snprintf(name, sizeof name, "%s", path);
  BareFileName(name, sizeof name);
  // Keep whole characters only: a lead byte never loses its second byte.
  char shown[kShownNameSize];
  size_t used = 0;
  for (size_t i = 0; name[i] != '\0';) {
    const size_t width = platform::IsLeadByte(static_cast<unsigned char>(name[i])) && name[i + 1] != '\0' ? 2 : 1;
    if (used + width >= sizeof shown) break;
    for (size_t k = 0; k < width; ++k) shown[used++] = name[i + k];
    i += width;
  }
  shown[used] = '\0';
  std::snprintf(report->detail, sizeof report->detail, format, shown);
}

int DescribeSplitCheck(const SplitCheckReport& report, std::span<char> out) {
  if (out.empty()) return 0;
  if (report.result == kCheckPassed) {
    return std::snprintf(out.data(), out.size(), report.usersFiles ? kCheckPassedUsersFilesText : kCheckPassedText,
                         report.piecesChecked);
  }
  if (report.rule == kRuleNone) return std::snprintf(out.data(), out.size(), kCheckUnreadableText, report.detail);
  if (report.piece == 0) {
    return std::snprintf(out.data(), out.size(), kCheckSourceFailedText, report.pieceLine, report.detail);
  }
  if (report.sourceLine == 0) {
    return std::snprintf(out.data(), out.size(), kCheckFailedNoSourceText, report.piece, report.pieceLine,
                         report.detail);
  }
  return std::snprintf(out.data(), out.size(), kCheckFailedText, report.piece, report.pieceLine, report.detail,
                       report.sourceLine);
}
