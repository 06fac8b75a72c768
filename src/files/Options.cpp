#include "files/Options.h"

#include "document/core/AnswerFormat.h"
#include "engine/DorvSub.h"
#include "files/ColorNames.h"
#include "files/DlgZoomButton.h"
#include "files/EditingPage.h"
#include "files/OptionsJ.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>
#include <numbers>

namespace vexmo {

namespace {

// The dialog at 100 %: its font, its height and its narrowest width. The width grows with the
// page captions so that all seven stay visible in one row.
constexpr int kFontPoints = 9;
constexpr int kClientHeight = 320;
constexpr int kMinClientWidth = 520;

std::optional<int> IntegerText(const QString& text) {
    return ParseIntegerText(text.toStdString());
}

QLabel* MakeLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QComboBox* MakeList(QWidget* parent, const char* name, bool editable) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(editable);
    return list;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name) {
    auto* check = new QCheckBox(parent);
    check->setObjectName(QString::fromLatin1(name));
    return check;
}

QWidget* MakePage(QTabWidget* tabs, const char* name) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    tabs->addTab(page, QString());
    return page;
}

QIcon ColorSwatch(const QColor& colour) {
    QPixmap pm(14, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(96, 96, 96));
    p.setBrush(colour);
    p.drawRect(0, 0, 13, 13);
    return QIcon(pm);
}

void SetListIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

}  // namespace

// ---- TRadioGroup ----

TRadioGroup::TRadioGroup(QWidget* parent, const QString& name, int count, int columns)
    : QGroupBox(parent), Group_(new QButtonGroup(this)) {
    setObjectName(name);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 2, 8, 2);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(0);
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        auto* item = new QRadioButton(this);
        item->setObjectName(name + QString::number(i));
        Group_->addButton(item, i);
        grid->addWidget(item, i % rows, i / rows);
        Items_.push_back(item);
    }
    connect(Group_, &QButtonGroup::idClicked, this, [this] { emit Clicked(); });
}

int TRadioGroup::ItemIndex() const { return Group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < Count()) {
        Items_[index]->setChecked(true);
        return;
    }
    Group_->setExclusive(false);
    for (QRadioButton* item : Items_)
        item->setChecked(false);
    Group_->setExclusive(true);
}

void TRadioGroup::SetItems(const QStringList& captions) {
    for (int i = 0; i < Count() && i < captions.size(); ++i)
        Items_[i]->setText(captions[i]);
}

// ---- TNumberBox ----

TNumberBox::TNumberBox(QWidget* parent, const QString& name, int minimum, int maximum)
    : QAbstractSpinBox(parent), Minimum_(minimum), Maximum_(maximum), Position_(minimum) {
    setObjectName(name);
    setKeyboardTracking(true);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] { emit TextChanged(); });
}

QString TNumberBox::Text() const { return lineEdit()->text(); }

void TNumberBox::SetText(const QString& text) { lineEdit()->setText(text); }

void TNumberBox::SetPosition(int position) {
    Position_ = std::clamp(position, Minimum_, Maximum_);
}

void TNumberBox::stepBy(int steps) {
    // The arrows start from the typed number when there is one.
    const std::optional<int> typed = IntegerText(Text());
    const long long from = typed ? *typed : Position_;
    Position_ = static_cast<int>(std::clamp<long long>(from + steps, Minimum_, Maximum_));
    SetText(QString::number(Position_));
}

QValidator::State TNumberBox::validate(QString&, int&) const { return QValidator::Acceptable; }

QAbstractSpinBox::StepEnabled TNumberBox::stepEnabled() const {
    const std::optional<int> typed = IntegerText(Text());
    const int at = typed ? *typed : Position_;
    StepEnabled flags = StepNone;
    if (at < Maximum_)
        flags |= StepUpEnabled;
    if (at > Minimum_)
        flags |= StepDownEnabled;
    return flags;
}

// ---- TFrmOptions ----

TFrmOptions::TFrmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName("FrmOptions");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font = this->font();
    font.setPointSize(kFontPoints);
    setFont(font);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setUsesScrollButtons(true);
    PageControl1->setElideMode(Qt::ElideNone);
    TabNumberFormat = MakePage(PageControl1, "TabNumberFormat");
    TabKeyMap = MakePage(PageControl1, "TabKeyMap");
    TabClipboard = MakePage(PageControl1, "TabClipboard");
    TabFont = MakePage(PageControl1, "TabFont");
    TabLanguage = MakePage(PageControl1, "TabLanguage");
    TabOthers = MakePage(PageControl1, "TabOthers");
    TabColor = MakePage(PageControl1, "TabColor");
    TabEditing = new TEditingPage;
    PageControl1->addTab(TabEditing, QString());

    BuildNumberFormatPage();
    BuildKeyMapPage();
    BuildClipboardPage();
    BuildFontPage();
    BuildLanguagePage();
    BuildOthersPage();
    BuildColorPage();

    DlgZoomButton1 = new TDlgZoomButton(this);
    DlgZoomButton1->setObjectName("DlgZoomButton1");
    DlgZoomButton1->SetMediumRatio(125);
    DlgZoomButton1->SetLargeRatio(150);
    DlgZoomButton1->SetSizeable(false);
    DlgZoomButton1->SetImages(ZoomGlyphs());
    DlgZoomButton1->setIconSize(QSize(19, 19));

    BtnOK = new QPushButton(this);
    BtnOK->setObjectName("BtnOK");
    BtnOK->setDefault(true);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    BtnCancel = new QPushButton(this);
    BtnCancel->setObjectName("BtnCancel");
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    SetEnglishTexts();
    FitToTexts();
}

void TFrmOptions::FitToTexts() {
    const auto* tabs = PageControl1->findChild<QTabBar*>();
    const int captions = tabs ? tabs->sizeHint().width() : 0;
    PlaceControls(std::max(kMinClientWidth, captions + 24));
    DlgZoomButton1->RecordLayout();
}

void TFrmOptions::PlaceControls(int width) {
    setFixedSize(width, kClientHeight);
    PageControl1->setGeometry(4, 4, width - 8, 272);
    DlgZoomButton1->setGeometry(6, 287, 25, 25);
    BtnOK->setGeometry(width - 172, 285, 80, 28);
    BtnCancel->setGeometry(width - 86, 285, 80, 28);
    const int pw = width - 16;  // inner width of a page

    RGrpNumFormat->setGeometry(8, 6, 176, 134);
    LblPrecision->setGeometry(196, 12, 100, 18);
    EditPrecision->setGeometry(300, 8, 64, 26);
    LblDigits->setGeometry(196, 46, 100, 18);
    EditDigits->setGeometry(300, 42, 64, 26);
    LblUserFormat->setGeometry(196, 82, pw - 204, 18);
    CboUserFormat->setGeometry(196, 102, std::min(280, pw - 204), 28);
    ChkShowZeroImaginary->setGeometry(196, 138, pw - 204, 24);
    LblSample->setGeometry(8, 146, 160, 18);
    MemoSample->setGeometry(8, 166, pw - 16, 70);

    LblReturn->setGeometry(16, 22, 160, 18);
    CboReturn->setGeometry(184, 18, 220, 28);
    LblShiftReturn->setGeometry(16, 62, 160, 18);
    CboShiftReturn->setGeometry(184, 58, 220, 28);
    LblCtrlReturn->setGeometry(16, 102, 160, 18);
    CboCtrlReturn->setGeometry(184, 98, 220, 28);

    RGrpClipboardFormat->setGeometry(8, 4, pw - 16, 68);
    RGrpArrayFormat->setGeometry(8, 76, pw - 16, 68);
    RGrpComplexFormat->setGeometry(8, 148, pw - 16, 86);

    LblFontNameCaption->setGeometry(16, 16, 110, 18);
    LblFontName->setGeometry(130, 16, pw - 146, 18);
    LblFontSizeCaption->setGeometry(16, 44, 110, 18);
    LblFontSize->setGeometry(130, 44, 80, 18);
    BtnChangeFont->setGeometry(pw - 148, 40, 132, 28);
    LblFontSample->setGeometry(16, 80, 160, 18);
    MemoFontSample->setGeometry(16, 100, pw - 32, 138);

    RGrpLanguage->setGeometry(8, 6, 220, 74);

    QCheckBox* checks[] = {ChkTipHint,      ChkRecallLastFile, ChkRecallLastVariables,
                           ChkQueryDiscard, ChkStayOnTop,      ChkSemiTransparent,
                           ChkSimpleMode};
    for (int i = 0; i < 7; ++i) {
        const int indent = checks[i] == ChkSemiTransparent ? 24 : 0;
        checks[i]->setGeometry(16 + indent, 10 + i * 30, pw - 32 - indent, 24);
    }

    QLabel* colourLabels[] = {LblColorBack, LblColorExpression, LblColorArrow, LblColorAnswer};
    QComboBox* colourLists[] = {CboColorBack, CboColorExpression, CboColorArrow, CboColorAnswer};
    for (int i = 0; i < 4; ++i) {
        colourLabels[i]->setGeometry(16, 18 + i * 34, 110, 18);
        colourLists[i]->setGeometry(130, 14 + i * 34, 260, 28);
    }
    LblColorSample->setGeometry(16, 156, 160, 18);
    REditColorSample->setGeometry(16, 176, pw - 32, 56);

    TabEditing->Place(pw);
}

TFrmOptions::~TFrmOptions() = default;

void TFrmOptions::BuildNumberFormatPage() {
    QWidget* page = TabNumberFormat;
    RGrpNumFormat = new TRadioGroup(page, "RGrpNumFormat", 5);
    LblPrecision = MakeLabel(page, "LblPrecision");
    EditPrecision = new TNumberBox(page, "EditPrecision");
    LblDigits = MakeLabel(page, "LblDigits");
    EditDigits = new TNumberBox(page, "EditDigits");
    LblUserFormat = MakeLabel(page, "LblUserFormat");
    CboUserFormat = MakeList(page, "CboUserFormat", true);
    CboUserFormat->addItems({"#,##0.000;-#,##0.000;0.000", "0,;-0,;0", "0,;(0,);0"});
    CboUserFormat->setInsertPolicy(QComboBox::NoInsert);
    LblSample = MakeLabel(page, "LblSample");
    MemoSample = new QPlainTextEdit(page);
    MemoSample->setObjectName("MemoSample");
    MemoSample->setReadOnly(true);
    MemoSample->setLineWrapMode(QPlainTextEdit::NoWrap);
    ChkShowZeroImaginary = MakeCheck(page, "ChkShowZeroImaginary");

    connect(RGrpNumFormat, &TRadioGroup::Clicked, this, &TFrmOptions::RGrpNumFormatClick);
    connect(EditPrecision, &TNumberBox::TextChanged, this, &TFrmOptions::RGrpNumFormatClick);
    connect(EditDigits, &TNumberBox::TextChanged, this, &TFrmOptions::RGrpNumFormatClick);
    connect(CboUserFormat, &QComboBox::currentTextChanged, this,
            &TFrmOptions::RGrpNumFormatClick);
}

void TFrmOptions::BuildKeyMapPage() {
    QWidget* page = TabKeyMap;
    LblReturn = MakeLabel(page, "LblReturn");
    CboReturn = MakeList(page, "CboReturn", false);
    LblShiftReturn = MakeLabel(page, "LblShiftReturn");
    CboShiftReturn = MakeList(page, "CboShiftReturn", false);
    LblCtrlReturn = MakeLabel(page, "LblCtrlReturn");
    CboCtrlReturn = MakeList(page, "CboCtrlReturn", false);
    for (QComboBox* list : {CboReturn, CboShiftReturn, CboCtrlReturn})
        list->addItems({QString(), QString(), QString()});
}

void TFrmOptions::BuildClipboardPage() {
    QWidget* page = TabClipboard;
    RGrpClipboardFormat = new TRadioGroup(page, "RGrpClipboardFormat", 2);
    RGrpArrayFormat = new TRadioGroup(page, "RGrpArrayFormat", 4, 2);
    RGrpComplexFormat = new TRadioGroup(page, "RGrpComplexFormat", 3);
}

void TFrmOptions::BuildFontPage() {
    QWidget* page = TabFont;
    LblFontNameCaption = MakeLabel(page, "LblFontNameCaption");
    LblFontName = MakeLabel(page, "LblFontName");
    LblFontSizeCaption = MakeLabel(page, "LblFontSizeCaption");
    LblFontSize = MakeLabel(page, "LblFontSize");
    BtnChangeFont = new QPushButton(page);
    BtnChangeFont->setObjectName("BtnChangeFont");
    BtnChangeFont->setAutoDefault(false);
    LblFontSample = MakeLabel(page, "LblFontSample");
    MemoFontSample = new QPlainTextEdit(page);
    MemoFontSample->setObjectName("MemoFontSample");
    MemoFontSample->setReadOnly(true);
    MemoFontSample->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoFontSample->setPlainText(SampleAnswerLine() +
                                 "\n(-b+SQRT(b^2-4*a*c))/(2*a) ==> 3 +_I 0");
    connect(BtnChangeFont, &QPushButton::clicked, this, &TFrmOptions::BtnChangeFontClick);
}

void TFrmOptions::BuildLanguagePage() {
    RGrpLanguage = new TRadioGroup(TabLanguage, "RGrpLanguage", 2);
}

void TFrmOptions::BuildOthersPage() {
    QWidget* page = TabOthers;
    ChkTipHint = MakeCheck(page, "ChkTipHint");
    ChkRecallLastFile = MakeCheck(page, "ChkRecallLastFile");
    ChkRecallLastVariables = MakeCheck(page, "ChkRecallLastVariables");
    ChkQueryDiscard = MakeCheck(page, "ChkQueryDiscard");
    ChkStayOnTop = MakeCheck(page, "ChkStayOnTop");
    ChkSemiTransparent = MakeCheck(page, "ChkSemiTransparent");
    ChkSimpleMode = MakeCheck(page, "ChkSimpleMode");
}

void TFrmOptions::BuildColorPage() {
    QWidget* page = TabColor;
    LblColorBack = MakeLabel(page, "LblColorBack");
    CboColorBack = MakeList(page, "CboColorBack", false);
    LblColorExpression = MakeLabel(page, "LblColorExpression");
    CboColorExpression = MakeList(page, "CboColorExpression", false);
    LblColorArrow = MakeLabel(page, "LblColorArrow");
    CboColorArrow = MakeList(page, "CboColorArrow", false);
    LblColorAnswer = MakeLabel(page, "LblColorAnswer");
    CboColorAnswer = MakeList(page, "CboColorAnswer", false);
    LblColorSample = MakeLabel(page, "LblColorSample");
    REditColorSample = new QTextEdit(page);
    REditColorSample->setObjectName("REditColorSample");
    REditColorSample->setReadOnly(true);
    REditColorSample->setLineWrapMode(QTextEdit::NoWrap);
    REditColorSample->setAutoFillBackground(true);

    const NamedColor* colours = NamedColors();
    for (QComboBox* list : {CboColorBack, CboColorExpression, CboColorArrow, CboColorAnswer}) {
        list->setMaxVisibleItems(16);
        for (int i = 0; i < NamedColorCount; ++i)
            list->addItem(ColorSwatch(ColorFromNumber(colours[i].Number, palette())),
                          ColorPlainName(i, 1));
        connect(list, &QComboBox::currentIndexChanged, this, &TFrmOptions::RefreshColorSample);
    }
}

void TFrmOptions::SetColorNames(int language) {
    for (QComboBox* list : {CboColorBack, CboColorExpression, CboColorArrow, CboColorAnswer})
        for (int i = 0; i < NamedColorCount && i < list->count(); ++i)
            list->setItemText(i, ColorPlainName(i, language));
}

void TFrmOptions::SetKeyMapItems(const QStringList& items) {
    for (QComboBox* list : {CboReturn, CboShiftReturn, CboCtrlReturn})
        for (int i = 0; i < list->count() && i < items.size(); ++i)
            list->setItemText(i, items[i]);
}

void TFrmOptions::SetEnglishTexts() {
    setWindowTitle("Options");
    PageControl1->setTabText(0, "&Number format");
    PageControl1->setTabText(1, "&Key map");
    PageControl1->setTabText(2, "Clip&board");
    PageControl1->setTabText(3, "&Font");
    PageControl1->setTabText(4, "&Language");
    PageControl1->setTabText(5, "&Others");
    PageControl1->setTabText(6, "&Color");
    PageControl1->setTabText(7, EditingPageCaption(1));
    TabEditing->SetTexts(1);

    RGrpNumFormat->setTitle("Number format");
    RGrpNumFormat->SetItems(
        {"&General", "&Exponent", "&Fixed", "E&ngineering", "&User definition"});
    LblPrecision->setText("Precision:");
    LblDigits->setText("Digits:");
    LblUserFormat->setText("User defined format:");
    LblSample->setText("Sample:");

    LblReturn->setText("[Return]");
    LblShiftReturn->setText("[Shift]+[Return]");
    LblCtrlReturn->setText("[Ctrl]+[Return]");
    SetKeyMapItems({"Calculate", "Carriage return", "Line break"});

    RGrpClipboardFormat->setTitle("Number format for sending to the clipboard");
    RGrpClipboardFormat->SetItems(
        {"&Normal(maximum precision)", "&As specified in 'Number format'"});
    RGrpArrayFormat->setTitle("Clipboard data exchange format for array");
    RGrpArrayFormat->SetItems({"Comma separated numbers", "TAB separated numbers",
                               "SPACE separated numbers", "CRLF separated numbers"});
    RGrpComplexFormat->setTitle("Complex number style for clipboard data exchange");
    RGrpComplexFormat->SetItems({"Conventional(123 + 456i)", "Vexmo(123 +_I 456)",
                                 "TAB separated(123 <TAB> 456)"});

    LblFontNameCaption->setText("Font name:");
    LblFontSizeCaption->setText("Font size:");
    LblFontSample->setText("Sample:");
    BtnChangeFont->setText("&Change...");

    RGrpLanguage->setTitle("Language");
    RGrpLanguage->SetItems({"&English", "&Japanese"});

    ChkTipHint->setText("Show tip help");
    ChkRecallLastFile->setText("Recall the last saved file");
    ChkRecallLastVariables->setText("Recall the last saved variables");
    ChkQueryDiscard->setText("&Query save when discarding the change.");
    ChkStayOnTop->setText("Vexmo always &stays on top");
    ChkSemiTransparent->setText("Become Semi-&transparent when inactivated.");
    ChkSimpleMode->setText("Simple window st&yle");

    LblColorBack->setText("Background:");
    LblColorExpression->setText("Expression:");
    LblColorArrow->setText("Arrow:");
    LblColorAnswer->setText("Answer:");
    LblColorSample->setText("Sample:");
    ChkShowZeroImaginary->setText("Show a &zero imaginary part");

    BtnOK->setText("OK");
    BtnCancel->setText("Cancel");
}

void TFrmOptions::Fill(const Settings& s, const QFont& editorFont) {
    TabEditing->Fill(s.Editing);
    RGrpNumFormat->SetItemIndex(s.OptNumFormat);
    EditPrecision->SetPosition(s.OptPrecision);
    EditPrecision->SetText(QString::number(s.OptPrecision));
    EditDigits->SetPosition(s.OptDigits);
    EditDigits->SetText(QString::number(s.OptDigits));
    CboUserFormat->setEditText(QString::fromStdString(s.OptNumFormatStr));
    ChkShowZeroImaginary->setChecked(s.OptShowZeroImaginary);
    RGrpClipboardFormat->SetItemIndex(s.OptNumFormatClipboard);
    RGrpArrayFormat->SetItemIndex(s.OptNumFormatArray);
    RGrpComplexFormat->SetItemIndex(s.OptNumFormatComplex);
    SetListIndex(CboReturn, s.OptReturn - 1);
    SetListIndex(CboShiftReturn, s.OptShiftReturn - 1);
    SetListIndex(CboCtrlReturn, s.OptCtrlReturn - 1);
    RGrpLanguage->SetItemIndex(s.Language - 1);
    DialogFont_ = editorFont;
    ChkTipHint->setChecked(s.TipHint);
    ChkRecallLastFile->setChecked(s.OptRecallLastFile);
    ChkRecallLastVariables->setChecked(s.OptRecallLastVariables);
    ChkQueryDiscard->setChecked(s.OptQueryDiscard);
    ChkStayOnTop->setChecked(s.OptStayOnTop);
    ChkSemiTransparent->setChecked(s.OptSemiTransparent);
    ChkSimpleMode->setChecked(s.OptSimpleMode);
    const ColorNumber stored[4] = {s.OptColorBack, s.OptColorExpression, s.OptColorArrow,
                                   s.OptColorAnswer};
    QComboBox* lists[4] = {CboColorBack, CboColorExpression, CboColorArrow, CboColorAnswer};
    for (int i = 0; i < 4; ++i) {
        StoredColors_[i] = stored[i];
        lists[i]->setCurrentIndex(NamedColorIndex(stored[i]));
    }
    RefreshFontPage();
    RGrpNumFormatClick();
}

void TFrmOptions::TakeOver(Settings& s, QFont& editorFont) const {
    TabEditing->TakeOver(s.Editing);
    // A choice with nothing selected (a stored value outside the lists) keeps the stored value.
    const auto choice = [](int index, int& target, int offset) {
        if (index >= 0)
            target = index + offset;
    };
    choice(RGrpNumFormat->ItemIndex(), s.OptNumFormat, 0);
    if (const auto precision = IntegerText(EditPrecision->Text()))
        s.OptPrecision = *precision;
    if (const auto digits = IntegerText(EditDigits->Text()))
        s.OptDigits = *digits;
    s.OptNumFormatStr = CboUserFormat->currentText().toStdString();
    s.OptShowZeroImaginary = ChkShowZeroImaginary->isChecked();
    choice(RGrpClipboardFormat->ItemIndex(), s.OptNumFormatClipboard, 0);
    choice(RGrpArrayFormat->ItemIndex(), s.OptNumFormatArray, 0);
    choice(RGrpComplexFormat->ItemIndex(), s.OptNumFormatComplex, 0);
    choice(CboReturn->currentIndex(), s.OptReturn, 1);
    choice(CboShiftReturn->currentIndex(), s.OptShiftReturn, 1);
    choice(CboCtrlReturn->currentIndex(), s.OptCtrlReturn, 1);
    choice(RGrpLanguage->ItemIndex(), s.Language, 1);

    // Face name and size only: the editor keeps its own style.
    editorFont.setFamily(DialogFont_.family());
    if (DialogFont_.pointSize() > 0)
        editorFont.setPointSize(DialogFont_.pointSize());
    StoreEditorFont(s, editorFont);

    s.OptQueryDiscard = ChkQueryDiscard->isChecked();
    s.OptStayOnTop = ChkStayOnTop->isChecked();
    s.OptSemiTransparent = ChkSemiTransparent->isChecked();
    s.OptSimpleMode = ChkSimpleMode->isChecked();
    s.TipHint = ChkTipHint->isChecked();
    s.OptRecallLastFile = ChkRecallLastFile->isChecked();
    s.OptRecallLastVariables = ChkRecallLastVariables->isChecked();
    s.OptColorBack = ListedColor(CboColorBack);
    s.OptColorExpression = ListedColor(CboColorExpression);
    s.OptColorArrow = ListedColor(CboColorArrow);
    s.OptColorAnswer = ListedColor(CboColorAnswer);
}

ColorNumber TFrmOptions::ListedColor(const QComboBox* list) const {
    const int index = list->currentIndex();
    if (index >= 0 && index < NamedColorCount)
        return NamedColors()[index].Number;
    const QComboBox* lists[4] = {CboColorBack, CboColorExpression, CboColorArrow, CboColorAnswer};
    for (int i = 0; i < 4; ++i)
        if (lists[i] == list)
            return StoredColors_[i];
    return clNone;
}

void TFrmOptions::SetDialogFont(const QFont& font) {
    DialogFont_ = font;
    RefreshFontPage();
}

void TFrmOptions::RGrpNumFormatClick() {
    const int item = RGrpNumFormat->ItemIndex();
    const auto lines =
        FormatSampleLines(item, EditPrecision->Text().toStdString(),
                          EditDigits->Text().toStdString(),
                          CboUserFormat->currentText().toStdString());
    if (lines) {
        QStringList text;
        for (const std::string& line : *lines)
            text << QString::fromStdString(line);
        MemoSample->setPlainText(text.join('\n'));
    }
    const bool user = item == 4;
    CboUserFormat->setEnabled(user);
    EditPrecision->setEnabled(!user);
    EditDigits->setEnabled(!user);
}

void TFrmOptions::RefreshFontPage() {
    DialogFont_.setBold(false);
    DialogFont_.setItalic(false);
    DialogFont_.setUnderline(false);
    DialogFont_.setStrikeOut(false);
    MemoFontSample->setFont(DialogFont_);
    REditColorSample->setFont(DialogFont_);
    LblFontName->setText(DialogFont_.family());
    LblFontSize->setText(QString::number(DialogFont_.pointSize()));
    RefreshColorSample();
}

void TFrmOptions::RefreshColorSample() {
    const QPalette pal = palette();
    // The colours as the pane would use them, defaults chosen for this palette.
    Settings listed;
    listed.OptColorBack = ListedColor(CboColorBack);
    listed.OptColorExpression = ListedColor(CboColorExpression);
    listed.OptColorArrow = ListedColor(CboColorArrow);
    listed.OptColorAnswer = ListedColor(CboColorAnswer);
    const EditorColors used = UsedEditorColors(listed, pal);
    const QColor back = used.Back;
    QPalette samplePalette = REditColorSample->palette();
    samplePalette.setColor(QPalette::Base, back);
    REditColorSample->setPalette(samplePalette);

    REditColorSample->clear();
    QTextCursor cursor(REditColorSample->document());
    QTextCharFormat format;
    format.setFont(DialogFont_);
    const auto add = [&](const QString& text, const QColor& colour) {
        format.setForeground(colour);
        cursor.insertText(text, format);
    };
    const QString line = SampleAnswerLine();
    const QString expression = "2*_PI";
    const QString arrow = " ==> ";
    add(expression, used.Expression);
    add(arrow, used.Arrow);
    add(line.mid(expression.size() + arrow.size()), used.Answer);
}

void TFrmOptions::BtnChangeFontClick() {
    QFontDialog dialog(DialogFont_, this);
    if (dialog.exec() == QDialog::Accepted)
        SetDialogFont(dialog.selectedFont());
}

QString SampleAnswerLine() {
    return QString::fromStdString("2*_PI ==> " +
                                  GeneralNumberText(2 * std::numbers::pi, 15) +
                                  " +_I 0");
}

std::unique_ptr<TFrmOptions> CreateOptionsDialog(int language, QWidget* parent) {
    if (language == 1)
        return std::make_unique<TFrmOptions>(parent);
    return std::make_unique<TFrmOptionsJ>(parent);
}

bool ExecuteOptions(QWidget* parent, Settings& settings, QFont& editorFont) {
    std::unique_ptr<TFrmOptions> dialog = CreateOptionsDialog(settings.Language, parent);
    dialog->Fill(settings, editorFont);
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
    if (dialog->exec() != QDialog::Accepted)
        return false;
    dialog->TakeOver(settings, editorFont);
    return true;
}

}  // namespace vexmo
