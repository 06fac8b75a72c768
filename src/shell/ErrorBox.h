#pragma once
// The application's standard error box: the failure's message with a stop icon and an OK
// button, titled with the main window's caption.

#include <QString>

class QWidget;

namespace vexmo {

// The message as shown: a full stop is appended when the last character sorts after the full
// stop, so "Invalid number" gets one while "(1.5)" or "Done." do not. A very long message
// loses its middle, marked by an ellipsis.
QString ErrorBoxText(const QString& message);

// Modal; the caption is the window caption of `parent`'s window.
void ShowErrorBox(QWidget* parent, const QString& message);

}  // namespace vexmo
