#include "document/gui/Clipboard.h"

#include "document/core/ClipText.h"
#include "document/gui/Variables.h"
#include "engine/Variables.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <stdexcept>

namespace vexmo {

TClipboard::TClipboard(QObject* parent)
    : QObject(parent), clipboard_(QGuiApplication::clipboard()) {
    awk_.SetLineSeparator(TMatchCORE_LineSeparator::mcls_CRLF);
    connect(clipboard_, &QClipboard::dataChanged, this, &TClipboard::ClipboardChanged);
}

void TClipboard::ClipboardChanged() {
    cacheValid_ = false;
    cachedClip_ = std::string();
}

QString TClipboard::Text() const {
    // Only plain text counts; rich content without a text form reads as empty.
    const QMimeData* data = clipboard_->mimeData();
    return data && data->hasText() ? data->text() : QString();
}

bool TClipboard::HasText() const {
    const QMimeData* data = clipboard_->mimeData();
    return data && data->hasText();
}

void TClipboard::SetText(const QString& text) {
    clipboard_->setText(text);
}

void TClipboard::RefreshClip(Variables& store, int optNumFormatArray, int optNumFormatComplex) {
    if (!cacheValid_ || cachedArray_ != optNumFormatArray ||
        cachedComplex_ != optNumFormatComplex) {
        cachedClip_ =
            ClipVariableText(Text().toStdString(), optNumFormatArray, optNumFormatComplex, awk_);
        cachedArray_ = optNumFormatArray;
        cachedComplex_ = optNumFormatComplex;
        cacheValid_ = true;
    }
    // An assignment or a loaded variables file may have changed the entry since the last
    // refresh; comparing costs far less than copying a large text again.
    const int index = store.IndexOf(ClipVariableName);
    if (index >= 0 && store.At(static_cast<std::size_t>(index)).Value == cachedClip_) return;
    store.Write(ClipVariableName, cachedClip_);
}

void TClipboard::AssignClip(const std::string& value, int idx,
                            const NumberFormatSettings& settings) {
    // A plain assignment does not look at the old text, so a large clipboard is not read.
    const std::string current = idx >= 0 ? Text().toStdString() : std::string();
    const std::optional<std::string> text = ClipAssignmentText(current, value, idx, settings);
    if (!text)
        throw std::out_of_range("List index out of bounds (" + std::to_string(idx) +
                                "): the clipboard's list keeps elements 0 to " +
                                std::to_string(MaxClipElementIndex));
    SetText(QString::fromStdString(*text));
}

void TClipboard::CopyValue(const DComplex& value, const NumberFormatSettings& settings) {
    SetText(QString::fromStdString(ClipboardNumberText(value, settings)));
}

void SubstituteNotice(TFrmVariables* window, TClipboard& clipboard,
                      const NumberFormatSettings& settings, const std::string& name,
                      const std::string& value, int idx) {
    if (name == ClipVariableName)
        clipboard.AssignClip(value, idx, settings);
    else if (window)
        window->ShowAssignment(name, value, idx);
}

} // namespace vexmo
