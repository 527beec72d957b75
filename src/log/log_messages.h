// Texts of the run log's own messages, kept together for review.
#pragma once

inline constexpr char kNoLogToSave[] = "エラー：保存するログがありません";
inline constexpr char kLogFileOpenError[] = "エラー：ログファイル %s が開けません";

inline constexpr char kEchoTitle[] = "$$$ 出力パラメータ";
inline constexpr char kEchoDecimal[] = "$$$ 小数点　 == %d";
inline constexpr char kEchoComment[] = "$$$ コメント == %d";
