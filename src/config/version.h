// The version record and the names the program shows for itself. One place, so that the window
// title, the banner, the rights notice and the settings file name agree.
#pragma once

namespace version {

inline constexpr int kYear = 2021;   // the version year, shown as 2021R2.34
inline constexpr int kMajor = 2;
inline constexpr int kMinor = 34;
inline constexpr int kBuildYear = 2021;
inline constexpr int kBuildMonth = 5;
inline constexpr int kBuildDay = 24;

// The program's name: message-box title, settings file "Quendrix.ini", log file "Quendrix.log",
// settings section [Quendrix], default help file "Quendrix.chm".
inline constexpr char kProductName[] = "Quendrix";
// The maker: the name of the product family.
inline constexpr char kMakerName[] = "TORVANEK";
// The rights notice, formatted with the version year and the maker's name.
inline constexpr char kNoticeFormat[] = "Copyright (C) %d %s All Rights Reserved.";

}  // namespace version
