#include "document/core/VariablesFile.h"

#include <unordered_map>

namespace vexmo {

namespace {

std::string UpperAscii(std::string_view text)
{
    std::string s(text);
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

// Appends text with every line break in it (CR LF, CR or LF) written as one blank: an
// entry must stay on its line, or the lines after the break (a multi-line _CLIP, say)
// would read back as entries of their own.
void AppendOnOneLine(std::string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += ' ';
        } else {
            out += c;
        }
    }
}

} // namespace

std::string VariablesFileText(const Variables& store)
{
    std::string text;
    for (const Variables::Line& line : store.Lines()) {
        AppendOnOneLine(text, line.Name);
        text += '=';
        AppendOnOneLine(text, line.Value);
        text += "\r\n";
    }
    return text;
}

std::vector<Variables::Line> ParseVariablesFileText(std::string_view text)
{
    std::vector<Variables::Line> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && equals > 0)
            lines.push_back({std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))});
        if (end == text.size())
            break;
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

FileResult WriteVariablesFile(const std::filesystem::path& path, const Variables& store)
{
    return WriteFileAtomically(path, VariablesFileText(store));
}

VariablesFileRead ReadVariablesFile(const std::filesystem::path& path, const LegacyDecoder& decoder)
{
    VariablesFileRead result;
    FileContent content = ReadWholeFile(path, kTextFileRules);
    if (!content) {
        static_cast<FileResult&>(result) = content;
        return result;
    }
    result.Lines = ParseVariablesFileText(DecodeFileText(content.Bytes, decoder, &result.Legacy));
    return result;
}

void LoadVariables(const std::vector<Variables::Line>& lines, Variables& store,
                   const ShowVariableFn& show)
{
    store.Clear();
    // The first line of a name decides its value; with the store emptied and every name
    // appended once, appending in order gives the store's own ordering without a lookup
    // per line.
    std::unordered_map<std::string, const std::string*> first;
    first.reserve(lines.size());
    for (const Variables::Line& line : lines) {
        const auto [it, inserted] = first.try_emplace(UpperAscii(line.Name), &line.Value);
        const std::string& value = *it->second;
        if (inserted && !value.empty())
            store.Append(line.Name, value);
        if (show)
            show(line.Name, value);
    }
}

} // namespace vexmo
