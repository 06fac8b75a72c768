#include "files/Settings.h"

#include "document/gui/ReadableColors.h"
#include "files/EditingPage.h"

#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cmath>

namespace vexmo {

namespace {

const QString kDefaultUserFormat = QStringLiteral("#,##0.000;-#,##0.000;0.000");

// Ends the block being read: the value is missing or cannot be converted.
struct MissingValue {};

// Stored integers are 32-bit words; signed and unsigned spellings of the same word are both
// accepted, anything else (text, out of range) is a wrong type.
ColorNumber ReadDword(const QSettings& store, const QString& name) {
    const QVariant v = store.value(name);
    if (!v.isValid())
        throw MissingValue{};
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1u : 0u;
    if (v.typeId() == QMetaType::QStringList)
        throw MissingValue{};
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < -2147483648LL || n > 4294967295LL)
        throw MissingValue{};
    return static_cast<ColorNumber>(static_cast<std::uint64_t>(n) & 0xFFFFFFFFu);
}

int ReadInt(const QSettings& store, const QString& name) {
    return static_cast<std::int32_t>(ReadDword(store, name));
}

bool ReadBool(const QSettings& store, const QString& name) {
    return ReadDword(store, name) != 0;
}

QString ReadString(const QSettings& store, const QString& name) {
    const QVariant v = store.value(name);
    if (!v.isValid())
        throw MissingValue{};
    if (v.typeId() == QMetaType::QStringList) {
        // The INI reader splits a value edited by hand at its commas ("#,##0.00", a path with
        // a comma); put back together it is the text that was meant.
        return v.toStringList().join(QLatin1Char(','));
    }
    if (!v.canConvert<QString>())
        throw MissingValue{};
    return v.toString();
}

struct Bounds {
    int Left = 0, Width = 0, Top = 0, Height = 0;
    QRect Rect() const { return QRect(Left, Top, Width, Height); }
};

// Checked on the stored numbers, before a rectangle is made of them, so that huge values
// cannot wrap round.
bool BoundsFit(const Bounds& b, const QRect& screen) {
    return b.Left >= 0 && b.Width >= 160 && b.Top >= 0 && b.Height >= 160 &&
           qint64(b.Left) + b.Width <= qint64(screen.x()) + screen.width() &&
           qint64(b.Top) + b.Height <= qint64(screen.y()) + screen.height();
}

Bounds ReadBounds(const QSettings& store) {
    Bounds b;
    b.Left = ReadInt(store, "Left");
    b.Width = ReadInt(store, "Width");
    b.Top = ReadInt(store, "Top");
    b.Height = ReadInt(store, "Height");
    return b;
}

void WriteBounds(QSettings& store, const QRect& r) {
    store.setValue("Left", r.x());
    store.setValue("Width", r.width());
    store.setValue("Top", r.y());
    store.setValue("Height", r.height());
}

void WriteColor(QSettings& store, const QString& name, ColorNumber number) {
    store.setValue(name, static_cast<uint>(number));
}

constexpr std::array<NamedColor, NamedColorCount> kNamedColors{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", 0x8000000A},
    {"clActiveCaption", 0x80000002},
    {"clAppWorkSpace", 0x8000000C},
    {"clBackground", 0x80000001},
    {"clBtnFace", 0x8000000F},
    {"clBtnHighlight", 0x80000014},
    {"clBtnShadow", 0x80000010},
    {"clBtnText", 0x80000012},
    {"clCaptionText", 0x80000009},
    {"clDefault", 0x20000000},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clGrayText", 0x80000011},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clHotLight", 0x8000001A},
    {"clInactiveBorder", 0x8000000B},
    {"clInactiveCaption", 0x80000003},
    {"clInactiveCaptionText", 0x80000013},
    {"clInfoBk", 0x80000018},
    {"clInfoText", 0x80000017},
    {"clMenu", 0x80000004},
    {"clMenuBar", 0x8000001E},
    {"clMenuHighlight", 0x8000001D},
    {"clMenuText", 0x80000007},
    {"clNone", 0x1FFFFFFF},
    {"clScrollBar", 0x80000000},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clWindowText", 0x80000008},
}};

}  // namespace

bool PlacementFits(const QRect& bounds, const QRect& screen) {
    return BoundsFit({bounds.x(), bounds.width(), bounds.y(), bounds.height()}, screen);
}

namespace {

// Reads one value into `field`; a value that is missing or cannot be converted leaves the
// field as it is (its initial value or fall-back), so it never hides the values after it.
template <class T, class Read>
void Take(T& field, Read read) {
    try {
        field = read();
    } catch (const MissingValue&) {
    }
}

}  // namespace

StoredPlacement ReadSettings(QSettings& store, Settings& s, const QRect& screen) {
    StoredPlacement placement;
    const auto intOf = [&](const char* name) { return [&store, name] { return ReadInt(store, name); }; };
    const auto boolOf = [&](const char* name) { return [&store, name] { return ReadBool(store, name); }; };
    const auto dwordOf = [&](const char* name) { return [&store, name] { return ReadDword(store, name); }; };
    const auto stringOf = [&](const char* name) { return [&store, name] { return ReadString(store, name); }; };

    // A placement is used whole or not at all, and only where it fits the screen.
    const auto fitting = [&] {
        const Bounds b = ReadBounds(store);
        return BoundsFit(b, screen) ? std::optional<QRect>(b.Rect()) : std::nullopt;
    };
    store.beginGroup("MainWnd");
    Take(placement.MainWnd, fitting);
    store.endGroup();

    store.beginGroup("Variables");
    Take(placement.VariablesVisible, [&] { return std::optional<bool>(ReadBool(store, "Visible")); });
    Take(placement.Variables, fitting);
    store.endGroup();

    // A store written by a program that did not know the array separator had TAB there.
    if (store.contains("OptNumFormat") && !store.contains("OptNumFormatArray"))
        s.OptNumFormatArray = 1;
    Take(s.OptNumFormat, intOf("OptNumFormat"));
    Take(s.OptPrecision, intOf("OptPrecision"));
    Take(s.OptDigits, intOf("OptDigits"));
    Take(s.OptNumFormatStr, [&] { return ReadString(store, "OptNumFormatStr").toStdString(); });
    if (s.OptNumFormatStr.empty())
        s.OptNumFormatStr = kDefaultUserFormat.toStdString();
    Take(s.OptNumFormatClipboard, intOf("OptNumFormatClipboard"));
    Take(s.OptNumFormatArray, intOf("OptNumFormatArray"));
    Take(s.OptNumFormatComplex, intOf("OptNumFormatComplex"));
    Take(s.OptReturn, intOf("OptReturn"));
    Take(s.OptShiftReturn, intOf("OptShiftReturn"));
    Take(s.OptCtrlReturn, intOf("OptCtrlReturn"));
    Take(s.Language, intOf("Language"));
    Take(s.TipHint, boolOf("TipHint"));
    // A stored 0 has always meant the most digits.
    if (s.OptPrecision == 0)
        s.OptPrecision = 18;
    // Any other value outside what the Options dialog offers reads as the default, so that a
    // hand-edited file cannot leave every answer empty.
    const NumberFormatSettings defaults;
    auto within = [](int& value, int low, int high, int fallback) {
        if (value < low || value > high)
            value = fallback;
    };
    within(s.OptNumFormat, 0, 4, defaults.OptNumFormat);
    within(s.OptPrecision, 1, 18, defaults.OptPrecision);
    within(s.OptNumFormatClipboard, 0, 1, defaults.OptNumFormatClipboard);
    within(s.OptNumFormatArray, 0, 3, defaults.OptNumFormatArray);
    within(s.OptNumFormatComplex, 0, 2, defaults.OptNumFormatComplex);
    within(s.OptReturn, 1, 3, KeyCalculate);
    within(s.OptShiftReturn, 1, 3, KeyCarriageReturn);
    within(s.OptCtrlReturn, 1, 3, KeyLineBreak);

    // The face name makes a stored font; size, character set and style are taken with it.
    std::optional<QString> face;
    Take(face, [&] { return std::optional<QString>(ReadString(store, "FontName")); });
    if (face) {
        s.FontStored = true;
        s.FontName = *face;
        s.FontBold = s.FontItalic = s.FontUnderline = false;
        Take(s.FontCharset, intOf("FontCharset"));
        Take(s.FontSize, intOf("FontSize"));
        Take(s.FontBold, boolOf("FontBold"));
        Take(s.FontItalic, boolOf("FontItalic"));
        Take(s.FontUnderline, boolOf("FontUnderline"));
    }

    s.OptColorBack = clWindow;
    s.OptColorExpression = clWindowText;
    s.OptColorArrow = clRed;
    s.OptColorAnswer = clGreen;
    Take(s.OptColorBack, dwordOf("OptColorBack"));
    Take(s.OptColorExpression, dwordOf("OptColorExpression"));
    Take(s.OptColorArrow, dwordOf("OptColorArrow"));
    Take(s.OptColorAnswer, dwordOf("OptColorAnswer"));

    Take(s.OptRecallLastFile, boolOf("OptRecallLastFile"));
    Take(s.OptRecallLastVariables, boolOf("OptRecallLastVariables"));
    Take(s.RecallFileName, stringOf("RecallFileName"));
    Take(s.RecallVariablesFileName, stringOf("RecallVariablesFileName"));
    // A store from a program that had no window options: semi-transparent was on there.
    if (!store.contains("OptQueryDiscard") && !store.allKeys().isEmpty())
        s.OptSemiTransparent = true;
    Take(s.OptQueryDiscard, boolOf("OptQueryDiscard"));
    Take(s.OptStayOnTop, boolOf("OptStayOnTop"));
    Take(s.OptSemiTransparent, boolOf("OptSemiTransparent"));
    Take(s.OptSimpleMode, boolOf("OptSimpleMode"));
    Take(s.OptAutomaticallyCopyState, boolOf("OptAutomaticallyCopyState"));
    ReadEditingOptions(store, s.Editing);

    // Conveniences of their own: missing or unreadable values leave the defaults.
    Take(s.OptShowZeroImaginary, boolOf("OptShowZeroImaginary"));
    const QVariant recent = store.value("RecentFiles");
    if (recent.typeId() == QMetaType::QStringList || recent.typeId() == QMetaType::QString)
        s.RecentFiles = recent.toStringList().mid(0, 8);
    const QVariant folder = store.value("LastFolder");
    if (folder.typeId() == QMetaType::QString)
        s.LastFolder = folder.toString();
    return placement;
}

bool WriteSettings(QSettings& store, const Settings& s, const WindowPlacement& windows) {
    store.beginGroup("MainWnd");
    WriteBounds(store, windows.MainWnd);
    store.endGroup();

    store.beginGroup("Variables");
    WriteBounds(store, windows.Variables);
    store.setValue("Visible", windows.VariablesVisible ? 1 : 0);
    store.endGroup();

    store.setValue("OptNumFormat", s.OptNumFormat);
    store.setValue("OptPrecision", s.OptPrecision);
    store.setValue("OptDigits", s.OptDigits);
    store.setValue("OptNumFormatStr", QString::fromStdString(s.OptNumFormatStr));
    store.setValue("OptNumFormatClipboard", s.OptNumFormatClipboard);
    store.setValue("OptNumFormatArray", s.OptNumFormatArray);
    store.setValue("OptNumFormatComplex", s.OptNumFormatComplex);
    store.setValue("OptReturn", s.OptReturn);
    store.setValue("OptShiftReturn", s.OptShiftReturn);
    store.setValue("OptCtrlReturn", s.OptCtrlReturn);
    store.setValue("FontCharset", s.FontCharset);
    store.setValue("FontName", s.FontName);
    store.setValue("FontSize", s.FontSize);
    store.setValue("FontBold", s.FontBold ? 1 : 0);
    store.setValue("FontItalic", s.FontItalic ? 1 : 0);
    store.setValue("FontUnderline", s.FontUnderline ? 1 : 0);
    store.setValue("Language", s.Language);
    store.setValue("TipHint", s.TipHint ? 1 : 0);
    store.setValue("OptRecallLastFile", s.OptRecallLastFile ? 1 : 0);
    store.setValue("OptRecallLastVariables", s.OptRecallLastVariables ? 1 : 0);
    store.setValue("OptQueryDiscard", s.OptQueryDiscard ? 1 : 0);
    store.setValue("OptStayOnTop", s.OptStayOnTop ? 1 : 0);
    store.setValue("OptSemiTransparent", s.OptSemiTransparent ? 1 : 0);
    store.setValue("OptSimpleMode", s.OptSimpleMode ? 1 : 0);
    store.setValue("OptAutomaticallyCopyState", s.OptAutomaticallyCopyState ? 1 : 0);
    store.setValue("RecallFileName", s.RecallFileName);
    store.setValue("RecallVariablesFileName", s.RecallVariablesFileName);
    WriteColor(store, "OptColorBack", s.OptColorBack);
    WriteColor(store, "OptColorExpression", s.OptColorExpression);
    WriteColor(store, "OptColorArrow", s.OptColorArrow);
    WriteColor(store, "OptColorAnswer", s.OptColorAnswer);
    WriteEditingOptions(store, s.Editing);
    store.setValue("OptShowZeroImaginary", s.OptShowZeroImaginary ? 1 : 0);
    store.setValue("RecentFiles", s.RecentFiles);
    store.setValue("LastFolder", s.LastFolder);

    store.sync();
    switch (store.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::AccessError:
        return false;
    case QSettings::FormatError:
        break;
    }
    // A line the reader did not understand leaves a format error that sticks, although the
    // values were written, and it would hide a write failure after it. So read the file
    // back: it was written when it holds what the store holds.
    const QSettings written(store.fileName(), store.format());
    const QStringList keys = store.allKeys();
    for (const QString& key : keys) {
        if (written.value(key).toString() != store.value(key).toString())
            return false;
    }
    return !keys.isEmpty();
}

QColor ColorFromNumber(ColorNumber number, const QPalette& palette) {
    if ((number >> 24) != 0x80) {
        // clDefault and clNone have no colour of their own: their low bytes give black, white.
        return QColor(int(number & 0xFF), int((number >> 8) & 0xFF), int((number >> 16) & 0xFF));
    }
    using R = QPalette::ColorRole;
    const auto active = [&](R role) { return palette.color(QPalette::Active, role); };
    const auto inactive = [&](R role) { return palette.color(QPalette::Inactive, role); };
    const auto disabled = [&](R role) { return palette.color(QPalette::Disabled, role); };
    switch (number & 0xFF) {
    case 0: return active(R::Button);                 // scroll bar
    case 1: return active(R::Dark);                   // desktop background
    case 2: return active(R::Highlight);              // active caption
    case 3: return inactive(R::Highlight);            // inactive caption
    case 4: return active(R::Window);                 // menu
    case 5: return active(R::Base);                   // window background
    case 6: return active(R::Shadow);                 // window frame
    case 7: return active(R::WindowText);             // menu text
    case 8: return active(R::Text);                   // window text
    case 9: return active(R::HighlightedText);        // caption text
    case 10: return active(R::Window);                // active border
    case 11: return inactive(R::Window);              // inactive border
    case 12: return active(R::Mid);                   // application work space
    case 13: return active(R::Highlight);             // highlight
    case 14: return active(R::HighlightedText);       // highlight text
    case 15: return active(R::Button);                // button face
    case 16: return active(R::Dark);                  // button shadow
    case 17: return disabled(R::Text);                // grey text
    case 18: return active(R::ButtonText);            // button text
    case 19: return inactive(R::HighlightedText);     // inactive caption text
    case 20: return active(R::Light);                 // button highlight
    case 21: return active(R::Shadow);                // 3D dark shadow
    case 22: return active(R::Midlight);              // 3D light
    case 23: return active(R::ToolTipText);           // info text
    case 24: return active(R::ToolTipBase);           // info background
    case 26: return active(R::Link);                  // hot light
    case 27: return active(R::Highlight);             // gradient active caption
    case 28: return inactive(R::Highlight);           // gradient inactive caption
    case 29: return active(R::Highlight);             // menu highlight
    case 30: return active(R::Window);                // menu bar
    default: return QColor(Qt::black);                // unknown index: no colour, as black
    }
}

EditorColors UsedEditorColors(const Settings& s, const QPalette& palette) {
    EditorColors used;
    used.Back = ColorFromNumber(s.OptColorBack, palette);
    used.Expression = ColorFromNumber(s.OptColorExpression, palette);
    used.Arrow = ColorFromNumber(s.OptColorArrow, palette);
    used.Answer = ColorFromNumber(s.OptColorAnswer, palette);
    // The default background and text are the palette's own, right for light and dark alike;
    // the default red and green are made readable on the background actually used.
    if (s.OptColorArrow == clRed)
        used.Arrow = WithContrast(used.Arrow, used.Back, AnswerContrast);
    if (s.OptColorAnswer == clGreen)
        used.Answer = WithContrast(used.Answer, used.Back, AnswerContrast);
    return used;
}

QRect FirstWindowBounds(const QRect& available) {
    // 60 % of the area keeps the screen's proportions: each side is sqrt(0.6) of it.
    const double side = std::sqrt(0.6);
    const int width = std::min(available.width(),
                               std::max(800, int(std::lround(available.width() * side))));
    const int height = std::min(available.height(),
                                std::max(500, int(std::lround(available.height() * side))));
    QRect bounds(0, 0, width, height);
    bounds.moveCenter(available.center());
    return bounds;
}

const NamedColor* NamedColors() { return kNamedColors.data(); }

int NamedColorIndex(ColorNumber number) {
    for (int i = 0; i < NamedColorCount; ++i)
        if (kNamedColors[i].Number == number)
            return i;
    return -1;
}

QString ColorNumberText(ColorNumber number) {
    const int i = NamedColorIndex(number);
    if (i >= 0)
        return QString::fromLatin1(kNamedColors[i].Name);
    return QStringLiteral("$%1").arg(number, 8, 16, QLatin1Char('0')).toUpper();
}

QFont EditorFontFrom(const Settings& s, const QFont& base) {
    QFont font = base;
    if (!s.FontStored)
        return font;
    if (!s.FontName.isEmpty())
        font.setFamily(s.FontName);
    if (s.FontSize > 0)
        font.setPointSize(s.FontSize);
    font.setBold(s.FontBold);
    font.setItalic(s.FontItalic);
    font.setUnderline(s.FontUnderline);
    return font;
}

void StoreEditorFont(Settings& s, const QFont& font) {
    s.FontStored = true;
    s.FontName = font.family();
    if (font.pointSize() > 0)
        s.FontSize = font.pointSize();
    s.FontBold = font.bold();
    s.FontItalic = font.italic();
    s.FontUnderline = font.underline();
}

}  // namespace vexmo
