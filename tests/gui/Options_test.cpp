// The Options dialog on its real widgets: filling, take-over on OK, Cancel, the samples and
// the zoom button.
#include "files/DlgZoomButton.h"
#include "files/Options.h"
#include "files/OptionsJ.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

#include "QtWait.h"

using namespace vexmo;

namespace {

Settings EnglishSettings() {
    Settings s;
    s.Language = 1;
    return s;
}

QFont EditorFont() {
    QFont font("DejaVu Sans Mono", 10);
    font.setItalic(true);
    return font;
}

// Presses a button of the modal dialog as soon as it shows.
void PressWhenShown(const std::function<QPushButton*(TFrmOptions*)>& button,
                    const std::function<void(TFrmOptions*)>& edit = {}) {
    vexmo::test::AnswerNextDialog<TFrmOptions>([=](TFrmOptions& dialog) {
        if (edit)
            edit(&dialog);
        button(&dialog)->click();
    });
}

}  // namespace

TEST(Options, DialogClassFollowsTheLanguage) {
    struct Row {
        const char* name;
        int language;
        bool japanese;
    };
    const Row rows[] = {{"English", 1, false}, {"Japanese", 2, true}, {"not chosen", 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto dialog = CreateOptionsDialog(row.language, nullptr);
        EXPECT_EQ(dynamic_cast<TFrmOptionsJ*>(dialog.get()) != nullptr, row.japanese);
        EXPECT_EQ(dialog->windowTitle(), row.japanese ? "オプション" : "Options");
        EXPECT_EQ(dialog->PageControl1->count(), 8);
        EXPECT_EQ(dialog->PageControl1->tabText(6), row.japanese ? "色(&C)" : "&Color");
        EXPECT_EQ(dialog->PageControl1->tabText(7), row.japanese ? "編集(&E)" : "&Editing");
        EXPECT_EQ(dialog->BtnCancel->text(), "Cancel");
        EXPECT_EQ(dialog->CboColorAnswer->count(), 52);
        // Colours by plain names in the interface language, each with its swatch.
        const int window = NamedColorIndex(clWindow);
        EXPECT_EQ(dialog->CboColorBack->itemText(window),
                  row.japanese ? "ウィンドウの背景 (システム)" : "Window background (system)");
        EXPECT_EQ(dialog->CboColorAnswer->itemText(NamedColorIndex(clGreen)),
                  row.japanese ? "緑" : "Green");
        EXPECT_FALSE(dialog->CboColorArrow->itemIcon(window).isNull());
        EXPECT_EQ(dialog->ChkShowZeroImaginary->text(),
                  row.japanese ? "虚部が0でも表示する(&Z)" : "Show a &zero imaginary part");
    }
}

TEST(Options, FillShowsTheSettings) {
    Settings s = EnglishSettings();
    s.OptNumFormat = 3;
    s.OptPrecision = 25;
    s.OptReturn = 2;
    s.OptColorArrow = 0xFF0000;
    s.OptColorAnswer = 0x123456;  // stored by hand, no name
    TFrmOptions dialog;
    dialog.Fill(s, EditorFont());
    EXPECT_TRUE(dialog.RGrpNumFormat->Item(3)->isChecked());
    EXPECT_EQ(dialog.EditPrecision->Text(), "25");
    EXPECT_EQ(dialog.CboReturn->currentIndex(), 1);
    EXPECT_EQ(dialog.CboColorArrow->currentText(), "Blue");
    EXPECT_EQ(dialog.CboColorAnswer->currentIndex(), -1);
    EXPECT_TRUE(dialog.RGrpLanguage->Item(0)->isChecked());
    EXPECT_TRUE(dialog.ChkQueryDiscard->isChecked());
    EXPECT_EQ(dialog.LblFontName->text(), EditorFont().family());
    EXPECT_EQ(dialog.LblFontSize->text(), "10");
    EXPECT_FALSE(dialog.DialogFont().italic()) << "the font page shows the font without style";
}

TEST(Options, TakeOverOnOk) {
    struct Row {
        const char* name;
        std::function<void(TFrmOptions&)> edit;
        std::function<void(const Settings&, const QFont&)> check;
    };
    const Row rows[] = {
        {"nothing changed keeps every value",
         [](TFrmOptions&) {},
         [](const Settings& s, const QFont& f) {
             const Settings before = EnglishSettings();
             EXPECT_EQ(s.OptNumFormat, before.OptNumFormat);
             EXPECT_EQ(s.OptPrecision, before.OptPrecision);
             EXPECT_EQ(s.OptNumFormatStr, before.OptNumFormatStr);
             EXPECT_EQ(s.OptShiftReturn, before.OptShiftReturn);
             EXPECT_EQ(s.Language, 1);
             EXPECT_EQ(s.OptColorBack, clWindow);
             EXPECT_TRUE(s.OptQueryDiscard);
             EXPECT_EQ(f.family(), EditorFont().family());
         }},
        {"precision typed as text keeps the previous precision",
         [](TFrmOptions& d) { d.EditPrecision->SetText("abc"); },
         [](const Settings& s, const QFont&) { EXPECT_EQ(s.OptPrecision, 15); }},
        {"precision beyond the arrows is taken as typed",
         [](TFrmOptions& d) { d.EditPrecision->SetText("25"); },
         [](const Settings& s, const QFont&) { EXPECT_EQ(s.OptPrecision, 25); }},
        {"number format, digits and user format",
         [](TFrmOptions& d) {
             d.RGrpNumFormat->Item(4)->click();
             d.EditDigits->SetText("4");
             d.CboUserFormat->setEditText("0.0");
         },
         [](const Settings& s, const QFont&) {
             EXPECT_EQ(s.OptNumFormat, 4);
             EXPECT_EQ(s.OptDigits, 4);
             EXPECT_EQ(s.OptNumFormatStr, "0.0");
         }},
        {"clipboard choices",
         [](TFrmOptions& d) {
             d.RGrpClipboardFormat->Item(1)->click();
             d.RGrpArrayFormat->Item(3)->click();
             d.RGrpComplexFormat->Item(2)->click();
         },
         [](const Settings& s, const QFont&) {
             EXPECT_EQ(s.OptNumFormatClipboard, 1);
             EXPECT_EQ(s.OptNumFormatArray, 3);
             EXPECT_EQ(s.OptNumFormatComplex, 2);
         }},
        {"key codes are list positions plus one",
         [](TFrmOptions& d) {
             d.CboReturn->setCurrentIndex(2);
             d.CboCtrlReturn->setCurrentIndex(0);
         },
         [](const Settings& s, const QFont&) {
             EXPECT_EQ(s.OptReturn, 3);
             EXPECT_EQ(s.OptShiftReturn, 2);
             EXPECT_EQ(s.OptCtrlReturn, 1);
         }},
        {"language",
         [](TFrmOptions& d) { d.RGrpLanguage->Item(1)->click(); },
         [](const Settings& s, const QFont&) { EXPECT_EQ(s.Language, 2); }},
        {"check boxes",
         [](TFrmOptions& d) {
             d.ChkTipHint->setChecked(false);
             d.ChkRecallLastFile->setChecked(false);
             d.ChkRecallLastVariables->setChecked(false);
             d.ChkQueryDiscard->setChecked(false);
             d.ChkStayOnTop->setChecked(true);
             d.ChkSemiTransparent->setChecked(true);
             d.ChkSimpleMode->setChecked(true);
         },
         [](const Settings& s, const QFont&) {
             EXPECT_FALSE(s.TipHint);
             EXPECT_FALSE(s.OptRecallLastFile);
             EXPECT_FALSE(s.OptRecallLastVariables);
             EXPECT_FALSE(s.OptQueryDiscard);
             EXPECT_TRUE(s.OptStayOnTop);
             EXPECT_TRUE(s.OptSemiTransparent);
             EXPECT_TRUE(s.OptSimpleMode);
         }},
        {"colours from their names",
         [](TFrmOptions& d) {
             d.CboColorBack->setCurrentText("Cream");
             d.CboColorAnswer->setCurrentText("Navy");
         },
         [](const Settings& s, const QFont&) {
             EXPECT_EQ(s.OptColorBack, 0xF0FBFFu);
             EXPECT_EQ(s.OptColorAnswer, 0x800000u);
             EXPECT_EQ(s.OptColorArrow, clRed);
         }},
        {"colour list without a selection keeps the stored number",
         [](TFrmOptions& d) { d.CboColorExpression->setCurrentIndex(-1); },
         [](const Settings& s, const QFont&) { EXPECT_EQ(s.OptColorExpression, clWindowText); }},
        {"face and size of the chosen font, not its style",
         [](TFrmOptions& d) {
             QFont chosen("DejaVu Serif", 15);
             chosen.setBold(true);
             d.SetDialogFont(chosen);
         },
         [](const Settings& s, const QFont& f) {
             EXPECT_EQ(f.family(), "DejaVu Serif");
             EXPECT_EQ(f.pointSize(), 15);
             EXPECT_FALSE(f.bold());
             EXPECT_TRUE(f.italic()) << "the editor keeps its own style";
             EXPECT_TRUE(s.FontStored);
             EXPECT_EQ(s.FontName, "DejaVu Serif");
             EXPECT_EQ(s.FontSize, 15);
             EXPECT_TRUE(s.FontItalic);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Settings s = EnglishSettings();
        QFont font = EditorFont();
        TFrmOptions dialog;
        dialog.Fill(s, font);
        row.edit(dialog);
        dialog.TakeOver(s, font);
        row.check(s, font);
    }
}

TEST(Options, NoSelectionKeepsStoredChoices) {
    Settings s = EnglishSettings();
    s.OptNumFormat = 7;  // outside the radio group
    s.OptReturn = 9;
    s.OptColorBack = 0x00ABCDEF;
    QFont font = EditorFont();
    TFrmOptions dialog;
    dialog.Fill(s, font);
    EXPECT_EQ(dialog.RGrpNumFormat->ItemIndex(), -1);
    EXPECT_EQ(dialog.CboReturn->currentIndex(), -1);
    EXPECT_EQ(dialog.CboColorBack->currentIndex(), -1);
    dialog.TakeOver(s, font);
    EXPECT_EQ(s.OptNumFormat, 7);
    EXPECT_EQ(s.OptReturn, 9);
    EXPECT_EQ(s.OptColorBack, 0x00ABCDEFu);
}

TEST(Options, ExecuteTakesOverOnlyOnOk) {
    {
        Settings s = EnglishSettings();
        QFont font = EditorFont();
        PressWhenShown([](TFrmOptions* d) { return d->BtnCancel; },
                       [](TFrmOptions* d) {
                           d->EditPrecision->SetText("5");
                           d->CboColorBack->setCurrentText("Black");
                       });
        EXPECT_FALSE(ExecuteOptions(nullptr, s, font));
        EXPECT_EQ(s.OptPrecision, 15);
        EXPECT_EQ(s.OptColorBack, clWindow);
        EXPECT_FALSE(s.FontStored);
    }
    {
        Settings s = EnglishSettings();
        QFont font = EditorFont();
        PressWhenShown([](TFrmOptions* d) { return d->BtnOK; },
                       [](TFrmOptions* d) {
                           d->EditPrecision->SetText("5");
                           d->CboColorBack->setCurrentText("Black");
                       });
        EXPECT_TRUE(ExecuteOptions(nullptr, s, font));
        EXPECT_EQ(s.OptPrecision, 5);
        EXPECT_EQ(s.OptColorBack, 0u);
        EXPECT_TRUE(s.FontStored);
    }
}

TEST(Options, FormatSampleFollowsTheChoices) {
    TFrmOptions dialog;
    dialog.Fill(EnglishSettings(), EditorFont());
    const auto firstLine = [&] {
        return dialog.MemoSample->document()->firstBlock().text();
    };
    EXPECT_EQ(dialog.MemoSample->document()->blockCount(), 4);
    EXPECT_TRUE(firstLine().startsWith("_PI := 3.14159265358979")) << firstLine().toStdString();
    EXPECT_FALSE(dialog.CboUserFormat->isEnabled());
    EXPECT_TRUE(dialog.EditPrecision->isEnabled());

    dialog.RGrpNumFormat->Item(2)->click();  // fixed
    dialog.EditDigits->SetText("2");
    EXPECT_EQ(firstLine(), "_PI := 3.14 +_I 0.00");

    dialog.EditDigits->SetText("x");  // not a number: the sample stays
    EXPECT_EQ(firstLine(), "_PI := 3.14 +_I 0.00");

    dialog.RGrpNumFormat->Item(4)->click();
    EXPECT_TRUE(dialog.CboUserFormat->isEnabled());
    EXPECT_FALSE(dialog.EditPrecision->isEnabled());
    EXPECT_FALSE(dialog.EditDigits->isEnabled());
}

TEST(Options, NumberBoxArrowsStayWithinRange) {
    TFrmOptions dialog;
    Settings s = EnglishSettings();
    dialog.Fill(s, EditorFont());
    dialog.EditPrecision->SetText("18");
    dialog.EditPrecision->stepBy(1);
    EXPECT_EQ(dialog.EditPrecision->Text(), "18");
    dialog.EditPrecision->SetText("25");
    dialog.EditPrecision->stepBy(-1);
    EXPECT_EQ(dialog.EditPrecision->Text(), "18");
    dialog.EditDigits->SetText("0");
    dialog.EditDigits->stepBy(-3);
    EXPECT_EQ(dialog.EditDigits->Text(), "0");
    dialog.EditDigits->stepBy(2);
    EXPECT_EQ(dialog.EditDigits->Text(), "2");
}

TEST(Options, ColourSampleTakesTheListedColours) {
    TFrmOptions dialog;
    dialog.Fill(EnglishSettings(), EditorFont());
    dialog.CboColorBack->setCurrentText("Yellow");
    dialog.CboColorExpression->setCurrentText("Blue");
    dialog.CboColorArrow->setCurrentText("Lime");
    dialog.CboColorAnswer->setCurrentText("Maroon");

    EXPECT_EQ(dialog.REditColorSample->palette().color(QPalette::Base), QColor(255, 255, 0));
    const QTextBlock block = dialog.REditColorSample->document()->firstBlock();
    EXPECT_EQ(block.text(), SampleAnswerLine());
    EXPECT_EQ(block.text(), "2*_PI ==> 6.28318530717959 +_I 0");
    QStringList runs;
    QList<QColor> colours;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        runs << it.fragment().text();
        colours << it.fragment().charFormat().foreground().color();
    }
    EXPECT_EQ(runs, QStringList({"2*_PI", " ==> ", "6.28318530717959 +_I 0"}));
    EXPECT_EQ(colours, QList<QColor>({QColor(0, 0, 255), QColor(0, 255, 0), QColor(128, 0, 0)}));
}

TEST(Options, ZoomSteps) {
    TFrmOptions dialog;
    dialog.Fill(EnglishSettings(), EditorFont());
    TDlgZoomButton* zoom = dialog.DlgZoomButton1;
    const QSize client = dialog.size();
    const QRect ok = dialog.BtnOK->geometry();
    const QRect list = dialog.CboColorAnswer->geometry();  // on a page
    const QRect button = zoom->geometry();
    ASSERT_EQ(zoom->State(), dzSmall);
    ASSERT_EQ(dialog.font().pointSize(), 9);
    EXPECT_EQ(button.size(), QSize(25, 25));

    struct Step {
        const char* name;
        TDlgZoomState state;
        int ratio;
        int fontSize;
    };
    const Step steps[] = {{"medium", dzMedium, 125, 11},
                          {"large", dzLarge, 150, 13},
                          {"back to small", dzSmall, 100, 9}};
    const auto scaled = [](const QRect& r, int ratio) {
        return QRect(r.x() * ratio / 100, r.y() * ratio / 100, r.width() * ratio / 100,
                     r.height() * ratio / 100);
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        zoom->click();
        EXPECT_EQ(zoom->State(), step.state);
        EXPECT_EQ(dialog.size(), QSize(client.width() * step.ratio / 100,
                                       client.height() * step.ratio / 100));
        EXPECT_EQ(dialog.font().pointSize(), step.fontSize);
        EXPECT_EQ(dialog.BtnOK->geometry(), scaled(ok, step.ratio));
        EXPECT_EQ(dialog.CboColorAnswer->geometry(), scaled(list, step.ratio));
        EXPECT_EQ(zoom->geometry(), QRect(scaled(button, step.ratio).topLeft(), QSize(25, 25)))
            << "the zoom button moves but keeps its size";
    }
}

TEST(ZoomButton, ScalesABareDialog) {
    QDialog dialog;
    dialog.setFixedSize(359, 288);
    QFont font = dialog.font();
    font.setPointSize(9);
    dialog.setFont(font);
    auto* edit = new QLineEdit(&dialog);
    edit->setObjectName("Edit1");
    edit->setGeometry(10, 20, 101, 23);
    auto* unnamed = new QLabel(&dialog);  // not a placed control: left alone
    unnamed->setGeometry(5, 5, 50, 20);
    auto* zoom = new TDlgZoomButton(&dialog);
    zoom->setObjectName("Zoom1");
    zoom->setGeometry(8, 255, 25, 25);
    zoom->SetMediumRatio(125);
    zoom->SetLargeRatio(150);
    zoom->SetMediumCaption("M");

    zoom->SetState(dzLarge);  // nothing recorded yet: no effect
    EXPECT_EQ(dialog.size(), QSize(359, 288));

    zoom->RecordLayout();
    EXPECT_EQ(zoom->State(), dzSmall);
    EXPECT_EQ(dialog.size(), QSize(359, 288));

    zoom->click();
    EXPECT_EQ(dialog.size(), QSize(448, 360));
    EXPECT_EQ(edit->geometry(), QRect(12, 25, 126, 28));
    EXPECT_EQ(unnamed->geometry(), QRect(5, 5, 50, 20));
    EXPECT_EQ(zoom->text(), "M");
    zoom->click();
    EXPECT_EQ(dialog.size(), QSize(538, 432));
    zoom->click();
    EXPECT_EQ(dialog.size(), QSize(359, 288));
    EXPECT_EQ(edit->geometry(), QRect(10, 20, 101, 23));

    zoom->SetMoveable(false);
    zoom->SetSizeable(true);  // applies the current state at once
    zoom->SetState(dzLarge);
    EXPECT_EQ(zoom->geometry(), QRect(8, 255, 37, 37)) << "kept its place, took the size";
    EXPECT_EQ(edit->geometry(), QRect(15, 30, 151, 34));
}
