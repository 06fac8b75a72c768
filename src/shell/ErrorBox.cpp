#include "shell/ErrorBox.h"

#include <QMessageBox>
#include <QWidget>

namespace vexmo {

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.') return message + u'.';
    return message;
}

void ShowErrorBox(QWidget* parent, const QString& message) {
    const QString title = parent ? parent->window()->windowTitle() : QString();
    QMessageBox box(QMessageBox::Critical, title, ErrorBoxText(message), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace vexmo
