#include "document/gui/LineHighlighter.h"

#include "document/core/CalcLine.h"
#include "document/core/StaleMarks.h"
#include "document/gui/ReadableColors.h"
#include "document/gui/CalcPane.h"
#include "engine/Variables.h"

#include <QTextDocument>

#include <functional>
#include <string_view>

namespace vexmo {

namespace {

QColor Mix(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

// UTF-16 offset of each UTF-8 byte offset of `utf8` (one more entry for its end); empty
// when the text is ASCII and the offsets agree.
std::vector<int> Utf16Offsets(const std::string& utf8) {
    std::vector<int> map;
    bool ascii = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return map;
    map.resize(utf8.size() + 1);
    int units = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        map[i] = units;
        const auto b = static_cast<unsigned char>(utf8[i]);
        if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
    }
    map[utf8.size()] = units;
    return map;
}

} // namespace

TLineHighlighter::TLineHighlighter(TCalcPane* pane, const Variables* store)
    : QSyntaxHighlighter(static_cast<QObject*>(pane)), pane_(pane), store_(store) {
    RefreshColors();
}

TLineData* TLineHighlighter::DataOf(const QTextBlock& block) {
    return static_cast<TLineData*>(block.userData());
}

const ExpressionFacts& TLineHighlighter::FactsOf(const QTextBlock& block,
                                                 const ExpressionScanner& scanner,
                                                 ExpressionFacts& scratch) {
    TLineData* data = DataOf(block);
    if (data && data->FactsMade) return data->Facts;
    const std::string utf8 = block.text().toStdString();
    if (!data) {
        scratch = scanner.Facts(utf8);
        return scratch;
    }
    const std::string_view expression = std::string_view(utf8).substr(0, FindAnswerArrow(utf8));
    data->Facts = scanner.Facts(utf8);
    data->FactsLength = expression.size();
    data->FactsHash = std::hash<std::string_view>{}(expression);
    data->FactsMade = true;
    return data->Facts;
}

void TLineHighlighter::RefreshColors() {
    const QColor back = pane_->palette().color(QPalette::Base);
    const QColor text = pane_->ExpressionColor().isValid() ? pane_->ExpressionColor()
                                                           : pane_->palette().color(QPalette::Text);
    const bool dark = back.lightnessF() < 0.5;
    auto colour = [&](const char* light, const char* darkName) {
        return QColor(QString::fromLatin1(dark ? darkName : light));
    };
    for (QTextCharFormat& f : formats_)
        f = QTextCharFormat();
    formats_[int(Kind::Number)].setForeground(colour("#1a5fb4", "#8cc0ff"));
    formats_[int(Kind::Operator)].setForeground(Mix(text, back, 0.75));
    formats_[int(Kind::Function)].setForeground(colour("#813d9c", "#dc8add"));
    formats_[int(Kind::Constant)].setForeground(colour("#9c4f00", "#ffbe6f"));
    formats_[int(Kind::Variable)].setForeground(colour("#00695c", "#5fd7c0"));
    QTextCharFormat& unknown = formats_[int(Kind::UnknownName)];
    unknown.setForeground(colour("#c01c28", "#ff8080"));
    unknown.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    unknown.setUnderlineColor(colour("#c01c28", "#ff8080"));
    QTextCharFormat& parameter = formats_[int(Kind::Parameter)];
    parameter.setForeground(colour("#00695c", "#5fd7c0"));
    parameter.setFontItalic(true);
    const QColor faint = Mix(text, back, 0.55);
    formats_[int(Kind::Hidden)].setForeground(faint);
    formats_[int(Kind::Hidden)].setFontItalic(true);
    formats_[int(Kind::Comment)].setForeground(faint);
    formats_[int(Kind::Comment)].setFontItalic(true);
    // An out-of-date answer: its own colours, faded, slanted and underlined with dots.
    QTextCharFormat& stale = formats_[int(Kind::StaleAnswer)];
    stale.setForeground(WithContrast(Mix(pane_->AnswerColor(), back, 0.5), back, FaintContrast));
    stale.setFontItalic(true);
    stale.setUnderlineStyle(QTextCharFormat::DotLine);
    stale.setUnderlineColor(WithContrast(Mix(pane_->ArrowColor(), back, 0.7), back, FaintContrast));

    arrow_ = QTextCharFormat();
    arrow_.setForeground(pane_->ArrowColor());
    answer_ = QTextCharFormat();
    answer_.setForeground(pane_->AnswerColor());
    answer_.setFontWeight(QFont::Bold);
    staleArrow_ = arrow_;
    staleArrow_.merge(stale);
    staleAnswer_ = answer_;
    staleAnswer_.merge(stale);
}

QTextCharFormat TLineHighlighter::FormatOf(Kind kind) const {
    return formats_[int(kind)];
}

bool TLineHighlighter::IsFunctionStored(const std::string& key) const {
    if (!store_) return false;
    for (const Variables::Line& line : store_->Lines())
        if (ExpressionScanner::FunctionKey(line.Name) == key) return true;
    return false;
}

std::vector<int> TLineHighlighter::KindsOf(const QString& line) const {
    const std::string text = line.toStdString();
    std::vector<ExpressionToken> tokens;
    scanner_.Scan(text, tokens);
    return Classify(text, tokens, int(line.size()));
}

TLineHighlighter::Kind TLineHighlighter::KindOf(const std::string& text,
                                                const ExpressionToken& t) const {
    switch (t.Kind) {
    case TokenKind::Number:
        return Kind::Number;
    case TokenKind::Operator:
        return Kind::Operator;
    case TokenKind::Function:
        return Kind::Function;
    case TokenKind::Constant:
        return Kind::Constant;
    case TokenKind::Parameter:
        return Kind::Parameter;
    case TokenKind::Hidden:
        return Kind::Hidden;
    case TokenKind::Comment:
        return Kind::Comment;
    case TokenKind::Name:
    case TokenKind::ArrayName: {
        const std::string_view name = std::string_view(text).substr(t.Start, t.Length);
        return store_ && store_->IndexOf(name) >= 0 ? Kind::Variable : Kind::UnknownName;
    }
    case TokenKind::UserCall: {
        const std::string key =
            ExpressionScanner::FunctionKey(text.substr(t.Start, t.Length) + "(");
        return IsFunctionStored(key) ? Kind::Variable : Kind::UnknownName;
    }
    }
    return Kind::Operator;
}

std::vector<int> TLineHighlighter::Classify(const std::string& text,
                                            const std::vector<ExpressionToken>& tokens,
                                            int length) const {
    std::vector<int> kinds(static_cast<std::size_t>(length), -1);
    const std::vector<int> map = Utf16Offsets(text);
    auto at = [&](std::size_t byte) { return map.empty() ? int(byte) : map[byte]; };
    for (const ExpressionToken& t : tokens) {
        const Kind kind = KindOf(text, t);
        for (int i = at(t.Start); i < at(t.Start + t.Length); ++i)
            kinds[static_cast<std::size_t>(i)] = int(kind);
    }
    return kinds;
}

void TLineHighlighter::highlightBlock(const QString& text) {
    auto* data = static_cast<TLineData*>(currentBlockUserData());
    if (!data) {
        data = new TLineData; // owned by the block
        setCurrentBlockUserData(data);
    }
    const std::string utf8 = text.toStdString();
    const std::size_t arrow = FindAnswerArrow(utf8);
    data->HasAnswer = arrow != std::string::npos;
    if (!data->HasAnswer) data->Stale = false; // no answer is out of date
    // The facts come from the expression part alone, which a calculation mostly keeps.
    const std::string_view expression = std::string_view(utf8).substr(0, arrow);
    const std::size_t hash = std::hash<std::string_view>{}(expression);
    const bool factsKept =
        data->FactsMade && data->FactsLength == expression.size() && data->FactsHash == hash;

    // What the program writes or loads is the line's own; an answer the user's edit leaves
    // behind other text is out of date, whichever side of the arrow changed.
    const std::size_t own =
        hash ^ (std::hash<std::string_view>{}(std::string_view(utf8).substr(expression.size())) +
                0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2));
    if (!data->OwnMade || !pane_->UserEditing()) {
        data->OwnHash = own;
        data->OwnMade = true;
    } else if (own != data->OwnHash && data->HasAnswer && staleLook_) {
        data->Stale = true;
    }

    // A line out of view is coloured when it comes into view: a long run or a loaded
    // document would otherwise lay out every line it touches.
    const bool inView = pane_->LineInView(currentBlock().blockNumber());
    // A long line is neither scanned nor coloured; its facts wait until a calculation asks
    // for them (FactsOf).
    const bool scanned = text.size() <= MaxLiveLineLength;
    if (scanned && (inView || !factsKept)) scanner_.Scan(utf8, tokens_);
    if (!factsKept) {
        data->Facts = scanned ? ExpressionScanner::Facts(utf8, tokens_) : ExpressionFacts{};
        data->FactsLength = expression.size();
        data->FactsHash = hash;
        data->FactsMade = scanned;
    }
    if (!inView) {
        data->LookDirty = true;
        return;
    }
    data->LookDirty = false;
    data->NamesSeen = namesGeneration_;

    const std::vector<int> map = Utf16Offsets(utf8);
    auto at = [&](std::size_t byte) { return map.empty() ? int(byte) : map[byte]; };
    if (colouring_ && scanned)
        for (const ExpressionToken& t : tokens_)
            setFormat(at(t.Start), at(t.Start + t.Length) - at(t.Start),
                      formats_[int(KindOf(utf8, t))]);
    if (arrow != std::string::npos) {
        // The answer run goes from the arrow to the end of the line, whatever it holds.
        const bool stale = staleLook_ && data->Stale;
        const int start = at(arrow);
        const int value = start + static_cast<int>(ArrowLength);
        setFormat(start, value - start, stale ? staleArrow_ : arrow_);
        setFormat(value, int(text.size()) - value, stale ? staleAnswer_ : answer_);
    }
}

} // namespace vexmo
