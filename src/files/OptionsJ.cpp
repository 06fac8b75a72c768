#include "files/OptionsJ.h"

#include "files/EditingPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace vexmo {

TFrmOptionsJ::TFrmOptionsJ(QWidget* parent) : TFrmOptions(parent) {
    setWindowTitle(QStringLiteral("オプション"));
    PageControl1->setTabText(0, QStringLiteral("数値表現(&N)"));
    PageControl1->setTabText(1, QStringLiteral("キーマップ(&K)"));
    PageControl1->setTabText(2, QStringLiteral("クリップボード(&B)"));
    PageControl1->setTabText(3, QStringLiteral("フォント(&F)"));
    PageControl1->setTabText(4, QStringLiteral("言語(&L)"));
    PageControl1->setTabText(5, QStringLiteral("その他(&O)"));
    PageControl1->setTabText(6, QStringLiteral("色(&C)"));
    PageControl1->setTabText(7, EditingPageCaption(2));
    TabEditing->SetTexts(2);

    RGrpNumFormat->setTitle(QStringLiteral("数値表現"));
    RGrpNumFormat->SetItems({QStringLiteral("一般(&G)"), QStringLiteral("指数形式(&E)"),
                             QStringLiteral("固定小数点形式(&F)"),
                             QStringLiteral("エンジニア表記(&N)"),
                             QStringLiteral("ユーザー定義(&U)")});
    LblPrecision->setText(QStringLiteral("精度:"));
    LblDigits->setText(QStringLiteral("桁:"));
    LblUserFormat->setText(QStringLiteral("ユーザー定義書式:"));
    LblSample->setText(QStringLiteral("サンプル:"));
    ChkShowZeroImaginary->setText(QStringLiteral("虚部が0でも表示する(&Z)"));

    SetKeyMapItems(
        {QStringLiteral("計算実行"), QStringLiteral("計算無し"), QStringLiteral("改行挿入")});

    RGrpClipboardFormat->setTitle(QStringLiteral("クリップボードデータコピー時の数値表現"));
    RGrpClipboardFormat->SetItems({QStringLiteral("通常(最大の精度)(&N)"),
                                   QStringLiteral("「数値表現」での指定に従う(&A)")});
    RGrpArrayFormat->setTitle(QStringLiteral("配列データのクリップボードコピー時の書式"));
    RGrpArrayFormat->SetItems(
        {QStringLiteral("カンマ区切り数値列"), QStringLiteral("タブ区切り数値列"),
         QStringLiteral("スペース区切り数値列"), QStringLiteral("改行(CRLF)区切り数値列")});
    RGrpComplexFormat->setTitle(QStringLiteral("複素数のクリップボードコピー時の書式"));
    RGrpComplexFormat->SetItems({QStringLiteral("通常(123 + 456i)"),
                                 QStringLiteral("Vexmo(123 +_I 456)"),
                                 QStringLiteral("タブ区切り(123 <TAB> 456)")});

    LblFontNameCaption->setText(QStringLiteral("フォント名:"));
    LblFontSizeCaption->setText(QStringLiteral("サイズ:"));
    LblFontSample->setText(QStringLiteral("サンプル:"));
    BtnChangeFont->setText(QStringLiteral("変更(&C)..."));

    RGrpLanguage->setTitle(QStringLiteral("言語"));
    RGrpLanguage->SetItems({QStringLiteral("英語(&E)"), QStringLiteral("日本語(&J)")});

    ChkTipHint->setText(QStringLiteral("チップヘルプを表示する"));
    ChkRecallLastFile->setText(QStringLiteral("起動時に最後に保存したファイルを呼び出す."));
    ChkRecallLastVariables->setText(QStringLiteral("起動時に最後に保存した変数を呼び出す."));
    ChkQueryDiscard->setText(QStringLiteral("変更がある場合は終了前に問い合わせる(&Q)"));
    ChkStayOnTop->setText(QStringLiteral("Vexmoを常に前面に表示する(&S)"));
    ChkSemiTransparent->setText(QStringLiteral("非アクティブ時には半透明になる(&T)"));
    ChkSimpleMode->setText(QStringLiteral("シンプルな表示にする(&Y)"));

    LblColorBack->setText(QStringLiteral("背景:"));
    LblColorExpression->setText(QStringLiteral("式:"));
    LblColorArrow->setText(QStringLiteral("矢印:"));
    LblColorAnswer->setText(QStringLiteral("結果:"));
    LblColorSample->setText(QStringLiteral("サンプル:"));
    SetColorNames(2);
    FitToTexts();
}

}  // namespace vexmo
