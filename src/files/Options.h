#pragma once
// The Options dialog: seven pages editing the settings in memory. TFrmOptions carries the
// English captions; TFrmOptionsJ (OptionsJ.h) only replaces them with Japanese ones.

#include "files/Settings.h"

#include <QAbstractSpinBox>
#include <QDialog>
#include <QFont>
#include <QGroupBox>
#include <QStringList>

#include <memory>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTextEdit;

namespace vexmo {

class TDlgZoomButton;
class TEditingPage;

// A titled group of radio items with one current item (-1: none).
class TRadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    TRadioGroup(QWidget* parent, const QString& name, int count, int columns = 1);
    int ItemIndex() const;
    void SetItemIndex(int index);
    void SetItems(const QStringList& captions);
    QRadioButton* Item(int index) const { return Items_.at(index); }
    int Count() const { return static_cast<int>(Items_.size()); }
  signals:
    void Clicked();

  private:
    QButtonGroup* Group_;
    std::vector<QRadioButton*> Items_;
};

// A number box with arrows: the arrows step within 0..18, while any text may be typed (a text
// that is not a number is simply not taken over, a number out of range is taken as typed).
class TNumberBox : public QAbstractSpinBox {
    Q_OBJECT
  public:
    TNumberBox(QWidget* parent, const QString& name, int minimum = 0, int maximum = 18);
    QString Text() const;
    void SetText(const QString& text);
    int Position() const { return Position_; }
    void SetPosition(int position);
    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
  signals:
    void TextChanged();

  protected:
    StepEnabled stepEnabled() const override;

  private:
    int Minimum_;
    int Maximum_;
    int Position_ = 0;
};

class TFrmOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TFrmOptions(QWidget* parent = nullptr);
    ~TFrmOptions() override;

    // Shows the settings and the editor font in the controls.
    void Fill(const Settings& settings, const QFont& editorFont);
    // Takes the controls' choices over into the settings and the editor font (face name and
    // size only), in the order the main window applies them.
    void TakeOver(Settings& settings, QFont& editorFont) const;

    // The font chosen on the font page; its style is cleared and both samples take it.
    QFont DialogFont() const { return DialogFont_; }
    void SetDialogFont(const QFont& font);

    // The colour number a colour list stands for: the named colour of its entry, or the
    // stored number while no entry is selected.
    ColorNumber ListedColor(const QComboBox* list) const;

    // Controls.
    QTabWidget* PageControl1;
    QWidget* TabNumberFormat;
    QWidget* TabKeyMap;
    QWidget* TabClipboard;
    QWidget* TabFont;
    QWidget* TabLanguage;
    QWidget* TabOthers;
    QWidget* TabColor;
    TEditingPage* TabEditing;

    TRadioGroup* RGrpNumFormat;
    QLabel* LblPrecision;
    TNumberBox* EditPrecision;
    QLabel* LblDigits;
    TNumberBox* EditDigits;
    QLabel* LblUserFormat;
    QComboBox* CboUserFormat;
    QLabel* LblSample;
    QPlainTextEdit* MemoSample;
    QCheckBox* ChkShowZeroImaginary;

    QLabel* LblReturn;
    QComboBox* CboReturn;
    QLabel* LblShiftReturn;
    QComboBox* CboShiftReturn;
    QLabel* LblCtrlReturn;
    QComboBox* CboCtrlReturn;

    TRadioGroup* RGrpClipboardFormat;
    TRadioGroup* RGrpArrayFormat;
    TRadioGroup* RGrpComplexFormat;

    QLabel* LblFontNameCaption;
    QLabel* LblFontName;
    QLabel* LblFontSizeCaption;
    QLabel* LblFontSize;
    QLabel* LblFontSample;
    QPlainTextEdit* MemoFontSample;
    QPushButton* BtnChangeFont;

    TRadioGroup* RGrpLanguage;

    QCheckBox* ChkTipHint;
    QCheckBox* ChkRecallLastFile;
    QCheckBox* ChkRecallLastVariables;
    QCheckBox* ChkQueryDiscard;
    QCheckBox* ChkStayOnTop;
    QCheckBox* ChkSemiTransparent;
    QCheckBox* ChkSimpleMode;

    QLabel* LblColorBack;
    QComboBox* CboColorBack;
    QLabel* LblColorExpression;
    QComboBox* CboColorExpression;
    QLabel* LblColorArrow;
    QComboBox* CboColorArrow;
    QLabel* LblColorAnswer;
    QComboBox* CboColorAnswer;
    QLabel* LblColorSample;
    QTextEdit* REditColorSample;

    QPushButton* BtnOK;
    QPushButton* BtnCancel;
    TDlgZoomButton* DlgZoomButton1;

  protected:
    // Texts of the key-map lists, in list order.
    void SetKeyMapItems(const QStringList& items);
    // The colour lists' entries in the language (1 English, any other value Japanese).
    void SetColorNames(int language);
    // Sizes the dialog to its captions, places every control and records the zoom layout;
    // run again whenever the captions were replaced.
    void FitToTexts();

  private:
    void BuildNumberFormatPage();
    void BuildKeyMapPage();
    void BuildClipboardPage();
    void BuildFontPage();
    void BuildLanguagePage();
    void BuildOthersPage();
    void BuildColorPage();
    void SetEnglishTexts();
    void PlaceControls(int width);

    void RGrpNumFormatClick();
    void RefreshFontPage();
    void RefreshColorSample();
    void BtnChangeFontClick();

    QFont DialogFont_;
    // The stored colour numbers, kept for a list that shows no named entry.
    ColorNumber StoredColors_[4] = {clWindow, clWindowText, clRed, clGreen};
};

// A new dialog for the language (1: English, any other value: Japanese).
std::unique_ptr<TFrmOptions> CreateOptionsDialog(int language, QWidget* parent);

// Runs the dialog modally, centred on the screen. On OK the settings and the editor font take
// the choices over and true is returned; the caller then applies the language, the editor font,
// the window mode and the background at once. On OK and Cancel alike the caller refreshes the
// title and repaints the answers; nothing is written to the store here.
bool ExecuteOptions(QWidget* parent, Settings& settings, QFont& editorFont);

// The first line of the font and colour samples: "2*_PI ==> " and 2π as an answer.
QString SampleAnswerLine();

}  // namespace vexmo
