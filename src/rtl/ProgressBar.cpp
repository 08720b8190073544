#include "ProgressBar.h"

#include <QPaintEvent>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include <algorithm>

namespace {

// Qt's bar, knowing what it shows: every paint leaves the whole bar showing value() in its
// range at the time.
class TQtProgressBar : public QProgressBar {
public:
    int PaintedValue() const { return painted_; }
    bool PaintedInRange() const {
        return paintedMinimum_ == minimum() && paintedMaximum_ == maximum() &&
               painted_ >= minimum() && painted_ <= maximum();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QProgressBar::paintEvent(event);
        painted_ = value();
        paintedMinimum_ = minimum();
        paintedMaximum_ = maximum();
    }

private:
    int painted_ = -1, paintedMinimum_ = 0, paintedMaximum_ = -1;
};

} // namespace

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner, new TQtProgressBar, false) {
    Bar()->setTextVisible(false);
    SetBounds(0, 0, 150, 16);
    Update();
}

QProgressBar* TProgressBar::Bar() const {
    return static_cast<QProgressBar*>(Widget());
}

void TProgressBar::SetMin(int value) {
    min_ = value;
    Update();
}

void TProgressBar::SetMax(int value) {
    max_ = value;
    Update();
}

void TProgressBar::SetPosition(int value) {
    position_ = value;
    Update();
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
    orientation_ = value;
    Bar()->setOrientation(value == pbVertical ? Qt::Vertical : Qt::Horizontal);
}

void TProgressBar::Update() {
    if (max_ < min_)
        max_ = min_;
    position_ = std::clamp(position_, min_, max_);
    Bar()->setRange(min_, max_);
    MoveTo(position_);
}

// Qt repaints the whole bar whenever its fill grows by a chunk, and the style's bar costs
// about 150 us to paint whole, which a long extraction pays hundreds of times. A horizontal bar
// without text, whose range stays, is therefore painted again only between the old and the new
// end of its fill, with a chunk's width on each side for the end's decorations; everything
// outside looks the same at both values.
void TProgressBar::MoveTo(int position) {
    auto* bar = static_cast<TQtProgressBar*>(Bar());
    const int painted = bar->PaintedValue();
    if (position == bar->value())
        return;
    if (bar->orientation() != Qt::Horizontal || bar->isTextVisible() || bar->invertedAppearance() ||
        !bar->PaintedInRange() || !bar->isVisible() || !bar->updatesEnabled()) {
        bar->setValue(position);
        return;
    }
    // The new value is set without Qt's own repaint of the whole bar.
    bar->setAttribute(Qt::WA_UpdatesDisabled, true);
    bar->setValue(position);
    bar->setAttribute(Qt::WA_UpdatesDisabled, false);
    // Qt's rule for when the bar needs painting at all: at either end of the range, or once
    // the fill has moved by a chunk (measured here on the whole width, a hair wider than the
    // groove Qt measures on, so no paint Qt would make is left out).
    const int chunk =
        std::max(bar->style()->pixelMetric(QStyle::PM_ProgressBarChunkWidth, nullptr, bar), 1);
    const auto steps = std::max<qint64>(1, qint64(max_) - min_);
    const qint64 moved = qAbs(qint64(position) - painted);
    if (position != min_ && position != max_ && moved * bar->width() <= chunk * steps)
        return;

    QStyleOptionProgressBar option;
    option.initFrom(bar);
    option.state |= QStyle::State_Horizontal;
    option.minimum = min_;
    option.maximum = max_;
    option.progress = position;
    const QRect contents =
        bar->style()->subElementRect(QStyle::SE_ProgressBarContents, &option, bar);
    const auto fillEdge = [&](int value) {
        return static_cast<int>((qint64(value) - min_) * contents.width() / steps);
    };
    const int from = std::min(fillEdge(painted), fillEdge(position)) - chunk;
    const int to = std::max(fillEdge(painted), fillEdge(position)) + chunk;
    bar->repaint(QRect(contents.left() + from, 0, to - from, bar->height()));
}

const TClassInfo& TProgressBar::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TProgressBar, TWinControl>("TProgressBar")
                                       .Property("Min", &TProgressBar::SetMin)
                                       .Property("Max", &TProgressBar::SetMax)
                                       .Property("Position", &TProgressBar::SetPosition)
                                       .Property("Smooth", &TProgressBar::SetSmooth)
                                       .Property("Orientation", &TProgressBar::SetOrientation);
    return info;
}
