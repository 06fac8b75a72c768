#pragma once
// The interface texts of both languages: captions and hints of the main window's commands,
// the captions of its menus, the Variables window caption and the help file name, chosen by
// the language selector (1 English, any other value Japanese, 0 not chosen yet).

#include <QString>

#include <span>
#include <string_view>

namespace vexmo {

inline constexpr int LanguageUnset = 0;
inline constexpr int LanguageEnglish = 1;
inline constexpr int LanguageJapanese = 2;

// Every caller tests for English only; all other values show the Japanese texts.
inline bool IsEnglish(int language) { return language == LanguageEnglish; }

// The selector as it is used: 0 is replaced by the system locale's choice.
int ResolveLanguage(int selector, bool japaneseLocale);
bool SystemLocaleIsJapanese();

struct CommandTexts {
    std::string_view Name;
    std::string_view CaptionEn;
    std::string_view HintEn;
    std::string_view CaptionJa;
    std::string_view HintJa;
};

struct MenuTexts {
    std::string_view Name;
    std::string_view English;
    std::string_view Japanese;
};

// The commands (including the 62 insert commands, whose caption is also their hint) and
// the menus whose captions follow the language.
std::span<const CommandTexts> CommandTextTable();
std::span<const MenuTexts> MenuTextTable();

// Empty when the name is unknown.
QString CommandCaption(std::string_view name, int language);
QString CommandHint(std::string_view name, int language);
QString MenuCaption(std::string_view name, int language);
QString VariablesWindowCaption(int language);
// The first status panel while the document is modified.
QString ModifiedStatusText(int language);
// The button that stops long work.
QString RunCancelText(int language);

// Qt's own texts (standard buttons, file dialogs, the text fields' pop-up menus) come from its
// translation catalogue of this name, in Qt's translations folder.
inline constexpr std::string_view QtJapaneseCatalogue = "qtbase_ja";

// Texts that stay the same in both languages.
inline constexpr std::string_view VexmoMenuCaption = "&Vexmo";
inline constexpr std::string_view ComplexMenuCaption = "Complex";
inline constexpr std::string_view PopupFileMenuCaption = "&File...";

// Help files, installed beside the program. Before the texts are first applied the help
// file is the Japanese one without a folder; the Help Index command always opens it.
inline constexpr std::string_view HelpFileEnglish = "Vexmo_E.HLP";
inline constexpr std::string_view HelpFileJapanese = "Vexmo_J.CHM";
QString HelpFileName(int language);
// The program folder joined with the help file of the language.
QString HelpFilePath(const QString& programFolder, int language);

}  // namespace vexmo
