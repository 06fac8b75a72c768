// The About box. Fixed size with placed controls, like the small dialog it is; the value
// labels come from the version block of the running program.

#include "shell/About.h"

#include "shell/Actions.h"
#include "shell/ErrorBox.h"
#include "shell/VersionInf.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <exception>

namespace vexmo {

namespace {

constexpr int kClientWidth = 293;
constexpr int kClientHeight = 159;

QFont ArialPixels(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    // Where Arial is missing, a metric-compatible sans serif stands in.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);  // owned by the dialog
    label->setGeometry(geometry);
    return label;
}

}  // namespace

TFrmAbout::TFrmAbout(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About Vexmo"));
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setGeometry(12, 12, 32, 32);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));

    LblTitle_ = MakeLabel(this, QStringLiteral("Vexmo"), QRect(52, 6, kClientWidth - 104, 32));
    LblTitle_->setFont(ArialPixels(24));
    LblTitle_->setAlignment(Qt::AlignCenter);

    LblSubtitle_ = MakeLabel(this, QStringLiteral("- Vexmoda Light with Complex Number Support"),
                             QRect(52, 40, kClientWidth - 64, 34));
    LblSubtitle_->setFont(ArialPixels(13));
    LblSubtitle_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LblSubtitle_->setWordWrap(true);

    // Caption and value side by side; the values can be selected and copied.
    const int captionX = 12, captionWidth = 84, valueX = captionX + captionWidth;
    const int valueWidth = kClientWidth - valueX - 12, rowHeight = 16;
    auto row = [&](int y, const QString& caption) {
        MakeLabel(this, caption, QRect(captionX, y, captionWidth, rowHeight));
        QLabel* value = MakeLabel(this, QString(), QRect(valueX, y, valueWidth, rowHeight));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return value;
    };
    LblCompanyName_ = row(76, QStringLiteral("Created by"));
    LblLegalCopyright_ = row(92, QStringLiteral("Copyright(C) "));
    LblFileVersion_ = row(108, QStringLiteral("File version"));

    BtnOk_ = new QPushButton(QStringLiteral("OK"), this);  // owned by the dialog
    BtnOk_->setGeometry((kClientWidth - 75) / 2, 128, 75, 25);
    BtnOk_->setDefault(true);
    connect(BtnOk_, &QPushButton::clicked, this, &QDialog::accept);

    VersionInf1 = new TVersionInf(this);
    VersionInf1->DispCompanyName = LblCompanyName_;
    VersionInf1->DispLegalCopyright = LblLegalCopyright_;
    VersionInf1->DispFileVersion = LblFileVersion_;
    VersionInf1->SetUseExeName(true);
    VersionInf1->Display();

    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void ShowAboutBox(QWidget* parent) {
    try {
        TFrmAbout box(parent);
        box.exec();
    } catch (const std::exception& error) {
        ShowErrorBox(parent, QString::fromUtf8(error.what()));
    }
}

}  // namespace vexmo
