// The records of the NC interpreter: fixed-size values owned by the caller (mostly locals of one
// pass) and passed by address.
#pragma once

#include <array>
#include <cstdint>

// Slots of every eight-slot word array, in word order.
enum WordSlot { kX = 0, kY = 1, kZ = 2, kI = 3, kJ = 4, kR = 5, kQ = 6, kK = 7 };
inline constexpr int kWordCount = 8;
// The address letters of the slots, in slot order.
inline constexpr char kWordLetters[kWordCount + 1] = "XYZIJRQK";

// The modal state of a program. "Not yet" values are the caller's initial ones (0 or -1).
struct ModalState {
  int32_t distanceMode;    // G90 -> 90 (absolute), G91 -> 91 (incremental); 0 or -1 until the first
  int32_t motion;          // G00..G03 -> 0..3, the latest motion word
  int32_t previousMotion;  // G00..G03: the motion before `motion`
  int32_t olderMotion;     // G00..G03: the motion before `previousMotion`
  int32_t feedGiven;       // F: 1 when this block held F, -1 otherwise (every block)
  int32_t cutterOffset;    // D: read only once G41/G42 has been seen
  int32_t spindleSpeed;    // S value
  int32_t plane;           // G17, G18, G19 -> 17, 18, 19
  int32_t spare;           // never written by the interpreter; free for the callers
  int32_t blockMotion;     // G00..G03 of this block, -1 when none (every block)
};

// G codes seen: entry n holds n once code n has been seen, -1 otherwise. The interpreter only
// sets entries; the caller fills the table with -1 once per pass or before every block.
using GCodeTable = std::array<int32_t, 100>;
// M codes seen, M00..M09, same rule (M00 sets entry 0 to 0; M06 is not recorded).
using MCodeTable = std::array<int32_t, 10>;

// Values in mm of the block's X, Y, Z, I, J, R, Q, K words; the caller sets all to 0 before
// every block, the interpreter writes the words present.
using BlockWords = std::array<double, kWordCount>;
// 1 for each word present in the block; the caller sets all to 0 before every block.
using WordGiven = std::array<int32_t, kWordCount>;
// For each word present: 1 when its number had a decimal point, 0 when not; absent words keep
// their slot.
using WordHasPoint = std::array<int32_t, kWordCount>;

// Absolute X, Y, Z of the tool in mm, then the I, J, R, Q, K of the block that produced it.
using Position = std::array<double, kWordCount>;

// Units of the numbers of a program: G21 millimetres (the power-on state of metric shops) or G20
// inches. Numbers without a decimal point in X, Y, Z, I, J, R, Q, K count 0.001 mm or 0.0001 inch.
enum Units { kMillimetres = 21, kInches = 20 };
inline constexpr double kMillimetresPerInch = 25.4;

struct FeedState {
  double feed;          // F: the feed in force, mm/min (0 until the first F)
  double previousFeed;  // F: the feed in force before the latest F word
  double initialFeed;   // the start scan: the feed left by the scan of the whole program
};

// Fills both tables with -1 ("not seen").
inline void ClearCodeTables(GCodeTable* gCodes, MCodeTable* mCodes) {
  gCodes->fill(-1);
  mCodes->fill(-1);
}

// Sets the block's words to 0 and marks none of them given: the caller's step before every
// block.
inline void ClearBlock(BlockWords* words, WordGiven* given) {
  words->fill(0.0);
  given->fill(0);
}
