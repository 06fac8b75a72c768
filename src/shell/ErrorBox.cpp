#include "shell/ErrorBox.h"

#include <QMessageBox>
#include <QWidget>

namespace vexmo {

namespace {

// A message quoting a huge input (a pasted megabyte of digits) would freeze the program for
// many seconds while the box lays it out, and would not fit on any screen; its middle is left
// out, keeping the start of the quote and the reason at the end.
constexpr qsizetype kHeadShown = 600;
constexpr qsizetype kTailShown = 300;

QString WithoutMiddle(const QString& message) {
    if (message.size() <= kHeadShown + kTailShown + 1) return message;
    qsizetype head = kHeadShown;
    if (message.at(head - 1).isHighSurrogate()) --head;  // never split a character
    qsizetype tail = kTailShown;
    if (message.at(message.size() - tail).isLowSurrogate()) --tail;
    return message.left(head) + QChar(0x2026) + message.right(tail);
}

}  // namespace

QString ErrorBoxText(const QString& message) {
    // The full stop first, so that the shortened text is already final.
    if (!message.isEmpty() && message.back() > u'.') return WithoutMiddle(message + u'.');
    return WithoutMiddle(message);
}

void ShowErrorBox(QWidget* parent, const QString& message) {
    const QString title = parent ? parent->window()->windowTitle() : QString();
    QMessageBox box(QMessageBox::Critical, title, ErrorBoxText(message), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace vexmo
