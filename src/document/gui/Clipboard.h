#pragma once
// The system clipboard as the calculator uses it: plain text only. It offers the clipboard's
// text to expressions as _CLIP, writes assignments to _CLIP back, and copies answers.
//
// Reading a large clipboard is not free, so the text made of it is kept until the
// clipboard announces a change; a calculation while the clipboard is unchanged then only
// checks that the store still holds that text.

#include "document/core/AnswerFormat.h"
#include "regex/bmRegExp.h"

#include <QObject>
#include <QString>

#include <string>

class QClipboard;

namespace vexmo {

class TFrmVariables;
class Variables;

class TClipboard : public QObject {
    Q_OBJECT

  public:
    explicit TClipboard(QObject* parent = nullptr);

    // The clipboard's plain text; empty when it holds none.
    QString Text() const;
    bool HasText() const;
    // Replaces the clipboard's content by a plain text.
    void SetText(const QString& text);

    // The store's _CLIP entry becomes the clipboard's text as the engine reads it: the
    // elements an element assignment would see under the array separator and complex style
    // settings, one element as a value, several as an array. An empty clipboard removes it.
    void RefreshClip(Variables& store, int optNumFormatArray, int optNumFormatComplex);

    // Writes an assignment to _CLIP (idx -1) or to its element idx to the clipboard. `value`
    // is the assigned value's DComplexToStr text. Throws when the assignment names no element
    // or the value cannot be read; the clipboard then keeps its text.
    void AssignClip(const std::string& value, int idx, const NumberFormatSettings& settings);

    // Copy automatically: the clipboard text of a calculated value.
    void CopyValue(const DComplex& value, const NumberFormatSettings& settings);

  private:
    void ClipboardChanged();

    QClipboard* clipboard_ = nullptr;
    TAWKStr awk_;
    bool cacheValid_ = false;
    int cachedArray_ = 0;
    int cachedComplex_ = 0;
    std::string cachedClip_;
};

// The name of the special variable that mirrors the clipboard; compared case-sensitively.
inline constexpr const char* ClipVariableName = "_CLIP";

// The main window's answer to the engine's assignment notice, raised before the engine
// writes the store: an assignment to _CLIP goes to the clipboard, any other to the Variables
// window (when there is one). Throws when the assignment cannot be shown or written; the
// engine then counts a failed operation.
void SubstituteNotice(TFrmVariables* window, TClipboard& clipboard,
                      const NumberFormatSettings& settings, const std::string& name,
                      const std::string& value, int idx);

} // namespace vexmo
