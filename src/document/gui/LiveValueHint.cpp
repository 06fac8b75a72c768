#include "document/gui/LiveValueHint.h"

#include "document/core/CalcLine.h"
#include "document/core/EditingOptions.h"
#include "document/gui/CalcPane.h"
#include "document/gui/ReadableColors.h"

#include <QEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

namespace vexmo {

TLiveValueHint::TLiveValueHint(TCalcPane* pane, const Variables* store)
    : QWidget(pane->viewport()), pane_(pane), store_(store) {
    setObjectName(QStringLiteral("LiveValueHint"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    pause_.setSingleShot(true);
    pause_.setInterval(PauseMs);
    connect(&pause_, &QTimer::timeout, this, &TLiveValueHint::PreviewNow);
    connect(pane_->document(), &QTextDocument::contentsChange, this,
            &TLiveValueHint::OnContentsChange);
    connect(pane_, &QPlainTextEdit::cursorPositionChanged, this, &TLiveValueHint::OnCaretMoved);
    connect(pane_, &QPlainTextEdit::updateRequest, this, [this] { update(); });
    pane_->viewport()->installEventFilter(this);
    setGeometry(pane_->viewport()->rect());
    hide();
}

void TLiveValueHint::SetEnabled(bool on) {
    enabled_ = on;
    if (!on) {
        pause_.stop();
        Clear();
    }
}

void TLiveValueHint::Clear() {
    text_.clear();
    line_ = -1;
    hide();
}

void TLiveValueHint::OnContentsChange(int, int removed, int added) {
    // Re-colouring reports a change of nothing.
    if (!enabled_ || (removed == 0 && added == 0)) return;
    Clear();
    // Calculations and other program changes switch undo off while they run; only the
    // user's own edits start the pause.
    if (pane_->document()->isUndoRedoEnabled())
        pause_.start();
    else
        pause_.stop();
}

void TLiveValueHint::OnCaretMoved() {
    if (line_ >= 0 && pane_->textCursor().blockNumber() != line_) {
        pause_.stop();
        Clear();
    }
}

void TLiveValueHint::PreviewNow() {
    if (!enabled_ || !store_) return;
    const QTextBlock block = pane_->textCursor().block();
    if (block.length() > MaxLiveLineLength) {
        Clear();
        return;
    }
    const std::string line = block.text().toStdString();
    const LinePreview preview = previewer_.Preview(line, *store_, pane_->NumberFormat());
    if (preview.Outcome == LinePreview::Kind::None) {
        Clear();
        return;
    }
    failed_ = preview.Outcome != LinePreview::Kind::Value;
    const QString value = QString::fromStdString(preview.Text);
    switch (preview.Outcome) {
    case LinePreview::Kind::Value:
        text_ =
            QString::fromLatin1(AnswerArrow.data(), AnswerArrow.size()).trimmed() + u' ' + value;
        break;
    case LinePreview::Kind::Failed:
        text_ = QString::fromLatin1(ErrorArrow.data(), ErrorArrow.size()).trimmed() + u' ' + value;
        if (!preview.Reason.empty())
            text_ += QStringLiteral("  (%1)").arg(QString::fromStdString(preview.Reason));
        break;
    default:
        text_ = QStringLiteral("(%1)").arg(value);
        break;
    }
    line_ = block.blockNumber();
    setGeometry(pane_->viewport()->rect());
    show();
    raise();
    update();
}

bool TLiveValueHint::eventFilter(QObject* watched, QEvent* event) {
    // The viewport is the parent: asked of the pane, which may be half destroyed when its
    // viewport is resized on the way out, it could not be found.
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TLiveValueHint::paintEvent(QPaintEvent*) {
    if (text_.isEmpty() || line_ < 0) return;
    const QTextBlock block = pane_->document()->findBlockByNumber(line_);
    if (!block.isValid()) return;
    QTextCursor end(block);
    end.movePosition(QTextCursor::EndOfBlock);
    const QRect caret = pane_->cursorRect(end);
    QPainter painter(this);
    QFont font = pane_->font();
    font.setItalic(true);
    painter.setFont(font);
    const QColor back = pane_->palette().color(QPalette::Base);
    QColor ink = failed_ ? pane_->ArrowColor() : pane_->AnswerColor();
    // Faint, but readable on a light or a dark background alike.
    ink = QColor::fromRgbF(ink.redF() * 0.6f + back.redF() * 0.4f,
                           ink.greenF() * 0.6f + back.greenF() * 0.4f,
                           ink.blueF() * 0.6f + back.blueF() * 0.4f);
    painter.setPen(WithContrast(ink, back, FaintContrast));
    const int x = caret.right() + painter.fontMetrics().horizontalAdvance(QStringLiteral("  "));
    painter.drawText(QRect(x, caret.top(), width() - x, caret.height()), Qt::AlignVCenter, text_);
}

} // namespace vexmo
