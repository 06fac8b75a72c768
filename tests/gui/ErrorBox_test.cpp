// The standard error box: its text rule, icon, button and caption.

#include "shell/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include "QtWait.h"

using namespace vexmo;

TEST(ErrorBoxTest, FullStopIsAppendedAfterCharactersThatSortAfterIt) {
    struct Row {
        const char* message;
        const char* shown;
    };
    const Row rows[] = {
        {"Invalid floating point operation", "Invalid floating point operation."},
        {"'1..2' is not a valid floating point value", "'1..2' is not a valid floating point value."},
        {"Division by zero.", "Division by zero."},
        {"Overflow!", "Overflow!"},
        {"value (1.5)", "value (1.5)"},
        {"ends with 7", "ends with 7."},
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        EXPECT_EQ(ErrorBoxText(QString::fromLatin1(row.message)), QString::fromLatin1(row.shown));
        // Applying it twice changes nothing, so callers may pass text already ruled.
        EXPECT_EQ(ErrorBoxText(ErrorBoxText(QString::fromLatin1(row.message))),
                  QString::fromLatin1(row.shown));
    }
}

TEST(ErrorBoxTest, StopIconOkButtonAndTheWindowCaption) {
    QWidget window;
    window.setWindowTitle(QStringLiteral("calc1.vxm - Vexmo"));
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    vexmo::test::AnswerWhenShown<QMessageBox> answer([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        buttons = box.standardButtons();
        box.accept();
    });
    ShowErrorBox(&window, QStringLiteral("Invalid number"));
    EXPECT_TRUE(answer.Shown());
    EXPECT_EQ(title, QStringLiteral("calc1.vxm - Vexmo"));
    EXPECT_EQ(text, QStringLiteral("Invalid number."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, QMessageBox::Ok);
}
