#pragma once
// Paints each line's answer run (the arrow and the answer in their colours, the answer in
// bold), found from the line's text, colours the parts of each expression by kind and
// gives out-of-date answers their look. All of it is layout decoration of the block being
// laid out: the characters, the saved text and the undo stack never see it. A key press
// re-colours only its own line.

#include "document/core/EditingOptions.h"
#include "engine/ExpressionTokens.h"

#include <QColor>
#include <QSyntaxHighlighter>
#include <QTextBlockUserData>
#include <QTextCharFormat>

#include <cstdint>

namespace vexmo {

class TCalcPane;
class Variables;

// What the live features keep per line: its dependency facts (renewed with its text), the
// number of its last calculation and whether its answer is out of date.
class TLineData : public QTextBlockUserData {
  public:
    ExpressionFacts Facts;
    // The expression part the facts were made from (its length and hash): writing or removing
    // an answer run leaves them as they are.
    std::size_t FactsLength = 0;
    std::size_t FactsHash = 0;
    bool FactsMade = false;
    // The line as the program last wrote it, or as it first came in (a hash of its expression
    // part and its answer run): an answer behind any other text is not that text's own.
    std::size_t OwnHash = 0;
    bool OwnMade = false;
    std::uint64_t CalculatedAt = 0;
    bool HasAnswer = false; // the line ends in an answer run
    bool Stale = false;
    bool LookDirty = false;      // its look changed while it was out of view
    std::uint64_t NamesSeen = 0; // the stored names its colours were made with
};

class TLineHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

  public:
    enum class Kind {
        Number,
        Operator,
        Function,
        Constant,
        Variable,
        UnknownName,
        Parameter,
        Hidden,
        Comment,
        StaleAnswer
    };

    TLineHighlighter(TCalcPane* pane, const Variables* store);

    void SetStore(const Variables* store) { store_ = store; }
    void SetColouring(bool on) { colouring_ = on; }
    void SetStaleLook(bool on) { staleLook_ = on; }
    bool Colouring() const { return colouring_; }
    bool StaleLook() const { return staleLook_; }
    // Takes the pane's colours (expression, arrow, answer, background) anew.
    void RefreshColors();
    // Names came to be stored or ceased to be: every line's colours may be out of date.
    void NamesChanged() { ++namesGeneration_; }
    // The colours changed: every line's look is out of date in the same way.
    void LookChanged() { ++namesGeneration_; }
    std::uint64_t NamesGeneration() const { return namesGeneration_; }
    // The format of a kind; the colours follow the background's lightness.
    QTextCharFormat FormatOf(Kind kind) const;
    // The kind of each character of `line` (-1 where nothing is coloured), for tests and
    // tools.
    std::vector<int> KindsOf(const QString& line) const;

    static TLineData* DataOf(const QTextBlock& block);
    // The dependency facts of a line: those kept with it, else made from its text now (and
    // kept when the line has data to keep them in).
    static const ExpressionFacts& FactsOf(const QTextBlock& block, const ExpressionScanner& scanner,
                                          ExpressionFacts& scratch);

  protected:
    void highlightBlock(const QString& text) override;

  private:
    bool IsFunctionStored(const std::string& key) const;
    Kind KindOf(const std::string& text, const ExpressionToken& token) const;
    std::vector<int> Classify(const std::string& text, const std::vector<ExpressionToken>& tokens,
                              int length) const;

    TCalcPane* pane_;
    const Variables* store_;
    ExpressionScanner scanner_;
    std::vector<ExpressionToken> tokens_; // scratch
    bool colouring_ = true;
    bool staleLook_ = true;
    std::uint64_t namesGeneration_ = 0;
    QTextCharFormat formats_[10];
    QTextCharFormat arrow_, answer_;                 // an answer run's two parts
    QTextCharFormat staleArrow_, staleAnswer_;      // the same, out of date
};

} // namespace vexmo
