// The About box: a fixed frame where no text is cut off, and the values of whichever program
// it reads.

#include "shell/About.h"
#include "shell/VersionInf.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "QtWait.h"

using namespace vexmo;

TEST(About, FixedBoxWhereEveryControlFits) {
    TFrmAbout box;
    EXPECT_EQ(box.size(), QSize(293, 159));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    const QRect client = box.rect();
    for (QWidget* child : box.findChildren<QWidget*>()) {
        SCOPED_TRACE(child->metaObject()->className() + std::string(" ") +
                     (qobject_cast<QLabel*>(child) ? qobject_cast<QLabel*>(child)->text().toStdString() : ""));
        EXPECT_TRUE(client.contains(child->geometry()));
        if (auto* label = qobject_cast<QLabel*>(child); label && !label->text().isEmpty()) {
            // Wrapped text must fit its height, single-line text its width.
            if (label->wordWrap())
                EXPECT_LE(label->heightForWidth(label->width()), label->height());
            else
                EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width());
        }
    }
    // The OK button is centred.
    const QRect ok = box.BtnOk()->geometry();
    EXPECT_LE(std::abs(ok.center().x() - client.center().x()), 1);
}

TEST(About, ShowsTheValuesOfTheProgramItReads) {
    TFrmAbout box;
    // The test program itself carries no version block: the value labels stay empty.
    EXPECT_EQ(box.LblCompanyName()->text(), QString());
    EXPECT_EQ(box.LblFileVersion()->text(), QString());
    EXPECT_EQ(box.LblLegalCopyright()->text(), QString());

    box.VersionInf()->SetFileName(QStringLiteral(VEXMO_PROGRAM_PATH));
    box.VersionInf()->Display();
    EXPECT_EQ(box.LblFileVersion()->text(), QStringLiteral(VEXMO_VERSION));
    EXPECT_FALSE(box.LblCompanyName()->text().isEmpty());
    EXPECT_FALSE(box.LblLegalCopyright()->text().isEmpty());
    const int width = box.LblLegalCopyright()->width();
    EXPECT_LE(QFontMetrics(box.LblLegalCopyright()->font()).horizontalAdvance(box.LblLegalCopyright()->text()),
              width);
}

TEST(About, OkClosesTheModalBox) {
    bool closed = false;
    vexmo::test::AnswerWhenShown<TFrmAbout> answer([&](TFrmAbout& box) {
        box.BtnOk()->click();
        closed = !box.isVisible();
    });
    ShowAboutBox(nullptr);
    EXPECT_TRUE(answer.Shown());
    EXPECT_TRUE(closed) << "OK left the box open";
}
