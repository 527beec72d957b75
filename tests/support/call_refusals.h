// The programs whose calls neither reading of a program through its calls (the split passes'
// CallReader, the split check's EventStream) can follow: both must refuse each of them, for the
// same reason and at the same line.
#pragma once

#include <string>
#include <vector>

struct CallRefusal {
  const char* name;
  std::string program;
  int reason;  // CallFaultReason
  int line;    // the line the fault names
  int number;  // the O number it names (0: none)
};

std::vector<CallRefusal> CallRefusals();
