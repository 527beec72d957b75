#include "header_footer/footer_cut.h"

#include <cstring>
#include <string_view>

#include "header_footer/wait.h"
#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/pass_rules.h"
#include "platform/platform.h"
#include "text/crlf_text.h"

namespace {

// Lines closer to the end than this are too few to be a footer of their own.
constexpr int kFooterShortMargin = 7;
constexpr int kFooterLength = 10;

}  // namespace

int CutFooter(const char* ncFile, const char* footerFile) {
  if (!platform::FileExists(ncFile)) return kFooterCutFailed;
  PassRecords records;  // carried from the first reading into the second
  char raw[kLineBufferSize];
  size_t rawLength = 0;

  int lineCount = 0;
  int footerStart = -1;
  {
    platform::FileHandle input(ncFile, "rb");
    if (!input) return kFooterCutFailed;
    LineReader reader(input.get());
    int status = kLineRead;
    while ((status = reader.Next(raw, &rawLength)) == kLineRead) {
      lineCount = reader.lineNumber();
      const bool interpreted = records.Step(raw, rawLength, IsUninterpretedByCuts);
      if (records.block.HasCode('G', 0)) footerStart = lineCount;
      if (interpreted && records.modal.motion == 0 && records.AxisGiven() &&
          !IsSetPositionBlock(records.block)) {
        footerStart = lineCount;
      }
    }
    if (status != kLineEnd) return kFooterCutFailed;
  }
  WaitSeconds(1);

  // No rapid move at all: the rule below then keeps the last ten lines.
  if (footerStart < 0) footerStart = lineCount;
  if (footerStart >= lineCount - kFooterShortMargin) footerStart = lineCount - kFooterLength;

  platform::FileHandle input(ncFile, "rb");
  if (!input) return kFooterCutFailed;
  platform::FileHandle output(footerFile, "wb");
  if (!output) return kFooterCutFailed;
  LineReader reader(input.get());
  bool writeFailed = false;
  int status = kLineRead;
  while ((status = reader.Next(raw, &rawLength)) == kLineRead) {
    bool beforeFooter = footerStart > reader.lineNumber();
    bool interpreted = records.Step(raw, rawLength, IsUninterpretedByCuts);
    bool copy = interpreted ? !records.AxisGiven() : true;
    if (copy && !beforeFooter && WriteCrlfText(output.get(), std::string_view(raw, rawLength)) != 0) {
      writeFailed = true;
    }
  }
  if (status != kLineEnd) return kFooterCutFailed;
  input.Close();
  if (!output.Close() || writeFailed) return kFooterCutFailed;
  return kFooterCutOk;
}
