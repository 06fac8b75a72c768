#include "document/core/ClipText.h"

#include "engine/Variables.h"

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

std::vector<std::string> SplitDelimitedText(std::string_view text, char separator) {
    // A NUL ends the text, as it does for the clipboard's own text.
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> elements;
    const std::size_t n = text.size();
    std::size_t p = 0;
    while (p < n && IsSkippable(text[p]))
        ++p;
    while (p < n) {
        std::string element;
        if (text[p] == '"') {
            element = ReadQuotedElement(text, p);
        } else {
            const std::size_t begin = p;
            while (p < n && !IsBlankOrControl(text[p]) && text[p] != separator)
                ++p;
            element.assign(text.substr(begin, p - begin));
        }
        elements.push_back(std::move(element));
        while (p < n && IsSkippable(text[p]))
            ++p;
        if (p < n && text[p] == separator) {
            if (p + 1 == n) elements.emplace_back();
            ++p;
            while (p < n && IsSkippable(text[p]))
                ++p;
        }
    }
    return elements;
}

std::vector<std::string> ClipArrayElements(std::string_view text, int optNumFormatArray) {
    if (optNumFormatArray == 3) return SplitClipLines(text);
    const char separator = optNumFormatArray == 1 ? '\t' : optNumFormatArray == 2 ? ' ' : ',';
    std::vector<std::string> elements = SplitDelimitedText(text, separator);
    if (optNumFormatArray != 1) return elements;
    std::vector<std::string> pairs;
    for (std::size_t i = 0; i < elements.size(); i += 2) {
        if (i + 1 < elements.size())
            pairs.push_back(elements[i] + '\t' + elements[i + 1]);
        else
            pairs.push_back(elements[i]);
    }
    return pairs;
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
    std::vector<std::string> elements = ClipArrayElements(clipText, settings.OptNumFormatArray);
    const auto index = static_cast<std::size_t>(idx);
    if (index >= elements.size())
        elements.resize(index + 1, ClipboardNumberText(DComplex{}, settings));
    elements[index] = ClipboardNumberText(z, settings);
    return JoinArrayText(elements, settings.OptNumFormatArray);
}

} // namespace vexmo
