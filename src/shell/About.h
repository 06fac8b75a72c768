#pragma once
// The About box: program name, subtitle, and the company name, copyright and file version
// read from the running program's version block.

#include <QDialog>

class QLabel;
class QPushButton;

namespace vexmo {

class TVersionInf;

class TFrmAbout : public QDialog {
    Q_OBJECT

  public:
    // Reads and shows the program's own version block; throws what TVersionInf::Display
    // throws for a block without a translation table.
    explicit TFrmAbout(QWidget* owner = nullptr);

    TVersionInf* VersionInf() const { return VersionInf1; }
    QLabel* LblTitle() const { return LblTitle_; }
    QLabel* LblSubtitle() const { return LblSubtitle_; }
    QLabel* LblCompanyName() const { return LblCompanyName_; }
    QLabel* LblLegalCopyright() const { return LblLegalCopyright_; }
    QLabel* LblFileVersion() const { return LblFileVersion_; }
    QPushButton* BtnOk() const { return BtnOk_; }

  private:
    TVersionInf* VersionInf1 = nullptr;
    QLabel* LblTitle_ = nullptr;
    QLabel* LblSubtitle_ = nullptr;
    QLabel* LblCompanyName_ = nullptr;
    QLabel* LblLegalCopyright_ = nullptr;
    QLabel* LblFileVersion_ = nullptr;
    QPushButton* BtnOk_ = nullptr;
};

// The About command: the box, modal, owned by `parent` while it is shown; its texts do not
// follow the language selector. A failure to read the version block goes to the standard
// error box.
void ShowAboutBox(QWidget* parent);

}  // namespace vexmo
