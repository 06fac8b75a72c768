#include "document/gui/FindBar.h"

#include "document/core/CalcLine.h"
#include "document/gui/ProtectedEdit.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace vexmo {

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent); // owned by `parent`
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

// Where the line's answer run starts, in characters of the line; its length without one.
int AnswerStartOf(const QTextBlock& block) {
    const QString text = block.text();
    const std::string utf8 = text.toStdString();
    const std::size_t arrow = FindAnswerArrow(utf8);
    if (arrow == std::string::npos) return int(text.size());
    return int(Utf16Length(std::string_view(utf8).substr(0, arrow)));
}

} // namespace

TFindBar::TFindBar(QPlainTextEdit* pane, QWidget* parent) : QWidget(parent), pane_(pane) {
    setObjectName(QStringLiteral("FindBar"));
    auto* rows = new QVBoxLayout(this); // owned by the bar
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);

    auto* findRow = new QWidget(this);
    auto* findLayout = new QHBoxLayout(findRow);
    findLayout->setContentsMargins(0, 0, 0, 0);
    findLabel_ = new QLabel(findRow);
    findField_ = new QLineEdit(findRow);
    findField_->setObjectName(QStringLiteral("FindField"));
    findField_->setClearButtonEnabled(true);
    findLabel_->setBuddy(findField_);
    previous_ = MakeButton(findRow, "FindPrevious");
    next_ = MakeButton(findRow, "FindNext");
    matchCase_ = new QCheckBox(findRow);
    matchCase_->setObjectName(QStringLiteral("MatchCase"));
    wholeWords_ = new QCheckBox(findRow);
    wholeWords_->setObjectName(QStringLiteral("WholeWords"));
    message_ = new QLabel(findRow);
    message_->setObjectName(QStringLiteral("FindMessage"));
    close_ = MakeButton(findRow, "FindClose");
    close_->setFlat(true);
    findLayout->addWidget(findLabel_);
    findLayout->addWidget(findField_, 1);
    findLayout->addWidget(previous_);
    findLayout->addWidget(next_);
    findLayout->addWidget(matchCase_);
    findLayout->addWidget(wholeWords_);
    findLayout->addWidget(message_, 1);
    findLayout->addWidget(close_);
    rows->addWidget(findRow);

    replaceRow_ = new QWidget(this);
    auto* replaceLayout = new QHBoxLayout(replaceRow_);
    replaceLayout->setContentsMargins(0, 0, 0, 0);
    replaceLabel_ = new QLabel(replaceRow_);
    replaceField_ = new QLineEdit(replaceRow_);
    replaceField_->setObjectName(QStringLiteral("ReplaceField"));
    replaceLabel_->setBuddy(replaceField_);
    replace_ = MakeButton(replaceRow_, "Replace");
    replaceAll_ = MakeButton(replaceRow_, "ReplaceAll");
    replaceLayout->addWidget(replaceLabel_);
    replaceLayout->addWidget(replaceField_, 1);
    replaceLayout->addWidget(replace_);
    replaceLayout->addWidget(replaceAll_);
    replaceLayout->addStretch(1);
    rows->addWidget(replaceRow_);

    findField_->installEventFilter(this);
    replaceField_->installEventFilter(this);
    connect(next_, &QPushButton::clicked, this, [this] { FindNext(false); });
    connect(previous_, &QPushButton::clicked, this, [this] { FindNext(true); });
    connect(replace_, &QPushButton::clicked, this, [this] { ReplaceCurrent(); });
    connect(replaceAll_, &QPushButton::clicked, this, [this] { ReplaceAll(); });
    connect(close_, &QPushButton::clicked, this, &TFindBar::Close);
    connect(findField_, &QLineEdit::textChanged, this, [this] { message_->clear(); });
    SetLanguage(1);
}

void TFindBar::SetLanguage(int language) {
    language_ = language;
    const bool en = language == 1;
    findLabel_->setText(en ? QStringLiteral("Find:") : QStringLiteral("検索:"));
    replaceLabel_->setText(en ? QStringLiteral("Replace with:") : QStringLiteral("置換後:"));
    previous_->setText(en ? QStringLiteral("Previous") : QStringLiteral("前へ"));
    next_->setText(en ? QStringLiteral("Next") : QStringLiteral("次へ"));
    matchCase_->setText(en ? QStringLiteral("Match case") : QStringLiteral("大文字と小文字を区別"));
    wholeWords_->setText(en ? QStringLiteral("Whole words") : QStringLiteral("単語単位"));
    replace_->setText(en ? QStringLiteral("Replace") : QStringLiteral("置換"));
    replaceAll_->setText(en ? QStringLiteral("Replace all") : QStringLiteral("すべて置換"));
    close_->setText(QStringLiteral("✕"));
    close_->setToolTip(en ? QStringLiteral("Close (Esc)") : QStringLiteral("閉じる (Esc)"));
    // Both labels get the wider caption's width, so the two fields line up.
    const int labelWidth =
        std::max(findLabel_->sizeHint().width(), replaceLabel_->sizeHint().width());
    findLabel_->setMinimumWidth(labelWidth);
    replaceLabel_->setMinimumWidth(labelWidth);
}

void TFindBar::OpenFind() {
    Open(false);
}

void TFindBar::OpenReplace() {
    Open(true);
}

void TFindBar::Open(bool withReplace) {
    const QTextCursor selection = pane_->textCursor();
    if (selection.hasSelection()) {
        const QString text = selection.selectedText();
        // A selection over several lines holds paragraph separators: not a search text.
        if (!text.contains(QChar::ParagraphSeparator)) findField_->setText(text);
    }
    replaceRow_->setVisible(withReplace);
    message_->clear();
    show();
    findField_->setFocus();
    findField_->selectAll();
}

void TFindBar::Close() {
    hide();
    pane_->setFocus();
}

bool TFindBar::ReplaceShown() const {
    return isVisible() && replaceRow_->isVisible();
}

QString TFindBar::Message() const {
    return message_->text();
}

void TFindBar::SetMessage(const QString& english, const QString& japanese) {
    message_->setText(language_ == 1 ? english : japanese);
}

QTextCursor TFindBar::Search(int from, bool backward) const {
    QTextDocument::FindFlags flags;
    if (matchCase_->isChecked()) flags |= QTextDocument::FindCaseSensitively;
    if (wholeWords_->isChecked()) flags |= QTextDocument::FindWholeWords;
    if (backward) flags |= QTextDocument::FindBackward;
    return pane_->document()->find(findField_->text(), from, flags);
}

bool TFindBar::FindNext(bool backward) {
    message_->clear();
    if (findField_->text().isEmpty()) return false;
    const QTextCursor caret = pane_->textCursor();
    QTextCursor match = Search(backward ? caret.selectionStart() : caret.selectionEnd(), backward);
    if (match.isNull()) {
        // Round the end of the document to its other end.
        QTextCursor edge(pane_->document());
        if (backward) edge.movePosition(QTextCursor::End);
        match = Search(edge.position(), backward);
    }
    if (match.isNull()) {
        SetMessage(QStringLiteral("No match"), QStringLiteral("見つかりません"));
        return false;
    }
    pane_->setTextCursor(match);
    pane_->ensureCursorVisible();
    return true;
}

bool TFindBar::IsMatch(const QTextCursor& selection) const {
    if (!selection.hasSelection()) return false;
    // The selection is a match when a search from its start finds exactly it.
    const QTextCursor match = Search(selection.selectionStart(), false);
    return !match.isNull() && match.selectionStart() == selection.selectionStart() &&
           match.selectionEnd() == selection.selectionEnd();
}

bool TFindBar::Replaceable(const QTextCursor& match) const {
    const QTextBlock block = pane_->document()->findBlock(match.selectionStart());
    return match.selectionEnd() - block.position() <= AnswerStartOf(block);
}

template <class Edit> void TFindBar::AsUserEdit(Edit&& edit) {
    if (auto* protectedEdit = qobject_cast<TProtectedEdit*>(pane_))
        protectedEdit->EditForUser(edit);
    else
        edit();
}

bool TFindBar::ReplaceCurrent() {
    if (pane_->isReadOnly() || findField_->text().isEmpty()) return false;
    QTextCursor selection = pane_->textCursor();
    if (!IsMatch(selection)) {
        FindNext(false);
        return false;
    }
    if (!Replaceable(selection)) {
        FindNext(false);
        SetMessage(QStringLiteral("An answer is not replaced"),
                   QStringLiteral("計算結果は置換しません"));
        return false;
    }
    AsUserEdit([&] { selection.insertText(replaceField_->text()); });
    pane_->setTextCursor(selection);
    FindNext(false);
    return true;
}

int TFindBar::ReplaceAll() {
    if (pane_->isReadOnly() || findField_->text().isEmpty()) return 0;
    const QString replacement = replaceField_->text();
    int replaced = 0;
    int left = 0;
    QTextCursor edit(pane_->document());
    bool editing = false;
    int blockNumber = -1;
    int answerStart = 0;
    AsUserEdit([&] {
        for (QTextCursor match = Search(0, false); !match.isNull();
             match = Search(match.selectionEnd(), false)) {
            const QTextBlock block = pane_->document()->findBlock(match.selectionStart());
            if (block.blockNumber() != blockNumber) {
                blockNumber = block.blockNumber();
                answerStart = AnswerStartOf(block);
            }
            if (match.selectionEnd() - block.position() > answerStart) {
                ++left;
                continue;
            }
            if (!editing) {
                // Every replacement joins one undo step.
                edit.beginEditBlock();
                editing = true;
            }
            const int before = match.selectionEnd() - match.selectionStart();
            match.insertText(replacement);
            answerStart += int(replacement.size()) - before;
            ++replaced;
        }
        if (editing) edit.endEditBlock();
    });
    if (replaced == 0 && left == 0)
        SetMessage(QStringLiteral("No match"), QStringLiteral("見つかりません"));
    else if (left == 0)
        SetMessage(QStringLiteral("%1 replaced").arg(replaced),
                   QStringLiteral("%1 件置換しました").arg(replaced));
    else
        SetMessage(
            QStringLiteral("%1 replaced, %2 in answers left as they are").arg(replaced).arg(left),
            QStringLiteral("%1 件置換しました(計算結果の中の %2 件はそのまま)")
                .arg(replaced)
                .arg(left));
    return replaced;
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == findField_ || watched == replaceField_)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            Close();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == replaceField_ && !(key->modifiers() & Qt::ShiftModifier))
                ReplaceCurrent();
            else
                FindNext(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vexmo
