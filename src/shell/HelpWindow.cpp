#include "shell/HelpWindow.h"

#include "files/InterfaceTexts.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

// The chapters live in this static library; nothing else would pull them into the program.
static void InitManualResources() {
    Q_INIT_RESOURCE(manual);
}

namespace vexmo {

namespace {

constexpr int kChapterRole = Qt::UserRole;
constexpr int kHeadingRole = Qt::UserRole + 1;

QString ManualFolder(int language) {
    return IsEnglish(language) ? QStringLiteral(":/manual/en") : QStringLiteral(":/manual/ja");
}

QString ReadResource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QUrl ResourceUrl(const QString& path) {
    // ":/manual/en/01-start.md" -> "qrc:/manual/en/01-start.md"
    return QUrl(QStringLiteral("qrc") + path);
}

QString ResourcePath(const QUrl& url) {
    return QStringLiteral(":") + url.path();
}

} // namespace

QStringList ManualChapters(int language) {
    static const bool resources = (InitManualResources(), true);
    Q_UNUSED(resources);
    const QDir folder(ManualFolder(language));
    QStringList chapters;
    for (const QString& name : folder.entryList({QStringLiteral("*.md")}, QDir::Files, QDir::Name))
        chapters << folder.filePath(name);
    return chapters;
}

TFrmHelp::TFrmHelp(QWidget* parent)
    : QWidget(parent, Qt::Window),
      urlOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("FrmHelp"));
    resize(820, 600);

    searchBox_ = new QLineEdit(this);
    searchBox_->setObjectName(QStringLiteral("EditSearch"));
    searchBox_->setClearButtonEnabled(true);
    contents_ = new QTreeWidget(this);
    contents_->setObjectName(QStringLiteral("TvContents"));
    contents_->setHeaderHidden(true);
    contents_->setColumnCount(1);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("BrowserManual"));
    // Links are followed here: chapters inside the window, other addresses on the desktop.
    browser_->setOpenLinks(false);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(searchBox_);
    leftLayout->addWidget(contents_);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 590});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);

    connect(contents_, &QTreeWidget::itemActivated, this, &TFrmHelp::ShowItem);
    connect(contents_, &QTreeWidget::itemClicked, this, &TFrmHelp::ShowItem);
    connect(searchBox_, &QLineEdit::returnPressed, this, [this] { Search(searchBox_->text()); });
    connect(searchBox_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty()) Search(text);
    });
    connect(browser_, &QTextBrowser::anchorClicked, this, &TFrmHelp::LinkClicked);
}

bool TFrmHelp::ShowManual(int language) {
    const bool english = IsEnglish(language);
    if (language_ == 0 || IsEnglish(language_) != english) {
        language_ = english ? LanguageEnglish : LanguageJapanese;
        ApplyTexts();
        LoadContents();
    }
    if (sections_.empty()) return false;
    searchBox_->clear();
    Search(QString());
    return ShowChapter(QFileInfo(sections_.front().Chapter).fileName());
}

void TFrmHelp::ApplyTexts() {
    const bool english = IsEnglish(language_);
    setWindowTitle(english ? QStringLiteral("Vexmo Manual") : QStringLiteral("Vexmo マニュアル"));
    searchBox_->setPlaceholderText(english ? QStringLiteral("Search") : QStringLiteral("検索"));
}

void TFrmHelp::LoadContents() {
    contents_->clear();
    sections_.clear();
    for (const QString& chapter : ManualChapters(language_)) {
        const QStringList lines = ReadResource(chapter).split(QLatin1Char('\n'));
        auto* chapterItem = new QTreeWidgetItem(contents_); // owned by the list
        chapterItem->setData(0, kChapterRole, chapter);
        Section current{chapter, QString(), QString(), chapterItem};
        bool inCode = false;
        for (const QString& line : lines) {
            if (line.startsWith(QStringLiteral("```"))) inCode = !inCode;
            if (!inCode && line.startsWith(QStringLiteral("# "))) {
                chapterItem->setText(0, line.mid(2).trimmed());
                continue;
            }
            if (!inCode && line.startsWith(QStringLiteral("## "))) {
                sections_.push_back(current);
                const QString heading = line.mid(3).trimmed();
                auto* item = new QTreeWidgetItem(chapterItem); // owned by its chapter's item
                item->setText(0, heading);
                item->setData(0, kChapterRole, chapter);
                item->setData(0, kHeadingRole, heading);
                current = Section{chapter, heading, QString(), item};
            }
            current.Text += line;
            current.Text += QLatin1Char('\n');
        }
        sections_.push_back(current);
    }
    contents_->expandAll();
}

bool TFrmHelp::ShowChapter(const QString& chapterFile, const QString& heading) {
    const QString path = ManualFolder(language_) + QLatin1Char('/') + chapterFile;
    if (!QFile::exists(path)) return false;
    if (browser_->source() != ResourceUrl(path)) browser_->setSource(ResourceUrl(path));
    ScrollToHeading(heading);
    SelectItemFor(path);
    return true;
}

void TFrmHelp::ScrollToHeading(const QString& heading) {
    if (heading.isEmpty()) {
        browser_->verticalScrollBar()->setValue(0);
        return;
    }
    const QTextDocument* document = browser_->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.text().trimmed() != heading) continue;
        QTextCursor cursor(block);
        browser_->setTextCursor(cursor);
        const QRectF bounds = document->documentLayout()->blockBoundingRect(block);
        browser_->verticalScrollBar()->setValue(static_cast<int>(bounds.top()));
        return;
    }
}

void TFrmHelp::SelectItemFor(const QString& chapter) {
    QTreeWidgetItem* current = contents_->currentItem();
    if (current && current->data(0, kChapterRole).toString() == chapter) return;
    for (int i = 0; i < contents_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = contents_->topLevelItem(i);
        if (item->data(0, kChapterRole).toString() == chapter) {
            contents_->setCurrentItem(item);
            return;
        }
    }
}

void TFrmHelp::ShowItem(QTreeWidgetItem* item) {
    if (!item) return;
    ShowChapter(QFileInfo(item->data(0, kChapterRole).toString()).fileName(),
                item->data(0, kHeadingRole).toString());
    contents_->setCurrentItem(item);
    if (!searched_.isEmpty()) browser_->find(searched_);
}

int TFrmHelp::Search(const QString& text) {
    const QString wanted = text.trimmed();
    searched_ = wanted;
    int found = 0;
    QTreeWidgetItem* first = nullptr;
    for (const Section& section : sections_) {
        const bool match = wanted.isEmpty() || section.Text.contains(wanted, Qt::CaseInsensitive);
        if (match && !wanted.isEmpty()) {
            ++found;
            if (!first) first = section.Item;
        }
        if (section.Heading.isEmpty()) {
            section.Item->setData(0, Qt::UserRole + 2, match);
        } else {
            section.Item->setHidden(!match);
        }
    }
    // A chapter stays listed while its own part or one of its sections holds the text.
    for (int i = 0; i < contents_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* chapter = contents_->topLevelItem(i);
        bool visible = chapter->data(0, Qt::UserRole + 2).toBool();
        for (int j = 0; j < chapter->childCount() && !visible; ++j)
            visible = !chapter->child(j)->isHidden();
        chapter->setHidden(!visible);
    }
    if (first) ShowItem(first);
    return found;
}

void TFrmHelp::LinkClicked(const QUrl& url) {
    const QUrl target = browser_->source().resolved(url);
    if (target.scheme() == QLatin1String("qrc")) {
        const QString path = ResourcePath(target);
        if (QFile::exists(path)) {
            ShowChapter(QFileInfo(path).fileName());
            if (target.hasFragment()) browser_->scrollToAnchor(target.fragment());
            return;
        }
    }
    if (urlOpener_ && urlOpener_(target)) return;
    if (errorHook_)
        errorHook_(
            IsEnglish(language_)
                ? QStringLiteral("The desktop could not open %1.").arg(target.toDisplayString())
                : QStringLiteral("%1 をデスクトップで開けませんでした")
                      .arg(target.toDisplayString()));
}

} // namespace vexmo
