#include "header_footer/footer_cut.h"

#include <string_view>

#include "nc/block.h"
#include "nc/call_reader.h"
#include "nc/pass_rules.h"
#include "platform/platform.h"
#include "text/crlf_text.h"

int CutFooter(const char* ncFile, const char* footerFile, int lastMoveLine, int64_t offset) {
  if (!platform::FileExists(ncFile)) return kFooterCutFailed;
  platform::FileHandle input(ncFile, "rb");
  if (!input) return kFooterCutFailed;
  if (offset > 0 && !platform::SeekFile(input.get(), offset)) return kFooterCutFailed;
  platform::FileHandle output(footerFile, "wb");
  if (!output) return kFooterCutFailed;

  CallReader reader(input.get());
  char raw[kLineBufferSize];
  size_t rawLength = 0;
  Block block;
  bool ended = false;  // the program's end has been copied
  bool writeFailed = false;
  // The lines up to the last move are only counted.
  int status = lastMoveLine > 0 && offset <= 0 ? reader.Skip(lastMoveLine) : kLineRead;
  while (status == kLineRead && (status = reader.Next(raw, &rawLength)) == kLineRead) {
    const std::string_view line(raw, rawLength);
    const int read = ReadBlock(raw, rawLength, &block);
    if (ended) {
      // After the program's end only the tape mark that closes it belongs to the footer.
      if (read == kBlockReadable && block.tapeMark && block.Empty() &&
          WriteCrlfText(output.get(), line) != 0) {
        writeFailed = true;
      }
      continue;
    }
    const bool axes = read == kBlockReadable && (block.Has('X') || block.Has('Y') || block.Has('Z'));
    if (axes && !IsUnfollowedMove(block) && !IsSetPositionBlock(block)) {
      char words[kLineBufferSize];
      if (!RidingWords(raw, block, false, words, sizeof words)) return kFooterCutFailed;
      if (words[0] != '\0' && WriteCrlfLine(output.get(), words) != 0) writeFailed = true;
    } else if (WriteCrlfText(output.get(), line) != 0) {
      writeFailed = true;
    }
    ended = read == kBlockReadable && IsProgramEnd(block);
    // After the end the file's closing tape mark may stand among the subprograms.
    if (ended) reader.ReadOn();
  }
  if (status != kLineEnd) return kFooterCutFailed;
  input.Close();
  if (!output.Close() || writeFailed) return kFooterCutFailed;
  return kFooterCutOk;
}
