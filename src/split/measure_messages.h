// Texts of the measurement pass's failures and warnings, composed by DescribeMeasureFailure and
// DescribeZeroFeedWarning for the split driver (code page 932 in the binary).
#pragma once

// kMeasureNcUnreadable: the NC file's path.
inline constexpr char kMeasureNcUnreadableText[] = "エラー：分割ＮＣファイル %s が開けません。";
// kMeasureIntermediateUnwritable: the intermediate file's path.
inline constexpr char kMeasureIntermediateText[] = "エラー：中間ファイル %s が開けません。";
// kMeasurePlaneZX / kMeasurePlaneYZ: the plane code (18 or 19).
inline constexpr char kMeasurePlaneText[] = "エラー：平面座標 G%d サポートしてません。";
// kMeasureLineTooLong: NC file, line number, the longest line accepted.
inline constexpr char kMeasureLineTooLongText[] =
    "エラー：分割ＮＣファイル %s の %d 行目が長すぎます（%d 文字まで）。";
// kMeasureReadError: NC file, line number.
inline constexpr char kMeasureReadErrorText[] =
    "エラー：分割ＮＣファイル %s の %d 行目が読めません。";
// kMeasureWriteError: intermediate file.
inline constexpr char kMeasureWriteErrorText[] = "エラー：中間ファイル %s に書き込めません。";
// kMeasureCannedCycle: the cycle's code, line number.
inline constexpr char kMeasureCannedCycleText[] =
    "エラー：固定サイクル G%d サポートしてません。（%d 行目）";
// kMeasureCompensation: line number, G41 or G42.
inline constexpr char kMeasureCompensationText[] =
    "エラー：%d 行目の切削移動が工具径補正 G%d の中です。工具径補正のあるＮＣファイルは分割できません。";
// kMeasureToolChange: line number of the M06.
inline constexpr char kMeasureToolChangeText[] =
    "エラー：%d 行目の工具交換 M06 の前後に切削移動があります。工具交換のあるＮＣファイルは分割できません。";
// kMeasureValueTooLarge, a value of a block: line number, the value.
inline constexpr char kMeasureCoordinateTooLargeText[] =
    "エラー：%d 行目の座標 %s が大きすぎます（±999999.999 まで）。";
inline constexpr char kMeasureFeedTooLargeText[] =
    "エラー：%d 行目の送り速度 F%s が大きすぎます（99999.9 まで）。";
// kMeasureValueTooLarge, the start point: the value.
inline constexpr char kMeasureStartTooLargeText[] =
    "エラー：スタート座標 %s が大きすぎます（±999999.999 まで）。";
// Cutting moves measured without a feed: their count.
inline constexpr char kMeasureZeroFeedText[] =
    "警　告：送り速度 F のない切削移動が %d 個あります。その切削時間は合計に入っていません。";
// kMeasureUnreadableBlock, by what was found: line number (and the letter or character).
inline constexpr char kBlockNoNumberText[] =
    "エラー：%d 行目の %c の後に数値がありません。制御装置が読めないブロックは分割できません。";
inline constexpr char kBlockFullWidthText[] =
    "エラー：%d 行目のコメントの外に全角文字があります。制御装置が読めないブロックは分割できません。";
inline constexpr char kBlockMacroText[] =
    "エラー：%d 行目のマクロ文（# 変数、[ ] の式）は分割できません。";
inline constexpr char kBlockBadCharacterText[] =
    "エラー：%d 行目に読めない文字 %c があります。制御装置が読めないブロックは分割できません。";
inline constexpr char kBlockBadByteText[] =
    "エラー：%d 行目に読めない文字（0x%02X）があります。制御装置が読めないブロックは分割できません。";
inline constexpr char kBlockTooManyWordsText[] = "エラー：%d 行目のワードが多すぎます（%d 個まで）。";
// kMeasureArcWithoutCentre: line number.
inline constexpr char kArcWithoutCentreText[] =
    "エラー：%d 行目の円弧に中心（I, J）も半径 R もありません。";
// kMeasureArcRadiusTooSmall: line number, the radius.
inline constexpr char kArcRadiusTooSmallText[] =
    "エラー：%d 行目の円弧は半径 R%s では終点に届きません。";
// kMeasureNoCuttingMove: the NC file.
inline constexpr char kNoCuttingMoveText[] =
    "エラー：ＮＣファイル %s に切削移動（G01, G02, G03）が見つかりません。ＮＣファイルか確認してください。";
// The program ends before the file does: the end's line, its M code, the lines after it.
inline constexpr char kProgramEndsEarlyText[] =
    "警　告：プログラムは %d 行目の M%02d で終わります。その後の %d 行は分割しません。";
// kMeasureLateSetPosition: line number.
inline constexpr char kLateSetPositionText[] =
    "エラー：%d 行目の G92 は最初の移動の後にあります。途中で座標系を変えるＮＣファイルは分割できません。";
