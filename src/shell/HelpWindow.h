#pragma once
// The manual's window: a contents list of chapters and their sections, a search box that
// narrows the list to the sections holding a text, and the chapter shown as formatted text.
// The chapters are Markdown compiled into the program, one set per interface language.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <vector>

class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexmo {

// The chapters of the manual in a language (1 English, any other Japanese), in order, as
// resource paths; empty when the program carries no manual.
QStringList ManualChapters(int language);

class TFrmHelp : public QWidget {
    Q_OBJECT

  public:
    explicit TFrmHelp(QWidget* parent = nullptr);

    // Loads the manual of the language (when another one is shown) and shows its contents
    // page. False when the manual of that language is missing.
    bool ShowManual(int language);
    int Language() const { return language_; }

    // Shows a chapter ("03-operators.md") at a section heading (empty: at its top).
    bool ShowChapter(const QString& chapterFile, const QString& heading = {});
    // Narrows the contents list to the sections that hold `text` (all sections when empty)
    // and shows the first of them with the text selected. Returns how many sections hold it.
    int Search(const QString& text);

    // Addresses outside the manual go to the desktop; replaceable so tests start no browser.
    void SetUrlOpener(std::function<bool(const QUrl&)> opener) { urlOpener_ = std::move(opener); }
    void SetErrorHook(std::function<void(const QString&)> hook) { errorHook_ = std::move(hook); }

    QTextBrowser* Browser() const { return browser_; }
    QTreeWidget* Contents() const { return contents_; }
    QLineEdit* SearchBox() const { return searchBox_; }

  private:
    struct Section {
        QString Chapter; // resource path
        QString Heading; // empty for the chapter's own part before its first section
        QString Text;    // the section's Markdown, for searching
        QTreeWidgetItem* Item = nullptr;
    };

    void LoadContents();
    void ApplyTexts();
    void ShowItem(QTreeWidgetItem* item);
    void LinkClicked(const QUrl& url);
    void ScrollToHeading(const QString& heading);
    void SelectItemFor(const QString& chapter);

    QTreeWidget* contents_ = nullptr;
    QLineEdit* searchBox_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    int language_ = 0;
    QString searched_; // the text of the last search, selected in each section shown
    std::vector<Section> sections_;
    std::function<bool(const QUrl&)> urlOpener_;
    std::function<void(const QString&)> errorHook_;
};

} // namespace vexmo
