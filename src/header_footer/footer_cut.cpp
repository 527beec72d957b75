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

  // The program ends at its first M02 or M30: the footer is cut from the lines up to it.
  int lineCount = 0;
  int footerStart = -1;
  {
    platform::FileHandle input(ncFile, "rb");
    if (!input) return kFooterCutFailed;
    LineReader reader(input.get());
    int status = kLineRead;
    bool ended = false;
    while ((status = reader.Next(raw, &rawLength)) == kLineRead) {
      if (ended) continue;
      lineCount = reader.lineNumber();
      const bool interpreted = records.Step(raw, rawLength, IsUninterpretedByCuts);
      if (records.block.HasCode('G', 0)) footerStart = lineCount;
      if (interpreted && records.modal.motion == 0 && records.AxisGiven() &&
          !IsSetPositionBlock(records.block)) {
        footerStart = lineCount;
      }
      ended = records.block.result == kBlockReadable && IsProgramEnd(records.block);
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
    // Moves are no footer text: a block that names an axis, or an arc's centre or radius (a full
    // circle written without its end point still cuts). After the program's end only the tape
    // mark that closes it belongs to the footer.
    bool copy = interpreted ? !records.AxisGiven() && !records.ArcWordsGiven() : true;
    if (reader.lineNumber() > lineCount) copy = records.block.tapeMark && records.block.Empty();
    if (copy && !beforeFooter && WriteCrlfText(output.get(), std::string_view(raw, rawLength)) != 0) {
      writeFailed = true;
    }
  }
  if (status != kLineEnd) return kFooterCutFailed;
  input.Close();
  if (!output.Close() || writeFailed) return kFooterCutFailed;
  return kFooterCutOk;
}
