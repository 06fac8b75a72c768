#pragma once
// The display helpers of the calculation pane: colouring, the live value, stale answers and
// completion. They read the store and the engine's rules but never write the document, the
// store, ANS or the clipboard. With every option off the pane is exactly as without them.

#include "document/core/EditingOptions.h"
#include "document/core/StaleMarks.h"
#include "document/gui/Completion.h"

#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <QTimer>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vexmo {

class TCalcPane;
class TLineHighlighter;
class TLiveValueHint;
class Variables;

class TLiveFeatures : public QObject {
    Q_OBJECT

  public:
    TLiveFeatures(TCalcPane* pane, Variables* store);
    ~TLiveFeatures() override;

    void SetOptions(const EditingOptions& options);
    const EditingOptions& Options() const { return options_; }

    // Shows the live value in the pane's new colours (after the pane's SetColors).
    void RefreshColors();
    // The store changed outside a calculation (variables opened, cleared or edited).
    void StoreChanged();

    // Calculate below, with the stale marks of the lines it passes cleared.
    void CalculateBelow();

    // Marks the lines that the calculations since the last call left out of date; runs by
    // itself when the event loop turns after a calculation.
    void ProcessChanges();

    // Takes every stale mark away (the marks' option went off).
    void ClearStaleMarks();
    bool IsStale(int line) const;
    int StaleCount() const;

    TLineHighlighter* Highlighter() const { return highlighter_; }
    TLiveValueHint* Hint() const { return hint_; }
    TCompletion* Completion() const { return completion_; }

  private:
    void BeforeLine(int line);
    void AfterLine(int line);
    void BelowFinished();
    void CalculationEnded();
    void Schedule();
    // Gives the line its new look now when it is in view, else when it comes into view:
    // a change may touch many lines of a long document, of which only a screenful shows.
    void Relayout(const QTextBlock& block);
    void RelayoutVisible();
    bool InView(const QTextBlock& block) const;
    // Re-lays out the lines that use a name whose being stored changed.
    void RehighlightNamesChanged();
    std::unordered_set<std::string> StoredKeys() const;

    TCalcPane* pane_;
    Variables* store_;
    EditingOptions options_;
    ExpressionScanner scanner_;
    TLineHighlighter* highlighter_; // the pane's
    TLiveValueHint* hint_;
    TCompletion* completion_;
    QTimer pending_;

    std::uint64_t seq_ = 0;
    std::vector<std::pair<std::string, std::string>> before_; // key, stored text
    std::vector<NameChange> changes_;
    std::vector<int> cleared_; // lines whose mark a calculation took away
    int calculated_ = 0;       // lines calculated since the last processing
    bool runningBelow_ = false;
    bool relayingOut_ = false;
    std::unordered_set<std::string> storedKeys_;
};

} // namespace vexmo
