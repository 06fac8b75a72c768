#include "engine/Variables.h"

#include <stdexcept>

namespace vexmo {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

// Blanks of the comma text: the space and every control character.
bool IsBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u != 0 && u <= ' ';
}

bool NeedsQuotes(std::string_view element) {
    if (element.empty())
        return true; // keeps an empty element when the text is read back
    for (char c : element)
        if (IsBlank(c) || c == ',' || c == '"' || c == '\0')
            return true;
    return false;
}

} // namespace

std::size_t Variables::NameHash::operator()(std::string_view name) const noexcept {
    // FNV-1a over the upper-cased bytes.
    std::size_t h = 14695981039346656037ull;
    for (char c : name) {
        h ^= static_cast<unsigned char>(UpperAscii(c));
        h *= 1099511628211ull;
    }
    return h;
}

bool Variables::NameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    return SameName(a, b);
}

std::string Variables::Read(std::string_view name) const {
    const int i = IndexOf(name);
    return i < 0 ? std::string() : lines_[static_cast<std::size_t>(i)].Value;
}

void Variables::Write(std::string_view name, std::string_view value) {
    Record(Change::Kind::Write, name, value);
    const int i = IndexOf(name);
    if (value.empty()) {
        if (i >= 0)
            EraseLine(static_cast<std::size_t>(i));
        return;
    }
    if (i >= 0) {
        lines_[static_cast<std::size_t>(i)].Value.assign(value);
        return;
    }
    AppendLine(name, value);
}

int Variables::IndexOf(std::string_view name) const {
    const auto found = index_.find(name);
    return found == index_.end() ? -1 : static_cast<int>(found->second);
}

void Variables::Remove(std::string_view name) {
    Record(Change::Kind::Remove, name);
    const int i = IndexOf(name);
    if (i >= 0)
        EraseLine(static_cast<std::size_t>(i));
}

void Variables::EraseLine(std::size_t i) {
    const std::string name = std::move(lines_[i].Name);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
    index_.erase(name);
    for (auto& entry : index_)
        if (entry.second > i)
            --entry.second;
    // A later line of the same name (loaded from a file as it stood) now comes first.
    for (std::size_t j = i; j < lines_.size(); ++j) {
        if (SameName(lines_[j].Name, name)) {
            index_.emplace(lines_[j].Name, j);
            break;
        }
    }
}

void Variables::Clear() {
    Record(Change::Kind::Clear);
    lines_.clear();
    index_.clear();
}

std::size_t Variables::Count() const { return lines_.size(); }

const Variables::Line& Variables::At(std::size_t i) const { return lines_.at(i); }

const std::vector<Variables::Line>& Variables::Lines() const { return lines_; }

void Variables::Append(std::string_view name, std::string_view value) {
    Record(Change::Kind::Append, name, value);
    AppendLine(name, value);
}

void Variables::AppendLine(std::string_view name, std::string_view value) {
    lines_.push_back(Line{std::string(name), std::string(value)});
    // The first line of a name keeps its place in the index.
    if (index_.find(name) != index_.end())
        return;
    try {
        index_.emplace(lines_.back().Name, lines_.size() - 1);
    } catch (...) {
        lines_.pop_back(); // keep lines and index in step
        throw;
    }
}

std::string JoinCommaText(const std::vector<std::string>& elements) {
    std::string out;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0)
            out += ',';
        const std::string& e = elements[i];
        if (!NeedsQuotes(e)) {
            out += e;
            continue;
        }
        out += '"';
        for (char c : e) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

std::string ReadQuotedElement(std::string_view text, std::size_t& p) {
    std::string element;
    const std::size_t n = text.size();
    ++p; // opening quote
    while (p < n) {
        if (text[p] == '"') {
            if (p + 1 < n && text[p + 1] == '"') {
                element += '"';
                p += 2;
                continue;
            }
            ++p; // closing quote
            break;
        }
        element += text[p++];
    }
    return element;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> out;
    std::size_t p = 0;
    const std::size_t n = text.size();
    auto skipBlanks = [&] {
        while (p < n && IsBlank(text[p]))
            ++p;
    };
    skipBlanks();
    while (p < n) {
        std::string element;
        if (text[p] == '"') {
            element = ReadQuotedElement(text, p);
        } else {
            const std::size_t start = p;
            while (p < n && !IsBlank(text[p]) && text[p] != ',')
                ++p;
            element.assign(text.substr(start, p - start));
        }
        out.push_back(std::move(element));
        skipBlanks();
        if (p < n && text[p] == ',') {
            ++p;
            skipBlanks();
            if (p >= n)
                out.emplace_back(); // a trailing comma ends with an empty element
        }
    }
    return out;
}

void Variables::Record(Change::Kind what, std::string_view name, std::string_view value) {
    if (journal_.To)
        journal_.To->push_back(Change{what, std::string(name), std::string(value)});
}

void Variables::Apply(Change::Kind what, std::string_view name, std::string_view value) {
    switch (what) {
    case Change::Kind::Write:
        Write(name, value);
        break;
    case Change::Kind::Remove:
        Remove(name);
        break;
    case Change::Kind::Clear:
        Clear();
        break;
    case Change::Kind::Append:
        Append(name, value);
        break;
    }
}

} // namespace vexmo
