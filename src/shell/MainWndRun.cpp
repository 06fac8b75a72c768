// Long work of the pane (Calculate again, Remove answers, loading and painting a document): the
// busy cursor, the progress and Cancel in the status bar, Escape, and the commands and the
// Variables window held back while it goes on.

#include "shell/MainWnd.h"

#include "files/InterfaceTexts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

namespace vexmo {

namespace {

// The commands that stay available while a run goes on: none of them changes the
// document or the store.
bool AvailableDuringRun(const QString& name) {
    return name == u"AtnEditCopy" || name == u"AtnEditSelectAll" ||
           name == u"AtnOptionShowVariables" || name == u"AtnHelpIndex" ||
           name == u"AtnHelpDorvHomepage" || name == u"AtnHelpAbout" || name == u"AtnFileExit";
}

// Loading is never left half done.
bool Cancellable(TCalcPane::RunKind kind) {
    return kind == TCalcPane::RunKind::Calculating || kind == TCalcPane::RunKind::RemovingAnswers;
}

QString RunText(TCalcPane::RunKind kind, int language, int done, int total) {
    const bool english = language == 1;
    QString what;
    switch (kind) {
    case TCalcPane::RunKind::Calculating:
        what = english ? QStringLiteral("Calculating") : QStringLiteral("計算中");
        break;
    case TCalcPane::RunKind::RemovingAnswers:
        what = english ? QStringLiteral("Removing answers") : QStringLiteral("計算結果を削除中");
        break;
    default:
        what = english ? QStringLiteral("Opening") : QStringLiteral("読み込み中");
        break;
    }
    const bool cancels = Cancellable(kind);
    const QString how =
        english ? (cancels ? QStringLiteral("read-only; Esc cancels") : QStringLiteral("read-only"))
                : (cancels ? QStringLiteral("編集不可、Esc で中止") : QStringLiteral("編集不可"));
    return english
               ? QStringLiteral("%1: %2 / %3 lines (%4)").arg(what).arg(done).arg(total).arg(how)
               : QStringLiteral("%1: %2 / %3 行 (%4)").arg(what).arg(done).arg(total).arg(how);
}

} // namespace

void TFrmMain::CreateRunPanel() {
    runPanel_ = new QWidget(statusBar()); // owned by the status bar
    runPanel_->setObjectName(QStringLiteral("RunPanel"));
    auto* layout = new QHBoxLayout(runPanel_);
    layout->setContentsMargins(4, 0, 4, 0);
    runProgress_ = new QLabel(runPanel_);
    runProgress_->setObjectName(QStringLiteral("RunProgress"));
    runCancel_ = new QPushButton(runPanel_);
    runCancel_->setObjectName(QStringLiteral("RunCancel"));
    runCancel_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(runProgress_);
    layout->addWidget(runCancel_);
    statusBar()->addWidget(runPanel_, 1);
    runPanel_->hide();

    runShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    runShortcut_->setContext(Qt::WindowShortcut);
    runShortcut_->setEnabled(false);
    connect(runShortcut_, &QShortcut::activated, REdit1, &TCalcPane::CancelRun);
    connect(runCancel_, &QPushButton::clicked, REdit1, &TCalcPane::CancelRun);

    connect(REdit1, &TCalcPane::runStarted, this, &TFrmMain::RunStarted);
    connect(REdit1, &TCalcPane::runProgress, this, &TFrmMain::RunProgress);
    connect(REdit1, &TCalcPane::runFinished, this, &TFrmMain::RunFinished);
}

void TFrmMain::RunStarted() {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    runCancel_->setText(RunCancelText(opt_.Language));
    const bool cancels = Cancellable(REdit1->Running());
    runCancel_->setVisible(cancels);
    runShortcut_->setEnabled(cancels);
    runPanel_->show();
    runFlushClock_.start();
    DisableAllCommands();
}

void TFrmMain::RunProgress(int done, int total) {
    runProgress_->setText(RunText(REdit1->Running(), opt_.Language, done, total));
    // The Variables window follows the run, at most about ten times a second.
    TFrmVariables* variables = VariablesWindow();
    if (variables && runFlushClock_.elapsed() >= 100) {
        variables->FlushRows();
        runFlushClock_.start();
    }
}

void TFrmMain::RunFinished() {
    QApplication::restoreOverrideCursor();
    runShortcut_->setEnabled(false);
    runPanel_->hide();
    runProgress_->clear();
    if (TFrmVariables* variables = VariablesWindow()) variables->SetDeferred(false);
    ScheduleUpdate();
}

void TFrmMain::UpdateActionsDuringRun() {
    for (QAction* action : actions_.All())
        action->setEnabled(AvailableDuringRun(action->objectName()));
    if (QAction* copy = actions_["AtnEditCopy"])
        copy->setEnabled(REdit1->textCursor().hasSelection());
}

} // namespace vexmo
