// Speed of the pane's live helpers (offscreen): a keystroke in a 10,000-line document with
// colouring, live value, stale marks and completion on, and at the end of a 1 MiB line;
// the live value of a typical line;
// marking stale answers after an assignment in a 100,000-line document.
#include "document/core/LinePreview.h"
#include "document/gui/CalcPane.h"
#include "document/gui/LiveFeatures.h"
#include "document/gui/LiveValueHint.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>
#include <benchmark/benchmark.h>

using namespace vexmo;

namespace {

const EditingOptions AllOn{true, true, true, true, false};

// Assignments, arithmetic with units and functions, user functions, comments, hidden lines.
QString Document(int count) {
    QStringList lines;
    lines.reserve(count);
    lines << QStringLiteral("RATE:=0.25") << QStringLiteral("F(X):=X*RATE+1");
    for (int i = 2; i < count; ++i) {
        switch (i % 10) {
        case 0:
            lines << QStringLiteral("A%1:=%2*2.5").arg(i % 50).arg(i);
            break;
        case 1:
            lines << QStringLiteral("SQRT(%1)+SIN(0.%2)").arg(i).arg(i % 10);
            break;
        case 2:
            lines << QStringLiteral("(1+2)*3/4 ;a comment");
            break;
        case 3:
            lines << QString();
            break;
        case 4:
            lines << QStringLiteral("X:=%1 $ hidden").arg(i);
            break;
        case 5:
            lines << QStringLiteral("10K*4.7U+A%1").arg(i % 50);
            break;
        case 6:
            lines << QStringLiteral("RATE*A%1").arg(i % 50);
            break;
        case 7:
            lines << QStringLiteral("F(%1)").arg(i);
            break;
        case 8:
            lines << QStringLiteral("B%1:=RATE*2").arg(i % 50);
            break;
        default:
            lines << QStringLiteral("(3+4*_I)/(1-2*_I)+B%1").arg(i % 50);
            break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

struct Fixture {
    explicit Fixture(int lines) {
        engine.SetVariables(&store);
        pane.SetEngine(&engine);
        pane.SetVariables(&store);
        pane.resize(800, 600);
        pane.show();
        live = new TLiveFeatures(&pane, &store); // owned by the pane
        pane.setPlainText(Document(lines));
        pane.AtnVexmiReCalcExecute();
        while (pane.Busy()) // a long document is calculated in slices
            QApplication::processEvents();
        live->SetOptions(AllOn);
        live->ProcessChanges();
        QApplication::processEvents();
    }
    void CaretToLine(int line) {
        QTextCursor cursor(pane.document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::EndOfBlock);
        pane.setTextCursor(cursor);
    }
    void Key(int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(&pane, &press);
        QApplication::sendEvent(&pane, &release);
        QApplication::processEvents();
    }
    Variables store;
    TCompTinyParser engine;
    TCalcPane pane;
    TLiveFeatures* live = nullptr;
};

// A letter typed after an operator (colouring, completion list, live-value pause) and taken
// back again, so the document stays as it is: one iteration is two keys.
void BM_KeystrokeAllFeatures(benchmark::State& state) {
    Fixture f(10000);
    f.CaretToLine(5000);
    f.Key(Qt::Key_Plus, QStringLiteral("+"));
    for (auto _ : state) {
        f.Key(Qt::Key_R, QStringLiteral("r"));
        f.Key(Qt::Key_Backspace, QStringLiteral("\b"));
    }
}
BENCHMARK(BM_KeystrokeAllFeatures)->Unit(benchmark::kMicrosecond);

// A key typed at the end of a 1 MiB line 1+1+... and taken back again (one iteration is
// two keys), with every helper off (what the editor itself costs) and on.
void BM_KeystrokeLongLine(benchmark::State& state) {
    Variables store;
    TCompTinyParser engine;
    engine.SetVariables(&store);
    TCalcPane pane;
    pane.SetEngine(&engine);
    pane.SetVariables(&store);
    pane.resize(800, 600);
    pane.show();
    auto* live = new TLiveFeatures(&pane, &store); // owned by the pane
    live->SetOptions(state.range(0) != 0 ? AllOn
                                         : EditingOptions{false, false, false, false, false});
    QString line = QStringLiteral("1+").repeated(512 * 1024);
    line.chop(1);
    pane.setPlainText(QStringLiteral("A:=2\nA*3\n") + line + QStringLiteral("\nA+1"));
    QTextCursor cursor(pane.document()->findBlockByNumber(2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    pane.setTextCursor(cursor);
    QApplication::processEvents();
    auto key = [&](int code, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QApplication::sendEvent(&pane, &press);
        QApplication::sendEvent(&pane, &release);
        QApplication::processEvents();
    };
    for (auto _ : state) {
        key(Qt::Key_1, QStringLiteral("1"));
        key(Qt::Key_Backspace, QStringLiteral("\b"));
    }
}
BENCHMARK(BM_KeystrokeLongLine)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

// The live value of a typical line, with a store of a typical size.
void BM_PreviewTypicalLine(benchmark::State& state) {
    Variables store;
    for (int i = 0; i < 50; ++i)
        store.Write("V" + std::to_string(i), std::to_string(i) + " +_I 0");
    store.Write("F(X)", "X*2+1");
    LinePreviewer previewer;
    const NumberFormatSettings settings;
    for (auto _ : state) {
        LinePreview p = previewer.Preview("V12*2.5K + SQRT(V3) - F(4) ; resistor", store, settings);
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_PreviewTypicalLine)->Unit(benchmark::kMicrosecond);

// RATE is used on a fifth of the lines, directly, through F and through the B variables.
void BM_StaleMarking100k(benchmark::State& state) {
    Fixture f(100000);
    int value = 1;
    for (auto _ : state) {
        state.PauseTiming();
        f.live->ClearStaleMarks();
        QTextCursor cursor(f.pane.document()->firstBlock());
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        f.pane.setTextCursor(cursor);
        f.pane.InsertText(QStringLiteral("RATE:=%1").arg(++value));
        f.CaretToLine(0);
        f.pane.AtnVexmiCalculateExecute();
        state.ResumeTiming();
        f.live->ProcessChanges();
        state.counters["stale lines"] = f.live->StaleCount();
    }
}
BENCHMARK(BM_StaleMarking100k)->Unit(benchmark::kMillisecond)->Iterations(5);

// What the colouring adds to putting a 100,000-line calculated document into the pane.
void BM_LoadCalculated100k(benchmark::State& state) {
    Fixture f(100000);
    const QString text = f.pane.toPlainText();
    EditingOptions options;
    options.Highlighting = options.StaleMarks = state.range(0) != 0;
    f.live->SetOptions(options);
    for (auto _ : state) {
        f.pane.setPlainText(text);
        f.pane.PaintAllAnswers();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_LoadCalculated100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
