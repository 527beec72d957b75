// Texts of the settings messages, kept together for review.
#pragma once

inline constexpr char kSettingsCreateError[] = "エラー：INIファイル %s が開けません。";
inline constexpr char kWindowColourError[] = "エラー[%d]：ウインドウ色の取り出しに失敗しました。";
inline constexpr char kTextColourError[] = "エラー[%d]：テキスト色の取り出しに失敗しました。";
