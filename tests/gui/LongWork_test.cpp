// Long work in the main window: Calculate again in slices with progress, Cancel and Escape,
// keys held off the document, the Variables window in step with the store, and a long
// document coming in whole.
#include "document/core/DocumentText.h"
#include "document/gui/Variables.h"
#include "engine/CompTinyParseEngine.h"
#include "files/DocumentFile.h"
#include "shell/MainWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "MainWindowStart.h"
#include "QtWait.h"
#include "StarvedThreads.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace vexmo;

namespace {

// While a RefuseThreads lives, no thread can be started: as when the system's thread limit
// is reached.
std::atomic<bool> gRefuseThreads{false};
std::atomic<int> gThreadsRefused{0};

struct RefuseThreads {
    RefuseThreads() {
        gThreadsRefused = 0;
        gRefuseThreads = true;
    }
    ~RefuseThreads() { gRefuseThreads = false; }
    static int Refused() { return gThreadsRefused.load(); }
};

} // namespace

// Every thread of this program, std::thread's included, is started through here.
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) noexcept {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto create = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (gRefuseThreads) {
        ++gThreadsRefused;
        return EAGAIN;
    }
    return create(thread, attributes, start, argument);
}

namespace {

constexpr int Lines = 100;
const QString Stale = QStringLiteral("N:=N+1 ==> 0 +_I 0 ");

QString Answered(int n) {
    return QStringLiteral("N:=N+1 ==> %1 +_I 0 ").arg(n);
}

class LongWorkTest : public vexmo::test::MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // A few lines per slice, so that a short document takes many slices.
        pane->SetSliceTime(std::chrono::microseconds(0));
        window->show();
    }

    // Lines "N:=N+1" with old answers, painted and protected as a loaded document is.
    void LoadCounting() {
        QStringList lines;
        for (int i = 0; i < Lines; ++i)
            lines << Stale;
        pane->setPlainText(lines.join(QLatin1Char('\n')));
        pane->document()->setModified(false);
        window->Store().Write("N", "0 +_I 0");
    }
    void StartCalculateAgain(const char* command = "AtnVexmiReCalc") {
        // The commands are enabled by the idle update after the text changed.
        ASSERT_TRUE(vexmo::test::WaitForIdleUpdate(*window));
        window->Action(command)->trigger();
        ASSERT_TRUE(pane->Busy()) << "the run goes on beyond its first slice";
    }
    void WaitForSlices(int count) {
        QSignalSpy progress(pane, &TCalcPane::runProgress);
        ASSERT_TRUE(vexmo::test::WaitUntil(
            [&] { return progress.count() >= count || !pane->Busy(); }, "the run's slices"));
    }
    void Finish() {
        ASSERT_TRUE(vexmo::test::WaitUntil([&] { return !pane->Busy(); }, "the run to end"));
        ASSERT_TRUE(vexmo::test::WaitForIdleUpdate(*window));
    }
    QStringList PaneLines() const { return pane->toPlainText().split(QLatin1Char('\n')); }
    bool ArrowProtected(int line) const {
        const QTextBlock block = pane->document()->findBlockByNumber(line);
        return pane->IsProtected(block.position() + block.text().indexOf(QLatin1String(" ==> ")));
    }
    QLabel* Progress() const { return window->findChild<QLabel*>(QStringLiteral("RunProgress")); }
};

TEST_F(LongWorkTest, CancelledRunLeavesAConsistentDocument) {
    struct Row {
        const char* name;
        int slicesBefore;
        std::function<void()> cancel;
    } rows[] = {
        {"Escape in the pane at once", 0, [this] { QTest::keyClick(pane, Qt::Key_Escape); }},
        {"Escape in the pane later", 3, [this] { QTest::keyClick(pane, Qt::Key_Escape); }},
        {"Cancel button", 2,
         [this] { window->findChild<QPushButton*>(QStringLiteral("RunCancel"))->click(); }},
        // As a dialog opened while a line is calculated would: the slice in hand still
        // holds the run.
        {"cancelled while a slice calculates", 1,
         [this] {
             bool asked = false;
             QObject guard;
             QObject::connect(pane, &TCalcPane::lineCalculated, &guard, [&] {
                 if (!std::exchange(asked, true)) pane->CancelRun();
             });
             ASSERT_TRUE(vexmo::test::WaitUntil([&] { return !pane->Busy(); }, "the run to end"));
             EXPECT_TRUE(asked);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoadCounting();
        StartCalculateAgain();
        WaitForSlices(row.slicesBefore);
        row.cancel();
        ASSERT_FALSE(pane->Busy());

        const QStringList lines = PaneLines();
        int done = 0;
        while (done < Lines && lines[done] == Answered(done + 1))
            ++done;
        EXPECT_GT(done, 0);
        EXPECT_LT(done, Lines);
        for (int i = done; i < Lines; ++i)
            EXPECT_EQ(lines[i], Stale) << "line " << i;
        for (int i = 0; i < Lines; ++i)
            EXPECT_TRUE(ArrowProtected(i)) << "line " << i;
        const std::string count = std::to_string(done) + " +_I 0";
        EXPECT_EQ(window->Store().Read("N"), count);
        EXPECT_EQ(window->Store().Read("ANS"), count);
        EXPECT_TRUE(pane->document()->isModified());
        EXPECT_FALSE(pane->isReadOnly());
        EXPECT_EQ(pane->textCursor().blockNumber(), done) << "the caret waits at the next line";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST_F(LongWorkTest, KeysDuringARunDoNotReachTheDocument) {
    LoadCounting();
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    StartCalculateAgain();
    EXPECT_TRUE(pane->isReadOnly());
    EXPECT_TRUE(Progress()->text().contains(QLatin1String("read-only")));
    QTest::keyClicks(pane, QStringLiteral("12"));
    for (int key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return})
        QTest::keyClick(pane, static_cast<Qt::Key>(key));
    QTest::keyClick(pane, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_Return, Qt::ControlModifier);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("ime"));
    QCoreApplication::sendEvent(pane, &commit);
    Finish();

    QStringList expected;
    for (int i = 0; i < Lines; ++i)
        expected << Answered(i + 1);
    expected << QString();
    EXPECT_EQ(pane->toPlainText().toStdString(), expected.join(QLatin1Char('\n')).toStdString());
    EXPECT_FALSE(pane->isReadOnly());
}

TEST_F(LongWorkTest, ProgressIsReportedAndCommandsWait) {
    LoadCounting();
    QSignalSpy progress(pane, &TCalcPane::runProgress);
    QSignalSpy finished(pane, &TCalcPane::runFinished);
    StartCalculateAgain();
    ASSERT_TRUE(vexmo::test::WaitUntil([] { return QApplication::overrideCursor() != nullptr; },
                                       "the busy cursor"));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    EXPECT_TRUE(Progress()->isVisibleTo(window.get()));
    EXPECT_TRUE(Progress()->text().startsWith(QLatin1String("Calculating: ")));
    EXPECT_TRUE(Progress()->text().contains(QStringLiteral(" / %1 lines").arg(Lines)));
    for (const char* name : {"AtnVexmiReCalc", "AtnVexmiCalculate", "AtnVexmiRemoveAnswers",
                             "AtnEditPaste", "AtnFileOpen", "AtnFileNew", "AtnOptions"})
        EXPECT_FALSE(window->Action(name)->isEnabled()) << name;
    Finish();

    ASSERT_GE(progress.count(), 3);
    int last = 0;
    for (const QList<QVariant>& report : progress) {
        EXPECT_GT(report.at(0).toInt(), last);
        EXPECT_EQ(report.at(1).toInt(), Lines);
        last = report.at(0).toInt();
    }
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(Progress()->isVisibleTo(window.get()));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->Action("AtnVexmiReCalc")->isEnabled());
}

TEST_F(LongWorkTest, VariablesWindowEqualsAFreshListingAfterARun) {
    auto rows = [](const TFrmVariables& variables) {
        QStringList out;
        for (int i = 0; i < variables.LvVariables->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = variables.LvVariables->topLevelItem(i);
            if (row->text(0) != QLatin1String("_CLIP")) out << row->text(0) + "=" + row->text(1);
        }
        return out;
    };
    auto* variables = window->findChild<TFrmVariables*>();
    ASSERT_NE(variables, nullptr);
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines << QStringLiteral("B[%1]:=%1").arg(i % 12) << QStringLiteral("A%1:=%1").arg(i % 5);
    lines << QStringLiteral("L[60]:=7") << QStringLiteral("L[3]:=1") << QStringLiteral("L[5000]:=2")
          << QStringLiteral("F(X):=X*2") << QStringLiteral("F(4)");
    pane->setPlainText(lines.join(QLatin1Char('\n')));
    // Calculate below from the first line does the same run.
    for (const char* command : {"AtnVexmiReCalc", "AtnVexmiCalcBelow"}) {
        SCOPED_TRACE(command);
        pane->moveCursor(QTextCursor::Start);
        StartCalculateAgain(command);
        Finish();

        // A fresh listing of the store, the user function the run defined included.
        const std::vector<Variables::Line> stored = window->Store().Lines();
        Variables copy;
        TFrmVariables fresh(copy);
        fresh.LoadLines(stored);
        EXPECT_EQ(rows(*variables).join("\n").toStdString(), rows(fresh).join("\n").toStdString());
        const QStringList shown = rows(*variables);
        const auto longList = std::find_if(shown.begin(), shown.end(),
                                           [](const QString& r) { return r.startsWith("L="); });
        ASSERT_NE(longList, shown.end());
        EXPECT_TRUE(longList->endsWith(QStringLiteral(",… (61 elements)")))
            << longList->toStdString();
        EXPECT_TRUE(variables->AtnInsert->isEnabled()) << "Add is back once the run has ended";
    }
}

// The window calculates most lines ahead on a second thread and brings their variables into
// its store line by line; lines it must calculate itself come back, and so does the rest of
// the run when no second thread can be started or the thread runs out of memory. Whatever
// the mix, the document and the store end as vexmo-calc's calculation leaves them.
TEST_F(LongWorkTest, CalculateAgainEndsAsVexmoCalcEnds) {
    enum class Fault { None, NoThread, OutOfMemory };
    struct Row {
        const char* name;
        std::function<std::string(int)> line;
        Fault fault;
        int lines = 3000; // enough for several batches and many slices
    };
    const auto mixed = [](int i) {
        if (i == 0) return std::string("F(X) := X*2 + K");
        if (i % 9 == 0) return "K := " + std::to_string(i % 4) + " $";
        return "X" + std::to_string(i % 7) + " := X" + std::to_string((i + 3) % 7) + "/2 + F(" +
               std::to_string(i) + ") ==> 0 +_I 0 ";
    };
    const Row rows[] = {
        {"values, names, functions and hidden lines", mixed, Fault::None},
        {"element assignments among them",
         [](int i) {
             if (i % 50 == 7) return "B[" + std::to_string(i % 5) + "] := ANS";
             return "Y := Y + " + std::to_string(i) + " ; running sum";
         },
         Fault::None},
        {"no second thread can be started", mixed, Fault::NoThread, 600},
        {"the second thread runs out of memory", mixed, Fault::OutOfMemory, 600},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> lines;
        for (int i = 0; i < row.lines; ++i)
            lines.push_back(row.line(i));
        QStringList text;
        for (const std::string& line : lines)
            text << QString::fromStdString(line);
        window->Store().Clear();
        pane->setPlainText(text.join(QLatin1Char('\n')));
        {
            std::optional<RefuseThreads> refused;
            std::optional<vexmo::test::StarveOtherThreads> starved;
            if (row.fault == Fault::NoThread) refused.emplace();
            if (row.fault == Fault::OutOfMemory) starved.emplace();
            StartCalculateAgain();
            Finish();
            EXPECT_TRUE(!refused || refused->Refused() > 0) << "no thread was asked for";
            EXPECT_TRUE(!starved || starved->Refused() > 0) << "the thread never ran short";
        }

        Variables store;
        TCompTinyParser engine;
        engine.SetVariables(&store);
        NumberFormatSettings settings;
        LineCalculator calculator(engine, store, settings);
        ASSERT_FALSE(CalculateDocument(lines, calculator));
        QStringList expected;
        for (const std::string& line : lines)
            expected << QString::fromStdString(line);
        EXPECT_EQ(PaneLines(), expected);
        auto listing = [](const Variables& variables) {
            std::string out;
            for (const Variables::Line& line : variables.Lines())
                if (line.Name != "_CLIP") out += line.Name + "=" + line.Value + "\n";
            return out;
        };
        EXPECT_EQ(listing(window->Store()), listing(store));
    }
}

TEST_F(LongWorkTest, ALongDocumentComesInWholeWhateverHappensMeanwhile) {
    QTemporaryDir folder;
    // Long enough for several slices (saved with CR LF breaks), a character beyond ASCII and
    // an answer on every line but the empty ones.
    auto document = [](const QString& name, int lines) {
        QStringList text;
        for (int i = 0; i < lines; ++i)
            text << (i % 97 == 0 ? QString()
                                 : QStringLiteral("%1µ:=%2 ==> %2 +_I 0 ").arg(name).arg(i));
        return text.join(QLatin1Char('\n'));
    };
    auto write = [&](const QString& name, const QString& text) {
        const QString path = folder.filePath(name + ".vxm");
        EXPECT_TRUE(WriteDocumentFile(path, text, DocumentEncoding::Utf8).Ok);
        return path;
    };
    const QString first = document("A", 7'000);
    const QString second = document("B", 5'000);
    const QString firstPath = write("A", first);
    const QString secondPath = write("B", second);
    struct Row {
        const char* name;
        std::function<void()> meanwhile;
        QString expected;
    } rows[] = {
        {"left to come in", [] {}, first},
        {"Escape and Cancel", [this] { QTest::keyClick(pane, Qt::Key_Escape); pane->CancelRun(); },
         first},
        {"saved while coming in",
         [&] {
             ASSERT_EQ(window->Documents().FileSave(), TDocumentController::SaveOutcome::Saved);
             EXPECT_TRUE(ReadDocumentFile(firstPath).Document.Text == first);
         },
         first},
        {"another document opened", [&] { window->Documents().FileDropped(secondPath); }, second},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window->Documents().FileDropped(firstPath);
        ASSERT_TRUE(pane->Busy()) << "the document comes in beyond its first slice";
        EXPECT_TRUE(pane->isReadOnly());
        EXPECT_TRUE(Progress()->text().startsWith(QLatin1String("Opening: ")));
        row.meanwhile();
        Finish();

        const QString text = DocumentPlainText(*pane->document());
        EXPECT_TRUE(text == row.expected) << text.size() << " characters instead of "
                                          << row.expected.size();
        for (int i = 0; i < pane->LineCount(); ++i)
            if (i % 97 != 0) {
                ASSERT_TRUE(ArrowProtected(i)) << "line " << i;
            }
        EXPECT_FALSE(pane->document()->isModified());
        EXPECT_FALSE(pane->document()->isUndoAvailable());
        EXPECT_FALSE(pane->isReadOnly());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

} // namespace
