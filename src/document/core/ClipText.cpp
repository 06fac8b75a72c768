#include "document/core/ClipText.h"

#include "engine/Variables.h"

#include <cfloat>

namespace vexmo {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsSkippable(char c) {
    return c != '\0' && IsBlankOrControl(c);
}

} // namespace

std::string ArraySeparatorText(int optNumFormatArray) {
    switch (optNumFormatArray) {
    case 1:
        return "\t";
    case 2:
        return " ";
    case 3:
        return "\r\n";
    default:
        return ",";
    }
}

const char* ClipNormalisePattern(int optNumFormatArray) {
    switch (optNumFormatArray) {
    case 0:
    case 1:
    case 2:
        return "[ \\t]+,[ \\t]+";
    case 3:
        return "[ \\t]+\\r\\n[ \\t]";
    default:
        return "[ \\t]+";
    }
}

std::string NormaliseClipText(std::string_view text, int optNumFormatArray, TAWKStr& awk) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first]))
        ++first;
    while (last > first && IsBlankOrControl(text[last - 1]))
        --last;
    std::string result(text.substr(first, last - first));
    awk.SetRegExp(ClipNormalisePattern(optNumFormatArray));
    awk.ReplaceAll(",", result);
    return result;
}

std::string NormaliseClipText(std::string_view text, int optNumFormatArray) {
    TAWKStr awk;
    awk.SetLineSeparator(TMatchCORE_LineSeparator::mcls_CRLF);
    return NormaliseClipText(text, optNumFormatArray, awk);
}

std::vector<std::string> SplitClipLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

namespace {

// One element of delimited text as the delimited-text rule finds it, with its place in the
// text so that neighbours can be joined again as they were written.
struct Cell {
    std::string Text;
    bool Quoted = false;
    std::size_t Begin = 0; // first character (the opening quote of a quoted element)
    std::size_t End = 0;   // one past the last character
};

std::vector<Cell> ScanCells(std::string_view text, char separator) {
    std::vector<Cell> cells;
    const std::size_t n = text.size();
    std::size_t p = 0;
    while (p < n && IsSkippable(text[p]))
        ++p;
    while (p < n) {
        Cell cell;
        cell.Begin = p;
        if (text[p] == '"') {
            cell.Text = ReadQuotedElement(text, p);
            cell.Quoted = true;
        } else {
            while (p < n && !IsBlankOrControl(text[p]) && text[p] != separator)
                ++p;
            cell.Text.assign(text.substr(cell.Begin, p - cell.Begin));
        }
        cell.End = p;
        cells.push_back(std::move(cell));
        while (p < n && IsSkippable(text[p]))
            ++p;
        if (p < n && text[p] == separator) {
            if (p + 1 == n) cells.push_back(Cell{std::string(), false, n, n});
            ++p;
            while (p < n && IsSkippable(text[p]))
                ++p;
        }
    }
    return cells;
}

bool AllOf(std::string_view gap, char c) {
    return !gap.empty() && gap.find_first_not_of(c) == std::string_view::npos;
}

// The sign between the parts of a complex number standing alone between blanks.
bool IsSignCell(const Cell& cell) {
    if (cell.Quoted) return false;
    const std::string& t = cell.Text;
    if (t == "+" || t == "-") return true;
    return t.size() == 3 && (t[0] == '+' || t[0] == '-') && t[1] == '_' &&
           (t[2] == 'I' || t[2] == 'i' || t[2] == 'J' || t[2] == 'j');
}

struct Element {
    std::string Text;
    bool Complex = false; // already a complex number of its own
    bool Quoted = false;
    std::string_view GapBefore;
    std::string_view GapAfter;
};

} // namespace

std::vector<std::string> SplitDelimitedText(std::string_view text, char separator) {
    // A NUL ends the text, as it does for the clipboard's own text.
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> elements;
    for (Cell& cell : ScanCells(text, separator))
        elements.push_back(std::move(cell.Text));
    return elements;
}

bool ClipTabPairs(int optNumFormatArray, int optNumFormatComplex) {
    return optNumFormatArray == 1 || optNumFormatComplex == 2;
}

std::vector<std::string> ClipArrayElements(std::string_view text, int optNumFormatArray,
                                           int optNumFormatComplex) {
    if (optNumFormatArray == 3) return SplitClipLines(text);
    const char separator = optNumFormatArray == 1 ? '\t' : optNumFormatArray == 2 ? ' ' : ',';
    text = text.substr(0, text.find('\0'));
    std::vector<Cell> cells = ScanCells(text, separator);
    auto gapAfter = [&](std::size_t i) {
        return i + 1 < cells.size()
                   ? text.substr(cells[i].End, cells[i + 1].Begin - cells[i].End)
                   : std::string_view();
    };

    // A complex number written with blanks ("7 + 0i", "3 -_I 4") is three cells, parted by
    // blanks only; it is one element when the three read as one value.
    std::vector<Element> merged;
    merged.reserve(cells.size());
    for (std::size_t i = 0; i < cells.size();) {
        if (i + 2 < cells.size() && !cells[i].Quoted && !cells[i + 2].Quoted &&
            IsSignCell(cells[i + 1]) && AllOf(gapAfter(i), ' ') && AllOf(gapAfter(i + 1), ' ')) {
            const std::string_view written =
                text.substr(cells[i].Begin, cells[i + 2].End - cells[i].Begin);
            if (ReadClipElement(written, false)) {
                merged.push_back(Element{std::string(written), true, false,
                                         i > 0 ? gapAfter(i - 1) : std::string_view(),
                                         gapAfter(i + 2)});
                i += 3;
                continue;
            }
        }
        merged.push_back(Element{std::move(cells[i].Text), false, cells[i].Quoted,
                                 i > 0 ? gapAfter(i - 1) : std::string_view(), gapAfter(i)});
        ++i;
    }

    std::vector<std::string> elements;
    elements.reserve(merged.size());
    if (optNumFormatArray == 1) {
        // The TAB setting pairs neighbours as they come: 0 with 1, 2 with 3, ...
        for (std::size_t i = 0; i < merged.size();) {
            if (!merged[i].Complex && i + 1 < merged.size() && !merged[i + 1].Complex) {
                elements.push_back(merged[i].Text + '\t' + merged[i + 1].Text);
                i += 2;
            } else {
                elements.push_back(std::move(merged[i].Text));
                ++i;
            }
        }
        return elements;
    }
    // With the TAB-separated complex style, two numbers parted by a TAB and by nothing else
    // from their neighbours are one value; a longer TAB row stays a row of values.
    auto plain = [](const Element& e) { return !e.Complex && !e.Quoted; };
    for (std::size_t i = 0; i < merged.size(); ++i) {
        if (optNumFormatComplex == 2 && i + 1 < merged.size() && plain(merged[i]) &&
            plain(merged[i + 1]) && AllOf(merged[i].GapAfter, '\t') &&
            !AllOf(merged[i].GapBefore, '\t') && !AllOf(merged[i + 1].GapAfter, '\t')) {
            elements.push_back(merged[i].Text + '\t' + merged[i + 1].Text);
            ++i;
            continue;
        }
        elements.push_back(std::move(merged[i].Text));
    }
    return elements;
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlankOrControl(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlankOrControl(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameLetters(std::string_view a, std::string_view upper) {
    if (a.size() != upper.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
        if (c != upper[i]) return false;
    }
    return true;
}

// A double from a number read in extended precision. The largest doubles are written with
// 15 digits just past the double range; they read as the largest double, as value texts do.
std::optional<double> ToPart(long double v) {
    constexpr long double kLargestText = 1.79769313486232E308L;
    const long double a = v < 0 ? -v : v;
    if (a > static_cast<long double>(DBL_MAX)) {
        if (a > kLargestText) return std::nullopt;
        return v < 0 ? -DBL_MAX : DBL_MAX;
    }
    return static_cast<double>(v);
}

// A number as expressions write it: sign, digits with the decimal separator, then an
// exponent or a unit suffix ("4.7K", "1.5E-3"). Nothing for anything else.
std::optional<double> ReadClipNumber(std::string_view s) {
    s = TrimBlanks(s);
    const std::size_t n = s.size();
    std::size_t i = 0;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < n && IsDigit(s[i]); ++i)
        ++digits;
    if (i < n && s[i] == DecimalSeparator())
        for (++i; i < n && IsDigit(s[i]); ++i)
            ++digits;
    if (digits == 0) return std::nullopt;
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < n && IsDigit(s[j])) {
            while (j < n && IsDigit(s[j]))
                ++j;
            i = j;
        }
    }
    if (i < n) {
        bool suffix = false;
        const UnitSuffix* table = UnitSuffixTable();
        for (int k = 0; k < UnitSuffixCount && !suffix; ++k)
            suffix = SameLetters(s.substr(i), table[k].Suffix);
        if (!suffix) return std::nullopt;
    }
    try {
        return ToPart(DorvStrToFloat(s));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<DComplex> Pair(std::string_view re, std::string_view im, bool negateIm = false) {
    const std::optional<double> r = ReadClipNumber(re);
    const std::optional<double> i = ReadClipNumber(im);
    if (!r || !i) return std::nullopt;
    return DComplex{*r, negateIm ? -*i : *i};
}

// Plain numbers the engine reads as they are written; they need no rewriting.
bool IsPlainNumberText(std::string_view s) {
    bool digit = false;
    for (char c : s) {
        if (IsDigit(c))
            digit = true;
        else if (c != '+' && c != '-' && c != '.' && c != 'E' && c != 'e' &&
                 c != DecimalSeparator())
            return false;
    }
    return digit;
}

// The value text of z with as few digits as read back exactly (15 for anything written
// with 15 digits, up to 17).
std::string PartText(double x) {
    std::string text;
    for (int precision = 15; precision <= 17; ++precision) {
        text = GeneralNumberText(x, precision);
        try {
            if (static_cast<double>(PlainNumberToFloat(text)) == x) break;
        } catch (const std::exception&) {
        }
    }
    return text;
}

std::string EngineValueText(const DComplex& z) {
    if (z.Imaginary < 0) return PartText(z.Real) + " -_I " + PartText(-z.Imaginary);
    return PartText(z.Real) + " +_I " + PartText(z.Imaginary);
}

} // namespace

std::optional<DComplex> ReadClipElement(std::string_view text, bool tabPairs) {
    const std::string_view t = TrimBlanks(text);
    if (t.empty()) return std::nullopt;
    if (t.find('\t') != std::string_view::npos) {
        if (!tabPairs) return std::nullopt;
        const std::size_t tab = t.find('\t');
        return Pair(t.substr(0, tab), t.substr(tab + 1));
    }
    if (t.front() == '{') {
        try {
            return StrToDComplex(t);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    // The program's style: re +_I im, re -_I im (also _J).
    for (std::size_t p = 1; p + 1 < t.size(); ++p) {
        if (t[p] != '_' || (t[p - 1] != '+' && t[p - 1] != '-')) continue;
        const char u = t[p + 1];
        if (u != 'I' && u != 'i' && u != 'J' && u != 'j') continue;
        return Pair(t.substr(0, p - 1), t.substr(p + 2), t[p - 1] == '-');
    }
    // The conventional style: re + im i, re - im i, or im i alone.
    const char last = t.back();
    if (last == 'i' || last == 'I' || last == 'j' || last == 'J') {
        const std::string_view body = t.substr(0, t.size() - 1);
        for (std::size_t p = 1; p < body.size(); ++p) {
            if (body[p] != '+' && body[p] != '-') continue;
            const char before = body[p - 1];
            const bool exponentSign = (before == 'E' || before == 'e') && p >= 2 &&
                                      (IsDigit(body[p - 2]) || body[p - 2] == DecimalSeparator());
            if (exponentSign) continue;
            return Pair(body.substr(0, p), body.substr(p + 1), body[p] == '-');
        }
        const std::optional<double> im = ReadClipNumber(body);
        if (!im) return std::nullopt;
        return DComplex{0.0, *im};
    }
    const std::optional<double> re = ReadClipNumber(t);
    if (!re) return std::nullopt;
    return DComplex{*re, 0.0};
}

DComplex ReadEnteredValue(std::string_view text) {
    try {
        return StrToDComplex(text);
    } catch (const EConvertError&) {
        if (const std::optional<DComplex> z = ReadClipElement(text, false)) return *z;
        throw;
    }
}

std::string ClipVariableText(std::string_view text, int optNumFormatArray,
                             int optNumFormatComplex, TAWKStr& awk) {
    std::vector<std::string> elements =
        ClipArrayElements(text, optNumFormatArray, optNumFormatComplex);
    const bool tabPairs = ClipTabPairs(optNumFormatArray, optNumFormatComplex);
    bool anyNumber = false;
    for (std::string& element : elements) {
        const std::string_view trimmed = TrimBlanks(element);
        if (trimmed.size() != element.size()) element = std::string(trimmed);
        if (IsPlainNumberText(element)) {
            anyNumber = true;
        } else if (const std::optional<DComplex> z = ReadClipElement(element, tabPairs)) {
            element = EngineValueText(*z);
            anyNumber = true;
        }
    }
    // Text that is no number at all (a sentence) stays as it was written, and using it fails
    // with a message that quotes it.
    if (!anyNumber) return NormaliseClipText(text, optNumFormatArray, awk);
    if (elements.size() == 1 && elements.front().find(',') == std::string::npos &&
        elements.front().front() != '"')
        return std::move(elements.front());
    return JoinCommaText(elements);
}

std::string ClipVariableText(std::string_view text, int optNumFormatArray,
                             int optNumFormatComplex) {
    TAWKStr awk;
    awk.SetLineSeparator(TMatchCORE_LineSeparator::mcls_CRLF);
    return ClipVariableText(text, optNumFormatArray, optNumFormatComplex, awk);
}

std::string JoinArrayText(const std::vector<std::string>& elements, int optNumFormatArray) {
    const std::string separator = ArraySeparatorText(optNumFormatArray);
    std::string text;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0) text += separator;
        text += elements[i];
    }
    return text;
}

std::optional<std::string> ClipAssignmentText(std::string_view clipText, std::string_view value,
                                              int idx, const NumberFormatSettings& settings) {
    if (idx < -1 || idx > MaxClipElementIndex) return std::nullopt;
    if (idx == -1) {
        switch (settings.OptNumFormatClipboard) {
        case 0:
            return ClipboardNumberText(StrToDComplex(value), settings);
        case 1:
            return AnswerText(StrToDComplex(value), settings);
        default:
            return std::string(value);
        }
    }
    const DComplex z = StrToDComplex(value);
    std::vector<std::string> elements =
        ClipArrayElements(clipText, settings.OptNumFormatArray, settings.OptNumFormatComplex);
    const auto index = static_cast<std::size_t>(idx);
    if (index >= elements.size())
        elements.resize(index + 1, ClipboardNumberText(DComplex{}, settings));
    elements[index] = ClipboardNumberText(z, settings);
    return JoinArrayText(elements, settings.OptNumFormatArray);
}

} // namespace vexmo
