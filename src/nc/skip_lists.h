// The tokens whose lines a pass does not interpret: reference-point returns, tool length offsets,
// work coordinate systems, cutting-mode and macro calls, high-speed mode. Each pass tests every
// line (after its comment is cut) with LineHasSkipToken before interpreting it. Matching is the
// substring search of FindText, so "G280" is skipped along with "G28".
#pragma once

#include <array>
#include <span>

#include "nc/scan.h"

// The list every pass uses.
inline constexpr std::array<const char*, 13> kSkipTokens = {
    "G28", "G30", "G43", "G44", "G54", "G55", "G56", "G57", "G58", "G59", "G64", "G65", "G05P"};

// The measurement pass also skips the canned-cycle return levels G98 and G99.
inline constexpr std::array<const char*, 15> kMeasureSkipTokens = {
    "G28", "G30", "G43", "G44", "G54", "G55", "G56", "G57",
    "G58", "G59", "G64", "G65", "G05P", "G98", "G99"};

// The start-point pass that replays moves also skips G98.
inline constexpr std::array<const char*, 14> kStartPointSkipTokens = {
    "G28", "G30", "G43", "G44", "G54", "G55", "G56", "G57", "G58", "G59", "G64", "G65", "G05P", "G98"};

// True when `line` contains any of `tokens`.
inline bool LineHasSkipToken(const char* line, std::span<const char* const> tokens) {
  for (const char* token : tokens) {
    if (FindText(line, token) >= 0) return true;
  }
  return false;
}
