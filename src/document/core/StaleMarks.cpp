#include "document/core/StaleMarks.h"

#include "engine/Variables.h"

#include <algorithm>

namespace vexmo {

FunctionCalls FunctionCallsOf(const Variables& store, const ExpressionScanner& scanner) {
    FunctionCalls calls;
    for (const Variables::Line& line : store.Lines()) {
        const std::string key = ExpressionScanner::FunctionKey(line.Name);
        if (key.empty() || calls.count(key)) continue;
        std::vector<std::string>& called = calls[key];
        for (std::string& use : scanner.Facts(line.Value).Uses)
            if (!use.empty() && use.back() == '(') called.push_back(std::move(use));
    }
    return calls;
}

std::string StoredTextOf(const Variables& store, const std::string& key) {
    if (key.empty() || key.back() != '(') return store.Read(key);
    for (const Variables::Line& line : store.Lines())
        if (ExpressionScanner::FunctionKey(line.Name) == key) return line.Name + "=" + line.Value;
    return {};
}

void MarkStaleLines(const StaleLines& lines, const std::vector<NameChange>& changes,
                    const FunctionCalls& calls) {
    if (changes.empty()) return;
    // Which stored functions call a function: a changed function changes its callers.
    std::unordered_map<std::string, std::vector<std::string>> callers;
    for (const auto& [function, called] : calls)
        for (const std::string& c : called)
            callers[c].push_back(function);

    std::unordered_map<std::string, std::uint64_t> changed; // key -> number of its change
    auto add = [&](const std::string& key, std::uint64_t seq) {
        std::vector<std::string> pending{key};
        while (!pending.empty()) {
            const std::string k = std::move(pending.back());
            pending.pop_back();
            auto [it, fresh] = changed.try_emplace(k, seq);
            if (!fresh) {
                if (it->second >= seq) continue;
                it->second = seq;
            }
            if (auto c = callers.find(k); c != callers.end())
                pending.insert(pending.end(), c->second.begin(), c->second.end());
        }
    };

    const std::size_t count = lines.LineCount();
    std::size_t next = 0; // the next change to take in
    for (std::size_t line = changes.front().Line; line < count; ++line) {
        const ExpressionFacts& facts = lines.Facts(line);
        std::uint64_t cause = 0;
        if (!changed.empty()) {
            const std::uint64_t seen = lines.CalculatedAt(line);
            for (const std::string& use : facts.Uses)
                if (auto it = changed.find(use); it != changed.end() && it->second > seen)
                    cause = std::max(cause, it->second);
        }
        if (cause > 0) {
            lines.MarkStale(line);
            for (const std::string& key : facts.Assigns)
                add(key, cause);
        } else {
            // The line's own value for these names is current: below it they are.
            for (const std::string& key : facts.Assigns)
                changed.erase(key);
        }
        // The change made by this line itself holds from the next line on.
        while (next < changes.size() && changes[next].Line == line) {
            for (const std::string& key : changes[next].Keys)
                add(key, changes[next].Seq);
            ++next;
        }
        if (changed.empty() && next == changes.size()) break;
    }
}

} // namespace vexmo
