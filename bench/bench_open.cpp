// Opening a 100,000-line calculated document (offscreen): reading, decoding, replacing the
// pane's text and painting every answer, until the window has drawn it. Target: 2 s.
#include "document/gui/CalcPane.h"
#include "files/DocumentController.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMainWindow>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace vexmo;

namespace {

constexpr int DocumentLines = 100000;

// Mostly calculated lines, as a document saved after Calculate again looks.
QByteArray CalculatedDocument() {
    QByteArray text;
    text.reserve(DocumentLines * 32);
    for (int i = 0; i < DocumentLines; ++i) {
        switch (i % 5) {
        case 0: text += "A" + QByteArray::number(i % 50) + ":=" + QByteArray::number(i) +
                        "*2 ==> " + QByteArray::number(i * 2) + " +_I 0 "; break;
        case 1: text += "SQRT(-4) ==> 0 +_I 2 "; break;
        case 2: text += "1/0 >>> 0 +_I 0 "; break;
        case 3: text += "note without an answer"; break;
        default: text += "(3+4*_I)/(1-2*_I) ==> -1 +_I 2 "; break;
        }
        text += "\r\n";
    }
    return text;
}

void BM_OpenDocument(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("big.vxm"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the document");
            return;
        }
        file.write(CalculatedDocument());
    }
    QMainWindow window;
    auto* pane = new TCalcPane(&window);  // owned by the window
    window.setCentralWidget(pane);
    window.resize(800, 600);
    window.show();
    Settings settings;
    TDocumentController documents(&window, pane, settings);
    documents.SetFileDialogHook([&](QFileDialog& dialog) {
        dialog.selectFile(path);
        return true;
    });
    QApplication::processEvents();

    for (auto _ : state) {
        documents.FileOpen();
        pane->viewport()->repaint();
        do
            QApplication::processEvents();
        while (pane->Busy());
        state.PauseTiming();
        if (pane->document()->blockCount() != DocumentLines + 1) {
            state.SkipWithError("the document was not opened");
            break;
        }
        pane->clear();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
