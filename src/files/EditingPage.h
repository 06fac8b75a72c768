#pragma once
// The Editing page of the Options dialog and where its choices are stored: the display
// helpers of the pane, each a check box, kept under the settings' "Editing" group.

#include "document/core/EditingOptions.h"

#include <QWidget>

class QCheckBox;
class QSettings;

namespace vexmo {

// A missing or unreadable value keeps its default; the other values are still read.
void ReadEditingOptions(QSettings& store, EditingOptions& options);
void WriteEditingOptions(QSettings& store, const EditingOptions& options);

class TEditingPage : public QWidget {
    Q_OBJECT
  public:
    explicit TEditingPage(QWidget* parent = nullptr);

    void Fill(const EditingOptions& options);
    void TakeOver(EditingOptions& options) const;
    // The captions in the interface language (1 English, otherwise Japanese).
    void SetTexts(int language);
    // Lays the boxes out for an inner page width.
    void Place(int width);

    QCheckBox* ChkLiveValue;
    QCheckBox* ChkStaleMarks;
    QCheckBox* ChkCompletion;
    QCheckBox* ChkHighlighting;
    QCheckBox* ChkRecalcBelow;
};

// The page's caption in the interface language.
QString EditingPageCaption(int language);

} // namespace vexmo
