#include "document/gui/LiveFeatures.h"

#include "document/core/CalcLine.h"
#include "document/gui/CalcPane.h"
#include "document/gui/LineHighlighter.h"
#include "document/gui/LiveValueHint.h"
#include "engine/Variables.h"

#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace vexmo {

TLiveFeatures::TLiveFeatures(TCalcPane* pane, Variables* store)
    : QObject(pane), pane_(pane), store_(store), highlighter_(pane->Highlighter()),
      hint_(new TLiveValueHint(pane, store)),
      completion_(new TCompletion(pane, store)) {
    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &TLiveFeatures::ProcessChanges);
    connect(pane_, &TCalcPane::lineAboutToBeCalculated, this, &TLiveFeatures::BeforeLine);
    connect(pane_, &TCalcPane::lineCalculated, this, &TLiveFeatures::AfterLine);
    connect(pane_, &TCalcPane::calculationFinished, this, &TLiveFeatures::CalculationEnded);
    connect(pane_, &QPlainTextEdit::updateRequest, this, &TLiveFeatures::RelayoutVisible);
    // Nothing is on until the options say so.
    options_ = EditingOptions{false, false, false, false, false};
    hint_->SetEnabled(false);
    completion_->SetEnabled(false);
}

TLiveFeatures::~TLiveFeatures() = default;

void TLiveFeatures::SetOptions(const EditingOptions& options) {
    options_ = options;
    hint_->SetEnabled(options.LiveValue);
    completion_->SetEnabled(options.Completion);
    if (!options.StaleMarks) ClearStaleMarks();
    // The pane's colouring pass paints the answers whatever the options; these add to it.
    if (highlighter_->Colouring() == options.Highlighting &&
        highlighter_->StaleLook() == options.StaleMarks)
        return;
    highlighter_->SetColouring(options.Highlighting);
    highlighter_->SetStaleLook(options.StaleMarks);
    storedKeys_ = StoredKeys();
    // At once rather than on the next turn of the event loop, so the facts are there.
    const bool modified = pane_->document()->isModified();
    highlighter_->rehighlight();
    pane_->document()->setModified(modified);
}

void TLiveFeatures::RefreshColors() {
    // The pane has painted its lines in its new colours already (SetColors).
    hint_->update();
}

std::unordered_set<std::string> TLiveFeatures::StoredKeys() const {
    std::unordered_set<std::string> keys;
    if (!store_) return keys;
    for (const Variables::Line& line : store_->Lines()) {
        std::string key = ExpressionScanner::FunctionKey(line.Name);
        if (key.empty())
            for (char c : line.Name)
                key += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        keys.insert(std::move(key));
    }
    return keys;
}

void TLiveFeatures::StoreChanged() {
    RehighlightNamesChanged();
}

void TLiveFeatures::RehighlightNamesChanged() {
    if (!highlighter_ || !options_.Highlighting) {
        storedKeys_ = StoredKeys();
        return;
    }
    std::unordered_set<std::string> now = StoredKeys();
    std::unordered_set<std::string> flipped;
    for (const std::string& k : now)
        if (!storedKeys_.count(k)) flipped.insert(k);
    for (const std::string& k : storedKeys_)
        if (!now.count(k)) flipped.insert(k);
    storedKeys_ = std::move(now);
    if (flipped.empty()) return;
    if (pane_->isVisible()) {
        // The lines in view are coloured now, the others when they come into view: finding
        // the lines that use the names would walk the whole document.
        highlighter_->NamesChanged();
        RelayoutVisible();
        return;
    }
    // Lines out of view get their new look when they come into view; each re-coloured line
    // asks for an update, which must not walk the view again.
    const QScopedValueRollback<bool> walking(relayingOut_, true);
    for (QTextBlock b = pane_->document()->begin(); b.isValid(); b = b.next()) {
        const TLineData* data = TLineHighlighter::DataOf(b);
        if (!data) continue;
        const auto& uses = data->Facts.Uses;
        const auto& assigns = data->Facts.Assigns;
        auto hit = [&](const std::string& k) { return flipped.count(k) > 0; };
        if (std::any_of(uses.begin(), uses.end(), hit) ||
            std::any_of(assigns.begin(), assigns.end(), hit))
            Relayout(b);
    }
}

void TLiveFeatures::BeforeLine(int line) {
    before_.clear();
    if (!options_.StaleMarks && !options_.RecalcBelow) return;
    const QTextBlock block = pane_->document()->findBlockByNumber(line);
    // The colouring keeps the facts of each line's text as it stands.
    ExpressionFacts scanned;
    const ExpressionFacts& facts = TLineHighlighter::FactsOf(block, scanner_, scanned);
    for (const std::string& key : facts.Assigns)
        before_.emplace_back(key, StoredTextOf(*store_, key));
}

void TLiveFeatures::AfterLine(int line) {
    ++calculated_;
    const QTextBlock block = pane_->document()->findBlockByNumber(line);
    TLineData* data = TLineHighlighter::DataOf(block);
    const std::uint64_t seq = ++seq_;
    if (data) {
        data->CalculatedAt = seq;
        if (data->Stale) {
            data->Stale = false;
            cleared_.push_back(line);
        }
    }
    NameChange change{static_cast<std::size_t>(line), {}, seq};
    for (const auto& [key, text] : before_)
        if (StoredTextOf(*store_, key) != text) change.Keys.push_back(key);
    before_.clear();
    if (!change.Keys.empty()) changes_.push_back(std::move(change));
    Schedule();
}

void TLiveFeatures::Schedule() {
    // A long run gathers its changes and has them processed once when it ends: the walk
    // goes from the first change to the end of the document, so once per slice would make
    // a long run quadratic.
    if (pane_->Busy()) return;
    if (!pending_.isActive()) pending_.start();
}

void TLiveFeatures::CalculationEnded() {
    // Every line below a change was calculated again after it when a run went on to the end,
    // so the run's changes leave no answer out of date.
    if (const int from = pane_->LastCompleteRunFrom(); from >= 0)
        std::erase_if(changes_, [from](const NameChange& change) {
            return change.Line >= static_cast<std::size_t>(from);
        });
    if (runningBelow_) {
        BelowFinished();
        return;
    }
    if (!changes_.empty() || !cleared_.empty() || calculated_ > 0) Schedule();
}

void TLiveFeatures::ProcessChanges() {
    pending_.stop();
    const bool single = calculated_ == 1;
    const bool anyChange = !changes_.empty();
    calculated_ = 0;
    QTextDocument* document = pane_->document();

    std::vector<QTextBlock> relayout;
    for (int line : cleared_)
        relayout.push_back(document->findBlockByNumber(line));
    cleared_.clear();

    if (options_.StaleMarks && highlighter_ && anyChange) {
        std::sort(changes_.begin(), changes_.end(),
                  [](const NameChange& a, const NameChange& b) { return a.Line < b.Line; });
        // Lines are walked in order, so the block of the previous line leads to the next.
        QTextBlock block = document->findBlockByNumber(static_cast<int>(changes_.front().Line));
        std::size_t blockLine = changes_.front().Line;
        ExpressionFacts scratch;
        auto blockAt = [&](std::size_t line) {
            while (blockLine < line && block.isValid()) {
                block = block.next();
                ++blockLine;
            }
            if (blockLine != line) {
                block = document->findBlockByNumber(static_cast<int>(line));
                blockLine = line;
            }
            return block;
        };
        StaleLines lines;
        lines.LineCount = [&] { return static_cast<std::size_t>(document->blockCount()); };
        lines.Facts = [&](std::size_t line) -> const ExpressionFacts& {
            return TLineHighlighter::FactsOf(blockAt(line), scanner_, scratch);
        };
        lines.CalculatedAt = [&](std::size_t line) -> std::uint64_t {
            const TLineData* data = TLineHighlighter::DataOf(blockAt(line));
            return data ? data->CalculatedAt : 0;
        };
        lines.MarkStale = [&](std::size_t line) {
            const QTextBlock b = blockAt(line);
            TLineData* data = TLineHighlighter::DataOf(b);
            if (!data || data->Stale || !data->HasAnswer) return;
            data->Stale = true;
            relayout.push_back(b);
        };
        MarkStaleLines(lines, changes_, FunctionCallsOf(*store_, scanner_));
    }
    changes_.clear();

    {
        const QScopedValueRollback<bool> walking(relayingOut_, true);
        for (const QTextBlock& b : relayout)
            Relayout(b);
    }
    RehighlightNamesChanged();

    if (options_.RecalcBelow && anyChange && single && !runningBelow_) {
        const QTextBlock caret = pane_->textCursor().block();
        if (caret.isValid() && caret.length() > 1) CalculateBelow();
    }
}

void TLiveFeatures::CalculateBelow() {
    if (pane_->Busy()) return;
    // The run may go on in slices; BelowFinished ends it.
    runningBelow_ = true;
    pane_->AtnVexmiCalcBelowExecute();
}

void TLiveFeatures::BelowFinished() {
    if (!runningBelow_) return;
    ProcessChanges();
    runningBelow_ = false;
}

void TLiveFeatures::ClearStaleMarks() {
    changes_.clear();
    const bool modified = pane_->document()->isModified();
    for (QTextBlock b = pane_->document()->begin(); b.isValid(); b = b.next()) {
        TLineData* data = TLineHighlighter::DataOf(b);
        if (!data || !data->Stale) continue;
        data->LookDirty = false;
        data->Stale = false;
        Relayout(b);
    }
    pane_->document()->setModified(modified);
}

bool TLiveFeatures::InView(const QTextBlock& block) const {
    return pane_->LineInView(block.blockNumber());
}

void TLiveFeatures::Relayout(const QTextBlock& block) {
    TLineData* data = TLineHighlighter::DataOf(block);
    if (!highlighter_ || !block.isValid() || !data) return;
    if (!InView(block)) {
        data->LookDirty = true;
        return;
    }
    data->LookDirty = false;
    const bool modified = pane_->document()->isModified();
    highlighter_->rehighlightBlock(block);
    pane_->document()->setModified(modified);
}

void TLiveFeatures::RelayoutVisible() {
    if (!highlighter_ || relayingOut_) return;
    relayingOut_ = true;
    const int height = pane_->viewport()->height();
    for (QTextBlock b = pane_->cursorForPosition(QPoint(0, 0)).block(); b.isValid(); b = b.next()) {
        if (pane_->cursorRect(QTextCursor(b)).top() > height) break;
        TLineData* data = TLineHighlighter::DataOf(b);
        if (data && (data->LookDirty || data->NamesSeen != highlighter_->NamesGeneration()))
            Relayout(b);
    }
    relayingOut_ = false;
}

bool TLiveFeatures::IsStale(int line) const {
    const TLineData* data = TLineHighlighter::DataOf(pane_->document()->findBlockByNumber(line));
    return data && data->Stale;
}

int TLiveFeatures::StaleCount() const {
    int count = 0;
    for (QTextBlock b = pane_->document()->begin(); b.isValid(); b = b.next())
        if (const TLineData* data = TLineHighlighter::DataOf(b); data && data->Stale) ++count;
    return count;
}

} // namespace vexmo
