// What Qt's text document alone costs per line, without any of this program's code: the
// floor under Calculate again and opening a document in the window. A million lines
// "R := 1/(1/2K + 1/3K)" with answers, in a shown plain-text editor, written in slices of
// 5,000 lines (one edit block each) as the window does:
//  - appended as plain text (what opening needs before painting);
//  - appended, then each answer painted (two formats per line, as opening does);
//  - each existing line's answer written in its two formats (as Calculate again does).
// Usage: bench_textdocument [lines]
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr int Slice = 5'000;
const QString Arrow = QStringLiteral(" ==> ");

QString Expression(int i) {
    return QStringLiteral("R%1 := 1/(1/%2K + 1/%3K)").arg(i % 50).arg(i % 7 + 1).arg(i % 11 + 2);
}

QString Answer(int i) {
    return QStringLiteral("1.23456789012%1 +_I 0 ").arg(i % 10);
}

void Row(const char* what, double seconds, int lines) {
    std::printf("%-52s %8.3f s  %6.2f us/line\n", what, seconds, seconds * 1e6 / lines);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    QPlainTextEdit editor;
    editor.setWordWrapMode(QTextOption::NoWrap);
    editor.resize(900, 700);
    editor.show();
    QTextDocument* document = editor.document();
    document->setUndoRedoEnabled(false);
    QTextCharFormat arrow;
    arrow.setForeground(Qt::red);
    arrow.setProperty(QTextFormat::UserProperty, true);
    QTextCharFormat answer = arrow;
    answer.setForeground(Qt::darkGreen);
    answer.setFontWeight(QFont::Bold);

    // The texts are made before the clock runs.
    QStringList expressions, answers, whole;
    for (int i = 0; i < lines; ++i) {
        expressions << Expression(i);
        answers << Answer(i);
        whole << expressions.back() + Arrow + answers.back();
    }

    // Calls `work(cursor, first, end)` for slices of lines, each in one edit block.
    auto inSlices = [&](const std::function<void(QTextCursor&, int, int)>& work) {
        QElapsedTimer clock;
        clock.start();
        QTextCursor cursor(document);
        for (int first = 0; first < lines; first += Slice) {
            cursor.beginEditBlock();
            work(cursor, first, std::min(lines, first + Slice));
            cursor.endEditBlock();
            QCoreApplication::processEvents();
        }
        return static_cast<double>(clock.nsecsElapsed()) / 1e9;
    };
    auto append = [&](QTextCursor& cursor, int first, int end) {
        cursor.movePosition(QTextCursor::End);
        if (first > 0)
            cursor.insertBlock();
        cursor.insertText(whole.mid(first, end - first).join(QLatin1Char('\n')));
    };
    auto paint = [&](QTextCursor& cursor, int first, int end) {
        QTextBlock block = document->findBlockByNumber(first);
        for (int i = first; i < end; ++i, block = block.next()) {
            const int start = block.position() + block.text().indexOf(Arrow);
            const int stop = block.position() + block.length() - 1;
            cursor.setPosition(start);
            cursor.setPosition(start + Arrow.size(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(arrow);
            cursor.setPosition(start + Arrow.size());
            cursor.setPosition(stop, QTextCursor::KeepAnchor);
            cursor.setCharFormat(answer);
        }
    };
    std::printf("%d lines\n", lines);

    Row("append as plain text", inSlices(append), lines);
    editor.clear();
    Row("append, then paint each answer", inSlices([&](QTextCursor& cursor, int first, int end) {
            append(cursor, first, end);
            paint(cursor, first, end);
        }),
        lines);

    // Calculate again: every line holds its expression; its answer run is written.
    editor.setPlainText(expressions.join(QLatin1Char('\n')));
    Row("write each line's answer run in its formats", inSlices([&](QTextCursor& cursor, int first, int end) {
            QTextBlock block = document->findBlockByNumber(first);
            for (int i = first; i < end; ++i, block = block.next()) {
                cursor.setPosition(block.position() + block.length() - 1);
                cursor.insertText(Arrow, arrow);
                cursor.insertText(answers.at(i), answer);
            }
        }),
        lines);
    return 0;
}
