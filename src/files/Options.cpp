#include "files/Options.h"

#include "document/core/AnswerFormat.h"
#include "engine/DorvSub.h"
#include "files/DlgZoomButton.h"
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
#include <QTabWidget>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>
#include <numbers>

namespace vexmo {

namespace {

// Client size of the dialog at 100 %, and the dialog font it was laid out for.
constexpr int kClientWidth = 359;
constexpr int kClientHeight = 288;
constexpr int kFontPoints = 9;

std::optional<int> IntegerText(const QString& text) {
    return ParseIntegerText(text.toStdString());
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& bounds) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(bounds);
    return label;
}

QComboBox* MakeList(QWidget* parent, const char* name, const QRect& bounds, bool editable) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(editable);
    list->setGeometry(bounds);
    return list;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QRect& bounds) {
    auto* check = new QCheckBox(parent);
    check->setObjectName(QString::fromLatin1(name));
    check->setGeometry(bounds);
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
    setFixedSize(kClientWidth, kClientHeight);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(4, 4, 351, 246);
    PageControl1->setUsesScrollButtons(true);
    PageControl1->setElideMode(Qt::ElideNone);
    TabNumberFormat = MakePage(PageControl1, "TabNumberFormat");
    TabKeyMap = MakePage(PageControl1, "TabKeyMap");
    TabClipboard = MakePage(PageControl1, "TabClipboard");
    TabFont = MakePage(PageControl1, "TabFont");
    TabLanguage = MakePage(PageControl1, "TabLanguage");
    TabOthers = MakePage(PageControl1, "TabOthers");
    TabColor = MakePage(PageControl1, "TabColor");

    BuildNumberFormatPage();
    BuildKeyMapPage();
    BuildClipboardPage();
    BuildFontPage();
    BuildLanguagePage();
    BuildOthersPage();
    BuildColorPage();

    DlgZoomButton1 = new TDlgZoomButton(this);
    DlgZoomButton1->setObjectName("DlgZoomButton1");
    DlgZoomButton1->setGeometry(6, 258, 25, 25);
    DlgZoomButton1->SetMediumRatio(125);
    DlgZoomButton1->SetLargeRatio(150);
    DlgZoomButton1->SetSizeable(false);
    DlgZoomButton1->SetImages(ZoomGlyphs());
    DlgZoomButton1->setIconSize(QSize(19, 19));

    BtnOK = new QPushButton(this);
    BtnOK->setObjectName("BtnOK");
    BtnOK->setGeometry(196, 258, 75, 25);
    BtnOK->setDefault(true);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    BtnCancel = new QPushButton(this);
    BtnCancel->setObjectName("BtnCancel");
    BtnCancel->setGeometry(278, 258, 75, 25);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    SetEnglishTexts();
    DlgZoomButton1->RecordLayout();
}

TFrmOptions::~TFrmOptions() = default;

void TFrmOptions::BuildNumberFormatPage() {
    QWidget* page = TabNumberFormat;
    RGrpNumFormat = new TRadioGroup(page, "RGrpNumFormat", 5);
    RGrpNumFormat->setGeometry(6, 4, 156, 118);
    LblPrecision = MakeLabel(page, "LblPrecision", QRect(170, 10, 80, 18));
    EditPrecision = new TNumberBox(page, "EditPrecision");
    EditPrecision->setGeometry(256, 8, 56, 22);
    LblDigits = MakeLabel(page, "LblDigits", QRect(170, 38, 80, 18));
    EditDigits = new TNumberBox(page, "EditDigits");
    EditDigits->setGeometry(256, 36, 56, 22);
    LblUserFormat = MakeLabel(page, "LblUserFormat", QRect(170, 66, 168, 18));
    CboUserFormat = MakeList(page, "CboUserFormat", QRect(170, 86, 168, 24), true);
    CboUserFormat->addItems({"#,##0.000;-#,##0.000;0.000", "0,;-0,;0", "0,;(0,);0"});
    CboUserFormat->setInsertPolicy(QComboBox::NoInsert);
    LblSample = MakeLabel(page, "LblSample", QRect(6, 124, 120, 18));
    MemoSample = new QPlainTextEdit(page);
    MemoSample->setObjectName("MemoSample");
    MemoSample->setGeometry(6, 142, 332, 72);
    MemoSample->setReadOnly(true);
    MemoSample->setLineWrapMode(QPlainTextEdit::NoWrap);

    connect(RGrpNumFormat, &TRadioGroup::Clicked, this, &TFrmOptions::RGrpNumFormatClick);
    connect(EditPrecision, &TNumberBox::TextChanged, this, &TFrmOptions::RGrpNumFormatClick);
    connect(EditDigits, &TNumberBox::TextChanged, this, &TFrmOptions::RGrpNumFormatClick);
    connect(CboUserFormat, &QComboBox::currentTextChanged, this,
            &TFrmOptions::RGrpNumFormatClick);
}

void TFrmOptions::BuildKeyMapPage() {
    QWidget* page = TabKeyMap;
    LblReturn = MakeLabel(page, "LblReturn", QRect(16, 22, 130, 18));
    CboReturn = MakeList(page, "CboReturn", QRect(150, 18, 170, 24), false);
    LblShiftReturn = MakeLabel(page, "LblShiftReturn", QRect(16, 60, 130, 18));
    CboShiftReturn = MakeList(page, "CboShiftReturn", QRect(150, 56, 170, 24), false);
    LblCtrlReturn = MakeLabel(page, "LblCtrlReturn", QRect(16, 98, 130, 18));
    CboCtrlReturn = MakeList(page, "CboCtrlReturn", QRect(150, 94, 170, 24), false);
    for (QComboBox* list : {CboReturn, CboShiftReturn, CboCtrlReturn})
        list->addItems({QString(), QString(), QString()});
}

void TFrmOptions::BuildClipboardPage() {
    QWidget* page = TabClipboard;
    RGrpClipboardFormat = new TRadioGroup(page, "RGrpClipboardFormat", 2);
    RGrpClipboardFormat->setGeometry(6, 2, 332, 58);
    RGrpArrayFormat = new TRadioGroup(page, "RGrpArrayFormat", 4, 2);
    RGrpArrayFormat->setGeometry(6, 62, 332, 58);
    RGrpComplexFormat = new TRadioGroup(page, "RGrpComplexFormat", 3);
    RGrpComplexFormat->setGeometry(6, 122, 332, 92);
}

void TFrmOptions::BuildFontPage() {
    QWidget* page = TabFont;
    LblFontNameCaption = MakeLabel(page, "LblFontNameCaption", QRect(12, 14, 90, 18));
    LblFontName = MakeLabel(page, "LblFontName", QRect(104, 14, 232, 18));
    LblFontSizeCaption = MakeLabel(page, "LblFontSizeCaption", QRect(12, 38, 90, 18));
    LblFontSize = MakeLabel(page, "LblFontSize", QRect(104, 38, 60, 18));
    BtnChangeFont = new QPushButton(page);
    BtnChangeFont->setObjectName("BtnChangeFont");
    BtnChangeFont->setGeometry(226, 36, 110, 25);
    BtnChangeFont->setAutoDefault(false);
    LblFontSample = MakeLabel(page, "LblFontSample", QRect(12, 70, 120, 18));
    MemoFontSample = new QPlainTextEdit(page);
    MemoFontSample->setObjectName("MemoFontSample");
    MemoFontSample->setGeometry(12, 88, 324, 124);
    MemoFontSample->setReadOnly(true);
    MemoFontSample->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoFontSample->setPlainText(SampleAnswerLine() +
                                 "\n(-b+SQRT(b^2-4*a*c))/(2*a) ==> 3 +_I 0");
    connect(BtnChangeFont, &QPushButton::clicked, this, &TFrmOptions::BtnChangeFontClick);
}

void TFrmOptions::BuildLanguagePage() {
    RGrpLanguage = new TRadioGroup(TabLanguage, "RGrpLanguage", 2);
    RGrpLanguage->setGeometry(6, 4, 200, 62);
}

void TFrmOptions::BuildOthersPage() {
    QWidget* page = TabOthers;
    ChkTipHint = MakeCheck(page, "ChkTipHint", QRect(10, 6, 326, 22));
    ChkRecallLastFile = MakeCheck(page, "ChkRecallLastFile", QRect(10, 32, 326, 22));
    ChkRecallLastVariables = MakeCheck(page, "ChkRecallLastVariables", QRect(10, 58, 326, 22));
    ChkQueryDiscard = MakeCheck(page, "ChkQueryDiscard", QRect(10, 84, 326, 22));
    ChkStayOnTop = MakeCheck(page, "ChkStayOnTop", QRect(10, 110, 326, 22));
    ChkSemiTransparent = MakeCheck(page, "ChkSemiTransparent", QRect(30, 136, 306, 22));
    ChkSimpleMode = MakeCheck(page, "ChkSimpleMode", QRect(10, 162, 326, 22));
}

void TFrmOptions::BuildColorPage() {
    QWidget* page = TabColor;
    LblColorBack = MakeLabel(page, "LblColorBack", QRect(12, 14, 96, 18));
    CboColorBack = MakeList(page, "CboColorBack", QRect(110, 10, 226, 24), false);
    LblColorExpression = MakeLabel(page, "LblColorExpression", QRect(12, 44, 96, 18));
    CboColorExpression = MakeList(page, "CboColorExpression", QRect(110, 40, 226, 24), false);
    LblColorArrow = MakeLabel(page, "LblColorArrow", QRect(12, 74, 96, 18));
    CboColorArrow = MakeList(page, "CboColorArrow", QRect(110, 70, 226, 24), false);
    LblColorAnswer = MakeLabel(page, "LblColorAnswer", QRect(12, 104, 96, 18));
    CboColorAnswer = MakeList(page, "CboColorAnswer", QRect(110, 100, 226, 24), false);
    LblColorSample = MakeLabel(page, "LblColorSample", QRect(12, 136, 120, 18));
    REditColorSample = new QTextEdit(page);
    REditColorSample->setObjectName("REditColorSample");
    REditColorSample->setGeometry(12, 154, 324, 44);
    REditColorSample->setReadOnly(true);
    REditColorSample->setLineWrapMode(QTextEdit::NoWrap);
    REditColorSample->setAutoFillBackground(true);

    const NamedColor* colours = NamedColors();
    for (QComboBox* list : {CboColorBack, CboColorExpression, CboColorArrow, CboColorAnswer}) {
        list->setMaxVisibleItems(16);
        for (int i = 0; i < NamedColorCount; ++i)
            list->addItem(ColorSwatch(ColorFromNumber(colours[i].Number, palette())),
                          QString::fromLatin1(colours[i].Name));
        connect(list, &QComboBox::currentIndexChanged, this, &TFrmOptions::RefreshColorSample);
    }
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

    BtnOK->setText("OK");
    BtnCancel->setText("Cancel");
}

void TFrmOptions::Fill(const Settings& s, const QFont& editorFont) {
    RGrpNumFormat->SetItemIndex(s.OptNumFormat);
    EditPrecision->SetPosition(s.OptPrecision);
    EditPrecision->SetText(QString::number(s.OptPrecision));
    EditDigits->SetPosition(s.OptDigits);
    EditDigits->SetText(QString::number(s.OptDigits));
    CboUserFormat->setEditText(QString::fromStdString(s.OptNumFormatStr));
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
    const QColor back = ColorFromNumber(ListedColor(CboColorBack), pal);
    QPalette samplePalette = REditColorSample->palette();
    samplePalette.setColor(QPalette::Base, back);
    REditColorSample->setPalette(samplePalette);

    REditColorSample->clear();
    QTextCursor cursor(REditColorSample->document());
    QTextCharFormat format;
    format.setFont(DialogFont_);
    const auto add = [&](const QString& text, ColorNumber colour) {
        format.setForeground(ColorFromNumber(colour, pal));
        cursor.insertText(text, format);
    };
    const QString line = SampleAnswerLine();
    const QString expression = "2*_PI";
    const QString arrow = " ==> ";
    add(expression, ListedColor(CboColorExpression));
    add(arrow, ListedColor(CboColorArrow));
    add(line.mid(expression.size() + arrow.size()), ListedColor(CboColorAnswer));
}

void TFrmOptions::BtnChangeFontClick() {
    QFontDialog dialog(DialogFont_, this);
    if (dialog.exec() == QDialog::Accepted)
        SetDialogFont(dialog.selectedFont());
}

QString SampleAnswerLine() {
    return QString::fromStdString("2*_PI ==> " +
                                  GeneralNumberText(2 * std::numbers::pi_v<long double>, 15) +
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
