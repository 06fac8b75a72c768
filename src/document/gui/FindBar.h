#pragma once
// The find bar under the calculation pane: finds text forwards and backwards, with match case
// and whole words, and in its replace form replaces one match or all of them. Answer runs are
// searched but never replaced: a match that reaches into a line's answer run is left as it is.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextCursor;

namespace vexmo {

class TFindBar : public QWidget {
    Q_OBJECT

  public:
    // `pane` is the text searched; it must outlive the bar.
    explicit TFindBar(QPlainTextEdit* pane, QWidget* parent = nullptr);

    // Shows the bar with the find row only, or with the replace row too, and puts the focus
    // in the find field, which takes the pane's selection when it is part of one line.
    void OpenFind();
    void OpenReplace();
    // Hides the bar and gives the focus back to the pane; the match stays selected there.
    void Close();
    bool ReplaceShown() const;

    // Selects the next (or previous) match in the pane, going round the document's end;
    // false when there is none.
    bool FindNext(bool backward = false);
    // Replaces the match selected in the pane (if the selection is one), then selects the
    // next match. False when nothing was replaced.
    bool ReplaceCurrent();
    // Replaces every match outside the answer runs as one undo step; the number replaced.
    int ReplaceAll();

    // 1 English, any other value Japanese.
    void SetLanguage(int language);

    QLineEdit* FindField() const { return findField_; }
    QLineEdit* ReplaceField() const { return replaceField_; }
    QCheckBox* MatchCase() const { return matchCase_; }
    QCheckBox* WholeWords() const { return wholeWords_; }
    // What the last command found or did ("No match", "3 replaced" ...).
    QString Message() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Open(bool withReplace);
    void SetMessage(const QString& english, const QString& japanese);
    // The match starting at or after (before, when backward) `from`, or a null cursor.
    QTextCursor Search(int from, bool backward) const;
    // Whether the selected text of `match` lies wholly in its line's expression part.
    bool Replaceable(const QTextCursor& match) const;
    // Runs a replacement as the user's own edit of the pane.
    template <class Edit> void AsUserEdit(Edit&& edit);
    bool IsMatch(const QTextCursor& selection) const;

    QPlainTextEdit* pane_;
    int language_ = 1;
    QLineEdit* findField_;
    QLineEdit* replaceField_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWords_;
    QPushButton* next_;
    QPushButton* previous_;
    QPushButton* replace_;
    QPushButton* replaceAll_;
    QPushButton* close_;
    QLabel* findLabel_;
    QLabel* replaceLabel_;
    QLabel* message_;
    QWidget* replaceRow_;
};

} // namespace vexmo
