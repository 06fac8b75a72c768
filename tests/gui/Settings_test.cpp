// The settings store: reading value by value with its fall-backs, placement checks, writing
// and reading back, colour numbers.
#include "document/gui/ReadableColors.h"
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
    s.OptRecallLastVariables = false;
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
    EXPECT_EQ(s.OptPrecision, 15);
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

TEST_F(SettingsStore, EachValueIsReadOnItsOwn) {
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
        {"stored precision 0 reads as 18, as it always has",
         [](QSettings& st) { st.setValue("OptPrecision", 0); },
         [](const Settings& s) { EXPECT_EQ(s.OptPrecision, 18); }},
        {"stored precision 18 is kept",
         [](QSettings& st) { st.setValue("OptPrecision", 18); },
         [](const Settings& s) { EXPECT_EQ(s.OptPrecision, 18); }},
        {"precision beyond 18 reads as the default",
         [](QSettings& st) { st.setValue("OptPrecision", 999); },
         [](const Settings& s) { EXPECT_EQ(s.OptPrecision, 15); }},
        {"unknown number format reads as general, the rest stays",
         [](QSettings& st) { st.setValue("OptNumFormat", 42); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptNumFormat, 0);
             EXPECT_EQ(s.OptPrecision, 12);
             EXPECT_EQ(s.Language, 2);
         }},
        {"clipboard codes out of range read as their defaults",
         [](QSettings& st) {
             st.setValue("OptNumFormatClipboard", 7);
             st.setValue("OptNumFormatArray", -1);
             st.setValue("OptNumFormatComplex", 3);
         },
         [](const Settings& s) {
             EXPECT_EQ(s.OptNumFormatClipboard, 0);
             EXPECT_EQ(s.OptNumFormatArray, 0);
             EXPECT_EQ(s.OptNumFormatComplex, 0);
         }},
        {"key codes out of range read as their defaults",
         [](QSettings& st) {
             st.setValue("OptReturn", 4);
             st.setValue("OptShiftReturn", -2);
             st.setValue("OptCtrlReturn", 99);
         },
         [](const Settings& s) {
             EXPECT_EQ(s.OptReturn, 1);
             EXPECT_EQ(s.OptShiftReturn, 2);
             EXPECT_EQ(s.OptCtrlReturn, 3);
         }},
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
        {"missing key code takes its default, the values after it are read",
         [](QSettings& st) { st.remove("OptShiftReturn"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptReturn, 3);
             EXPECT_EQ(s.OptShiftReturn, 2);
             EXPECT_EQ(s.OptCtrlReturn, 2);
             EXPECT_EQ(s.Language, 2);
             EXPECT_FALSE(s.TipHint);
         }},
        {"precision of the wrong type reads as the default, digits still read",
         [](QSettings& st) { st.setValue("OptPrecision", "twelve"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptNumFormat, 2);
             EXPECT_EQ(s.OptPrecision, 15);
             EXPECT_EQ(s.OptDigits, 3);
         }},
        {"missing number format: the other values are read",
         [](QSettings& st) { st.remove("OptNumFormat"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptNumFormat, 0);
             EXPECT_EQ(s.OptPrecision, 12);
             EXPECT_EQ(s.Language, 2);
         }},
        {"missing font style flag keeps face and size",
         [](QSettings& st) { st.remove("FontItalic"); },
         [](const Settings& s) {
             EXPECT_TRUE(s.FontStored);
             EXPECT_EQ(s.FontName, "DejaVu Sans Mono");
             EXPECT_TRUE(s.FontBold);
             EXPECT_FALSE(s.FontItalic);
         }},
        {"missing font size keeps face and style",
         [](QSettings& st) { st.remove("FontSize"); },
         [](const Settings& s) {
             EXPECT_TRUE(s.FontStored);
             EXPECT_EQ(s.FontName, "DejaVu Sans Mono");
             EXPECT_EQ(s.FontSize, 0) << "the pane keeps its own size";
             EXPECT_TRUE(s.FontBold);
         }},
        {"missing colour takes its initial value alone",
         [](QSettings& st) { st.remove("OptColorArrow"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptColorBack, 0x00FFFFFFu);
             EXPECT_EQ(s.OptColorArrow, clRed);
             EXPECT_FALSE(s.OptQueryDiscard);
             EXPECT_TRUE(s.OptStayOnTop);
             EXPECT_TRUE(s.OptAutomaticallyCopyState);
         }},
        {"missing window options take their fall-backs",
         [](QSettings& st) {
             for (const char* name :
                  {"OptQueryDiscard", "OptStayOnTop", "OptSemiTransparent", "OptSimpleMode"})
                 st.remove(name);
         },
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
        {"missing recall flag hides nothing after it",
         [](QSettings& st) { st.remove("OptRecallLastFile"); },
         [](const Settings& s) {
             EXPECT_TRUE(s.OptRecallLastFile);
             EXPECT_EQ(s.RecallFileName, "/tmp/doc.vxm");
             EXPECT_FALSE(s.OptQueryDiscard);
             EXPECT_EQ(s.OptColorArrow, 0x00FF0000u);
         }},
        {"recall flag of the wrong type takes its default alone",
         [](QSettings& st) { st.setValue("OptRecallLastFile", "maybe"); },
         [](const Settings& s) {
             EXPECT_TRUE(s.OptRecallLastFile);
             EXPECT_FALSE(s.OptRecallLastVariables);
             EXPECT_EQ(s.RecallFileName, "/tmp/doc.vxm");
         }},
        {"colour of the wrong type takes its initial value alone",
         [](QSettings& st) { st.setValue("OptColorBack", "white"); },
         [](const Settings& s) {
             EXPECT_EQ(s.OptColorBack, clWindow);
             EXPECT_EQ(s.OptColorArrow, 0x00FF0000u);
             EXPECT_FALSE(s.OptQueryDiscard);
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
    EXPECT_EQ(p.Variables, QRect(30, 40, 200, 300)) << "complete bounds need no visibility";
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

TEST(FirstStart, WindowFitsTheScreenAndCentres) {
    struct Row {
        const char* name;
        QRect available;
        bool atLeastMinimum; // the screen is too small for 60 %: 800 × 500 or the whole screen
    };
    const Row rows[] = {
        {"1280 x 800", QRect(0, 0, 1280, 800), false},
        {"1920 x 1080 below a panel", QRect(0, 32, 1920, 1048), false},
        {"second screen to the right", QRect(1920, 0, 2560, 1440), false},
        {"1024 x 600 gets 800 x 500", QRect(0, 0, 1024, 600), true},
        {"640 x 480 gets the whole screen", QRect(0, 0, 640, 480), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QRect bounds = FirstWindowBounds(row.available);
        EXPECT_TRUE(row.available.contains(bounds));
        EXPECT_LE(std::abs((bounds.left() - row.available.left()) -
                           (row.available.right() - bounds.right())), 1);
        EXPECT_LE(std::abs((bounds.top() - row.available.top()) -
                           (row.available.bottom() - bounds.bottom())), 1);
        const double share = double(bounds.width()) * bounds.height() /
                             (double(row.available.width()) * row.available.height());
        if (row.atLeastMinimum) {
            EXPECT_EQ(bounds.width(), std::min(800, row.available.width()));
            EXPECT_EQ(bounds.height(), std::min(500, row.available.height()));
        } else {
            EXPECT_NEAR(share, 0.6, 0.01);
        }
        EXPECT_TRUE(PlacementFits(bounds.translated(-row.available.topLeft()),
                                  QRect(QPoint(0, 0), row.available.size())));
    }
}

TEST(EditorColours, DefaultsReadableOnLightAndDarkPalettesPickedColoursKept) {
    // Reference values of the contrast formula first, so the rows below measure truly.
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(Qt::white, Qt::white), 1.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.01);
    EXPECT_NEAR(ContrastRatio(QColor(255, 0, 0), Qt::white), 4.0, 0.01);

    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    struct Row {
        const char* name;
        const QPalette* palette;
        ColorNumber back, arrow, answer;
        bool arrowPicked, answerPicked;
    };
    const Row rows[] = {
        {"light palette, defaults", &light, clWindow, clRed, clGreen, false, false},
        {"dark palette, defaults", &dark, clWindow, clRed, clGreen, false, false},
        {"dark palette, picked lime answer", &dark, clWindow, clRed, 0x0000FF00,
         false, true},
        {"picked black background, default answer", &light, 0x00000000, clRed, clGreen, false,
         false},
        {"light palette, picked maroon arrow", &light, clWindow, 0x00000080, clGreen, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Settings s;
        s.OptColorBack = row.back;
        s.OptColorArrow = row.arrow;
        s.OptColorAnswer = row.answer;
        const EditorColors used = UsedEditorColors(s, *row.palette);
        EXPECT_EQ(used.Back, ColorFromNumber(row.back, *row.palette));
        EXPECT_EQ(used.Expression, row.palette->color(QPalette::Text));
        if (row.arrowPicked)
            EXPECT_EQ(used.Arrow, ColorFromNumber(row.arrow, *row.palette));
        else
            EXPECT_GE(ContrastRatio(used.Arrow, used.Back), 4.5);
        if (row.answerPicked)
            EXPECT_EQ(used.Answer, ColorFromNumber(row.answer, *row.palette));
        else
            EXPECT_GE(ContrastRatio(used.Answer, used.Back), 4.5);
        // Still red and green: only the lightness moves.
        if (!row.arrowPicked) EXPECT_LE(std::min(used.Arrow.hslHue(), 360 - used.Arrow.hslHue()), 3);
        if (!row.answerPicked) EXPECT_NEAR(used.Answer.hslHue(), 120, 3);
        // The faint live value and out-of-date marks are made from these; they reach 3:1.
        const QColor faint = WithContrast(
            QColor::fromRgbF(used.Answer.redF() * 0.5f + used.Back.redF() * 0.5f,
                             used.Answer.greenF() * 0.5f + used.Back.greenF() * 0.5f,
                             used.Answer.blueF() * 0.5f + used.Back.blueF() * 0.5f),
            used.Back, FaintContrast);
        EXPECT_GE(ContrastRatio(faint, used.Back), 3.0);
    }
}

TEST_F(SettingsStore, ConveniencesAreStoredAndReadBack) {
    Settings written;
    written.OptShowZeroImaginary = false;
    written.RecentFiles = {"/home/u/b.vxm", "/home/u/with, comma.vxm", "/home/u/a.vxm"};
    written.LastFolder = "/home/u/projects";
    written.OptColorAnswer = 0x0000FF00;
    {
        QSettings store("Dorv", "Vexmo");
        ASSERT_TRUE(WriteSettings(store, written, {QRect(10, 20, 900, 600), {}, false}));
    }
    QSettings store("Dorv", "Vexmo");
    Settings read;
    const StoredPlacement placement = ReadSettings(store, read, kScreen);
    EXPECT_FALSE(read.OptShowZeroImaginary);
    EXPECT_EQ(read.RecentFiles, written.RecentFiles);
    EXPECT_EQ(read.LastFolder, written.LastFolder);
    EXPECT_EQ(read.OptColorAnswer, 0x0000FF00u) << "a picked colour is stored as picked";
    ASSERT_TRUE(placement.MainWnd.has_value());
    EXPECT_EQ(*placement.MainWnd, QRect(10, 20, 900, 600));

    // One file only is stored as a plain text; a store from before keeps the defaults.
    written.RecentFiles = {"/home/u/only.vxm"};
    ASSERT_TRUE(WriteSettings(store, written, {}));
    store.remove("OptShowZeroImaginary");
    Settings again;
    ReadSettings(store, again, kScreen);
    EXPECT_EQ(again.RecentFiles, written.RecentFiles);
    EXPECT_TRUE(again.OptShowZeroImaginary);
}
