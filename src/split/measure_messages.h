// Texts of the measurement pass's failures and warnings, composed by DescribeMeasureFailure and
// DescribeZeroFeedWarning for the split driver (code page 932 in the binary).
#pragma once

// kMeasureNcUnreadable: the NC file's path.
inline constexpr char kMeasureNcUnreadableText[] = "エラー：分割ＮＣファイル %s が開けません。";
// kMeasureIntermediateUnwritable: the intermediate file's path.
inline constexpr char kMeasureIntermediateText[] = "エラー：中間ファイル %s が開けません。";
// kMeasureLineTooLong: NC file, line number, the longest line accepted.
inline constexpr char kMeasureLineTooLongText[] =
    "エラー：分割ＮＣファイル %s の %d 行目が長すぎます（%d 文字まで）。";
// kMeasureReadError: NC file, line number.
inline constexpr char kMeasureReadErrorText[] =
    "エラー：分割ＮＣファイル %s の %d 行目が読めません。";
// kMeasureTooLarge: NC file, the most lines (and records) counted.
inline constexpr char kMeasureTooLargeText[] =
    "エラー：分割ＮＣファイル %s が大きすぎます（行数と、移動・穴・ブロックの数はそれぞれ %d まで）。";
// kMeasureWriteError: intermediate file.
inline constexpr char kMeasureWriteErrorText[] = "エラー：中間ファイル %s に書き込めません。";
// kMeasureCannedCycle: a cycle other than G73, G74, G76, G81..G89: the cycle's code, line number.
inline constexpr char kMeasureCannedCycleText[] =
    "エラー：固定サイクル G%d サポートしてません。（%d 行目）";
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
inline constexpr char kBlockRepeatedWordText[] =
    "エラー：%d 行目にアドレス %c が２つあります。制御装置が読めないブロックは分割できません。";
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
// kMeasureUnsupportedCode: line number, the code, why a piece cannot carry it.
inline constexpr char kUnsupportedCodeText[] =
    "エラー：%d 行目の %s は分割できません（%s）。";
inline constexpr char kReasonSubprogram[] = "サブプログラムの呼び出し";
inline constexpr char kReasonMacroCall[] = "マクロの呼び出し";
inline constexpr char kReasonRotation[] = "座標回転";
inline constexpr char kReasonScaling[] = "スケーリング・ミラー";
inline constexpr char kReasonPolar[] = "極座標指令";
inline constexpr char kReasonLocalSystem[] = "途中での座標系の設定";
inline constexpr char kReasonInverseTime[] = "逆時間送り";
inline constexpr char kReasonSkip[] = "スキップ機能";
inline constexpr char kReasonCircleCycle[] = "円切削サイクル";
inline constexpr char kReasonAbsoluteCentres[] = "円弧中心 I, J, K のアブソリュート指令";
// A call whose place a piece cannot carry: in the header, which every piece copies as written.
inline constexpr char kReasonCallInOpening[] = "最初の移動より前のサブプログラムの呼び出し";
// kMeasureCall, by CallFaultReason: the line, then the O number or the limit where there is one.
inline constexpr char kCallMissingText[] = "エラー：%d 行目の M98 が呼び出す O%04d がファイルの中にありません。";
inline constexpr char kCallReturnInMainText[] =
    "エラー：%d 行目の M99 はメインプログラムの中にあります（終わりなくくり返します）。分割できません。";
inline constexpr char kCallRecursiveText[] =
    "エラー：%d 行目の M98 は実行中の O%04d を呼び出します（再帰呼び出し）。分割できません。";
inline constexpr char kCallTooDeepText[] =
    "エラー：%d 行目の M98 は呼び出しの入れ子が %d 重を超えます。分割できません。";
inline constexpr char kCallFormText[] =
    "エラー：%d 行目の M98 の書き方には対応していません。書けるのは M98 P.... と L か K（くり返し回数 1 から 9999）だけです。";
inline constexpr char kReturnFormText[] =
    "エラー：%d 行目の M99 の書き方には対応していません（M99 の行にほかの語は書けません）。";
inline constexpr char kSubprogramLineFormText[] =
    "エラー：%d 行目のサブプログラム O%04d の行にはプログラム番号のほかの語は書けません。";
inline constexpr char kCallBeforeEndText[] =
    "エラー：%d 行目：サブプログラム O%04d がメインプログラムの終わり（M02/M30）より前にあります。分割できません。";
inline constexpr char kCallNoReturnText[] =
    "エラー：%d 行目：サブプログラム O%04d が M99 で終わらないまま、次のプログラムかファイルの終わりになります。";
inline constexpr char kCallEndInsideText[] =
    "エラー：%d 行目の M02/M30 はサブプログラム O%04d の中にあります。分割できません。";
inline constexpr char kCallTooManyText[] =
    "エラー：%d 行目：サブプログラムが %d 個を超えます。分割できません。";
// Added to a refusal of a line inside a subprogram: the line of the call, the O number.
inline constexpr char kCalledFromText[] = "（%d 行目の M98 で呼ばれた O%04d の中）";
// kMeasureUnitsCode: line number, the code (70 or 71).
inline constexpr char kUnitsCodeText[] =
    "エラー：%d 行目の G%d は制御装置によってインチ／ミリの指定か固定サイクルです。G70/G71 は単位として読みません。単位は G20（インチ）/ G21（ミリ）で指定してください。";
// kMeasureUnitsChange: line number.
inline constexpr char kUnitsChangeText[] =
    "エラー：%d 行目で単位（G20/G21）が変わります。途中で単位を変えるＮＣファイルは分割できません。";
// kMeasureCycleWithoutDepth: line number, the cycle's code.
inline constexpr char kCycleWithoutDepthText[] =
    "エラー：%d 行目の固定サイクル G%d に穴の深さ Z がない（または繰り返し回数が読めない）ので分割できません。";
// kMeasureUnknownPosition: line number.
// kMeasureOffsetWriteForm: line number.
inline constexpr char kOffsetWriteFormText[] =
    "エラー：%d 行目の G10 は分割できません。分割ＮＣファイルの頭で繰り返せるのは、アブソリュート（G90）で L1, L2, L10～L13, L20 と P を指令し、ほかに X, Y, Z, R だけを持つオフセットの書き込みです。";
// kMeasureTooManyOffsetWrites: line number, the limit.
inline constexpr char kTooManyOffsetWritesText[] =
    "エラー：%d 行目の G10 で、本体のオフセットの書き込みが %d 個を超えます。分割ＮＣファイルの頭で繰り返せる数を超えるので分割できません。";
// kMeasureLocalSystemForm: line number.
inline constexpr char kLocalSystemFormText[] =
    "エラー：%d 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。";
// kMeasureMachineTimeTooLong: line number.
inline constexpr char kMachineTimeTooLongText[] =
    "エラー：%d 行目までで機械時間の見積が長すぎます（３１年まで）。送り速度を確かめてください。";
inline constexpr char kUnknownPositionText[] =
    "エラー：%d 行目はインクリメンタル（G91）の移動ですが、その軸の位置が G28, G30, G53, オフセットの書き込み（G10）やワーク座標系の変更の後でわかりません。";
// kMeasureCycleLevelOnly: line number, the cycle's code.
inline constexpr char kCycleLevelOnlyText[] =
    "エラー：%d 行目は固定サイクル G%d の中で穴の位置（X, Y）のない Z / R の指令です。分割できません。";
