#include "support/corpus.h"

#include <algorithm>

#include "header_footer/header_cut.h"
#include "header_footer/start_point.h"
#include "nc/measure.h"
#include "split/measure_pass.h"

std::vector<std::filesystem::path> CorpusPrograms(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> programs;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != "SOURCES.md" && name[0] != '.') programs.push_back(entry.path());
  }
  std::sort(programs.begin(), programs.end());
  return programs;
}

void SafeStart(const std::string& path, double start[3]) {
  ProgramStartPoint(path.c_str(), start);
  PositioningRecipe recipe{};
  const int body =
      CutHeader(path.c_str(), nullptr, &recipe) == kHeaderCutOk && recipe.bodyLine > 0 ? recipe.bodyLine : 1;
  SplitMeter distance{}, time{};
  Extents minimum{}, maximum{};
  MeasureReport report{};
  if (MeasureProgram({path.c_str(), nullptr, start, body}, {&distance, &time, &minimum, &maximum, &report}) !=
      kMeasureOk) {
    return;
  }
  if ((report.setPositionAxes & 4) == 0 && maximum[kExtentZ] > start[2]) start[2] = maximum[kExtentZ];
}
