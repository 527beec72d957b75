// The frames a program moves Z in, and how it changes tools: what the split check's machine
// learns from one run of the program and then holds every piece to.
//
// A Z word means a different place for the tool's tip under every tool length offset: under G43 H
// the programmed Z is the tip; under G49 it is the spindle's gauge line, one tool length above the
// tip. The length is in the control, not in the program, so the only Z words a piece can be
// proven safe with are those given in a frame the program gives Z words in itself: the same tool
// in the spindle, the same length offset and (under G43/G44) the same H. A frame is noted for
// every block that names Z in a straight move or an arc in work coordinates; reference returns,
// G53 and the levels of canned cycles are not such moves.
//
// A tool change is made for a cut: two tool changes with no cut between, or a tool change after
// the last cut of a piece before the last, change to a tool that does not cut there. The program
// itself may do either (a tool put back at its end, a probe that cuts nothing); the table notes
// whether it does, so that a piece is never held to more than the program.
#pragma once

#include <cstdint>

struct ToolFrame {
  int32_t tool;            // the tool in the spindle (0: none changed to yet)
  int32_t lengthOffset;    // 43, 44 or 49
  int32_t lengthRegister;  // H under G43/G44; 0 under G49
};

// The frame of a tool in the spindle with a length offset and register in force.
inline ToolFrame FrameOf(int32_t tool, int32_t lengthOffset, int32_t lengthRegister) {
  return ToolFrame{tool, lengthOffset, lengthOffset == 49 ? 0 : lengthRegister};
}

inline bool SameFrame(const ToolFrame& a, const ToolFrame& b) {
  return a.tool == b.tool && a.lengthOffset == b.lengthOffset && a.lengthRegister == b.lengthRegister;
}

struct ToolFrames {
  // More frames than a machining centre has tools and registers; a program with more is refused.
  static constexpr int kMaxFrames = 256;

  ToolFrame frames[kMaxFrames];
  int count = 0;
  bool overflow = false;          // a frame did not fit
  bool changeWithoutCut = false;  // the program changes tools twice with no cut between, or after
                                  // its last cut
  bool setsPosition = false;      // the program states the tool's position with G92

  bool Has(const ToolFrame& frame) const {
    for (int i = 0; i < count; ++i) {
      if (SameFrame(frames[i], frame)) return true;
    }
    return false;
  }
  void Add(const ToolFrame& frame) {
    if (Has(frame)) return;
    if (count == kMaxFrames) {
      overflow = true;
      return;
    }
    frames[count++] = frame;
  }
};
