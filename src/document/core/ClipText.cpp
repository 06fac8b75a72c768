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

namespace {

// Calls line(view) for each line of text: CR LF, a lone CR and a lone LF end a line; a
// break at the very end makes no empty last line.
template <typename F> void ForEachLine(std::string_view text, F&& line) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        line(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) line(text.substr(start));
}

// One element of delimited text as the delimited-text rule finds it, by its place in the
// text, so that neighbours can be joined again as they were written.
struct Cell {
    std::size_t Begin = 0; // first character (the opening quote of a quoted element)
    std::size_t End = 0;   // one past the last character
    bool Quoted = false;
};

// The cells of a delimited text one by one, a few ahead of the reader. Clipboard texts can be
// large, so nothing is kept beyond that window.
class CellReader {
  public:
    CellReader(std::string_view text, char separator) : text_(text), separator_(separator) {
        SkipBlanks();
    }

    // The k-th cell from the current one, or null past the end.
    const Cell* Ahead(std::size_t k) {
        while (window_.size() <= k) {
            Cell cell;
            if (!Scan(cell)) return nullptr;
            window_.push_back(cell);
        }
        return &window_[k];
    }
    void Consume(std::size_t count) {
        window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(count));
    }
    // The characters between the k-th cell and the next one; empty after the last.
    std::string_view GapAfter(std::size_t k) {
        const Cell* cell = Ahead(k);
        const Cell* next = cell ? Ahead(k + 1) : nullptr;
        if (!next) return {};
        cell = Ahead(k); // the window may have moved
        return text_.substr(cell->End, next->Begin - cell->End);
    }
    std::string_view Written(const Cell& cell) const {
        return text_.substr(cell.Begin, cell.End - cell.Begin);
    }
    // The element text of a cell: a quoted one without its quotes.
    std::string_view Text(const Cell& cell, std::string& scratch) const {
        if (!cell.Quoted) return Written(cell);
        std::size_t p = cell.Begin;
        scratch = ReadQuotedElement(text_, p);
        return scratch;
    }

  private:
    void SkipBlanks() {
        while (p_ < text_.size() && IsSkippable(text_[p_]))
            ++p_;
    }
    bool Scan(Cell& cell) {
        const std::size_t n = text_.size();
        if (emptyLast_) {
            emptyLast_ = false;
            cell = Cell{n, n, false};
            return true;
        }
        if (p_ >= n) return false;
        cell.Begin = p_;
        if (text_[p_] == '"') {
            (void)ReadQuotedElement(text_, p_);
            cell.Quoted = true;
        } else {
            while (p_ < n && !IsBlankOrControl(text_[p_]) && text_[p_] != separator_)
                ++p_;
        }
        cell.End = p_;
        SkipBlanks();
        if (p_ < n && text_[p_] == separator_) {
            emptyLast_ = p_ + 1 == n; // a separator at the very end adds an empty element
            ++p_;
            SkipBlanks();
        }
        return true;
    }

    std::string_view text_;
    char separator_;
    std::size_t p_ = 0;
    bool emptyLast_ = false;
    std::vector<Cell> window_;
};

bool AllOf(std::string_view gap, char c) {
    return !gap.empty() && gap.find_first_not_of(c) == std::string_view::npos;
}

// The sign between the parts of a complex number standing alone between blanks.
bool IsSignCell(std::string_view t) {
    if (t == "+" || t == "-") return true;
    return t.size() == 3 && (t[0] == '+' || t[0] == '-') && t[1] == '_' &&
           (t[2] == 'I' || t[2] == 'i' || t[2] == 'J' || t[2] == 'j');
}

// Calls element(view) for each element of the clipboard's text as ClipArrayElements finds
// them. The view lasts for the call only.
template <typename F>
void ForEachClipElement(std::string_view text, int optNumFormatArray, int optNumFormatComplex,
                        F&& element) {
    if (optNumFormatArray == 3) {
        ForEachLine(text, element);
        return;
    }
    const char separator = optNumFormatArray == 1 ? '\t' : optNumFormatArray == 2 ? ' ' : ',';
    // A NUL ends the text, as it does for the clipboard's own text.
    text = text.substr(0, text.find('\0'));
    CellReader cells(text, separator);

    // A complex number written with blanks ("7 + 0i", "3 -_I 4") is three cells parted by
    // blanks only; it is one element when the three read as one value. Returns the cells
    // the element at k takes: 3 for such a number, else 1.
    auto cellsOf = [&](std::size_t k) -> std::size_t {
        const Cell* first = cells.Ahead(k);
        const Cell* third = first ? cells.Ahead(k + 2) : nullptr;
        if (!third || third->Quoted) return 1;
        const Cell sign = *cells.Ahead(k + 1);
        const Cell a = *cells.Ahead(k);
        const Cell c = *third;
        if (a.Quoted || sign.Quoted || !IsSignCell(cells.Written(sign))) return 1;
        if (!AllOf(cells.GapAfter(k), ' ') || !AllOf(cells.GapAfter(k + 1), ' ')) return 1;
        return ReadClipElement(text.substr(a.Begin, c.End - a.Begin), false) ? 3 : 1;
    };

    std::string first;
    std::string second;
    std::string joined;
    bool tabBefore = false; // the gap before the current cell is TABs only
    for (;;) {
        const Cell* current = cells.Ahead(0);
        if (!current) return;
        const Cell a = *current;
        const std::size_t taken = cellsOf(0);
        if (taken == 3) {
            const Cell c = *cells.Ahead(2);
            element(text.substr(a.Begin, c.End - a.Begin));
            tabBefore = AllOf(cells.GapAfter(2), '\t');
            cells.Consume(3);
            continue;
        }
        const Cell* next = cells.Ahead(1);
        bool pair = false;
        if (next) {
            const Cell b = *next;
            if (optNumFormatArray == 1) {
                // The TAB setting pairs neighbours as they come: 0 with 1, 2 with 3, ...
                pair = cellsOf(1) == 1;
            } else if (optNumFormatComplex == 2 && !a.Quoted && !b.Quoted) {
                // With the TAB-separated complex style, two numbers parted by a TAB and by
                // nothing else from their neighbours are one value; a longer TAB row stays a
                // row of values.
                pair = !tabBefore && AllOf(cells.GapAfter(0), '\t') &&
                       !AllOf(cells.GapAfter(1), '\t') && cellsOf(1) == 1;
            }
            if (pair) {
                joined.assign(cells.Text(a, first));
                joined += '\t';
                joined += cells.Text(b, second);
                element(std::string_view(joined));
                tabBefore = AllOf(cells.GapAfter(1), '\t');
                cells.Consume(2);
                continue;
            }
        }
        element(cells.Text(a, first));
        tabBefore = AllOf(cells.GapAfter(0), '\t');
        cells.Consume(1);
    }
}

} // namespace

std::vector<std::string> SplitClipLines(std::string_view text) {
    std::vector<std::string> lines;
    ForEachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::vector<std::string> SplitDelimitedText(std::string_view text, char separator) {
    // A NUL ends the text, as it does for the clipboard's own text.
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> elements;
    CellReader cells(text, separator);
    std::string scratch;
    while (const Cell* cell = cells.Ahead(0)) {
        elements.emplace_back(cells.Text(*cell, scratch));
        cells.Consume(1);
    }
    return elements;
}

bool ClipTabPairs(int optNumFormatArray, int optNumFormatComplex) {
    return optNumFormatArray == 1 || optNumFormatComplex == 2;
}

std::vector<std::string> ClipArrayElements(std::string_view text, int optNumFormatArray,
                                           int optNumFormatComplex) {
    std::vector<std::string> elements;
    ForEachClipElement(text, optNumFormatArray, optNumFormatComplex,
                       [&elements](std::string_view element) { elements.emplace_back(element); });
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

namespace {

// Appends one element to a comma text as JoinCommaText writes it.
void AppendCommaElement(std::string& out, std::string_view element) {
    bool quote = element.empty();
    for (char c : element)
        if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"') quote = true;
    if (!quote) {
        out += element;
        return;
    }
    out += '"';
    for (char c : element) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

std::string ClipVariableText(std::string_view text, int optNumFormatArray, int optNumFormatComplex,
                             TAWKStr& awk) {
    const bool tabPairs = ClipTabPairs(optNumFormatArray, optNumFormatComplex);
    bool anyNumber = false;
    std::size_t count = 0;
    std::string firstElement;
    std::string out;
    std::string converted;
    ForEachClipElement(text, optNumFormatArray, optNumFormatComplex, [&](std::string_view e) {
        e = TrimBlanks(e);
        if (IsPlainNumberText(e)) {
            anyNumber = true;
        } else if (const std::optional<DComplex> z = ReadClipElement(e, tabPairs)) {
            converted = DComplexToStr(*z);
            e = converted;
            anyNumber = true;
        }
        if (count == 0) {
            firstElement.assign(e);
            if (out.capacity() < text.size()) out.reserve(text.size() + text.size() / 8);
        } else {
            out += ',';
        }
        AppendCommaElement(out, e);
        ++count;
    });
    // Text that is no number at all (a sentence) stays as it was written, and using it fails
    // with a message that quotes it.
    if (!anyNumber) return NormaliseClipText(text, optNumFormatArray, awk);
    // One element stands alone, so that it reads as a value.
    if (count == 1 && firstElement.find(',') == std::string::npos && firstElement.front() != '"')
        return firstElement;
    return out;
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
    // TAB-separated elements are read back in pairs: every element keeps both parts.
    NumberFormatSettings element = settings;
    if (settings.OptNumFormatComplex == 2)
        element.OptShowZeroImaginary = true;
    const auto index = static_cast<std::size_t>(idx);
    if (index >= elements.size())
        elements.resize(index + 1, ClipboardNumberText(DComplex{}, element));
    elements[index] = ClipboardNumberText(z, element);
    return JoinArrayText(elements, settings.OptNumFormatArray);
}

} // namespace vexmo
