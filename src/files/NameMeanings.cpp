#include "files/NameMeanings.h"

#include "document/core/NameReference.h"
#include "engine/BuiltinFunctions.h"
#include "files/InterfaceTexts.h"

namespace vexmo {

namespace {

// clang-format off
constexpr NameMeaning kMeanings[] = {
    {"TRUNC", true, "TRUNC(z)"},
    {"CEIL", true, "CEIL(z)"},
    {"FLOOR", true, "FLOOR(z)"},
    {"FRAC", true, "FRAC(z)"},
    {"ROUND", true, "ROUND(z)"},
    {"ABS", true, "ABS(z)"},
    {"EXP", true, "EXP(z)"},
    {"LN", true, "LN(z)"},
    {"LOG", true, "LOG(z)"},
    {"SQRT", true, "SQRT(z)"},
    {"SIN", true, "SIN(z)"},
    {"COS", true, "COS(z)"},
    {"TAN", true, "TAN(z)"},
    {"SINH", true, "SINH(z)"},
    {"COSH", true, "COSH(z)"},
    {"TANH", true, "TANH(z)"},
    {"ARCSIN", true, "ARCSIN(z)"},
    {"ARCCOS", true, "ARCCOS(z)"},
    {"ARCTAN", true, "ARCTAN(z)"},
    {"ARCSINH", true, "ARCSINH(z)"},
    {"ARCCOSH", true, "ARCCOSH(z)"},
    {"ARCTANH", true, "ARCTANH(z)"},
    {"SIND", true, "SIND(z)"},
    {"COSD", true, "COSD(z)"},
    {"TAND", true, "TAND(z)"},
    {"SINHD", true, "SINHD(z)"},
    {"COSHD", true, "COSHD(z)"},
    {"TANHD", true, "TANHD(z)"},
    {"ARCSIND", true, "ARCSIND(z)"},
    {"ARCCOSD", true, "ARCCOSD(z)"},
    {"ARCTAND", true, "ARCTAND(z)"},
    {"ARCSINHD", true, "ARCSINHD(z)"},
    {"ARCCOSHD", true, "ARCCOSHD(z)"},
    {"ARCTANHD", true, "ARCTANHD(z)"},
    {"ANGLE", true, "ANGLE(z)"},
    {"RADTODEG", true, "RADTODEG(z)"},
    {"DEGTORAD", true, "DEGTORAD(z)"},
    {"RE", true, "RE(z)"},
    {"IM", true, "IM(z)"},
    {"CONJ", true, "CONJ(z)"},
    {"CAP", true, "CAP(C, f)"},
    {"IND", true, "IND(L, f)"},
    {"ACAP", true, "ACAP(Z, f)"},
    {"AIND", true, "AIND(Z, f)"},
    {"DB", true, "DB(z)"},
    {"DB2", true, "DB2(z)"},
    {"ADB", true, "ADB(dB)"},
    {"ADB2", true, "ADB2(dB)"},
    {"SUM", true, "SUM(z1, z2, ...)"},
    {"MEAN", true, "MEAN(z1, z2, ...)"},
    {"MAX", true, "MAX(z1, z2, ...)"},
    {"MIN", true, "MIN(z1, z2, ...)"},
    {"IF", true, "IF(c, a, b)"},
    {"_A0", false, "5.2917706e-11"},
    {"_C", false, "299792458"},
    {"_U0", false, "1.2566370614e-06"},
    {"_E", false, "2.718281828459045"},
    {"_E0", false, "8.854187818e-12"},
    {"_EU", false, "1.6021892e-19"},
    {"_FALSE", false, "0"},
    {"FALSE", false, "0"},
    {"_H", false, "6.626176e-34"},
    {"_I", false, "0 +_I 1"},
    {"_J", false, "0 +_I 1"},
    {"_K", false, "1.380662e-23"},
    {"_ME", false, "9.109534e-31"},
    {"_MP", false, "1.6726485e-27"},
    {"_MN", false, "1.6749543e-27"},
    {"_NA", false, "6.022045e+23"},
    {"_PI", false, "3.141592653589793"},
    {"PI", false, "3.141592653589793"},
    {"_R", false, "8.31441"},
    {"_TRUE", false, "1"},
    {"TRUE", false, "1"},
    {"_UB", false, "9.274074e-24"},
    {"_UE", false, "9.284832e-24"},
    {"_UP", false, "1.4106171e-26"},
    {"_VM", false, "0.02241383"},
    {"_RND", false, "[0, 1)"},
};
// clang-format on

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A constant's value as the engine has it (the table's text would go out of date).
QString ValueOf(const NameMeaning& m) {
    if (m.Function || m.Name == "_RND")
        return Text(m.Detail);
    RandomSource unused;
    const std::optional<DComplex> value = ConstantValue(m.Name, unused);
    return value ? QString::fromStdString(DComplexToStr(*value)) : Text(m.Detail);
}

// The manual's one-line meaning of a built-in name.
QString MeaningOf(std::string_view name, int language) {
    const NameReference& reference = BuiltinNameReference();
    const NameEntry* entry = reference.Find(name);
    return entry ? QString::fromStdString(reference.Meaning(*entry, language)) : QString();
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
             ValueOf(m), MeaningOf(m.Name, language)});
    return entries;
}

QString VariableMeaning(int language) {
    return IsEnglish(language) ? QStringLiteral("variable") : QStringLiteral("変数");
}

QString UserFunctionMeaning(int language) {
    return IsEnglish(language) ? QStringLiteral("user function") : QStringLiteral("ユーザー関数");
}

} // namespace vexmo
