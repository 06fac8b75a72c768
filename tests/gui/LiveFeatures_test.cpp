// The pane's live helpers on the real widget: the live value has no side effects, stale
// marks land exactly on dependent answers, completion inserts names and leaves Return to
// the key map, the colouring classes, and with everything off the pane is as before.
#include "document/gui/CalcPane.h"
#include "document/gui/Completion.h"
#include "document/gui/LineHighlighter.h"
#include "document/gui/LiveFeatures.h"
#include "document/gui/LiveValueHint.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"
#include "files/DocumentFile.h"
#include "files/EditingPage.h"
#include "files/NameMeanings.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QListWidget>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

#include "QtWait.h"
#include "EngineSession.h"

#include <functional>
#include <memory>
#include <optional>

using namespace vexmo;

namespace {

const EditingOptions AllOn{true, true, true, true, false};
const EditingOptions AllOff{false, false, false, false, false};

class LiveFeaturesTest : public ::testing::Test, protected vexmo::test::EngineSession {
  protected:
    void SetUp() override {
        pane.SetEngine(&engine);
        pane.SetVariables(&store);
        pane.SetColors(Qt::black, Qt::red, QColor(0, 128, 0), Qt::white);
        live = new TLiveFeatures(&pane, &store); // owned by the pane
        live->Completion()->SetCatalogue(BuiltinCatalogue(1), VariableMeaning(1),
                                         UserFunctionMeaning(1));
        live->SetOptions(AllOn);
    }
    void Load(const QString& text) {
        pane.setPlainText(text);
        pane.PaintAllAnswers();
        pane.document()->clearUndoRedoStacks();
    }
    void CaretToLine(int line, bool end = false) {
        QTextCursor cursor(pane.document()->findBlockByNumber(line));
        if (end) cursor.movePosition(QTextCursor::EndOfBlock);
        pane.setTextCursor(cursor);
    }
    // Replaces a line's text as the user would and calculates it with the Calculate command.
    void Calculate(int line, const QString& text = {}) {
        if (!text.isNull()) SetLine(line, text);
        CaretToLine(line);
        pane.AtnVexmiCalculateExecute();
        live->ProcessChanges();
    }
    void SetLine(int line, const QString& text) {
        QTextCursor cursor(pane.document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        pane.setTextCursor(cursor);
        pane.InsertText(text);
    }
    std::vector<int> StaleLines() {
        std::vector<int> lines;
        for (int i = 0; i < pane.document()->blockCount(); ++i)
            if (live->IsStale(i)) lines.push_back(i);
        return lines;
    }

    TCalcPane pane;
    TLiveFeatures* live = nullptr;
};

QByteArray Saved(const QTextDocument& document, const QString& path) {
    EXPECT_TRUE(WriteDocumentFile(path, DocumentPlainText(document), DocumentEncoding::Utf8).Ok);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST_F(LiveFeaturesTest, PreviewLeavesStoreAnsClipboardAndDocumentAsTheyWere) {
    struct Row {
        const char* name;
        QString line;
        QString shown;
    } rows[] = {
        {"plain value", "2*3", "==> 6 +_I 0"},
        {"assignment", "X := 5", "==> 5 +_I 0"},
        {"element", "ARR[3] := 7", "==> 7 +_I 0"},
        {"definition", "F(Y) := Y*100", ""},
        {"user function", "G(4)", "==> 8 +_I 0"},
        {"random", "_RND*0", "==> 0 +_I 0"},
        {"clipboard", "_CLIP := 9", "==> 9 +_I 0"},
        {"failed operation", "LN(0)", ">>> 0 +_I 0"},
        {"unreadable", "1.2.3", "('1.2.3' is not a valid floating point value)"},
        {"longer than 64 KiB", QStringLiteral("1+").repeated(33000) + u'1', ""},
    };
    QTemporaryDir dir;
    int notices = 0;
    engine.SetOnSubstitute([&](TCompTinyParser&, std::string&, std::string&, int) { ++notices; });
    Load("X := 1\nG(A) := A*2\n1+1\n");
    for (int line : {0, 1, 2})
        Calculate(line);
    const int noticesBefore = notices;
    QSignalSpy shown(&pane, &TCalcPane::variableChanged);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetLine(3, row.line);
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        const QByteArray before = Saved(*pane.document(), dir.filePath("before.vxm"));
        const std::vector<Variables::Line> storeBefore = store.Lines();
        const int undoSteps = pane.document()->availableUndoSteps();
        const bool modified = pane.document()->isModified();

        live->Hint()->PreviewNow();

        if (row.shown.isEmpty())
            EXPECT_TRUE(live->Hint()->Text().isEmpty());
        else
            EXPECT_TRUE(live->Hint()->Text().startsWith(row.shown))
                << live->Hint()->Text().toStdString();
        EXPECT_EQ(Saved(*pane.document(), dir.filePath("after.vxm")), before);
        ASSERT_EQ(store.Count(), storeBefore.size());
        for (std::size_t i = 0; i < store.Count(); ++i) {
            EXPECT_EQ(store.At(i).Name, storeBefore[i].Name);
            EXPECT_EQ(store.At(i).Value, storeBefore[i].Value);
        }
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
        EXPECT_EQ(pane.document()->availableUndoSteps(), undoSteps);
        EXPECT_EQ(pane.document()->isModified(), modified);
    }
    EXPECT_EQ(notices, noticesBefore);
    EXPECT_EQ(shown.count(), 0);
    // The pause after typing ends in a preview by itself; a calculation shows none.
    SetLine(3, QStringLiteral("40+2"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !live->Hint()->Text().isEmpty(); }, 2000));
    Calculate(3);
    EXPECT_TRUE(live->Hint()->Text().isEmpty());
}

TEST_F(LiveFeaturesTest, StaleMarksFollowDependenciesAndCalculateBelowClearsThem) {
    Load("A := 1\n"         // 0
         "B := A*2\n"       // 1
         "C := B+1\n"       // 2
         "F(X) := X+1\n"    // 3
         "G(X) := F(X)*2\n" // 4
         "D := 7\n"         // 5
         "A+0\n"            // 6 uses A directly
         "C\n"              // 7 through B and C
         "G(1)\n"           // 8 through G, which calls F
         "D\n"              // 9 unrelated to A and F
         "F(2)\n"           // 10
         "A := 9\n"         // 11 assigns A afresh
         "A*1\n");          // 12 sees only line 11's A
    struct Row {
        const char* name;
        int line;
        QString text;
        bool calculate;
        std::vector<int> stale;
    } rows[] = {
        {"variable, directly and through a chain", 0, "A := 5", true, {1, 2, 6, 7}},
        {"user function, directly and through another", 3, "F(X) := X+2", true, {4, 8, 10}},
        {"value unchanged", 5, "D := 7", true, {}},
        {"a line that now assigns another name", 5, "A := 7", true, {6}},
        {"edited but not calculated", 0, "A := 6", false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CaretToLine(0);
        pane.AtnVexmiReCalcExecute();
        live->ProcessChanges();
        ASSERT_TRUE(StaleLines().empty());
        if (row.calculate)
            Calculate(row.line, row.text);
        else
            SetLine(row.line, row.text);
        live->ProcessChanges();
        EXPECT_EQ(StaleLines(), row.stale);
        // A stale answer keeps its text and protection; only its look changes.
        for (int line : row.stale) {
            const QTextBlock block = pane.document()->findBlockByNumber(line);
            EXPECT_TRUE(block.text().contains(" ==> "));
            bool italic = false;
            for (const QTextLayout::FormatRange& r : block.layout()->formats())
                italic = italic || r.format.fontItalic();
            EXPECT_TRUE(italic);
        }
    }
    // Calculate below clears the marks it passes, and only those.
    SetLine(5, QStringLiteral("D := 7"));
    Calculate(0, QStringLiteral("A := 2"));
    ASSERT_EQ(StaleLines(), (std::vector<int>{1, 2, 6, 7}));
    CaretToLine(2);
    live->CalculateBelow();
    EXPECT_EQ(StaleLines(), (std::vector<int>{1}));
    EXPECT_EQ(pane.document()->findBlockByNumber(7).text(), "C ==> 11 +_I 0 ");
}

TEST_F(LiveFeaturesTest, EditingALineMarksItsOwnAnswerStale) {
    struct Row {
        const char* name;
        std::function<void()> keys; // with the caret at the end of the expression "1+2"
        bool stale;
    } rows[] = {
        {"a digit typed into the expression", [&] { QTest::keyClick(&pane, Qt::Key_0); }, true},
        {"a character of it deleted", [&] { QTest::keyClick(&pane, Qt::Key_Backspace); }, true},
        {"text typed at its start",
         [&] {
             QTest::keyClick(&pane, Qt::Key_Home);
             QTest::keyClicks(&pane, QStringLiteral("5*"));
         },
         true},
        {"the caret moved only", [&] { QTest::keyClick(&pane, Qt::Key_Left); }, false},
        {"edited, then calculated",
         [&] {
             QTest::keyClick(&pane, Qt::Key_0);
             QTest::keyClick(&pane, Qt::Key_Return);
             live->ProcessChanges();
         },
         false},
        {"the answer edited away",
         [&] {
             QTest::keyClick(&pane, Qt::Key_End);
             QTest::keyClick(&pane, Qt::Key_Backspace);
         },
         false},
        {"another document put in its place",
         [&] { Load("5 ==> 5 +_I 0 \n1+2 ==> 7 +_I 0 \n"); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load("A := 1\n1+2\n");
        pane.AtnVexmiReCalcExecute();
        live->ProcessChanges();
        ASSERT_TRUE(StaleLines().empty());
        QTextCursor caret(pane.document()->findBlockByNumber(1));
        caret.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, 3);
        pane.setTextCursor(caret);
        row.keys();
        EXPECT_EQ(StaleLines(), row.stale ? std::vector<int>{1} : std::vector<int>{});
        // The mark is the faded look of a stale answer, on the answer run only.
        const QTextBlock block = pane.document()->findBlockByNumber(1);
        const int arrow = int(block.text().indexOf(QStringLiteral(" ==> ")));
        bool faded = false;
        for (const QTextLayout::FormatRange& r : block.layout()->formats())
            if (r.format == live->Highlighter()->FormatOf(TLineHighlighter::Kind::StaleAnswer)) {
                faded = true;
                EXPECT_EQ(r.start, arrow);
            }
        EXPECT_EQ(faded, row.stale);
    }
}

TEST_F(LiveFeaturesTest, ARunMarksOnlyTheLinesItDidNotReach) {
    constexpr int Lines = 60;
    QStringList lines{QStringLiteral("A := 1")};
    for (int i = 1; i < Lines; ++i)
        lines << QStringLiteral("A+0 ==> 0 +_I 0 ");
    pane.SetSliceTime(std::chrono::microseconds(0)); // a few lines per slice
    for (const bool cancelled : {false, true}) {
        SCOPED_TRACE(cancelled ? "cancelled after its first slice" : "to the end");
        store.Write("A", "0 +_I 0");
        Load(lines.join('\n'));
        CaretToLine(0);
        pane.AtnVexmiReCalcExecute();
        ASSERT_TRUE(pane.Busy());
        if (cancelled)
            pane.CancelRun();
        ASSERT_TRUE(vexmo::test::WaitUntil([&] { return !pane.Busy(); }, "the run to end"));
        ASSERT_TRUE(vexmo::test::WaitForDeferredWork()); // the marks come after the run
        const int reached = pane.textCursor().blockNumber(); // the caret waits at the next line
        std::vector<int> expected;
        for (int i = reached; cancelled && i < Lines; ++i)
            expected.push_back(i);
        EXPECT_EQ(cancelled, reached < Lines);
        EXPECT_EQ(StaleLines(), expected);
    }
}

TEST_F(LiveFeaturesTest, RecalculateBelowAutomaticallyAfterAChangedValue) {
    EditingOptions options = AllOn;
    options.RecalcBelow = true;
    live->SetOptions(options);
    Load("A := 1\nA*10\nA+1\n");
    pane.AtnVexmiReCalcExecute();
    live->ProcessChanges();
    CaretToLine(0, true);
    SetLine(0, QStringLiteral("A := 3"));
    QTest::keyClick(&pane, Qt::Key_Return);
    live->ProcessChanges();
    EXPECT_EQ(pane.toPlainText(), "A := 3 ==> 3 +_I 0 \nA*10 ==> 30 +_I 0 \nA+1 ==> 4 +_I 0 \n");
    EXPECT_TRUE(StaleLines().empty());
}

TEST_F(LiveFeaturesTest, CompletionInsertsTheChosenNameAndNeverStealsReturn) {
    store.Write("Rate", "0.25");
    store.Write("AREA(W,H)", "W*H");
    struct Row {
        const char* name;
        const char* typed;
        std::vector<int> keys;
        QString line; // the first line afterwards
        int caretInLine;
    } rows[] = {
        {"Tab takes the first", "sq", {Qt::Key_Tab}, "SQRT()", 5},
        {"arrows choose, Return takes", "cos", {Qt::Key_Down, Qt::Key_Return}, "COSD()", 5},
        {"variable from the store", "ra", {Qt::Key_Tab}, "Rate", 4},
        {"user function from the store", "1+ar", {Qt::Key_Tab}, "1+AREA()", 7},
        {"Escape closes", "si", {Qt::Key_Escape, Qt::Key_Tab}, "si\t", 3},
        {"Return calculates", "1+ra", {Qt::Key_Return}, "1+ra ==> 1 +_I 0 ", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load(QString());
        QTest::keyClicks(&pane, QString::fromLatin1(row.typed));
        EXPECT_TRUE(vexmo::test::WaitUntil([&] { return live->Completion()->IsOpen(); },
                                           "the completion list"));
        for (int key : row.keys)
            QTest::keyClick(&pane, Qt::Key(key));
        EXPECT_FALSE(live->Completion()->IsOpen());
        const QTextBlock first = pane.document()->firstBlock();
        EXPECT_EQ(first.text(), row.line);
        if (row.caretInLine > 0)
            EXPECT_EQ(pane.textCursor().position(), row.caretInLine);
        else
            EXPECT_EQ(pane.textCursor().blockNumber(), 1);
    }
    // The list shows the signature and the meaning in the interface language.
    Load(QString());
    live->Completion()->SetCatalogue(BuiltinCatalogue(2), VariableMeaning(2),
                                     UserFunctionMeaning(2));
    QTest::keyClicks(&pane, QStringLiteral("sqr"));
    ASSERT_TRUE(vexmo::test::WaitUntil(
        [&] { return live->Completion()->Offered() == QStringList{"SQRT"}; }, "SQRT offered alone"))
        << live->Completion()->Offered().join(' ').toStdString();
    EXPECT_EQ(live->Completion()->List()->item(0)->text(),
              QStringLiteral("SQRT   SQRT(z)   \u2014 平方根 (負の数では虚数)"));
}

TEST_F(LiveFeaturesTest, ABracketTypedWhereCompletionPutOneStepsOverIt) {
    // "<Tab>" takes the first entry of the list, which opens after a letter.
    struct Row {
        const char* name;
        std::vector<QString> typed; // typed in turn, the list given time to open in between
        QString line;
    } rows[] = {
        {"the closing bracket", {"sq", "<Tab>", "4)"}, "SQRT(4)"},
        {"nested calls", {"sq", "<Tab>", "si", "<Tab>", "1))+1"}, "SQRT(SIN(1))+1"},
        {"a bracket of the argument's own closes first", {"sq", "<Tab>", "(1))"}, "SQRT((1))"},
        {"typed after the caret left the call", {"sq", "<Tab>", "4", "<End>", ")"}, "SQRT(4))"},
        {"brackets typed by hand", {"sqrt(4))"}, "sqrt(4))"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load(QString());
        for (const QString& part : row.typed) {
            if (part == "<Tab>") {
                ASSERT_TRUE(live->Completion()->IsOpen());
                QTest::keyClick(&pane, Qt::Key_Tab);
            } else if (part == "<End>") {
                QTest::keyClick(&pane, Qt::Key_End);
            } else {
                QTest::keyClicks(&pane, part);
            }
            ASSERT_TRUE(vexmo::test::WaitForDeferredWork()); // the list opens or follows
        }
        EXPECT_EQ(pane.document()->firstBlock().text(), row.line);
        EXPECT_EQ(pane.textCursor().position(), row.line.size());
    }
}

// Every key in a line past the length cap would go through all of it: there the helpers
// that run as it changes stand aside, and the stale marks still find what it uses.
TEST_F(LiveFeaturesTest, HelpersWorkUpToTheLengthCapAndStandAsidePastIt) {
    struct Row {
        const char* name;
        int length;
        bool helpers; // colouring, completion and live value
    } rows[] = {
        {"just under the cap", MaxLiveLineLength - 100, true},
        {"past the cap", MaxLiveLineLength + 100, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QString line = QStringLiteral("A");
        while (line.size() < row.length)
            line += QStringLiteral("+1");
        Load("A := 1\n" + line + "\n");
        pane.AtnVexmiReCalcExecute();
        live->ProcessChanges();
        Calculate(0, QStringLiteral("A := 2"));
        EXPECT_EQ(StaleLines(), std::vector<int>{1});

        const QTextBlock block = pane.document()->findBlockByNumber(1);
        const QList<QTextLayout::FormatRange> ranges = block.layout()->formats();
        const bool coloured = !ranges.isEmpty() && ranges.first().start == 0 &&
                              ranges.first().format ==
                                  live->Highlighter()->FormatOf(TLineHighlighter::Kind::Variable);
        EXPECT_EQ(coloured, row.helpers);

        QTextCursor caret(block);
        caret.setPosition(block.position() + int(block.text().indexOf(QStringLiteral(" ==> "))));
        pane.setTextCursor(caret);
        QTest::keyClicks(&pane, QStringLiteral("+sq"));
        ASSERT_TRUE(vexmo::test::WaitForDeferredWork()); // where the list would open
        EXPECT_EQ(live->Completion()->IsOpen(), row.helpers);
        live->Completion()->Close();
        live->Hint()->PreviewNow();
        EXPECT_EQ(live->Hint()->Text().startsWith(QStringLiteral("==> ")), row.helpers)
            << live->Hint()->Text().toStdString();
    }
}

TEST(NameMeaningsTest, EveryBuiltinNameHasAMeaningInBothLanguages) {
    int functions = 0;
    int constants = 0;
    for (const NameMeaning& m : NameMeaningTable()) {
        SCOPED_TRACE(std::string(m.Name));
        EXPECT_EQ(m.Function ? IsBuiltinFunction(m.Name) : IsConstantName(m.Name), true);
        (m.Function ? functions : constants)++;
    }
    EXPECT_EQ(functions, 53);
    EXPECT_EQ(constants, 26);
    for (int language : {1, 2})
        for (const CatalogueEntry& e : BuiltinCatalogue(language)) {
            SCOPED_TRACE(e.Name.toStdString());
            EXPECT_FALSE(e.Meaning.isEmpty());
        }
}

TEST_F(LiveFeaturesTest, ColouringClassesOfLines) {
    store.Write("K1", "2");
    store.Write("F(X)", "X*2");
    // n number, o operator, f function, c constant, v stored name, u name without value,
    // p parameter, h hidden text, m comment, . nothing.
    struct Row {
        const char* name;
        QString line;
        const char* kinds;
    } rows[] = {
        {"number with suffix and variable", "1.5K + K1", "nnnn.o.vv"},
        {"function, constant, unknown name", "SIN(_PI)*Q", "fffocccoou"},
        {"definition with parameters", "F(X) := X*2 ;twice", "vopo.oo.pon.mmmmmm"},
        {"hidden text", "A := 3 $ quiet", "u.oo.n.hhhhhhh"},
        {"answer run left alone", "G(2) ==> 5 ", "uono......."},
        {"element of an unknown array", "M[1]", "uono"},
        {"lower case and a wide name", "k1+\u03b1", "vvou"},
    };
    auto letter = [](int kind) { return kind < 0 ? '.' : "nofcvuphm"[kind]; };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string kinds;
        for (int k : live->Highlighter()->KindsOf(row.line))
            kinds += letter(k);
        EXPECT_EQ(kinds, row.kinds);
    }
}

TEST_F(LiveFeaturesTest, LinesComingIntoViewAreColoured) {
    using Kind = TLineHighlighter::Kind;
    pane.resize(400, 200);
    pane.show();
    // The first line stores the name every other line uses.
    QStringList lines{QStringLiteral("K2:=5")};
    for (int i = 1; i < 3'000; ++i)
        lines << QStringLiteral("K2+%1").arg(i);
    struct Row {
        const char* name;
        std::function<void()> change;
        double scrolledTo; // of the scroll range
        Kind name_;        // the colouring of the name at the start of every line in view
    } rows[] = {
        {"loaded, then the end", [&] { pane.LoadText(lines.join('\n')); }, 1.0, Kind::UnknownName},
        {"the name stored by its line, then the end again",
         [&] {
             CaretToLine(0);
             pane.AtnVexmiCalculateExecute();
             live->ProcessChanges();
         },
         1.0, Kind::Variable},
        {"calculated again, then the middle", [&] { pane.AtnVexmiReCalcExecute(); }, 0.5,
         Kind::Variable},
        {"options changed, then the top", [&] { live->SetOptions(AllOn); live->RefreshColors(); },
         0.0, Kind::Variable},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.change();
        ASSERT_TRUE(vexmo::test::WaitUntil([&] { return !pane.Busy(); }, "the run to end"));
        ASSERT_TRUE(vexmo::test::WaitForDeferredWork());
        QScrollBar* bar = pane.verticalScrollBar();
        bar->setValue(static_cast<int>(bar->maximum() * row.scrolledTo));
        ASSERT_TRUE(vexmo::test::WaitForDeferredWork()); // the lines scrolled into view
        const QTextBlock first = pane.cursorForPosition(QPoint(0, 0)).block();
        const QTextBlock last =
            pane.cursorForPosition(QPoint(0, pane.viewport()->height() - 1)).block();
        ASSERT_GT(last.blockNumber(), first.blockNumber());
        const QTextCharFormat expected = live->Highlighter()->FormatOf(row.name_);
        for (QTextBlock b = first; b.isValid() && b != last.next(); b = b.next()) {
            if (b.length() <= 1)
                continue;
            const QList<QTextLayout::FormatRange> ranges = b.layout()->formats();
            const bool coloured = !ranges.isEmpty() && ranges.first().start == 0 &&
                                  ranges.first().format == expected;
            EXPECT_TRUE(coloured) << "line " << b.blockNumber();
        }
    }
}

// The same keys on a pane with every helper off and on a plain pane give the same text,
// formats and undo history; with the helpers on, the text and the answers are the same too.
TEST_F(LiveFeaturesTest, AllOffIsThePlainPane) {
    struct Variant {
        const char* name;
        std::optional<EditingOptions> options; // none: no helpers at all
    } variants[] = {{"plain", std::nullopt}, {"all off", AllOff}, {"all on", AllOn}};
    struct Result {
        QString text;
        std::vector<bool> protectedChars;
        int undoSteps = 0;
        QList<QTextLayout::FormatRange> layoutFormats; // every line's, one after the other
    };
    std::vector<Result> results;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        Variables ownStore;
        TCompTinyParser ownEngine;
        ownEngine.SetVariables(&ownStore);
        TCalcPane own;
        own.SetEngine(&ownEngine);
        own.SetVariables(&ownStore);
        if (v.options) {
            auto* helpers = new TLiveFeatures(&own, &ownStore);
            helpers->SetOptions(*v.options);
        }
        QTest::keyClicks(&own, QStringLiteral("A := 2"));
        QTest::keyClick(&own, Qt::Key_Return);
        QTest::keyClicks(&own, QStringLiteral("sqrt(A*8)"));
        QTest::keyClick(&own, Qt::Key_Return);
        QTest::keyClicks(&own, QStringLiteral("A+1 ; one more"));
        QTest::keyClick(&own, Qt::Key_Return);
        ASSERT_TRUE(vexmo::test::WaitForDeferredWork());
        Result r;
        r.text = own.toPlainText();
        for (int i = 0; i < own.TextLength(); ++i)
            r.protectedChars.push_back(own.IsProtected(i));
        r.undoSteps = own.document()->availableUndoSteps();
        for (QTextBlock b = own.document()->begin(); b.isValid(); b = b.next())
            r.layoutFormats += b.layout()->formats();
        results.push_back(r);
    }
    EXPECT_EQ(results[0].text,
              "A := 2 ==> 2 +_I 0 \nsqrt(A*8) ==> 4 +_I 0 \nA+1 ; one more ==> 3 +_I 0 \n");
    for (std::size_t i = 1; i < results.size(); ++i) {
        EXPECT_EQ(results[i].text, results[0].text);
        EXPECT_EQ(results[i].protectedChars, results[0].protectedChars);
        EXPECT_EQ(results[i].undoSteps, results[0].undoSteps);
    }
    EXPECT_FALSE(results[0].layoutFormats.isEmpty()) << "the answers are painted";
    EXPECT_EQ(results[1].layoutFormats, results[0].layoutFormats);
    EXPECT_GT(results[2].layoutFormats.size(), results[0].layoutFormats.size());
}

TEST(EditingOptionsTest, StoredInTheSettings) {
    QTemporaryDir dir;
    struct Row {
        const char* name;
        QString stored; // ini text of the Editing group
        EditingOptions expected;
    } rows[] = {
        {"missing: defaults", "", EditingOptions{}},
        {"all written",
         "OptLiveValue=0\nOptStaleMarks=0\nOptCompletion=1\nOptHighlighting=0\nOptRecalcBelow=1\n",
         EditingOptions{false, false, true, false, true}},
        {"unreadable keeps its default", "OptLiveValue=maybe\nOptRecalcBelow=7\nOptCompletion=0\n",
         EditingOptions{true, true, false, true, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.filePath(QString::fromLatin1(row.name) + ".ini");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Editing]\n" + row.stored.toUtf8());
        file.close();
        QSettings store(path, QSettings::IniFormat);
        EditingOptions read;
        ReadEditingOptions(store, read);
        EXPECT_EQ(read, row.expected);
        // What is written reads back the same.
        WriteEditingOptions(store, row.expected);
        store.sync();
        QSettings again(path, QSettings::IniFormat);
        EditingOptions back{!read.LiveValue, !read.StaleMarks, !read.Completion, !read.Highlighting,
                            !read.RecalcBelow};
        ReadEditingOptions(again, back);
        EXPECT_EQ(back, row.expected);
    }
}

} // namespace
