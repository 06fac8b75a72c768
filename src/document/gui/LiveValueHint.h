#pragma once
// The value of the line being edited, shown faintly after the end of that line once the
// user pauses. It is painted over the pane's viewport and is no part of the text.

#include "document/core/LinePreview.h"

#include <QString>
#include <QTimer>
#include <QWidget>

namespace vexmo {

class TCalcPane;
class Variables;

class TLiveValueHint : public QWidget {
    Q_OBJECT

  public:
    static constexpr int PauseMs = 150;

    TLiveValueHint(TCalcPane* pane, const Variables* store);

    void SetEnabled(bool on);
    // The text shown now ("" when none), with its arrow.
    QString Text() const { return text_; }
    int Line() const { return line_; }
    // Previews the caret's line at once (the pause ended).
    void PreviewNow();
    void Clear();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnContentsChange(int position, int removed, int added);
    void OnCaretMoved();

    TCalcPane* pane_;
    const Variables* store_;
    LinePreviewer previewer_;
    QTimer pause_;
    bool enabled_ = false;
    QString text_;
    int line_ = -1;
    bool failed_ = false;
};

} // namespace vexmo
