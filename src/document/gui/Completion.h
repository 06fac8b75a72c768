#pragma once
// Completion of names while typing: the built-in functions and constants, the variables and
// user functions of the store. The list floats under the caret and never takes the focus;
// Tab takes the chosen name, the arrows choose, Escape closes. Return keeps its meaning
// from the key map unless the user has moved into the list with the arrows.

#include <QObject>
#include <QString>
#include <QTextCursor>

#include <vector>

class QListWidget;

namespace vexmo {

class TCalcPane;
class Variables;

struct CatalogueEntry {
    enum class Kind { Variable, UserFunction, Function, Constant };
    QString Name; // as inserted ("SQRT", "_PI", a variable as stored)
    Kind Type = Kind::Function;
    QString Detail;  // signature or current value
    QString Meaning; // one line
};

class TCompletion : public QObject {
    Q_OBJECT

  public:
    static constexpr int MaxShown = 40;

    TCompletion(TCalcPane* pane, const Variables* store);
    ~TCompletion() override;

    void SetEnabled(bool on);
    // The built-in names with their signatures and meanings, in the interface language, and
    // the words that describe the store's entries.
    void SetCatalogue(std::vector<CatalogueEntry> builtins, QString variableMeaning,
                      QString userFunctionMeaning);

    bool IsOpen() const;
    // The names offered now, in list order.
    QStringList Offered() const;
    QListWidget* List() const { return list_; }
    // Looks at the word before the caret and opens, refreshes or closes the list.
    void Refresh();
    void Close();
    // Puts the current entry in place of the word before the caret.
    void Accept();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The word before the caret that a name could complete; false when there is none.
    bool WordBeforeCaret(int& start, QString& word) const;
    // A ")" typed right before a closing bracket that completion wrote steps over it; false
    // when the caret stands anywhere else.
    bool StepOverClosing();
    // Forgets the brackets whose call the caret has left or whose text is gone.
    void ForgetLeftBrackets();
    std::vector<CatalogueEntry> Matches(const QString& prefix) const;

    TCalcPane* pane_;
    const Variables* store_;
    QListWidget* list_;
    std::vector<CatalogueEntry> builtins_;
    std::vector<CatalogueEntry> shown_;
    QString variableMeaning_;
    QString userFunctionMeaning_;
    bool enabled_ = false;
    bool moved_ = false; // the user moved into the list with the arrows
    bool refreshPending_ = false;
    // The brackets of the calls completion wrote, innermost last. The document keeps the
    // cursors in place while the arguments are typed.
    struct Brackets {
        QTextCursor Open;  // stands before "("
        QTextCursor Close; // selects ")"
    };
    std::vector<Brackets> brackets_;
};

} // namespace vexmo
