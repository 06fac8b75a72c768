#include "document/gui/Completion.h"

#include "document/core/CalcLine.h"
#include "document/core/EditingOptions.h"
#include "document/gui/CalcPane.h"
#include "engine/Variables.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>

namespace vexmo {

namespace {

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

QString Shortened(const QString& text, int most) {
    return text.size() <= most ? text : text.left(most - 1) + QChar(0x2026);
}

} // namespace

TCompletion::TCompletion(TCalcPane* pane, const Variables* store)
    : QObject(pane), pane_(pane), store_(store), list_(new QListWidget(pane)) {
    list_->setObjectName(QStringLiteral("CompletionList"));
    list_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    list_->setAttribute(Qt::WA_ShowWithoutActivating);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->hide();
    connect(list_, &QListWidget::itemClicked, this, [this] { Accept(); });
    pane_->installEventFilter(this);
    connect(pane_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!brackets_.empty()) ForgetLeftBrackets();
        if (IsOpen()) Refresh();
    });
}

TCompletion::~TCompletion() = default;

void TCompletion::SetEnabled(bool on) {
    enabled_ = on;
    if (!on) {
        Close();
        brackets_.clear();
    }
}

void TCompletion::SetCatalogue(std::vector<CatalogueEntry> builtins, QString variableMeaning,
                               QString userFunctionMeaning) {
    builtins_ = std::move(builtins);
    variableMeaning_ = std::move(variableMeaning);
    userFunctionMeaning_ = std::move(userFunctionMeaning);
}

bool TCompletion::IsOpen() const {
    return list_->isVisible();
}

QStringList TCompletion::Offered() const {
    QStringList names;
    for (const CatalogueEntry& e : shown_)
        names << e.Name;
    return names;
}

void TCompletion::Close() {
    list_->hide();
    shown_.clear();
    moved_ = false;
}

bool TCompletion::WordBeforeCaret(int& start, QString& word) const {
    const QTextCursor caret = pane_->textCursor();
    if (caret.hasSelection()) return false;
    const QTextBlock block = caret.block();
    if (block.length() > MaxLiveLineLength) return false;
    const QString text = block.text();
    const int at = caret.positionInBlock();
    // Nothing is offered in hidden text, a comment or an answer run.
    const std::string utf8 = text.left(at).toStdString();
    if (utf8.find_first_of("$;") != std::string::npos || FindAnswerArrow(utf8) != std::string::npos)
        return false;
    int from = at;
    while (from > 0 && IsWordChar(text.at(from - 1)))
        --from;
    if (from == at || text.at(from).isDigit()) return false;
    if (at < text.size() && IsWordChar(text.at(at))) return false; // inside a word
    start = block.position() + from;
    word = text.mid(from, at - from);
    return true;
}

std::vector<CatalogueEntry> TCompletion::Matches(const QString& prefix) const {
    std::vector<CatalogueEntry> found;
    auto matches = [&](const QString& name) {
        return name.startsWith(prefix, Qt::CaseInsensitive);
    };
    if (store_) {
        for (const Variables::Line& line : store_->Lines()) {
            const QString name = QString::fromStdString(line.Name);
            const qsizetype bracket = name.indexOf(u'(');
            if (bracket > 0) {
                const QString function = name.left(bracket);
                if (matches(function))
                    found.push_back(
                        {function, CatalogueEntry::Kind::UserFunction,
                         Shortened(name + u'=' + QString::fromStdString(line.Value), 48),
                         userFunctionMeaning_});
            } else if (matches(name)) {
                found.push_back({name, CatalogueEntry::Kind::Variable,
                                 Shortened(QString::fromStdString(line.Value), 40),
                                 variableMeaning_});
            }
        }
    }
    for (const CatalogueEntry& e : builtins_)
        if (matches(e.Name)) found.push_back(e);
    std::stable_sort(found.begin(), found.end(),
                     [](const CatalogueEntry& a, const CatalogueEntry& b) {
                         return a.Type != b.Type ? a.Type < b.Type
                                                 : a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
                     });
    if (found.size() > std::size_t(MaxShown)) found.resize(std::size_t(MaxShown));
    // A word already written out in full needs no list.
    if (found.size() == 1 && found.front().Name.compare(prefix, Qt::CaseInsensitive) == 0)
        found.clear();
    return found;
}

void TCompletion::Refresh() {
    int start = 0;
    QString word;
    if (!enabled_ || !WordBeforeCaret(start, word)) {
        Close();
        return;
    }
    std::vector<CatalogueEntry> found = Matches(word);
    if (found.empty()) {
        Close();
        return;
    }
    const QString current =
        list_->currentItem() ? list_->currentItem()->data(Qt::UserRole).toString() : QString();
    shown_ = std::move(found);
    list_->clear();
    int row = 0;
    for (int i = 0; i < int(shown_.size()); ++i) {
        const CatalogueEntry& e = shown_[std::size_t(i)];
        QString text = e.Name;
        if (!e.Detail.isEmpty()) text += QStringLiteral("   ") + e.Detail;
        if (!e.Meaning.isEmpty()) text += QStringLiteral("   \u2014 ") + e.Meaning;
        auto* item = new QListWidgetItem(text, list_);
        item->setData(Qt::UserRole, e.Name);
        if (moved_ && e.Name == current) row = i;
    }
    list_->setCurrentRow(row);

    const QFontMetrics metrics(list_->font());
    int width = 0;
    for (int i = 0; i < list_->count(); ++i)
        width = std::max(width, metrics.horizontalAdvance(list_->item(i)->text()));
    const int rows = std::min(list_->count(), 8);
    const int height = rows * std::max(list_->sizeHintForRow(0), metrics.height()) + 4;
    const QRect caret = pane_->cursorRect();
    list_->setGeometry(QRect(pane_->viewport()->mapToGlobal(caret.bottomLeft() + QPoint(0, 2)),
                             QSize(std::min(width + 28, 720), height)));
    list_->show();
}

void TCompletion::Accept() {
    int start = 0;
    QString word;
    const QListWidgetItem* item = list_->currentItem();
    if (!item || !WordBeforeCaret(start, word)) {
        Close();
        return;
    }
    const QString name = item->data(Qt::UserRole).toString();
    const auto it = std::find_if(shown_.begin(), shown_.end(),
                                 [&](const CatalogueEntry& e) { return e.Name == name; });
    const bool call = it != shown_.end() && (it->Type == CatalogueEntry::Kind::Function ||
                                             it->Type == CatalogueEntry::Kind::UserFunction);
    Close();
    QTextCursor cursor = pane_->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + int(word.size()), QTextCursor::KeepAnchor);
    pane_->setTextCursor(cursor);
    // A call gets its brackets with the caret between them, as the Insert commands do.
    const QTextBlock block = cursor.block();
    const int after = cursor.position() - block.position();
    const bool bracketFollows = after < block.text().size() && block.text().at(after) == u'(';
    pane_->InsertText(call && !bracketFollows ? name + QStringLiteral("()") : name);
    if (call && !bracketFollows) {
        QTextCursor back = pane_->textCursor();
        back.movePosition(QTextCursor::PreviousCharacter);
        pane_->setTextCursor(back);
        // Text typed between the brackets moves the closing one and leaves the opening one.
        Brackets brackets{back, back};
        brackets.Open.movePosition(QTextCursor::PreviousCharacter);
        brackets.Close.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        brackets_.push_back(std::move(brackets));
    }
    Close();
}

void TCompletion::ForgetLeftBrackets() {
    const QTextCursor caret = pane_->textCursor();
    auto left = [&](const Brackets& b) {
        QTextCursor open = b.Open;
        open.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        return b.Open.document() != pane_->document() ||
               open.selectedText() != QStringLiteral("(") ||
               b.Close.selectedText() != QStringLiteral(")") || b.Close.block() != caret.block() ||
               caret.selectionStart() <= b.Open.position() ||
               caret.selectionEnd() > b.Close.selectionStart();
    };
    std::erase_if(brackets_, left);
}

bool TCompletion::StepOverClosing() {
    ForgetLeftBrackets();
    QTextCursor caret = pane_->textCursor();
    if (brackets_.empty() || caret.hasSelection() ||
        caret.position() != brackets_.back().Close.selectionStart())
        return false;
    // A bracket the argument opened itself is closed first.
    QTextCursor argument = caret;
    argument.setPosition(brackets_.back().Open.position() + 1, QTextCursor::KeepAnchor);
    int open = 0;
    for (const QChar c : argument.selectedText())
        open += c == u'(' ? 1 : c == u')' ? -1 : 0;
    if (open > 0) return false;
    brackets_.pop_back();
    caret.movePosition(QTextCursor::NextCharacter);
    pane_->setTextCursor(caret);
    return true;
}

bool TCompletion::eventFilter(QObject* watched, QEvent* event) {
    // The list is a window of its own: it must not stay behind when the pane goes away.
    if (watched == pane_ && (event->type() == QEvent::FocusOut || event->type() == QEvent::Hide))
        Close();
    if (watched != pane_ || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->text() == QStringLiteral(")") &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && !pane_->isReadOnly() &&
        StepOverClosing())
        return true;
    if (IsOpen()) {
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const int count = list_->count();
            const int step = key->key() == Qt::Key_Up ? -1 : 1;
            list_->setCurrentRow((list_->currentRow() + step + count) % count);
            moved_ = true;
            return true;
        }
        case Qt::Key_Tab:
            Accept();
            return true;
        case Qt::Key_Escape:
            Close();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (moved_ && key->modifiers() == Qt::NoModifier) {
                Accept();
                return true;
            }
            Close(); // the key map has it
            return false;
        default:
            break;
        }
    }
    if (enabled_ && (!key->text().isEmpty() || key->key() == Qt::Key_Backspace) &&
        !refreshPending_) {
        // Looked at once the pane has taken the key.
        const bool typed = !key->text().isEmpty() && IsWordChar(key->text().back());
        if (typed || IsOpen()) {
            refreshPending_ = true;
            QTimer::singleShot(0, this, [this] {
                refreshPending_ = false;
                Refresh();
            });
        }
    }
    return false;
}

} // namespace vexmo
