// The calculation pane on the real widget: answered lines, their paint and protection, the
// key map, the edit clean-up around answers, the calculation commands and undo.
#include "ShownFormat.h"
#include "document/gui/CalcPane.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethodEvent>
#include <QMenu>
#include <QDropEvent>
#include <QMimeData>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

#include "EngineSession.h"
#include "QtWait.h"

using namespace vexmo;

namespace {

// Presses the first key the platform binds to `key`.
void PressBinding(QWidget& widget, QKeySequence::StandardKey key) {
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    ASSERT_FALSE(bindings.isEmpty()) << "no key for " << key;
    const QKeyCombination combination = bindings.front()[0];
    QTest::keyClick(&widget, combination.key(), combination.keyboardModifiers());
}

// Opens the pane's context menu from the keyboard and chooses the entry named `entry`.
void ChooseFromContextMenu(QWidget& pane, const QString& entry) {
    bool found = false;
    vexmo::test::AnswerWhenShown<QMenu> choose([&](QMenu& menu) {
        for (QAction* action : menu.actions()) {
            if (action->text().remove(QLatin1Char('&')) == entry && action->isEnabled()) {
                found = true;
                action->trigger();
            }
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1), pane.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&pane, &event);
    EXPECT_TRUE(choose.Shown()) << "no context menu";
    EXPECT_TRUE(found) << "no enabled entry " << entry.toStdString();
}

const QColor Arrow(200, 0, 0);
const QColor Answer(0, 150, 0);

class CalcPaneTest : public ::testing::Test, protected vexmo::test::EngineSession {
  protected:
    void SetUp() override {
        pane.SetEngine(&engine);
        pane.SetVariables(&store);
        pane.SetColors(Qt::black, Arrow, Answer, Qt::white);
    }
    // Replaces the document and puts the caret at `position`.
    void Load(const QString& text, int position = 0) {
        pane.setPlainText(text);
        Caret(position);
    }
    void Caret(int position, int anchor = -1) {
        QTextCursor cursor = pane.textCursor();
        cursor.setPosition(anchor < 0 ? position : anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        pane.setTextCursor(cursor);
    }
    QTextCharFormat FormatAt(int position) { return ShownFormat(pane, position); }
    bool AnyProtected() {
        for (int i = 0; i < pane.TextLength(); ++i)
            if (pane.IsProtected(i))
                return true;
        return false;
    }
    QStringList Lines() { return pane.toPlainText().split(QLatin1Char('\n')); }

    TCalcPane pane;
};

TEST_F(CalcPaneTest, CalculatedLineText) {
    struct Row {
        const char* name;
        QString line;
        QString expected;
        bool setsAns;
    } rows[] = {
        {"sum", "1+2", "1+2 ==> 3 +_I 0 ", true},
        {"blanks and comment", "   A:=2   ;note", "A:=2   ;note ==> 2 +_I 0 ", true},
        {"hidden", "X:=5 $", "X:=5 $", true},
        {"only hide marker", "  $ ", "$", false},
        {"only comment", " ;c ", ";c", false},
        {"only blanks", "   ", "", false},
        {"typed old answer", "7 ==> 99", "7 ==> 7 +_I 0 ", true},
        {"answer replaced", "4 ==> 1 ==> 2 ", "4 ==> 4 +_I 0 ", true},
        {"hidden with comment", "Y:=3 $ hide ;c", "Y:=3 $ hide ;c", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Write("ANS", "42 +_I 0");
        Load(row.line, 1);
        ASSERT_TRUE(pane.CalculateLine(false));
        EXPECT_EQ(Lines(), (QStringList{row.expected, ""}));
        EXPECT_EQ(pane.textCursor().position(), row.expected.size() + 1);
        EXPECT_EQ(store.Read("ANS") != "42 +_I 0", row.setsAns);
    }
}

TEST_F(CalcPaneTest, ErrorArrowShowsEvenOnHiddenLine) {
    for (const QString line : {"1/0", "1/0 $"}) {
        SCOPED_TRACE(line.toStdString());
        Load(line);
        pane.CalculateLine(false);
        EXPECT_TRUE(Lines().first().startsWith(line + " >>> ")) << Lines().first().toStdString();
    }
}

TEST_F(CalcPaneTest, AnswerRunIsPaintedAndProtected) {
    Load("1+2\nnext", 0);
    pane.CalculateLine(false);
    EXPECT_EQ(Lines(), (QStringList{"1+2 ==> 3 +_I 0 ", "next"}));
    EXPECT_EQ(pane.textCursor().position(), 17) << "start of the next line, nothing appended";
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const QTextCharFormat format = FormatAt(i);
        const bool arrow = i >= 3 && i < 8;
        const bool answer = i >= 8;
        EXPECT_EQ(pane.IsProtected(i), arrow || answer);
        EXPECT_EQ(format.fontWeight() == QFont::Bold, answer);
        if (arrow || answer)
            EXPECT_EQ(format.foreground().color(), arrow ? Arrow : Answer);
        else
            EXPECT_EQ(format.foreground().style(), Qt::NoBrush) << "expression keeps the pane colour";
    }
    EXPECT_FALSE(pane.IsProtected(16)) << "line break";

    // Everything after the arrow is the answer run, as the saved line reads: text typed
    // behind the answer joins it (and goes when the line is calculated again).
    Caret(16);
    QTest::keyClicks(&pane, "x");
    EXPECT_EQ(Lines().first(), "1+2 ==> 3 +_I 0 x");
    EXPECT_TRUE(pane.IsProtected(16));
    EXPECT_EQ(FormatAt(16).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(16).foreground().color(), Answer);
}

TEST_F(CalcPaneTest, FailingCalculationChangesNothing) {
    store.Write("BAD", "abc");
    store.Write("ANS", "42 +_I 0");
    Load("1\nBAD+1\n3", 4);
    QSignalSpy errors(&pane, &TCalcPane::errorRaised);
    EXPECT_FALSE(pane.CalculateLine(true));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_FALSE(errors.first().first().toString().isEmpty());
    EXPECT_EQ(Lines(), (QStringList{"1", "BAD+1", "3"}));
    EXPECT_EQ(store.Read("ANS"), "42 +_I 0");
    EXPECT_EQ(pane.textCursor().position(), 4);
}

TEST_F(CalcPaneTest, CalculateAgain) {
    struct Row {
        const char* name;
        QString document;
        QStringList expected;
        int caretLine;
        int errors;
    } rows[] = {
        {"empty last line left alone", "A:=1\nB:=A+1\nB*10\n",
         {"A:=1 ==> 1 +_I 0 ", "B:=A+1 ==> 2 +_I 0 ", "B*10 ==> 20 +_I 0 ", ""}, 3, 0},
        {"line appended after the last", "2\n3", {"2 ==> 2 +_I 0 ", "3 ==> 3 +_I 0 ", ""}, 2, 0},
        {"stops at the failing line", "1\nBAD\n3", {"1 ==> 1 +_I 0 ", "BAD", "3"}, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        store.Write("BAD", "abc");
        pane.SetCopyAutomatically(true);
        QApplication::clipboard()->setText("before");
        Load(row.document);
        QSignalSpy errors(&pane, &TCalcPane::errorRaised);
        QSignalSpy refreshes(&pane, &TCalcPane::beforeCalculation);
        pane.AtnVexmiReCalcExecute();
        EXPECT_EQ(Lines(), row.expected);
        EXPECT_EQ(pane.textCursor().blockNumber(), row.caretLine);
        EXPECT_EQ(pane.textCursor().positionInBlock(), 0);
        EXPECT_EQ(errors.count(), row.errors);
        EXPECT_EQ(refreshes.count(), 1);
    }
    // Copy automatically copied the last line's answer only.
    Load("5\n6");
    pane.AtnVexmiReCalcExecute();
    EXPECT_EQ(QApplication::clipboard()->text(), "6 + 0i");
}

TEST_F(CalcPaneTest, EditingInsideAnswerRemovesTheRun) {
    const QString answered = "1+2 ==> 3 +_I 0 ";
    struct Row {
        const char* name;
        int position;
        int anchor;
        std::function<void(TCalcPane&)> edit;
        QString expected;
    } rows[] = {
        {"backspace after the trailing space", 16, -1,
         [](TCalcPane& p) { QTest::keyClick(&p, Qt::Key_Backspace); }, "1+2"},
        {"delete at the arrow", 3, -1, [](TCalcPane& p) { QTest::keyClick(&p, Qt::Key_Delete); }, "1+2"},
        {"typing inside the answer", 9, -1, [](TCalcPane& p) { QTest::keyClicks(&p, "x"); }, "1+2x"},
        {"word-wise backspace", 12, -1,
         [](TCalcPane& p) { QTest::keyClick(&p, Qt::Key_Backspace, Qt::ControlModifier); }, "1+2"},
        {"paste inside the answer", 10, -1,
         [](TCalcPane& p) {
             QApplication::clipboard()->setText("*4");
             QTest::keyClick(&p, Qt::Key_V, Qt::ControlModifier);
         },
         "1+2*4"},
        {"selection from expression into answer", 9, 2,
         [](TCalcPane& p) { QTest::keyClicks(&p, "5"); }, "1+5"},
        {"insert command", 6, -1, [](TCalcPane& p) { p.InsertCommandText("AtnInsertConstPI"); },
         "1+2_PI"},
        {"cut", 12, 5, [](TCalcPane& p) { p.cut(); }, "1+2"},
        {"input method", 9, -1,
         [](TCalcPane& p) {
             QInputMethodEvent event;
             event.setCommitString("z");
             QApplication::sendEvent(&p, &event);
         },
         "1+2z"},
        {"input method replacing answer text", 9, -1,
         [](TCalcPane& p) {
             QInputMethodEvent event;
             event.setCommitString("7", -3, 3);
             QApplication::sendEvent(&p, &event);
         },
         "1+27"},
        {"word-wise delete", 9, -1, [](TCalcPane& p) { PressBinding(p, QKeySequence::DeleteEndOfWord); },
         "1+2"},
        {"keyboard cut", 12, 5, [](TCalcPane& p) { PressBinding(p, QKeySequence::Cut); }, "1+2"},
        {"keyboard paste over the answer", 16, 4,
         [](TCalcPane& p) {
             QApplication::clipboard()->setText("-1");
             QTest::keyClick(&p, Qt::Key_Insert, Qt::ShiftModifier);
         },
         "1+2-1"},
        {"dropped into the answer", 10, -1,
         [](TCalcPane& p) {
             QMimeData data;
             data.setText("*5");
             const QPoint at = p.cursorRect().center();
             QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(p.viewport(), &enter);
             QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(p.viewport(), &move);
             QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(p.viewport(), &drop);
         },
         "1+2*5"},
        {"context menu cut", 12, 5, [](TCalcPane& p) { ChooseFromContextMenu(p, "Cut"); }, "1+2"},
        {"context menu delete", 12, 5, [](TCalcPane& p) { ChooseFromContextMenu(p, "Delete"); },
         "1+2"},
        {"context menu paste", 10, -1,
         [](TCalcPane& p) {
             QApplication::clipboard()->setText("+8");
             ChooseFromContextMenu(p, "Paste");
         },
         "1+2+8"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load(answered, row.position);
        if (row.anchor >= 0)
            Caret(row.position, row.anchor);
        QSignalSpy notices(&pane, &TCalcPane::protectionNotice);
        row.edit(pane);
        EXPECT_EQ(pane.toPlainText(), row.expected);
        EXPECT_FALSE(AnyProtected());
        EXPECT_EQ(notices.count(), 1);
    }
}

// A selection dragged out of the pane and moved into another program is removed from the
// pane after the drop: one with protected text in it is offered for copying only.
TEST_F(CalcPaneTest, DraggingOutMovesNoProtectedText) {
    struct Row {
        const char* name;
        int anchor;
        int position;
        Qt::DropActions offered;
    } rows[] = {
        {"the expression alone", 0, 3, Qt::CopyAction | Qt::MoveAction},
        {"the expression and its answer", 0, 16, Qt::CopyAction},
        {"part of the answer", 8, 12, Qt::CopyAction},
    };
    pane.resize(400, 200);
    pane.show();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load("1+2 ==> 3 +_I 0 \n4*5");
        Caret(row.position, row.anchor);
        QTextCursor inside = pane.textCursor();
        inside.setPosition((row.anchor + row.position) / 2);
        const QPoint from = pane.cursorRect(inside).center();
        QTest::mousePress(pane.viewport(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(pane.viewport(), from + QPoint(0, 60));
        QTest::mouseRelease(pane.viewport(), Qt::LeftButton, Qt::NoModifier, from + QPoint(0, 60));
        // The editor keeps its drag: the offscreen platform ends it at once.
        const QList<QDrag*> drags = pane.findChildren<QDrag*>();
        ASSERT_EQ(drags.size(), 1) << "no drag started";
        EXPECT_EQ(drags.front()->supportedActions(), row.offered);
        qDeleteAll(drags);
        EXPECT_EQ(pane.toPlainText(), "1+2 ==> 3 +_I 0 \n4*5");
        EXPECT_FALSE(pane.isReadOnly());
    }
}

TEST_F(CalcPaneTest, EditingBesideAnswerLeavesIt) {
    Load("1+2 ==> 3 +_I 0 \n", 17);
    QSignalSpy notices(&pane, &TCalcPane::protectionNotice);
    QTest::keyClick(&pane, Qt::Key_Backspace); // the line break only
    QTest::keyClicks(&pane, "7");
    Caret(0);
    QTest::keyClicks(&pane, "9");
    EXPECT_EQ(pane.toPlainText(), "91+2 ==> 3 +_I 0 7");
    EXPECT_EQ(notices.count(), 0);
    EXPECT_TRUE(pane.IsProtected(4));
    // Backspace takes a character beyond the first plane whole, never half of it.
    Load(QString::fromUtf8("1+2 ==> 3 +_I 0 \nA\U0001F600"), 20);
    QTest::keyClick(&pane, Qt::Key_Backspace);
    EXPECT_EQ(pane.toPlainText(), "1+2 ==> 3 +_I 0 \nA");
}

TEST_F(CalcPaneTest, ReturnKeyMap) {
    const QString answered = "1+2 ==> 3 +_I 0 ";
    const QString indented = "  1+2 ==> 3 +_I 0 ";
    struct Row {
        const char* name;
        int optReturn, optShift, optCtrl;
        Qt::KeyboardModifiers modifiers;
        QString line;
        int caret;
        QStringList expected;
        int expectedCaret;
    } rows[] = {
        {"return calculates", 1, 2, 3, Qt::NoModifier, answered, 1, {"1+2 ==> 3 +_I 0 ", ""}, 17},
        {"shift+return carriage return", 1, 2, 3, Qt::ShiftModifier, answered, 1, {"1+2", ""}, 4},
        {"ctrl+return line break splits", 1, 2, 3, Qt::ControlModifier, answered, 1, {"1", "+2"}, 2},
        {"line break on return keeps line whole", 3, 2, 1, Qt::NoModifier, answered, 12, {"1+2"}, 3},
        {"ctrl+shift+return is ctrl+return", 2, 1, 3, Qt::ControlModifier | Qt::ShiftModifier,
         answered, 2, {"1+", "2"}, 3},
        {"line break splits where the caret stood after leading blanks", 1, 2, 3,
         Qt::ControlModifier, indented, 4, {"1+", "2"}, 3},
        {"line break keeps the caret after leading blanks", 3, 2, 1, Qt::NoModifier, indented, 3,
         {"1+2"}, 1},
        {"line break with the caret in leading blanks", 3, 2, 1, Qt::NoModifier, indented, 1,
         {"1+2"}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        pane.SetKeyMap(row.optReturn, row.optShift, row.optCtrl);
        Load(row.line, row.caret);
        QSignalSpy disabled(&pane, &TCalcPane::disableAllCommands);
        QTest::keyClick(&pane, Qt::Key_Return, row.modifiers);
        EXPECT_EQ(Lines(), row.expected);
        EXPECT_EQ(pane.textCursor().position(), row.expectedCaret);
        EXPECT_EQ(disabled.count(), 1);
    }
}

TEST_F(CalcPaneTest, CaretStaysInViewWhenAnAnswerWidensTheDocument) {
    pane.resize(250, 200);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    QString text;
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("%1\n").arg(i);
    // Its answer is the first line wider than the pane: the horizontal scroll bar appears.
    text += QStringLiteral("1/3+_PI*_E*12345");
    struct Row {
        const char* name;
        std::function<void()> command;
    } rows[] = {
        {"calculate", [this] { pane.CalculateLine(false); }},
        {"calculate again", [this] { pane.AtnVexmiReCalcExecute(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load(text, text.size());
        QScrollBar* bar = pane.horizontalScrollBar();
        ASSERT_TRUE(
            vexmo::test::WaitUntil([&] { return !bar->isVisible(); }, "no scroll bar for short lines"));
        row.command();
        ASSERT_EQ(pane.textCursor().blockNumber(), 31);
        // The scroll bar comes once the new text is laid out, and must not cover the caret.
        EXPECT_TRUE(vexmo::test::WaitUntil(
            [&] { return bar->isVisible() && pane.viewport()->rect().contains(pane.cursorRect()); },
            "the scroll bar with the caret in view above it", 5000))
            << "caret at " << pane.cursorRect().y() << ", view height "
            << pane.viewport()->height();
    }
    pane.hide();
}

TEST_F(CalcPaneTest, RemoveAnswersAsksFirst) {
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        Load(" 1 ==> 1 +_I 0 \n2 $ >>> 0 +_I 0 \n  3  ");
        QString asked;
        vexmo::test::AnswerWhenShown<QMessageBox> answer([&](QMessageBox& box) {
            asked = box.text();
            box.button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        pane.AtnVexmiRemoveAnswersExecute();
        EXPECT_EQ(asked, "Are you sure you want to remove all the answers?[y/n]");
        const QStringList expected = yes ? QStringList{"1", "2 $", "3"}
                                         : QStringList{" 1 ==> 1 +_I 0 ", "2 $ >>> 0 +_I 0 ", "  3  "};
        EXPECT_EQ(Lines(), expected);
        EXPECT_EQ(AnyProtected(), !yes);
    }
}

TEST_F(CalcPaneTest, AnswerRunIsDecidedByTheLinesText) {
    const QColor newArrow(0, 0, 255), newAnswer(128, 0, 128);
    struct Row {
        const char* name;
        std::function<void()> make; // leaves the line under test as line 0
        QString line;
        int arrow; // where the answer run starts; -1 for none
        QColor arrowColour, answerColour;
    } rows[] = {
        {"loaded", [this] { Load("1+2 ==> 3 +_I 0 "); }, "1+2 ==> 3 +_I 0 ", 3, Arrow, Answer},
        {"error arrow", [this] { Load("1/0 >>> 1 +_I 0 "); }, "1/0 >>> 1 +_I 0 ", 3, Arrow,
         Answer},
        {"the first normal arrow wins", [this] { Load("1 >>> 2 ==> 3 "); }, "1 >>> 2 ==> 3 ", 7,
         Arrow, Answer},
        {"arrow typed by hand",
         [this] {
             Load("");
             QTest::keyClicks(&pane, "7 ==> 9");
         },
         "7 ==> 9", 1, Arrow, Answer},
        {"no arrow", [this] { Load("1+2 => 3 >> 4"); }, "1+2 => 3 >> 4", -1, Arrow, Answer},
        {"undone after an edit removed it",
         [this] {
             Load("2*3");
             pane.CalculateLine(false);
             Caret(10);
             QTest::keyClicks(&pane, "y");
             pane.undo();
         },
         "2*3 ==> 6 +_I 0 ", 3, Arrow, Answer},
        {"new colours",
         [&] {
             Load("1+2 ==> 3 +_I 0 ");
             pane.SetColors(Qt::black, newArrow, newAnswer, Qt::white);
         },
         "1+2 ==> 3 +_I 0 ", 3, newArrow, newAnswer},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        pane.SetColors(Qt::black, Arrow, Answer, Qt::white);
        row.make();
        ASSERT_EQ(Lines().first(), row.line);
        for (int i = 0; i < row.line.size(); ++i) {
            SCOPED_TRACE(i);
            const bool run = row.arrow >= 0 && i >= row.arrow;
            const bool answer = run && i >= row.arrow + 5;
            const QTextCharFormat format = FormatAt(i);
            EXPECT_EQ(pane.IsProtected(i), run);
            EXPECT_EQ(format.fontWeight() == QFont::Bold, answer);
            if (run)
                EXPECT_EQ(format.foreground().color(), answer ? row.answerColour : row.arrowColour);
            else
                EXPECT_EQ(format.foreground().style(), Qt::NoBrush);
        }
    }
}

TEST_F(CalcPaneTest, EveryCalculationIsOneUndoStep) {
    // Each row loads `document` (a fresh history), types with `type`, then takes `step`. Undo
    // goes back to the typed text and then to the document, exactly; Redo comes back.
    const QString counting = QStringLiteral("N:=N+1\n").repeated(60);
    struct Row {
        const char* name;
        QString document;
        std::function<void()> type;
        std::function<void()> step;
        bool kept; // false: too large to keep, the history goes and a notice says so
    } rows[] = {
        {"Return", "1+2\n4", [this] { Caret(3); QTest::keyClicks(&pane, "0"); },
         [this] { QTest::keyClick(&pane, Qt::Key_Return); }, true},
        {"select all, type, Return", "1+2 ==> 3 +_I 0 \nA:=4",
         [this] { pane.selectAll(); QTest::keyClicks(&pane, "1"); },
         [this] { QTest::keyClick(&pane, Qt::Key_Return); }, true},
        {"Calculate", "5*5 ==> 1 +_I 0 ", [this] { Caret(0); QTest::keyClicks(&pane, "2"); },
         [this] { pane.AtnVexmiCalculateExecute(); }, true},
        {"Shift+Return takes the answer away", "1+2 ==> 3 +_I 0 \n",
         [this] { Caret(0); QTest::keyClicks(&pane, " "); },
         [this] { QTest::keyClick(&pane, Qt::Key_Return, Qt::ShiftModifier); }, true},
        {"Calculate again", "A:=2\nA*3 ==> 0 +_I 0 \n\nA+1",
         [this] { Caret(4); QTest::keyClicks(&pane, "1"); },
         [this] { pane.AtnVexmiReCalcExecute(); }, true},
        {"Calculate below", "1\n2 ==> 9 +_I 0 \n3",
         [this] { Caret(2); QTest::keyClicks(&pane, "+"); },
         [this] { pane.AtnVexmiCalcBelowExecute(); }, true},
        {"Remove answers", "1 ==> 1 +_I 0 \n 2 >>> x \n3",
         [this] { Caret(pane.TextLength()); QTest::keyClicks(&pane, "3"); },
         [this] { pane.AtnVexmiRemoveAnswersExecute(); }, true},
        {"cancelled run", counting, [this] { Caret(0); QTest::keyClicks(&pane, " "); },
         [this] {
             pane.SetSliceTime(std::chrono::microseconds(0));
             pane.AtnVexmiReCalcExecute();
             ASSERT_TRUE(pane.Busy());
             QCoreApplication::processEvents();
             QTest::keyClick(&pane, Qt::Key_Escape);
             ASSERT_FALSE(pane.Busy());
             pane.SetSliceTime(std::chrono::milliseconds(40));
         },
         true},
        {"too large to keep", "1\n2\n3\n4", [this] { Caret(0); QTest::keyClicks(&pane, "9"); },
         [this] {
             pane.SetUndoLineLimit(3);
             pane.AtnVexmiReCalcExecute();
             pane.SetUndoLineLimit(100'000);
         },
         false},
    };
    pane.SetQuestionHook([](const QString&) { return true; });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        pane.LoadText(row.document);
        EXPECT_FALSE(pane.document()->isUndoAvailable()) << "a loaded document starts afresh";
        row.type();
        const QString typed = pane.toPlainText();
        ASSERT_NE(typed, row.document);
        QSignalSpy notices(&pane, &TCalcPane::notice);
        row.step();
        const QString done = pane.toPlainText();
        ASSERT_NE(done, typed);
        const std::string ans = store.Read("ANS");
        EXPECT_EQ(notices.count(), row.kept ? 0 : 1);
        if (!row.kept) {
            EXPECT_FALSE(pane.document()->isUndoAvailable());
            continue;
        }
        pane.undo();
        EXPECT_EQ(pane.toPlainText(), typed);
        EXPECT_EQ(store.Read("ANS"), ans) << "undo changes the text only";
        pane.undo();
        EXPECT_EQ(pane.toPlainText(), row.document);
        pane.redo();
        EXPECT_EQ(pane.toPlainText(), typed);
        pane.redo();
        EXPECT_EQ(pane.toPlainText(), done);
    }
}

TEST_F(CalcPaneTest, EditorFontKeepsAnswersPainted) {
    Load("1+2 ==> 3 +_I 0 ");
    pane.document()->setModified(false);
    pane.setFont(QFont("Monospace", 17));
    pane.ApplyEditorFont();
    for (const int i : {0, 5, 10}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(QFont(FormatAt(i).font().resolve(pane.document()->defaultFont())).pointSize(),
                  17);
        EXPECT_EQ(pane.IsProtected(i), i > 0);
    }
    EXPECT_EQ(FormatAt(10).fontWeight(), QFont::Bold);
    EXPECT_FALSE(pane.document()->isModified());
    EXPECT_FALSE(pane.document()->isUndoAvailable());
}

TEST_F(CalcPaneTest, InsertCommands) {
    struct Row {
        const char* command;
        QString text;
        int caretBack;
    } rows[] = {
        {"AtnInsertConstPI", "_PI", 0},    {"AtnInsertConstC0", "_C", 0},
        {"AtnInsertFuncSQRT", "SQRT()", 1}, {"atnInsertConstPI", "", 0},
        {"AtnEditCopy", "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        Load("a");
        Caret(1);
        pane.InsertCommandText(row.command);
        EXPECT_EQ(pane.toPlainText(), "a" + row.text);
        EXPECT_EQ(pane.textCursor().position(), 1 + row.text.size() - row.caretBack);
    }
}

TEST_F(CalcPaneTest, ModifiedStatusOnKeyRelease) {
    Load("1");
    pane.document()->setModified(false);
    QSignalSpy status(&pane, &TCalcPane::statusText);
    QTest::keyClick(&pane, Qt::Key_Right);
    EXPECT_EQ(status.count(), 0);
    QTest::keyClicks(&pane, "2");
    ASSERT_EQ(status.count(), 1);
    EXPECT_EQ(status.first().first().toString(), "Modified");
}

} // namespace
