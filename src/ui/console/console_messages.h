// Texts of the console program, kept together for review.
#pragma once

// The usage lines of the console: the positional run (as the Windows program has it), the batch
// run, the header and footer files and the Unix options. Each line after the first is preceded by
// the prompt.
inline constexpr char kConsoleUsageLine[] = "quendrix ＮＣファイル 分割距離 分割時間 スタートX Y Z [BATCH]";
inline constexpr char kConsoleBatchUsageLine[] = "quendrix -CTRL パラメータファイル";
inline constexpr char kConsoleHeaderFooterUsageLine[] = "quendrix -HF ＮＣファイル";
inline constexpr char kConsoleOptionsUsageLine[] = "quendrix -h | --help | --version";
inline constexpr char kConsolePreviewUsageLine[] =
    "quendrix --preview ＮＣファイル 分割距離 分割時間 ...　（分割の図 ＮＣファイル名_split.svg も保存）";
inline constexpr char kConsoleSeamUsageLine[] =
    "quendrix --seam=cut|break|tool ＮＣファイル 分割距離 分割時間 ...　（分割する位置：切削移動の途中、工具が材料から離れる区切り、工具交換も）";
inline constexpr char kConsoleSizeUsageLine[] =
    "quendrix --max-size KB ＮＣファイル 分割距離 分割時間 ...　（分割ＮＣファイルの大きさの上限 KB）";
inline constexpr char kConsolePiecesUsageLine[] =
    "quendrix --pieces N ＮＣファイル 分割距離 分割時間 ...　（切削時間がほぼ等しい N 個に分割）";
inline constexpr char kConsoleCheckUsageLine[] =
    "quendrix --check ＮＣファイル 分割ＮＣファイル... [スタートX Y Z]　（分割ＮＣファイルの検証のみ）";

// --version: program name, version name ("2021R2.34"), build year, month and day, rights notice.
inline constexpr char kConsoleVersionFormat[] = "%s %s\nBuild date %d/%02d/%02d\n%s\n";

// An argument that is not UTF-8 or holds a character that code page 932 cannot hold; its
// position (1 = the first argument after the program).
inline constexpr char kBadArgument[] =
    "エラー：引数 %d は UTF-8 の文字列として正しくないか、シフトJIS で表せない文字を含みます。";
// An argument that starts with "-", is not a number and is no option the program knows.
inline constexpr char kUnknownOptionError[] =
    "エラー：オプション %s はありません。使い方は quendrix --help で表示します。";
// "--check" given after the first argument.
inline constexpr char kConsoleCheckMisplaced[] = "エラー：--check は最初の引数に指定して下さい。";
// "--check" without the program or without a piece.
inline constexpr char kConsoleCheckTooFewArguments[] =
    "エラー：--check の後に元のＮＣファイルと分割ＮＣファイル（１つ以上）を指定して下さい。";
// "--check" with numbers that are not the last three arguments.
inline constexpr char kConsoleCheckStartArguments[] =
    "エラー：--check のスタート座標は、最後に X Y Z の３つの数値で指定して下さい"
    "（数値の名前の分割ＮＣファイルは ./ を付けて指定します）。";
// "-HF" without the NC program.
inline constexpr char kHeaderFooterNoNcFile[] = "エラー：ＮＣファイル名を入力して下さい";

// After a split: the folder where the pieces were written (absolute where possible).
inline constexpr char kPiecesFolderLine[] = "情　報：分割ＮＣファイルの出力先 : %s";
