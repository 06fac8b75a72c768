#pragma once
// A push button that enlarges its whole dialog in steps (small, medium, large): each state
// scales the dialog's client area, its font and every control's position and size by a fixed
// percentage of the layout recorded once the dialog was built.

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QString>

#include <vector>

namespace vexmo {

enum TDlgZoomState { dzSmall = 0, dzMedium = 1, dzLarge = 2 };

class TDlgZoomButton : public QPushButton {
    Q_OBJECT
  public:
    explicit TDlgZoomButton(QWidget* parent = nullptr);

    // Glyphs of the states small, medium and large (optional).
    const QList<QIcon>& Images() const { return Images_; }
    void SetImages(const QList<QIcon>& images) { Images_ = images; }

    int MediumRatio() const { return MediumRatio_; }
    void SetMediumRatio(int ratio) { MediumRatio_ = ratio; }
    int LargeRatio() const { return LargeRatio_; }
    void SetLargeRatio(int ratio) { LargeRatio_ = ratio; }

    QString SmallCaption() const { return Captions_[dzSmall]; }
    void SetSmallCaption(const QString& text) { Captions_[dzSmall] = text; }
    QString MediumCaption() const { return Captions_[dzMedium]; }
    void SetMediumCaption(const QString& text) { Captions_[dzMedium] = text; }
    QString LargeCaption() const { return Captions_[dzLarge]; }
    void SetLargeCaption(const QString& text) { Captions_[dzLarge] = text; }

    TDlgZoomState State() const { return State_; }
    void SetState(TDlgZoomState state);

    bool Sizeable() const { return Sizeable_; }
    void SetSizeable(bool sizeable);
    bool Moveable() const { return Moveable_; }
    void SetMoveable(bool moveable) { Moveable_ = moveable; }

    bool Initialized() const { return Initialized_; }

    // Records the dialog's layout; called once every control is in place. Leaves the dialog
    // at the small state (100 %).
    void RecordLayout();

    // The ratio of a state in percent.
    int Ratio(TDlgZoomState state) const;

    // Controls taking part in the zoom: named child widgets placed by hand, i.e. not laid out
    // by a layout, not a composite widget's own parts ("qt_…") and not separate windows.
    static bool IsZoomedControl(const QWidget* widget, const QWidget* dialog);

  private:
    void AdvanceState();
    void ApplyState();

    struct RecordedControl {
        QPointer<QWidget> Widget;
        QRect Bounds;  // relative to its parent
    };

    QList<QIcon> Images_;
    int MediumRatio_ = 150;
    int LargeRatio_ = 200;
    QString Captions_[3];
    TDlgZoomState State_ = dzSmall;
    bool Sizeable_ = false;
    bool Moveable_ = true;
    bool Initialized_ = false;

    QPointer<QWidget> Dialog_;
    int ClientWidth_ = 0;
    int ClientHeight_ = 0;
    int FontSize_ = 0;
    bool FontInPixels_ = false;
    std::vector<RecordedControl> Controls_;
};

// The three glyphs of the Options dialog's zoom button (a magnifier, growing, then shrinking).
QList<QIcon> ZoomGlyphs();

}  // namespace vexmo
