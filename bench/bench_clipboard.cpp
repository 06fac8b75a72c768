// The cost of _CLIP on a calculation while the clipboard holds about 10 MB of text: the
// first calculation after the text was copied reads it into elements, later ones reuse that
// work. Each iteration runs the Calculate command on the pane, with _CLIP refreshed first.
#include "document/gui/CalcPane.h"
#include "document/gui/Clipboard.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <QApplication>
#include <QClipboard>
#include <benchmark/benchmark.h>

namespace {

using namespace vexmo;

// Numbers in rows, with blanks around some commas so the normalisation has work to do.
QString LargeClipboardText() {
    const QString row = QStringLiteral("123.456 , 789.25, -4.5E-3 ,\t17\r\n");
    QString text;
    text.reserve(10 * 1024 * 1024 + row.size());
    while (text.size() < 10 * 1024 * 1024)
        text += row;
    return text;
}

// A spreadsheet column of about 10 MB: one number per line, CR LF after each.
QString SpreadsheetColumnText() {
    QString text;
    text.reserve(10 * 1024 * 1024 + 32);
    for (int i = 0; text.size() < 10 * 1024 * 1024; ++i)
        text += QString::number(i * 0.25 - 1000.5, 'g', 10) + QStringLiteral("\r\n");
    return text;
}

struct Calculator {
    Calculator() {
        engine.SetVariables(&store);
        pane.SetEngine(&engine);
        pane.SetVariables(&store);
        QObject::connect(&pane, &TCalcPane::beforeCalculation,
                         [this] { clip.RefreshClip(store, 0, 0); });
    }
    void CalculateOneLine(const QString& line = QStringLiteral("1+2")) {
        pane.setPlainText(line);
        pane.AtnVexmiCalculateExecute();
    }
    Variables store;
    TCompTinyParser engine;
    TCalcPane pane;
    TClipboard clip;
};

// The first calculation after `text` was copied, and later ones with the clipboard unchanged.
void FirstCalculationAfterCopy(benchmark::State& state, QString (*makeText)()) {
    const QString text = makeText();
    Calculator calc;
    for (auto _ : state) {
        state.PauseTiming();
        QApplication::clipboard()->clear();
        QApplication::clipboard()->setText(text);
        state.ResumeTiming();
        calc.CalculateOneLine();
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK_CAPTURE(FirstCalculationAfterCopy, Text, LargeClipboardText)
    ->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FirstCalculationAfterCopy, SpreadsheetColumn, SpreadsheetColumnText)
    ->Unit(benchmark::kMillisecond)->Iterations(5);

void LaterCalculationClipboardUnchanged(benchmark::State& state, QString (*makeText)()) {
    QApplication::clipboard()->setText(makeText());
    Calculator calc;
    calc.CalculateOneLine();
    for (auto _ : state)
        calc.CalculateOneLine();
}
BENCHMARK_CAPTURE(LaterCalculationClipboardUnchanged, Text, LargeClipboardText)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LaterCalculationClipboardUnchanged, SpreadsheetColumn, SpreadsheetColumnText)
    ->Unit(benchmark::kMillisecond);

void BM_LaterCalculationAfterAssignment(benchmark::State& state) {
    // An assignment to _CLIP replaced the store's entry: the next refresh restores it from
    // the normalised text already at hand.
    QApplication::clipboard()->setText(LargeClipboardText());
    Calculator calc;
    calc.CalculateOneLine();
    for (auto _ : state) {
        state.PauseTiming();
        calc.store.Write("_CLIP", "5 +_I 0");
        state.ResumeTiming();
        calc.CalculateOneLine();
    }
}
BENCHMARK(BM_LaterCalculationAfterAssignment)->Unit(benchmark::kMillisecond);

// Lines that use the column itself read all of it each time.
void BM_SpreadsheetColumnUse(benchmark::State& state, const char* line) {
    QApplication::clipboard()->setText(SpreadsheetColumnText());
    Calculator calc;
    calc.CalculateOneLine();
    for (auto _ : state)
        calc.CalculateOneLine(QString::fromLatin1(line));
}
BENCHMARK_CAPTURE(BM_SpreadsheetColumnUse, element, "_CLIP[999]")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_SpreadsheetColumnUse, sum, "SUM(_CLIP)")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace
