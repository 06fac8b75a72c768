#include "files/EditingPage.h"

#include <QCheckBox>
#include <QSettings>

namespace vexmo {

namespace {

struct Entry {
    const char* Key;
    bool EditingOptions::*Member;
};

constexpr Entry kEntries[] = {
    {"OptLiveValue", &EditingOptions::LiveValue},
    {"OptStaleMarks", &EditingOptions::StaleMarks},
    {"OptCompletion", &EditingOptions::Completion},
    {"OptHighlighting", &EditingOptions::Highlighting},
    {"OptRecalcBelow", &EditingOptions::RecalcBelow},
};

QCheckBox* MakeCheck(QWidget* parent, const char* name) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace

void ReadEditingOptions(QSettings& store, EditingOptions& options) {
    store.beginGroup(QStringLiteral("Editing"));
    for (const Entry& e : kEntries) {
        const QVariant v = store.value(QString::fromLatin1(e.Key));
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (v.isValid() && ok && (n == 0 || n == 1)) options.*e.Member = n != 0;
    }
    store.endGroup();
}

void WriteEditingOptions(QSettings& store, const EditingOptions& options) {
    store.beginGroup(QStringLiteral("Editing"));
    for (const Entry& e : kEntries)
        store.setValue(QString::fromLatin1(e.Key), options.*e.Member ? 1 : 0);
    store.endGroup();
}

TEditingPage::TEditingPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabEditing"));
    // In the order of the tab chain.
    ChkLiveValue = MakeCheck(this, "ChkLiveValue");
    ChkHighlighting = MakeCheck(this, "ChkHighlighting");
    ChkCompletion = MakeCheck(this, "ChkCompletion");
    ChkStaleMarks = MakeCheck(this, "ChkStaleMarks");
    ChkRecalcBelow = MakeCheck(this, "ChkRecalcBelow");
    SetTexts(1);
}

void TEditingPage::Fill(const EditingOptions& o) {
    ChkLiveValue->setChecked(o.LiveValue);
    ChkStaleMarks->setChecked(o.StaleMarks);
    ChkCompletion->setChecked(o.Completion);
    ChkHighlighting->setChecked(o.Highlighting);
    ChkRecalcBelow->setChecked(o.RecalcBelow);
}

void TEditingPage::TakeOver(EditingOptions& o) const {
    o.LiveValue = ChkLiveValue->isChecked();
    o.StaleMarks = ChkStaleMarks->isChecked();
    o.Completion = ChkCompletion->isChecked();
    o.Highlighting = ChkHighlighting->isChecked();
    o.RecalcBelow = ChkRecalcBelow->isChecked();
}

void TEditingPage::SetTexts(int language) {
    const bool en = language == 1;
    ChkLiveValue->setText(en ? QStringLiteral("Show the value of the line being edited")
                             : QStringLiteral("編集中の行の値を表示する"));
    ChkStaleMarks->setText(
        en ? QStringLiteral("Mark answers that a changed variable left out of date")
           : QStringLiteral("変数の変更で古くなった計算結果に印を付ける"));
    ChkCompletion->setText(en ? QStringLiteral("Complete names while typing")
                              : QStringLiteral("入力中に名前を補完する"));
    ChkHighlighting->setText(en ? QStringLiteral("Colour the parts of expressions")
                                : QStringLiteral("式を種類ごとに色分けする"));
    ChkRecalcBelow->setText(en ? QStringLiteral("Recalculate below automatically")
                               : QStringLiteral("下の行を自動的に再計算する"));
}

void TEditingPage::Place(int width) {
    QCheckBox* boxes[] = {ChkLiveValue, ChkHighlighting, ChkCompletion, ChkStaleMarks,
                          ChkRecalcBelow};
    for (int i = 0; i < 5; ++i) {
        // Recalculating below belongs to the stale marks' line of thought: indented under them.
        const int indent = boxes[i] == ChkRecalcBelow ? 24 : 0;
        boxes[i]->setGeometry(16 + indent, 10 + i * 30, width - 32 - indent, 24);
    }
}

QString EditingPageCaption(int language) {
    return language == 1 ? QStringLiteral("&Editing") : QStringLiteral("編集(&E)");
}

} // namespace vexmo
