// Clipboard exchange on the offscreen platform's real clipboard: _CLIP before a calculation,
// assignments to _CLIP and its elements for every array separator, the cached refresh, and
// Copy automatically through the calculation pane.
#include "document/core/ClipText.h"
#include "document/gui/CalcPane.h"
#include "document/gui/Clipboard.h"
#include "document/gui/Variables.h"
#include "EngineSession.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>

// Readable failure messages for Qt strings.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

using namespace vexmo;

namespace {

class ClipboardTest : public ::testing::Test, protected vexmo::test::EngineSession {
  protected:
    void SetUp() override {
        engine.SetOnSubstitute(
            [this](TCompTinyParser&, std::string& name, std::string& value, int idx) {
                SubstituteNotice(&window, clip, settings, name, value, idx);
            });
    }
    static void SetClipboard(const QString& text) { QApplication::clipboard()->setText(text); }
    static QString ClipboardText() { return QApplication::clipboard()->text(); }
    // A calculation as the main window runs it: _CLIP refreshed first.
    DComplex Calculate(const std::string& expression) {
        clip.RefreshClip(store, settings.OptNumFormatArray, settings.OptNumFormatComplex);
        return EngineSession::Run(expression);
    }

    NumberFormatSettings settings;
    TFrmVariables window{store};
    TClipboard clip;
};

TEST_F(ClipboardTest, RefreshStoresTheElementsTheEngineReads) {
    struct Row {
        const char* name;
        int array;
        QString clipboard;
        std::string stored;
    } rows[] = {
        {"comma, blanks on both sides", 0, "  1 , 2\t,\t3 \r\n", "1,2,3"},
        {"comma, blank after only", 0, "1, 2", "1,2"},
        {"TAB setting pairs neighbours", 1, "1\t2\t3", "\"1 +_I 2\",3"},
        {"space setting: the comma is an element", 2, "4 , 5", "4,\",\",5"},
        {"CR LF: lines, trimmed", 3, "1 \r\n 2\r\n3", "1,2,3"},
        {"one element is a value", 0, "3 + 4i", "3 +_I 4"},
        {"suffixed number", 0, "4.7K", "4700 +_I 0"},
        {"other setting acts as comma", 7, "1  2", "1,2"},
        {"a sentence stays as written", 0, "Hello , World", "Hello,World"},
        {"empty clipboard removes the entry", 0, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Write("_CLIP", "old");
        SetClipboard(row.clipboard);
        clip.RefreshClip(store, row.array, 0);
        EXPECT_EQ(store.Read("_CLIP"), row.stored);
        EXPECT_EQ(store.IndexOf("_CLIP") >= 0, !row.stored.empty());
    }
}

TEST_F(ClipboardTest, RefreshFollowsClipboardSettingAndStore) {
    SetClipboard("1\t2");
    clip.RefreshClip(store, 0, 0);
    EXPECT_EQ(store.Read("_CLIP"), "1,2");

    store.Write("_CLIP", "assigned");
    clip.RefreshClip(store, 0, 0);
    EXPECT_EQ(store.Read("_CLIP"), "1,2") << "an unchanged clipboard still replaces the entry";

    clip.RefreshClip(store, 1, 0);
    EXPECT_EQ(store.Read("_CLIP"), "1 +_I 2") << "another separator setting reads anew";
    clip.RefreshClip(store, 0, 2);
    EXPECT_EQ(store.Read("_CLIP"), "1 +_I 2") << "another complex style reads anew";

    SetClipboard("9");
    clip.RefreshClip(store, 0, 2);
    EXPECT_EQ(store.Read("_CLIP"), "9") << "a new clipboard text is read";

    // A clipboard holding something other than plain text counts as empty.
    auto data = std::make_unique<QMimeData>();
    data->setData("application/octet-stream", "1,2");
    QApplication::clipboard()->setMimeData(data.release());
    EXPECT_FALSE(clip.HasText());
    clip.RefreshClip(store, 0, 0);
    EXPECT_EQ(store.IndexOf("_CLIP"), -1);
}

TEST_F(ClipboardTest, ExpressionsReadTheClipboard) {
    struct Row {
        const char* name;
        QString clipboard;
        std::string expression;
        DComplex value;
    } rows[] = {
        {"a number", "3", "_CLIP*2", {6, 0}},
        {"an element", "1 , 2", "_CLIP[1]", {2, 0}},
        {"an empty clipboard reads as zero", "", "_CLIP+1", {1, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetClipboard(row.clipboard);
        EXPECT_EQ(Calculate(row.expression), row.value);
    }
    SetClipboard("word");
    EXPECT_THROW(Calculate("_CLIP+1"), EConvertError) << "a word is no number";
}

TEST_F(ClipboardTest, AssignmentsWriteTheClipboard) {
    struct Row {
        const char* name;
        int array;
        int complexStyle;
        QString before;
        std::string expression;
        QString after;
        int errorState;
    } rows[] = {
        {"plain assignment", 0, 0, "x", "_CLIP := 5", "5 + 0i", 0},
        {"program style", 0, 1, "x", "_CLIP := 2 +_I 3", "2 +_I 3", 0},
        {"comma, next element", 0, 0, "1,2", "_CLIP[2] := 7", "1,2,7 + 0i", 0},
        {"comma, padded with zeros", 0, 0, "1,2", "_CLIP[4] := 7", "1,2,0 + 0i,0 + 0i,7 + 0i", 0},
        {"comma, text elements kept", 0, 0, "a,\"b c\",3", "_CLIP[2] := 1", "a,b c,1 + 0i", 0},
        {"TAB pairs are complex numbers", 1, 2, "1\t2\t3\t4", "_CLIP[1] := 5 +_I 6", "1\t2\t5\t6",
         0},
        {"space", 2, 0, "1 2", "_CLIP[1] := 8", "1 8 + 0i", 0},
        {"CR LF, no break after the last line", 3, 0, "1\r\n2\n", "_CLIP[1] := 9", "1\r\n9 + 0i",
         0},
        {"empty clipboard gives zeros", 0, 0, "", "_CLIP[1] := 1", "0 + 0i,1 + 0i", 0},
        {"index below -1 keeps the clipboard", 0, 0, "1,2", "_CLIP[0-2] := 1", "1,2", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        settings.OptNumFormatArray = row.array;
        settings.OptNumFormatComplex = row.complexStyle;
        SetClipboard(row.before);
        Calculate(row.expression);
        EXPECT_EQ(ClipboardText(), row.after);
        EXPECT_EQ(engine.ErrorState(), row.errorState);
    }
    EXPECT_EQ(window.LvVariables->topLevelItemCount(), 0) << "the window is not told of _CLIP";
}

// With the default settings the program reads back everything it puts on the clipboard,
// and what spreadsheets put there.
TEST_F(ClipboardTest, DefaultSettingsReadWhatTheyWriteAndSpreadsheets) {
    SetClipboard("x");
    Calculate("_CLIP := (-3 -_I 4)");
    EXPECT_EQ(ClipboardText(), "-3 + -4i");
    EXPECT_EQ(Calculate("_CLIP"), (DComplex{-3, -4}));

    SetClipboard("1,2");
    Calculate("_CLIP[2] := 7");
    Calculate("_CLIP[3] := 8");
    EXPECT_EQ(ClipboardText(), "1,2,7 + 0i,8 + 0i");
    EXPECT_EQ(Calculate("SUM(_CLIP)"), (DComplex{18, 0}));

    SetClipboard("5\r\n6\r\n7\r\n");
    EXPECT_EQ(Calculate("_CLIP[2]"), (DComplex{7, 0}));
    EXPECT_EQ(Calculate("MAX(_CLIP, 6.5)"), (DComplex{7, 0}));
    SetClipboard("1\t2\t3\n");
    EXPECT_EQ(Calculate("SUM(_CLIP)"), (DComplex{6, 0}));

    // Copy automatically puts an answer on the clipboard; the next line reads it.
    TCalcPane pane;
    pane.SetEngine(&engine);
    pane.SetVariables(&store);
    pane.SetNumberFormat(settings);
    pane.SetCopyAutomatically(true);
    QObject::connect(&pane, &TCalcPane::beforeCalculation, [&] {
        clip.RefreshClip(store, settings.OptNumFormatArray, settings.OptNumFormatComplex);
    });
    pane.setPlainText("1.5 -_I 2.25");
    pane.AtnVexmiCalculateExecute();
    EXPECT_EQ(ClipboardText(), "1.5 + -2.25i");
    pane.InsertText("_CLIP*2");
    pane.AtnVexmiCalculateExecute();
    EXPECT_EQ(ClipboardText(), "3 + -4.5i");

    SetClipboard("word");
    try {
        Calculate("_CLIP+1");
        ADD_FAILURE() << "a word is no number";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(),
                     "The clipboard's text (_CLIP): 'word' is not a valid floating point value");
    }
}

TEST_F(ClipboardTest, AssignmentToNoElementKeepsTheClipboard) {
    for (int idx : {-2, MaxClipElementIndex + 1}) {
        SCOPED_TRACE(idx);
        SetClipboard("1,2");
        try {
            clip.AssignClip("7 +_I 0", idx, settings);
            ADD_FAILURE() << "no such element";
        } catch (const std::out_of_range& e) {
            if (idx > 0) { // the reason names the bound
                EXPECT_NE(std::string(e.what()).find("0 to 999999"), std::string::npos) << e.what();
            }
        }
        EXPECT_EQ(ClipboardText(), "1,2");
    }
    // Through the engine the line fails and says why; an element within the bound is written.
    SetClipboard("1,2");
    Calculate("_CLIP[1000000] := 7");
    EXPECT_EQ(engine.ErrorState(), 1);
    EXPECT_NE(engine.ErrorReason().find("0 to 999999"), std::string::npos) << engine.ErrorReason();
    EXPECT_EQ(ClipboardText(), "1,2");
    Calculate("_CLIP[150] := 7");
    EXPECT_EQ(engine.ErrorState(), 0);
    EXPECT_EQ(ClipArrayElements(ClipboardText().toStdString(), settings.OptNumFormatArray,
                                settings.OptNumFormatComplex)
                  .size(),
              151U);
}

TEST_F(ClipboardTest, AssignmentIsStoredUntilTheNextRefresh) {
    SetClipboard("1");
    Calculate("_CLIP := 4");
    EXPECT_EQ(store.Read("_CLIP"), "4 +_I 0") << "the engine stores the value itself";
    clip.RefreshClip(store, settings.OptNumFormatArray, settings.OptNumFormatComplex);
    EXPECT_EQ(store.Read("_CLIP"), "4 +_I 0") << "the next refresh reads the clipboard";
    EXPECT_EQ(ClipboardText(), "4 + 0i");
}

TEST_F(ClipboardTest, CopyAutomaticallyAfterCalculateAgainLeavesTheLastAnswer) {
    TCalcPane pane;
    pane.SetEngine(&engine);
    pane.SetVariables(&store);
    pane.SetNumberFormat(settings);
    QObject::connect(&pane, &TCalcPane::beforeCalculation, [&] {
        clip.RefreshClip(store, settings.OptNumFormatArray, settings.OptNumFormatComplex);
    });
    struct Row {
        const char* name;
        bool copy;
        QString document;
        QString clipboard;
    } rows[] = {
        {"last line's answer, not the first's", true, "1+1\n2+3", "5 + 0i"},
        {"off leaves the clipboard", false, "1+1\n2+3", "before"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetClipboard("before");
        pane.SetCopyAutomatically(row.copy);
        pane.setPlainText(row.document);
        pane.AtnVexmiReCalcExecute();
        EXPECT_EQ(ClipboardText(), row.clipboard);
    }
}

} // namespace
