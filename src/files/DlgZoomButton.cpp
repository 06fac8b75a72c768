#include "files/DlgZoomButton.h"

#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace vexmo {

TDlgZoomButton::TDlgZoomButton(QWidget* parent) : QPushButton(parent) {
    // Return in the dialog belongs to OK, never to the zoom.
    setAutoDefault(false);
    setDefault(false);
    // Every click, whatever else it triggers, moves to the next state.
    connect(this, &QAbstractButton::clicked, this, &TDlgZoomButton::AdvanceState);
}

void TDlgZoomButton::SetState(TDlgZoomState state) {
    State_ = state;
    ApplyState();
}

void TDlgZoomButton::SetSizeable(bool sizeable) {
    Sizeable_ = sizeable;
    ApplyState();
}

int TDlgZoomButton::Ratio(TDlgZoomState state) const {
    switch (state) {
    case dzMedium: return MediumRatio_;
    case dzLarge: return LargeRatio_;
    case dzSmall: break;
    }
    return 100;
}

bool TDlgZoomButton::IsZoomedControl(const QWidget* widget, const QWidget* dialog) {
    if (widget == dialog || widget->isWindow())
        return false;
    const QString name = widget->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
        return false;
    const QWidget* parent = widget->parentWidget();
    if (!parent)
        return false;
    // A control inside a layout (a tab page, a radio item) gets its geometry from the layout,
    // which follows its scaled parent.
    if (parent->layout() && parent->layout()->indexOf(const_cast<QWidget*>(widget)) >= 0)
        return false;
    for (const QWidget* w = parent; w; w = w->parentWidget()) {
        if (w == dialog)
            return true;
        if (w->isWindow())
            return false;
    }
    return false;
}

void TDlgZoomButton::RecordLayout() {
    Dialog_ = window();
    if (!Dialog_)
        return;
    ClientWidth_ = Dialog_->width();
    ClientHeight_ = Dialog_->height();
    const QFont font = Dialog_->font();
    FontInPixels_ = font.pointSize() <= 0;
    FontSize_ = FontInPixels_ ? font.pixelSize() : font.pointSize();
    Controls_.clear();
    const auto children = Dialog_->findChildren<QWidget*>();
    Controls_.reserve(children.size());
    for (QWidget* w : children)
        if (IsZoomedControl(w, Dialog_))
            Controls_.push_back({w, w->geometry()});
    Initialized_ = true;
    State_ = dzLarge;
    click();
}

void TDlgZoomButton::AdvanceState() {
    switch (State_) {
    case dzSmall: State_ = dzMedium; break;
    case dzMedium: State_ = dzLarge; break;
    case dzLarge: State_ = dzSmall; break;
    }
    ApplyState();
}

void TDlgZoomButton::ApplyState() {
    if (!Initialized_ || !Dialog_)
        return;
    const int r = Ratio(State_);
    const auto scale = [r](int v) { return static_cast<int>(static_cast<long long>(v) * r / 100); };

    const QSize client(scale(ClientWidth_), scale(ClientHeight_));
    if (Dialog_->minimumSize() == Dialog_->maximumSize())
        Dialog_->setFixedSize(client);
    else
        Dialog_->resize(client);

    QFont font = Dialog_->font();
    if (FontInPixels_)
        font.setPixelSize(std::max(1, scale(FontSize_)));
    else
        font.setPointSize(std::max(1, scale(FontSize_)));
    Dialog_->setFont(font);

    for (const RecordedControl& c : Controls_) {
        if (!c.Widget)
            continue;
        const bool self = c.Widget == this;
        QRect g = c.Widget->geometry();
        if (!self || Moveable_)
            g.moveTo(scale(c.Bounds.x()), scale(c.Bounds.y()));
        if (!self || Sizeable_)
            g.setSize(QSize(scale(c.Bounds.width()), scale(c.Bounds.height())));
        c.Widget->setGeometry(g);
    }

    setText(Captions_[State_]);
    if (!Images_.isEmpty() && State_ < Images_.size())
        setIcon(Images_[State_]);
}

QList<QIcon> ZoomGlyphs() {
    QList<QIcon> glyphs;
    for (int state = dzSmall; state <= dzLarge; ++state) {
        QPixmap pm(32, 32);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        // The lens grows with the state; the sign says what the next click does.
        const qreal radius = 7.0 + 2.0 * state;
        const QPointF centre(13, 13);
        p.setPen(QPen(QColor(60, 60, 60), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre + QPointF(radius * 0.7, radius * 0.7), QPointF(29, 29));
        p.setPen(QPen(QColor(40, 70, 130), 2));
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(centre, radius, radius);
        p.setPen(QPen(QColor(40, 70, 130), 2, Qt::SolidLine, Qt::RoundCap));
        const qreal arm = radius * 0.5;
        p.drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
        if (state != dzLarge)
            p.drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
        p.end();
        glyphs.append(QIcon(pm));
    }
    return glyphs;
}

}  // namespace vexmo
