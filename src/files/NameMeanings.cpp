#include "files/NameMeanings.h"

#include "files/InterfaceTexts.h"

namespace vexmo {

namespace {

// clang-format off
constexpr NameMeaning kMeanings[] = {
    {"TRUNC", true, "TRUNC(z)", "each part truncated toward zero", "各部を0方向に切り捨て"},
    {"CEIL", true, "CEIL(z)", "each part rounded up", "各部を切り上げ"},
    {"FLOOR", true, "FLOOR(z)", "each part rounded down", "各部を切り下げ"},
    {"FRAC", true, "FRAC(z)", "fractional part of each part", "各部の小数部"},
    {"ROUND", true, "ROUND(z)", "each part to the nearest integer, halves to even", "各部を最も近い整数に丸める（偶数丸め）"},
    {"ABS", true, "ABS(z)", "magnitude", "絶対値"},
    {"EXP", true, "EXP(z)", "e to the power z", "eのz乗"},
    {"LN", true, "LN(z)", "natural logarithm", "自然対数"},
    {"LOG", true, "LOG(z)", "common (base 10) logarithm", "常用対数"},
    {"SQRT", true, "SQRT(z)", "square root", "平方根"},
    {"SIN", true, "SIN(z)", "sine, radians", "正弦（ラジアン）"},
    {"COS", true, "COS(z)", "cosine, radians", "余弦（ラジアン）"},
    {"TAN", true, "TAN(z)", "tangent, radians", "正接（ラジアン）"},
    {"SINH", true, "SINH(z)", "hyperbolic sine", "双曲線正弦"},
    {"COSH", true, "COSH(z)", "hyperbolic cosine", "双曲線余弦"},
    {"TANH", true, "TANH(z)", "hyperbolic tangent", "双曲線正接"},
    {"ARCSIN", true, "ARCSIN(z)", "inverse sine, radians", "逆正弦（ラジアン）"},
    {"ARCCOS", true, "ARCCOS(z)", "inverse cosine, radians", "逆余弦（ラジアン）"},
    {"ARCTAN", true, "ARCTAN(z)", "inverse tangent, radians", "逆正接（ラジアン）"},
    {"ARCSINH", true, "ARCSINH(z)", "inverse hyperbolic sine", "逆双曲線正弦"},
    {"ARCCOSH", true, "ARCCOSH(z)", "inverse hyperbolic cosine", "逆双曲線余弦"},
    {"ARCTANH", true, "ARCTANH(z)", "inverse hyperbolic tangent", "逆双曲線正接"},
    {"SIND", true, "SIND(z)", "sine, degrees", "正弦（度）"},
    {"COSD", true, "COSD(z)", "cosine, degrees", "余弦（度）"},
    {"TAND", true, "TAND(z)", "tangent, degrees", "正接（度）"},
    {"SINHD", true, "SINHD(z)", "hyperbolic sine of degrees", "双曲線正弦（度）"},
    {"COSHD", true, "COSHD(z)", "hyperbolic cosine of degrees", "双曲線余弦（度）"},
    {"TANHD", true, "TANHD(z)", "hyperbolic tangent of degrees", "双曲線正接（度）"},
    {"ARCSIND", true, "ARCSIND(z)", "inverse sine in degrees", "逆正弦（度）"},
    {"ARCCOSD", true, "ARCCOSD(z)", "inverse cosine in degrees", "逆余弦（度）"},
    {"ARCTAND", true, "ARCTAND(z)", "inverse tangent in degrees", "逆正接（度）"},
    {"ARCSINHD", true, "ARCSINHD(z)", "inverse hyperbolic sine in degrees", "逆双曲線正弦（度）"},
    {"ARCCOSHD", true, "ARCCOSHD(z)", "inverse hyperbolic cosine in degrees", "逆双曲線余弦（度）"},
    {"ARCTANHD", true, "ARCTANHD(z)", "inverse hyperbolic tangent in degrees", "逆双曲線正接（度）"},
    {"ANGLE", true, "ANGLE(z)", "phase angle in radians", "偏角（ラジアン）"},
    {"RADTODEG", true, "RADTODEG(z)", "radians to degrees", "ラジアンを度に変換"},
    {"DEGTORAD", true, "DEGTORAD(z)", "degrees to radians", "度をラジアンに変換"},
    {"RE", true, "RE(z)", "real part", "実部"},
    {"IM", true, "IM(z)", "imaginary part", "虚部"},
    {"CONJ", true, "CONJ(z)", "complex conjugate", "共役複素数"},
    {"CAP", true, "CAP(C, f)", "impedance of a capacitor", "コンデンサのインピーダンス"},
    {"IND", true, "IND(L, f)", "impedance of an inductor", "インダクタのインピーダンス"},
    {"ACAP", true, "ACAP(Z, f)", "capacitance of a reactance", "リアクタンスから容量を求める"},
    {"AIND", true, "AIND(Z, f)", "inductance of a reactance", "リアクタンスからインダクタンスを求める"},
    {"DB", true, "DB(z)", "power ratio to decibels", "電力比をデシベルに変換"},
    {"DB2", true, "DB2(z)", "voltage ratio to decibels", "電圧比をデシベルに変換"},
    {"ADB", true, "ADB(dB)", "decibels to power ratio", "デシベルを電力比に変換"},
    {"ADB2", true, "ADB2(dB)", "decibels to voltage ratio", "デシベルを電圧比に変換"},
    {"SUM", true, "SUM(z1, z2, ...)", "sum of the elements", "要素の合計"},
    {"MEAN", true, "MEAN(z1, z2, ...)", "mean of the elements", "要素の平均"},
    {"MAX", true, "MAX(z1, z2, ...)", "element with the largest real part", "実部が最大の要素"},
    {"MIN", true, "MIN(z1, z2, ...)", "element with the smallest real part", "実部が最小の要素"},
    {"IF", true, "IF(c, a, b)", "a when c is not 0, else b", "cが0でなければa、0ならb"},
    {"_A0", false, "5.2917706e-11", "Bohr radius, m", "ボーア半径 m"},
    {"_C", false, "299792458", "speed of light in vacuum, m/s", "真空中の光速 m/s"},
    {"_U0", false, "1.2566370614e-06", "permeability of vacuum, H/m", "真空の透磁率 H/m"},
    {"_E", false, "2.718281828459045", "base of the natural logarithm", "自然対数の底"},
    {"_E0", false, "8.854187818e-12", "permittivity of vacuum, F/m", "真空の誘電率 F/m"},
    {"_EU", false, "1.6021892e-19", "elementary charge, C", "電気素量 C"},
    {"_FALSE", false, "0", "logical false", "論理値 偽"},
    {"FALSE", false, "0", "logical false", "論理値 偽"},
    {"_H", false, "6.626176e-34", "Planck constant, J s", "プランク定数 J·s"},
    {"_I", false, "0 +_I 1", "imaginary unit", "虚数単位"},
    {"_J", false, "0 +_I 1", "imaginary unit", "虚数単位"},
    {"_K", false, "1.380662e-23", "Boltzmann constant, J/K", "ボルツマン定数 J/K"},
    {"_ME", false, "9.109534e-31", "electron mass, kg", "電子の質量 kg"},
    {"_MP", false, "1.6726485e-27", "proton mass, kg", "陽子の質量 kg"},
    {"_MN", false, "1.6749543e-27", "neutron mass, kg", "中性子の質量 kg"},
    {"_NA", false, "6.022045e+23", "Avogadro constant, 1/mol", "アボガドロ定数 1/mol"},
    {"_PI", false, "3.141592653589793", "pi", "円周率"},
    {"PI", false, "3.141592653589793", "pi", "円周率"},
    {"_R", false, "8.31441", "molar gas constant, J/(mol K)", "気体定数 J/(mol·K)"},
    {"_TRUE", false, "1", "logical true", "論理値 真"},
    {"TRUE", false, "1", "logical true", "論理値 真"},
    {"_UB", false, "9.274074e-24", "Bohr magneton, J/T", "ボーア磁子 J/T"},
    {"_UE", false, "9.284832e-24", "magnetic moment of the electron, J/T", "電子の磁気モーメント J/T"},
    {"_UP", false, "1.4106171e-26", "magnetic moment of the proton, J/T", "陽子の磁気モーメント J/T"},
    {"_VM", false, "0.02241383", "molar volume of an ideal gas, m3/mol", "理想気体のモル体積 m³/mol"},
    {"_RND", false, "[0, 1)", "a new random number below 1 at each use", "使うたびに新しい1未満の乱数"},
};
// clang-format on

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::span<const NameMeaning> NameMeaningTable() {
    return kMeanings;
}

std::vector<CatalogueEntry> BuiltinCatalogue(int language) {
    std::vector<CatalogueEntry> entries;
    for (const NameMeaning& m : kMeanings)
        entries.push_back(
            {Text(m.Name),
             m.Function ? CatalogueEntry::Kind::Function : CatalogueEntry::Kind::Constant,
             Text(m.Detail), Text(IsEnglish(language) ? m.English : m.Japanese)});
    return entries;
}

QString VariableMeaning(int language) {
    return IsEnglish(language) ? QStringLiteral("variable") : QStringLiteral("変数");
}

QString UserFunctionMeaning(int language) {
    return IsEnglish(language) ? QStringLiteral("user function") : QStringLiteral("ユーザー関数");
}

} // namespace vexmo
