// Speed of the calculation pane on a 10,000-line document (offscreen): Calculate again,
// one line inside the document, painting every answer, and one keystroke.
#include "document/gui/CalcPane.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>
#include <benchmark/benchmark.h>

using namespace vexmo;

namespace {

constexpr int DocumentLines = 10000;

// A typical document: assignments, arithmetic with units and functions, comments, hidden
// lines and blank lines.
QString TypicalDocument() {
    QStringList lines;
    lines.reserve(DocumentLines);
    for (int i = 0; i < DocumentLines; ++i) {
        switch (i % 8) {
        case 0: lines << QStringLiteral("A%1:=%2*2.5").arg(i % 50).arg(i); break;
        case 1: lines << QStringLiteral("SQRT(%1)+SIN(0.%2)").arg(i).arg(i % 10); break;
        case 2: lines << QStringLiteral("(1+2)*3/4 ;a comment"); break;
        case 3: lines << QString(); break;
        case 4: lines << QStringLiteral("X:=%1 $ hidden").arg(i); break;
        case 5: lines << QStringLiteral("10K*4.7U+A%1").arg(i % 50); break;
        case 6: lines << QStringLiteral("ANS*2-1"); break;
        default: lines << QStringLiteral("(3+4*_I)/(1-2*_I)"); break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

// Long work goes on in slices from the event loop; lets it run to its end.
void FinishRun(TCalcPane& pane) {
    do
        QApplication::processEvents();
    while (pane.Busy());
}

struct Fixture {
    Fixture() {
        engine.SetVariables(&store);
        pane.SetEngine(&engine);
        pane.SetVariables(&store);
        pane.resize(800, 600);
        pane.show();
        pane.setPlainText(TypicalDocument());
        QApplication::processEvents();
    }
    void CaretToLine(int line) {
        QTextCursor cursor = pane.textCursor();
        cursor.setPosition(pane.document()->findBlockByNumber(line).position());
        pane.setTextCursor(cursor);
    }
    Variables store;
    TCompTinyParser engine;
    TCalcPane pane;
};

void BM_CalculateAgainFresh(benchmark::State& state) {
    Fixture f;
    const QString text = TypicalDocument();
    for (auto _ : state) {
        state.PauseTiming();
        f.pane.setPlainText(text);
        state.ResumeTiming();
        f.pane.AtnVexmiReCalcExecute();
        FinishRun(f.pane);
    }
}
BENCHMARK(BM_CalculateAgainFresh)->Unit(benchmark::kMillisecond);

void BM_CalculateAgainAnswered(benchmark::State& state) {
    Fixture f;
    f.pane.AtnVexmiReCalcExecute();
    FinishRun(f.pane);
    for (auto _ : state) {
        f.pane.AtnVexmiReCalcExecute();
        FinishRun(f.pane);
    }
}
BENCHMARK(BM_CalculateAgainAnswered)->Unit(benchmark::kMillisecond);

void BM_CalculateOneLine(benchmark::State& state) {
    Fixture f;
    f.pane.AtnVexmiReCalcExecute();
    FinishRun(f.pane);
    for (auto _ : state) {
        f.CaretToLine(DocumentLines / 2 + 1);
        f.pane.CalculateLine(true);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_CalculateOneLine)->Unit(benchmark::kMicrosecond);

void BM_PaintAllAnswers(benchmark::State& state) {
    Fixture f;
    f.pane.AtnVexmiReCalcExecute();
    FinishRun(f.pane);
    for (auto _ : state) {
        f.pane.PaintAllAnswers();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_PaintAllAnswers)->Unit(benchmark::kMillisecond);

void BM_Keystroke(benchmark::State& state) {
    Fixture f;
    f.pane.AtnVexmiReCalcExecute();
    FinishRun(f.pane);
    f.CaretToLine(DocumentLines / 2);
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
        QApplication::sendEvent(&f.pane, &press);
        QApplication::sendEvent(&f.pane, &release);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMicrosecond);

} // namespace
