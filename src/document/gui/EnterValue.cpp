#include "document/gui/EnterValue.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vexmo {

TFrmEnterValue::TFrmEnterValue(int language, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmEnterValue"));
    setWindowTitle(QStringLiteral("Variable"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const bool english = language == 1;
    LblName = new QLabel(english ? QStringLiteral("Name:") : QStringLiteral("変数名："), this);
    LblValue = new QLabel(english ? QStringLiteral("Value:") : QStringLiteral("値："), this);
    EditName = new QLineEdit(this);
    EditValue = new QLineEdit(this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditValue->setObjectName(QStringLiteral("EditValue"));
    EditValue->setMinimumWidth(240);
    LblName->setBuddy(EditName);
    LblValue->setBuddy(EditValue);

    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnOk->setDefault(true);
    connect(BtnOk, &QPushButton::clicked, this, &TFrmEnterValue::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &TFrmEnterValue::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(LblName, 0, 0);
    fields->addWidget(EditName, 0, 1);
    fields->addWidget(LblValue, 1, 0);
    fields->addWidget(EditValue, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    // A fixed dialog frame: the size follows the contents and cannot be dragged.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFrmEnterValue::SetName(const QString& name) {
    EditName->setText(name);
}
void TFrmEnterValue::SetValue(const QString& value) {
    EditValue->setText(value);
}
QString TFrmEnterValue::Name() const {
    return EditName->text();
}
QString TFrmEnterValue::Value() const {
    return EditValue->text();
}

void TFrmEnterValue::accept() {
    if (EditName->text().isEmpty() || EditValue->text().isEmpty()) return;
    // A variable is stored and saved as name=value: a name holding "=" would come back from
    // its variables file as another name with another value.
    if (EditName->text().contains(QLatin1Char('='))) {
        EditName->setFocus();
        EditName->selectAll();
        return;
    }
    QDialog::accept();
}

void TFrmEnterValue::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace vexmo
