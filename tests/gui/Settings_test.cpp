// The settings store: reading block by block with its fall-backs, placement checks, writing
// and reading back, colour numbers.
#include "files/Settings.h"

#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>

using namespace vexmo;

namespace {

const QRect kScreen(0, 0, 1280, 1024);

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings store("Dorv", "Vexmo");
        store.clear();
        store.sync();
    }
    // Everything a store holds, for comparing two stores.
    static QMap<QString, QString> Dump(QSettings& store) {
        QMap<QString, QString> values;
        for (const QString& key : store.allKeys())
            values[key] = store.value(key).toString();
        return values;
    }
};

// A store as a newer or older program version may leave it: every value of the number-format
// group and the last block present, so one row can take a single value away.
void WriteCompleteStore(QSettings& store) {
    Settings s;
    s.OptNumFormat = 2;
    s.OptPrecision = 12;
    s.OptDigits = 3;
    s.OptNumFormatStr = "0.00";
    s.OptNumFormatClipboard = 1;
    s.OptNumFormatArray = 2;
    s.OptNumFormatComplex = 2;
    s.OptReturn = 3;
    s.OptShiftReturn = 1;
    s.OptCtrlReturn = 2;
    s.Language = 2;
    s.TipHint = false;
    s.FontStored = true;
    s.FontName = "DejaVu Sans Mono";
    s.FontSize = 13;
    s.FontBold = true;
    s.OptRecallLastFile = false;
    s.OptQueryDiscard = false;
    s.OptStayOnTop = true;
    s.OptSimpleMode = true;
    s.OptAutomaticallyCopyState = true;
    s.RecallFileName = "/tmp/doc.vxm";
    s.OptColorBack = 0x00FFFFFF;
    s.OptColorArrow = 0x00FF0000;
    WriteSettings(store, s, {QRect(10, 20, 500, 400), QRect(30, 40, 200, 300), true});
}

}  // namespace

TEST_F(SettingsStore, FreshStartKeepsTheInitialValues) {
    QSettings store("Dorv", "Vexmo");
    Settings s;
    const StoredPlacement placement = ReadSettings(store, s, kScreen);
    EXPECT_FALSE(placement.MainWnd);
    EXPECT_FALSE(placement.Variables);
    EXPECT_FALSE(placement.VariablesVisible);
    EXPECT_EQ(s.OptNumFormat, 0);
    EXPECT_EQ(s.OptPrecision, 18);
    EXPECT_EQ(s.OptDigits, 0);
    EXPECT_EQ(s.OptReturn, 1);
    EXPECT_EQ(s.OptShiftReturn, 2);
    EXPECT_EQ(s.OptCtrlReturn, 3);
    EXPECT_EQ(s.Language, 0);
    EXPECT_TRUE(s.TipHint);
    EXPECT_TRUE(s.OptRecallLastFile);
    EXPECT_TRUE(s.OptRecallLastVariables);
    EXPECT_TRUE(s.OptQueryDiscard) << "a new user is asked before a document is discarded";
    EXPECT_FALSE(s.OptStayOnTop);
    EXPECT_FALSE(s.OptSemiTransparent);
    EXPECT_FALSE(s.OptSimpleMode);
    EXPECT_FALSE(s.OptAutomaticallyCopyState);
    EXPECT_FALSE(s.FontStored);
    EXPECT_EQ(s.OptColorBack, clWindow);
    EXPECT_EQ(s.OptColorExpression, clWindowText);
    EXPECT_EQ(s.OptColorArrow, clRed);
    EXPECT_EQ(s.OptColorAnswer, clGreen);
}

TEST_F(SettingsStore, BlockRules) {
    struct Row {
        const char* name;
        std::function<void(QSettings&)> change;  // applied to a complete store
        std::function<void(const Settings&)> check;
    };
    const Row rows[] = {
        {"complete store is read",
         [](QSettings&) {},
         [](const Settings& s) {
             EXPECT_EQ(s.OptNumFormat, 2);
             EXPECT_EQ(s.OptNumFormatStr, "0.00");
             EXPECT_EQ(s.OptCtrlReturn, 2);
             EXPECT_EQ(s.Language, 2);
             EXPECT_FALSE(s.TipHint);
             EXPECT_TRUE(s.FontStored);
             EXPECT_EQ(s.FontSize, 13);
             EXPECT_TRUE(s.FontBold);
             EXPECT_EQ(s.OptColorArrow, 0x00FF0000u);
             EXPECT_FALSE(s.OptQueryDiscard);
             EXPECT_TRUE(s.OptAutomaticallyCopyState);
         }},
        {"stored precision 0 reads as 18",
         [](QSettings& st) { st.setValue("OptPrecision", 0); },
         [](const Settings& s) { EXPECT_EQ(s.OptPrecision, 18); }},
        {"stored key codes 0 read as 1 2 3",
         [](QSettings& st) {
             st.setValue("OptReturn", 0);
             st.setValue("OptShiftReturn", 0);
             st.setValue("OptCtrlReturn", 0);
         },
         [](const Settings& s) {
             EXPECT_EQ(s.OptReturn, 1);
             EXPECT_EQ(s.OptShiftReturn, 2);
             EXPECT_EQ(s.OptCtrlReturn, 3);
         }},
        {"empty user format reads as the standard format",
         [](QSettings& st) { st.setValue("OptNumFormatStr", ""); },
         [](const Settings& s) { EXPECT_EQ(s.OptNumFormatStr, "#,##0.000;-#,##0.000;0.000"); }},
        {"missing array separator falls back to TAB, the group goes on",
         [](QSettings& st) { st.remove("OptNumFormatArray"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptNumFormatArray, 1);
             EXPECT_EQ(s.OptNumFormatComplex, 2);
             EXPECT_EQ(s.Language, 2);
         }},
        {"missing key code ends the group, earlier members stay read",
         [](QSettings& st) { st.remove("OptShiftReturn"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptReturn, 3);
             EXPECT_EQ(s.OptShiftReturn, 2);
             EXPECT_EQ(s.Language, 0);
             EXPECT_TRUE(s.TipHint);
             EXPECT_TRUE(s.FontStored) << "the next block is read on its own";
         }},
        {"precision of the wrong type ends the group",
         [](QSettings& st) { st.setValue("OptPrecision", "twelve"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptNumFormat, 2);
             EXPECT_EQ(s.OptPrecision, 18);
             EXPECT_EQ(s.OptDigits, 0);
         }},
        {"no marker: the number-format group is not read",
         [](QSettings& st) { st.remove("OptNumFormat"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptPrecision, 18);
             EXPECT_EQ(s.Language, 0);
         }},
        {"missing font style flag keeps face and size",
         [](QSettings& st) { st.remove("FontItalic"); },
         [](const Settings& s) {
             EXPECT_TRUE(s.FontStored);
             EXPECT_EQ(s.FontName, "DejaVu Sans Mono");
             EXPECT_TRUE(s.FontBold);
             EXPECT_FALSE(s.FontItalic);
         }},
        {"missing font size leaves the font unset",
         [](QSettings& st) { st.remove("FontSize"); },
         [](const Settings& s) { EXPECT_FALSE(s.FontStored); }},
        {"missing colour ends the last block",
         [](QSettings& st) { st.remove("OptColorArrow"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptColorBack, 0x00FFFFFFu);
             EXPECT_EQ(s.OptColorArrow, clRed);
             EXPECT_TRUE(s.OptQueryDiscard);
             EXPECT_FALSE(s.OptStayOnTop);
             EXPECT_FALSE(s.OptAutomaticallyCopyState);
         }},
        {"missing window options take their fall-backs",
         [](QSettings& st) { st.remove("OptQueryDiscard"); },
         [](const Settings& s) {
             EXPECT_TRUE(s.OptQueryDiscard);
             EXPECT_FALSE(s.OptStayOnTop);
             EXPECT_TRUE(s.OptSemiTransparent);
             EXPECT_FALSE(s.OptSimpleMode);
             EXPECT_TRUE(s.OptAutomaticallyCopyState);
         }},
        {"missing copy state reads as off",
         [](QSettings& st) { st.remove("OptAutomaticallyCopyState"); },
         [](const Settings& s) { EXPECT_FALSE(s.OptAutomaticallyCopyState); }},
        {"missing recall flag: the whole last block keeps its initial values",
         [](QSettings& st) { st.remove("OptRecallLastFile"); },
         [](const Settings& s) {
             EXPECT_TRUE(s.OptRecallLastFile);
             EXPECT_TRUE(s.RecallFileName.isEmpty());
             EXPECT_TRUE(s.OptQueryDiscard);
             EXPECT_EQ(s.OptColorBack, clWindow);
         }},
        {"colour of the wrong type ends the last block",
         [](QSettings& st) { st.setValue("OptColorBack", "white"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptColorBack, clWindow);
             EXPECT_TRUE(s.OptQueryDiscard);
         }},
        // What the INI reader makes of unquoted values with commas, edited by hand.
        {"hand-edited user format split at its comma",
         [](QSettings& st) { st.setValue("OptNumFormatStr", QStringList{"#", "##0.00"}); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptNumFormatStr, "#,##0.00");
             EXPECT_EQ(s.Language, 2) << "the rest of the block is read";
         }},
        {"hand-edited file name split at its comma",
         [](QSettings& st) { st.setValue("RecallFileName", QStringList{"/tmp/a", "b.vxm"}); },
         [](const Settings& s) {
             EXPECT_EQ(s.RecallFileName, "/tmp/a,b.vxm");
             EXPECT_EQ(s.OptColorArrow, 0x00FF0000u) << "the rest of the block is read";
         }},
        {"colour written as a negative signed word",
         [](QSettings& st) { st.setValue("OptColorBack", -2147483643); },
         [](const Settings& s) { EXPECT_EQ(s.OptColorBack, 0x80000005u); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        QSettings store("Dorv", "Vexmo");
        WriteCompleteStore(store);
        row.change(store);
        store.sync();
        Settings s;
        ReadSettings(store, s, kScreen);
        row.check(s);
    }
}

TEST_F(SettingsStore, PlacementChecks) {
    struct Row {
        const char* name;
        int left, top, width, height;
        bool fits;
    };
    const Row rows[] = {
        {"inside the screen", 10, 20, 500, 400, true},
        {"exactly the screen", 0, 0, 1280, 1024, true},
        {"negative left edge, as after closing maximised", -8, -8, 1296, 1000, false},
        {"too narrow", 10, 10, 159, 400, false},
        {"too low", 10, 10, 400, 159, false},
        {"past the right edge", 900, 10, 400, 400, false},
        {"past the bottom edge", 10, 700, 400, 400, false},
        {"huge values do not wrap round", 2147483000, 10, 2000, 400, false},
        {"huge width does not wrap round", 10, 10, 2147483647, 400, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        QSettings store("Dorv", "Vexmo");
        for (const char* group : {"MainWnd", "Variables"}) {
            store.beginGroup(group);
            store.setValue("Left", row.left);
            store.setValue("Width", row.width);
            store.setValue("Top", row.top);
            store.setValue("Height", row.height);
            store.setValue("Visible", 0);
            store.endGroup();
        }
        store.sync();
        Settings s;
        const StoredPlacement p = ReadSettings(store, s, kScreen);
        EXPECT_EQ(p.MainWnd.has_value(), row.fits);
        EXPECT_EQ(p.Variables.has_value(), row.fits);
        ASSERT_TRUE(p.VariablesVisible) << "visibility is applied whatever the bounds";
        EXPECT_FALSE(*p.VariablesVisible);
        if (row.fits) {
            EXPECT_EQ(*p.MainWnd, QRect(row.left, row.top, row.width, row.height));
        }
    }
}

TEST_F(SettingsStore, IncompletePlacementIsIgnored) {
    QSettings store("Dorv", "Vexmo");
    WriteSettings(store, Settings{}, {QRect(10, 20, 500, 400), QRect(30, 40, 200, 300), true});
    store.remove("MainWnd/Height");
    store.remove("Variables/Visible");
    store.sync();
    Settings s;
    const StoredPlacement p = ReadSettings(store, s, kScreen);
    EXPECT_FALSE(p.MainWnd);
    EXPECT_FALSE(p.VariablesVisible);
    EXPECT_FALSE(p.Variables) << "bounds are applied after the visibility was read";
}

TEST_F(SettingsStore, RoundTripThroughANewStore) {
    {
        QSettings store("Dorv", "Vexmo");
        WriteCompleteStore(store);
    }
    QSettings first("Dorv", "Vexmo");
    const auto written = Dump(first);
    Settings s;
    const StoredPlacement p = ReadSettings(first, s, kScreen);
    ASSERT_TRUE(p.MainWnd && p.Variables && p.VariablesVisible);

    first.clear();
    ASSERT_TRUE(WriteSettings(first, s, {*p.MainWnd, *p.Variables, *p.VariablesVisible}));
    QSettings second("Dorv", "Vexmo");
    EXPECT_EQ(Dump(second), written);
}

// Only a store that could not be written is reported; one whose old file held lines the
// reader did not understand is written all the same.
TEST_F(SettingsStore, OnlyARealWriteFailureIsReported) {
    struct Row {
        const char* name;
        const char* path;      // inside a fresh folder
        QByteArray oldFile;    // written first unless empty
        const char* blocker;   // a file created where a folder is needed, unless empty
        bool written;
    };
    const Row rows[] = {
        {"no file yet", "Vexmo.conf", "", "", true},
        {"a line without a value", "Vexmo.conf", "[General]\nfoo\nLanguage=1\n", "", true},
        {"random bytes", "Vexmo.conf", QByteArray("\x01\xff[\n\\\n=\n\0x", 10), "", true},
        {"the folder is a file", "notafolder/Vexmo.conf", "", "notafolder", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        if (*row.blocker) {
            QFile blocker(dir.filePath(row.blocker));
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        }
        const QString path = dir.filePath(row.path);
        if (!row.oldFile.isEmpty()) {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write(row.oldFile);
        }
        Settings s;
        s.OptPrecision = 7;
        {
            QSettings store(path, QSettings::IniFormat);
            EXPECT_EQ(WriteSettings(store, s, {}), row.written);
        }
        if (row.written) {
            QSettings back(path, QSettings::IniFormat);
            EXPECT_EQ(back.value("OptPrecision").toInt(), 7);
        }
    }
}

TEST(ColorNumbers, MapToColours) {
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Text, QColor(4, 5, 6));
    palette.setColor(QPalette::Highlight, QColor(7, 8, 9));
    struct Row {
        const char* name;
        ColorNumber number;
        QColor colour;
    };
    const Row rows[] = {
        {"red byte is the low byte", clRed, QColor(255, 0, 0)},
        {"blue byte is the third byte", 0x00FF0000, QColor(0, 0, 255)},
        {"mixed", 0x00123456, QColor(0x56, 0x34, 0x12)},
        {"window background", clWindow, QColor(1, 2, 3)},
        {"window text", clWindowText, QColor(4, 5, 6)},
        {"highlight", 0x8000000D, QColor(7, 8, 9)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ColorFromNumber(row.number, palette), row.colour);
    }
}

TEST(ColorNumbers, NamesAndTexts) {
    const NamedColor* colours = NamedColors();
    QSet<QString> names;
    QSet<ColorNumber> numbers;
    for (int i = 0; i < NamedColorCount; ++i) {
        names.insert(colours[i].Name);
        numbers.insert(colours[i].Number);
    }
    EXPECT_EQ(names.size(), 52);
    EXPECT_EQ(numbers.size(), 52) << "every name stands for its own number";
    EXPECT_STREQ(colours[0].Name, "clBlack");
    EXPECT_STREQ(colours[NamedColorCount - 1].Name, "clWindowText");
    EXPECT_EQ(ColorNumberText(clGreen), "clGreen");
    EXPECT_EQ(ColorNumberText(0x80000005), "clWindow");
    EXPECT_EQ(ColorNumberText(0x00123456), "$00123456");
    EXPECT_EQ(NamedColorIndex(0x00123456), -1);
}
