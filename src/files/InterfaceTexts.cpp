#include "files/InterfaceTexts.h"

#include <QLocale>

#include <algorithm>

namespace vexmo {

namespace {

// clang-format off
constexpr CommandTexts kCommandTexts[] = {
    {"AtnFileNew", "Create &New", "Create New", "新規作成(&N)", "新規作成"},
    {"AtnFileOpen", "&Open...", "Open", "開く(&O)...", "開く"},
    {"AtnFileSave", "&Save", "Save", "上書き保存(&S)", "上書き保存"},
    {"AtnFileSaveAs", "Save &As...", "Save As", "名前をつけて保存(&A)...", "名前をつけて保存"},
    {"AtnFileReopenUtf8", "&UTF-8", "Read the document's file again as UTF-8", "&UTF-8", "文書のファイルをUTF-8として読み直す"},
    {"AtnFileReopenShiftJis", "&Shift_JIS (Japanese)", "Read the document's file again as Shift_JIS", "&Shift_JIS (日本語)", "文書のファイルをShift_JISとして読み直す"},
    {"AtnFileReopenWindows1252", "&Windows-1252 (Western)", "Read the document's file again as Windows-1252", "&Windows-1252 (西欧)", "文書のファイルをWindows-1252として読み直す"},
    {"AtnFileClearVariables", "Clear Variables", "Clear Variables", "変数初期化", "変数初期化"},
    {"AtnFileOpenVariables", "Open Variables...", "Open Variables", "変数を開く...", "変数を開く"},
    {"AtnFileSaveVariablesAs", "Save Variables As...", "Save Variables As", "変数に名前をつけて保存...", "変数に名前をつけて保存"},
    {"AtnFileExit", "E&xit", "Exit", "終了(&X)", "終了"},
    {"AtnEditUndo", "&Undo", "Undo", "元に戻す(&U)", "元に戻す"},
    {"AtnEditRedo", "&Redo", "Redo", "やり直し(&R)", "やり直し"},
    {"AtnEditCut", "Cu&t", "Cut", "切り取り(&T)", "切り取り"},
    {"AtnEditCopy", "&Copy", "Copy", "コピー(&C)", "コピー"},
    {"AtnEditPaste", "&Paste", "Paste", "貼り付け(&P)", "貼り付け"},
    {"AtnEditDelete", "&Delete", "Delete", "削除(&D)", "削除"},
    {"AtnEditSelectAll", "Select A&ll", "Select All", "すべて選択(&L)", "すべて選択"},
    {"AtnEditSendToClipboard", "Copy &Automatically", "Copy Automatically", "自動コピー(&A)", "自動コピー"},
    {"AtnEditFind", "&Find...", "Find text in the document", "検索(&F)...", "文書の中の文字列を検索する"},
    {"AtnEditReplace", "R&eplace...", "Replace text in the expressions", "置換(&E)...", "式の中の文字列を置換する"},
    {"AtnEditCopyAnswer", "Copy a&nswer", "Copy the current line's answer to the clipboard", "計算結果をコピー(&N)", "現在の行の計算結果をクリップボードにコピーする"},
    {"AtnOptionShowVariables", "Show &Variables", "Show Variables", "変数表示(&V)...", "変数表示"},
    {"AtnOptions", "&Options...", "Options", "オプション(&O)...", "オプション"},
    {"AtnOptionsSimpleWindow", "&Simple Window Style", "Simple Window Style", "シンプル表示(&S)", "シンプル表示"},
    {"AtnOptionRegistry", "&Register Vexmo", "Open calculation documents (*.vxm) with Vexmo on this desktop", "Vexmoの登録(&R)", "計算文書ファイル(*.vxm)をこのデスクトップでVexmoで開くようにする"},
    {"AtnOptionDelRegistry", "&Unregister Vexmo", "Remove Vexmo's registration for calculation documents (*.vxm)", "Vexmoの登録解除(&U)", "計算文書ファイル(*.vxm)のVexmoへの登録を解除する"},
    {"AtnVexmiCalculate", "&Calculate", "Calculate a current line", "計算実行(&C)", "現在の行を計算"},
    {"AtnVexmiRemoveAnswers", "&Remove answers", "Remove all answers", "計算結果削除(&R)", "計算結果を削除する"},
    {"AtnVexmiReCalc", "Calculate &again", "Calculate all lines again", "再計算実行(&A)", "すべての行を再計算する"},
    {"AtnVexmiCalcBelow", "Calculate &below", "Calculate from the current line to the end", "以下を再計算(&B)", "現在の行から最後まで計算する"},
    {"AtnHelpIndex", "&Index...", "Help Index", "索引(&I)...", "索引"},
    {"AtnHelpDorvHomepage", "&Dorv's HomePage...", "Open Dorv's HomePage", "&Dorvの広場を開く...", "Dorvの広場を開く"},
    {"AtnHelpAbout", "&About Vexmo...", "About Vexmo", "Vexmoについて(&A)...", "Vexmoについて"},
    {"AtnInsertConstA0", "Bohr's radius(_A0)", "Bohr's radius(_A0)", "ボーア半径(_A0)", "ボーア半径(_A0)"},
    {"AtnInsertConstC0", "Velocity of light in free space(_C)", "Velocity of light in free space(_C)", "真空における光速(_C)", "真空における光速(_C)"},
    {"AtnInsertConstU0", "Permeability of free space(_U0)", "Permeability of free space(_U0)", "真空の透磁率(_U0)", "真空の透磁率(_U0)"},
    {"AtnInsertConstE", "Base of the natural logarithm(_E)", "Base of the natural logarithm(_E)", "自然対数の底(_E)", "自然対数の底(_E)"},
    {"AtnInsertConstE0", "Permittivity of free space(_E0)", "Permittivity of free space(_E0)", "真空の誘電率(_E0)", "真空の誘電率(_E0)"},
    {"AtnInsertConstEU", "Electron charge(_EU)", "Electron charge(_EU)", "素電荷(_EU)", "素電荷(_EU)"},
    {"AtnInsertConstFALSE", "Logical false(_FALSE)", "Logical false(_FALSE)", "偽(_FALSE)", "偽(_FALSE)"},
    {"AtnInsertConstH", "Planck constant(_H)", "Planck constant(_H)", "プランク定数(_H)", "プランク定数(_H)"},
    {"AtnInsertConstK", "Boltzmann's constant(_K)", "Boltzmann's constant(_K)", "ボルツマン定数(_K)", "ボルツマン定数(_K)"},
    {"AtnInsertConstME", "Electron mass(_ME)", "Electron mass(_ME)", "電子質量(_ME)", "電子質量(_ME)"},
    {"AtnInsertConstMP", "Proton mass(_MP)", "Proton mass(_MP)", "陽子質量(_MP)", "陽子質量(_MP)"},
    {"AtnInsertConstMN", "Neutron mass(_MN)", "Neutron mass(_MN)", "中性子質量(_MN)", "中性子質量(_MN)"},
    {"AtnInsertConstNA", "Avogadro constant(_NA)", "Avogadro constant(_NA)", "アボガドロ数(_NA)", "アボガドロ数(_NA)"},
    {"AtnInsertConstPI", "Pi(_PI)", "Pi(_PI)", "円周率(_PI)", "円周率(_PI)"},
    {"AtnInsertConstR", "Molar gas constant(_R)", "Molar gas constant(_R)", "1モルの気体定数(_R)", "1モルの気体定数(_R)"},
    {"AtnInsertConstTRUE", "Logical true(_TRUE)", "Logical true(_TRUE)", "真(_TRUE)", "真(_TRUE)"},
    {"AtnInsertConstUB", "Bohr magneton(_UB)", "Bohr magneton(_UB)", "ボーア磁子(_UB)", "ボーア磁子(_UB)"},
    {"AtnInsertConstUE", "Magnetic momentum of electron(_UE)", "Magnetic momentum of electron(_UE)", "電子磁気モーメント(_UE)", "電子磁気モーメント(_UE)"},
    {"AtnInsertConstUP", "Magnetic momentum of proton(_UP)", "Magnetic momentum of proton(_UP)", "陽子磁気モーメント(_UP)", "陽子磁気モーメント(_UP)"},
    {"AtnInsertConstVM", "Standard volume of ideal gas(_VM)", "Standard volume of ideal gas(_VM)", "理想気体1モルの体積(_VM)", "理想気体1モルの体積(_VM)"},
    {"AtnInsertConstRND", "Random number less than 1(_RND)", "Random number less than 1(_RND)", "1未満の実数乱数(_RND)", "1未満の実数乱数(_RND)"},
    {"AtnInsertFuncRADTODEG", "Convert radian into degree(RADTODEG)", "Convert radian into degree(RADTODEG)", "ラジアンを度へ変換(RADTODEG)", "ラジアンを度へ変換(RADTODEG)"},
    {"AtnInsertFuncDEGTORAD", "Convert degree into radian(DEGTORAD)", "Convert degree into radian(DEGTORAD)", "度をラジアンへ変換(DEGTORAD)", "度をラジアンへ変換(DEGTORAD)"},
    {"AtnInsertFuncTRUNC", "Drop decimal fractions(TRUNC)", "Drop decimal fractions(TRUNC)", "小数部切り捨て(TRUNC)", "小数部切り捨て(TRUNC)"},
    {"AtnInsertFuncCEIL", "Round up(CEIL)", "Round up(CEIL)", "正方向へ切り上げ(CEIL)", "正方向へ切り上げ(CEIL)"},
    {"AtnInsertFuncFLOOR", "Round off(FLOOR)", "Round off(FLOOR)", "負方向へ切り下げ(FLOOR)", "負方向へ切り下げ(FLOOR)"},
    {"AtnInsertFuncFRAC", "Decimal fraction part(FRAC)", "Decimal fraction part(FRAC)", "小数部抽出(FRAC)", "小数部抽出(FRAC)"},
    {"AtnInsertFuncROUND", "Round up numbers of five and above(ROUND)", "Round up numbers of five and above(ROUND)", "四捨五入(ROUND)", "四捨五入(ROUND)"},
    {"AtnInsertFuncABS", "Absolute value(ABS)", "Absolute value(ABS)", "絶対値(ABS)", "絶対値(ABS)"},
    {"AtnInsertFuncEXP", "Exponent(EXP)", "Exponent(EXP)", "指数関数(EXP)", "指数関数(EXP)"},
    {"AtnInsertFuncLN", "Natural logarithm(LN)", "Natural logarithm(LN)", "自然対数(LN)", "自然対数(LN)"},
    {"AtnInsertFuncLOG", "Common logarithm(LOG)", "Common logarithm(LOG)", "常用対数(LOG)", "常用対数(LOG)"},
    {"AtnInsertFuncSQRT", "Square root(SQRT)", "Square root(SQRT)", "平方根(SQRT)", "平方根(SQRT)"},
    {"AtnInsertFuncSIN", "Sine(SIN)", "Sine(SIN)", "正弦(SIN)", "正弦(SIN)"},
    {"AtnInsertFuncCOS", "Cosine(COS)", "Cosine(COS)", "余弦(COS)", "余弦(COS)"},
    {"AtnInsertFuncTAN", "Tangent(TAN)", "Tangent(TAN)", "正接(TAN)", "正接(TAN)"},
    {"AtnInsertFuncSINH", "Hyperbolic sine(SINH)", "Hyperbolic sine(SINH)", "双曲線正弦(SINH)", "双曲線正弦(SINH)"},
    {"AtnInsertFuncCOSH", "Hyperbolic cosine(COSH)", "Hyperbolic cosine(COSH)", "双曲線余弦(COSH)", "双曲線余弦(COSH)"},
    {"AtnInsertFuncTANH", "Hyperbolic tangent(TANH)", "Hyperbolic tangent(TANH)", "双曲線正接(TANH)", "双曲線正接(TANH)"},
    {"AtnInsertFuncARCSIN", "Arcsine(ARCSIN)", "Arcsine(ARCSIN)", "逆正弦(ARCSIN)", "逆正弦(ARCSIN)"},
    {"AtnInsertFuncARCCOS", "Arccosine(ARCCOS)", "Arccosine(ARCCOS)", "逆余弦(ARCCOS)", "逆余弦(ARCCOS)"},
    {"AtnInsertFuncARCTAN", "Arctangent(ARCTAN)", "Arctangent(ARCTAN)", "逆正接(ARCTAN)", "逆正接(ARCTAN)"},
    {"AtnInsertFuncARCSINH", "Hyperbolic arcsine(ARCSINH)", "Hyperbolic arcsine(ARCSINH)", "逆双曲線正弦(ARCSINH)", "逆双曲線正弦(ARCSINH)"},
    {"AtnInsertFuncARCCOSH", "Hyperbolic arccosine(ARCCOSH)", "Hyperbolic arccosine(ARCCOSH)", "逆双曲線余弦(ARCCOSH)", "逆双曲線余弦(ARCCOSH)"},
    {"AtnInsertFuncARCTANH", "Hyperbolic arctangent(ARCTANH)", "Hyperbolic arctangent(ARCTANH)", "逆双曲線正接(ARCTANH)", "逆双曲線正接(ARCTANH)"},
    {"AtnInsertFuncCAP", "Impedance of capacitor(CAP)", "Impedance of capacitor(CAP)", "キャパシタインピーダンス(CAP)", "キャパシタインピーダンス(CAP)"},
    {"AtnInsertFuncIND", "Impedance of inductor(IND)", "Impedance of inductor(IND)", "インダクタインピーダンス(IND)", "インダクタインピーダンス(IND)"},
    {"AtnInsertFuncACAP", "Inverse of impedance of capacitor(ACAP)", "Inverse of impedance of capacitor(ACAP)", "逆キャパシタインピーダンス(ACAP)", "逆キャパシタインピーダンス(ACAP)"},
    {"AtnInsertFuncAIND", "Inverse of impedance of inductor(AIND)", "Inverse of impedance of inductor(AIND)", "逆インダクタインピーダンス(AIND)", "逆インダクタインピーダンス(AIND)"},
    {"AtnInsertFuncDB", "Decibel of power(DB)", "Decibel of power(DB)", "電力デシベル(DB)", "電力デシベル(DB)"},
    {"AtnInsertFuncDB2", "Decibel of voltage(DB2)", "Decibel of voltage(DB2)", "電圧デシベル(DB2)", "電圧デシベル(DB2)"},
    {"AtnInsertFuncADB", "Inverse of decibel of power(ADB)", "Inverse of decibel of power(ADB)", "逆電力デシベル(ADB)", "逆電力デシベル(ADB)"},
    {"AtnInsertFuncADB2", "Inverse of decibel of voltage(ADB2)", "Inverse of decibel of voltage(ADB2)", "逆電圧デシベル(ADB2)", "逆電圧デシベル(ADB2)"},
    {"AtnInsertFuncSUM", "Summation(SUM)", "Summation(SUM)", "合計(SUM)", "合計(SUM)"},
    {"AtnInsertFuncMEAN", "Average(MEAN)", "Average(MEAN)", "平均(MEAN)", "平均(MEAN)"},
    {"AtnInsertFuncMAX", "Maximum value(MAX)", "Maximum value(MAX)", "最大値(MAX)", "最大値(MAX)"},
    {"AtnInsertFuncMIN", "Minimum value(MIN)", "Minimum value(MIN)", "最小値(MIN)", "最小値(MIN)"},
    {"AtnInsertFuncIF", "Conditional evaluation(IF)", "Conditional evaluation(IF)", "条件判断(IF)", "条件判断(IF)"},
    {"AtnInsertFuncANGLE", "Phase angle(ANGLE)", "Phase angle(ANGLE)", "位相角(ANGLE)", "位相角(ANGLE)"},
    {"AtnInsertFuncIM", "Imaginary part(IM)", "Imaginary part(IM)", "虚部(IM)", "虚部(IM)"},
    {"AtnInsertFuncRE", "Real part(RE)", "Real part(RE)", "実部(RE)", "実部(RE)"},
    {"AtnInsertFuncCONJ", "Conjugation(CONJ)", "Conjugation(CONJ)", "共役(CONJ)", "共役(CONJ)"},
};

constexpr MenuTexts kMenuTexts[] = {
    {"File1", "&File", "ファイル(&F)"},
    {"ReopenEncoding1", "Reopen with &Encoding", "エンコーディングを指定して開き直す(&E)"},
    {"RecentDocuments1", "&Recent documents", "最近使ったファイル(&R)"},
    {"Edit1", "&Edit", "編集(&E)"},
    {"Insert1", "&Insert", "挿入(&I)"},
    {"Constants1", "&Constants (CODATA 2022)", "定数 (CODATA 2022)(&C)"},
    {"Function1", "&Functions", "関数(&F)"},
    {"Electronics1", "&Electronics", "電気(&E)"},
    {"Trigonometrical1", "&Trigonometrical", "三角関数(&T)"},
    {"Conversion1", "&Conversion", "変換(&C)"},
    {"ExponentandLogarithmic1", "Exponent and &Logarithmic", "指数と対数(&L)"},
    {"Statistics1", "&Statistics and Truncation", "統計と丸め(&S)"},
    {"Miscellenious1", "&Miscellaneous", "その他(&M)"},
    {"Options1", "&Options", "オプション(&O)"},
    {"Help1", "&Help", "ヘルプ(&H)"},
};
// clang-format on

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const CommandTexts* FindCommand(std::string_view name) {
    const auto* it = std::find_if(std::begin(kCommandTexts), std::end(kCommandTexts),
                                  [&](const CommandTexts& t) { return t.Name == name; });
    return it == std::end(kCommandTexts) ? nullptr : it;
}

}  // namespace

int ResolveLanguage(int selector, bool japaneseLocale) {
    if (selector != LanguageUnset) return selector;
    return japaneseLocale ? LanguageJapanese : LanguageEnglish;
}

bool SystemLocaleIsJapanese() { return QLocale::system().language() == QLocale::Japanese; }

std::span<const CommandTexts> CommandTextTable() { return kCommandTexts; }
std::span<const MenuTexts> MenuTextTable() { return kMenuTexts; }

QString CommandCaption(std::string_view name, int language) {
    const CommandTexts* t = FindCommand(name);
    if (!t) return {};
    return FromUtf8(IsEnglish(language) ? t->CaptionEn : t->CaptionJa);
}

QString CommandHint(std::string_view name, int language) {
    const CommandTexts* t = FindCommand(name);
    if (!t) return {};
    return FromUtf8(IsEnglish(language) ? t->HintEn : t->HintJa);
}

QString MenuCaption(std::string_view name, int language) {
    for (const MenuTexts& m : kMenuTexts)
        if (m.Name == name) return FromUtf8(IsEnglish(language) ? m.English : m.Japanese);
    return {};
}

QString ModifiedStatusText(int language) {
    return IsEnglish(language) ? QStringLiteral("Modified") : QStringLiteral("変更あり");
}

QString RunCancelText(int language) {
    return IsEnglish(language) ? QStringLiteral("Cancel") : QStringLiteral("中止");
}

QString VariablesWindowCaption(int language) {
    return IsEnglish(language) ? QStringLiteral("Variables") : QStringLiteral("変数");
}

QString HelpFileName(int language) {
    return FromUtf8(IsEnglish(language) ? HelpFileEnglish : HelpFileJapanese);
}

QString HelpFilePath(const QString& programFolder, int language) {
    QString folder = programFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/')) folder += u'/';
    return folder + HelpFileName(language);
}

}  // namespace vexmo
