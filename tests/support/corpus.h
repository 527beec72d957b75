// Test support for the runs over the shared corpus of real programs (a folder beside the project,
// never copied into it): its programs, and the start point a user would give for each.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The programs of the corpus in `folder`, in order of their names: every file but its SOURCES.md
// and hidden files.
std::vector<std::filesystem::path> CorpusPrograms(const std::filesystem::path& folder);

// The start point a user would give for the program at `path`: the program's own, raised above
// everything the program does unless a G92 fixes its Z (then the split may refuse a start below
// the cuts).
void SafeStart(const std::string& path, double start[3]);
