#pragma once
// Every stored setting of the program, held by the main window while it runs, read once at
// start-up and written in one pass when the main window closes, through
// QSettings("Dorv", "Vexmo") with the groups "MainWnd" and "Variables".

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QSettings>
#include <QString>
#include <QStringList>

#include "document/core/AnswerFormat.h"
#include "document/core/EditingOptions.h"

#include <cstdint>
#include <optional>

namespace vexmo {

// Colour numbers: top byte 0x80 = system colour index in the low byte, otherwise 0x00BBGGRR.
using ColorNumber = std::uint32_t;
inline constexpr ColorNumber clDefault = 0x20000000;
inline constexpr ColorNumber clNone = 0x1FFFFFFF;
inline constexpr ColorNumber clWindow = 0x80000005;
inline constexpr ColorNumber clWindowText = 0x80000008;
inline constexpr ColorNumber clRed = 0x000000FF;
inline constexpr ColorNumber clGreen = 0x00008000;

// Key-map codes of Return, Shift+Return and Ctrl+Return.
inline constexpr int KeyCalculate = 1;
inline constexpr int KeyCarriageReturn = 2;
inline constexpr int KeyLineBreak = 3;

// Initial values are those of a fresh start, before anything is read. The number-format
// members come from the answer formatter, so the settings can be handed to it directly.
struct Settings : NumberFormatSettings {
    // Key map.
    int OptReturn = KeyCalculate;
    int OptShiftReturn = KeyCarriageReturn;
    int OptCtrlReturn = KeyLineBreak;

    // Editor font; FontStored is false until a font was read or chosen, and the editor
    // keeps the window's default font until then.
    bool FontStored = false;
    int FontCharset = 1;
    QString FontName;
    int FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;

    int Language = 0;  // 1 English, any other value Japanese, 0 not chosen yet
    bool TipHint = true;
    bool OptRecallLastFile = true;
    bool OptRecallLastVariables = true;
    // On from the first start, so a new user is asked before a modified document is lost.
    bool OptQueryDiscard = true;
    bool OptStayOnTop = false;
    bool OptSemiTransparent = false;
    bool OptSimpleMode = false;
    bool OptAutomaticallyCopyState = false;
    QString RecallFileName;
    QString RecallVariablesFileName;

    ColorNumber OptColorBack = clWindow;
    ColorNumber OptColorExpression = clWindowText;
    ColorNumber OptColorArrow = clRed;
    ColorNumber OptColorAnswer = clGreen;

    // Documents opened or saved, newest first, and the folder of the last file dialog.
    QStringList RecentFiles;
    QString LastFolder;

    // The Editing page (group "Editing").
    EditingOptions Editing;
};

// Window placements as read: a bound set is present only when it was read completely and
// passes the placement checks; VariablesVisible is present when it was read.
struct StoredPlacement {
    std::optional<QRect> MainWnd;
    std::optional<QRect> Variables;
    std::optional<bool> VariablesVisible;
};

// Current window placements, for writing (client bounds: the frame is the desktop's).
struct WindowPlacement {
    QRect MainWnd;
    QRect Variables;
    bool VariablesVisible = false;
};

// Reads the store value by value: a value that is missing or cannot be converted keeps its
// initial value (or its fall-back) and hides nothing after it. A window placement is used
// only when all four bounds are read and fit `screen`.
StoredPlacement ReadSettings(QSettings& store, Settings& settings, const QRect& screen);

// Writes every value in one pass. Returns false when the values could not all be stored; a
// store file with lines its reader did not understand is no such failure.
bool WriteSettings(QSettings& store, const Settings& settings, const WindowPlacement& windows);

// The placement checks: left and top not negative, at least 160 × 160, inside the screen.
bool PlacementFits(const QRect& bounds, const QRect& screen);

// Colour number → colour; system colour indices map to the palette's roles.
QColor ColorFromNumber(ColorNumber number, const QPalette& palette);

// The editor's colours as they are used. A colour the user picked is used as picked; one
// that still holds its default is chosen for the palette in use, light or dark, so that
// answers and error arrows reach AnswerContrast against the background.
struct EditorColors {
    QColor Back, Expression, Arrow, Answer;
};
inline constexpr double AnswerContrast = 4.5;
EditorColors UsedEditorColors(const Settings& settings, const QPalette& palette);

// The bounds of a first window (no placement stored) on a screen whose available area is
// `available`: about 60 % of that area, at least 800 × 500 where the screen allows, centred.
QRect FirstWindowBounds(const QRect& available);

// The 52 colour names offered by the Options dialog, in their list order.
struct NamedColor {
    const char* Name;
    ColorNumber Number;
};
inline constexpr int NamedColorCount = 52;
const NamedColor* NamedColors();
// The list position of a colour number, -1 when it has no name.
int NamedColorIndex(ColorNumber number);
// The name of a colour number, or "$" and eight hexadecimal digits when it has none.
QString ColorNumberText(ColorNumber number);

// The editor font described by the font fields, on top of `base` (the pane's default font);
// `base` itself when no font is stored.
QFont EditorFontFrom(const Settings& settings, const QFont& base);
// Stores `font` in the font fields (name, size, style; the character set is kept).
void StoreEditorFont(Settings& settings, const QFont& font);

}  // namespace vexmo
