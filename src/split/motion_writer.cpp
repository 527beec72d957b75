#include "split/motion_writer.h"

#include <span>

#include "log/run_log.h"
#include "nc/format.h"
#include "nc/measure.h"
#include "text/crlf_text.h"

namespace {

// One block never holds more than a G word, six words and an F word.
constexpr size_t kBlockTextSize = 160;
constexpr size_t kWordTextSize = 40;

bool IsArc(int motion) { return motion == 2 || motion == 3; }

// Appends `text` to the block being built; the buffer is sized for the longest block, so a cut
// can only mean a value far beyond any machine, and it still ends in a terminator.
void Append(std::span<char> block, size_t* used, const char* text) {
  while (*text != '\0' && *used + 1 < block.size()) block[(*used)++] = *text++;
  block[*used] = '\0';
}

void ReportBlock(const ModalState& modal, const Position& target) {
  char x[kCoordinateTextSize];
  char y[kCoordinateTextSize];
  char z[kCoordinateTextSize];
  FormatCoordinate(target[kX], x);
  FormatCoordinate(target[kY], y);
  FormatCoordinate(target[kZ], z);
  FormatLog("G%02d X%-10s Y%-10s Z%s", modal.motion, x, y, z);
  EmitLogLine(nullptr, kLogPlain);
}

}  // namespace

int WriteMotionBlock(FILE* piece, ModalState* modal, const Position& target, const Position& from,
                     OutputFeed* feed, const FormatSettings& format) {
  const bool arc = IsArc(modal->motion);
  const bool moves = target[kX] != from[kX] || target[kY] != from[kY] || target[kZ] != from[kZ];
  const bool fullCircle = !moves && arc && (target[kI] != 0.0 || target[kJ] != 0.0);
  if (!moves && !fullCircle) return 0;

  if (gCommandSettings.debug == 2) ReportBlock(*modal, target);

  Position step;
  RelativeMove(target, from, &step);

  char block[kBlockTextSize];
  size_t used = 0;
  block[0] = '\0';
  int words = 0;
  char word[kWordTextSize];

  const bool newMotion = modal->motion != modal->previousMotion;
  if (newMotion) {
    word[0] = 'G';
    word[1] = '0';
    word[2] = static_cast<char>('0' + (modal->motion >= 0 && modal->motion <= 3 ? modal->motion : 0));
    word[3] = '\0';
    Append(block, &used, word);
    ++words;
  }
  // X, Y, Z always; I, J, R only on arcs.
  const int lastSlot = arc ? kR : kZ;
  for (int slot = kX; slot <= lastSlot; ++slot) {
    if (step[slot] == 0.0) continue;
    FormatAxisWord(kWordLetters[slot], target[slot], format.decimal, word);
    Append(block, &used, word);
    ++words;
  }
  const bool newFeed = modal->motion > 0 && feed->writtenFeed != feed->feed;
  if (newFeed) {
    word[0] = 'F';
    FormatRounded(feed->feed, std::span<char>(word + 1, sizeof word - 1), 0);
    Append(block, &used, word);
    ++words;
  }
  if (words == 0) return 0;  // a move inside the rounding window of every axis

  Append(block, &used, "\n");
  WriteCrlfText(piece, std::string_view(block, used));
  if (newMotion) {
    modal->olderMotion = modal->previousMotion;
    modal->previousMotion = modal->motion;
  }
  if (newFeed) feed->writtenFeed = feed->feed;
  return words;
}
