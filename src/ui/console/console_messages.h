// Texts of the console program, kept together for review.
#pragma once

// The usage lines of the console: the positional run (as the Windows program has it), the batch
// run and the header and footer files. Each line after the first is preceded by the prompt.
inline constexpr char kConsoleUsageLine[] = "quendrix ＮＣファイル 分割距離 分割時間 スタートX Y Z [BATCH]";
inline constexpr char kConsoleBatchUsageLine[] = "quendrix -CTRL パラメータファイル";
inline constexpr char kConsoleHeaderFooterUsageLine[] = "quendrix -HF ＮＣファイル";

// An argument that is not UTF-8 or holds a character that code page 932 cannot hold; its
// position (1 = the first argument after the program).
inline constexpr char kBadArgument[] =
    "エラー：引数 %d は UTF-8 の文字列として正しくないか、シフトJIS で表せない文字を含みます。";
// "-HF" without the NC program.
inline constexpr char kHeaderFooterNoNcFile[] = "エラー：ＮＣファイル名を入力して下さい";
