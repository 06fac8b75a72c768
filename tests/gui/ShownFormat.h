#pragma once
// What a character of an editor shows: its own format with the layout's (the colouring
// pass's) on top.
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

inline QTextCharFormat ShownFormat(const QPlainTextEdit& pane, int position) {
    const QTextBlock block = pane.document()->findBlock(position);
    QTextCursor cursor(block);
    cursor.setPosition(position + 1);
    QTextCharFormat format = cursor.charFormat();
    const int offset = position - block.position();
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (offset >= range.start && offset < range.start + range.length)
            format.merge(range.format);
    return format;
}
