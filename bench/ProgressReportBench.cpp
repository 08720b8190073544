// What the progress reports of the extraction cost in the progress window, against the anchor
// a report is meant to cost no more than: repainting, on the same bar, only the columns whose
// pixels change, as often as the reports paint (a first round notes the reports' paints, from
// the old end of the fill to the new one and the end's decorations on either side). A repaint
// of the whole bar as often, which is what Qt's own bar does, is shown beside them. Both run on the
// real progress window, shown, over the same 203 reports the payload's extraction makes (a report
// every 425,000 of 86,486,130 bytes), many rounds, alternating; the medians of a round's total are
// compared. Runs on the display there is (Qt's offscreen platform without one).
//
//   bench_progress [rounds]
#include "setup/ProgressWindow.h"
#include "setup/StartUp.h"

#include "rtl/Application.h"
#include "rtl/ProgressBar.h"

#include <QApplication>
#include <QPaintEvent>
#include <QProgressBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kTotal = 86'486'130;
constexpr int kStep = 425'000;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class Work> double Microseconds(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}

// Notes the rectangle of every paint of the watched widget.
class PaintedRects : public QObject {
public:
    std::vector<QRect> rects;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            rects.push_back(static_cast<QPaintEvent*>(event)->rect());
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 41;
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    TApplication application(qtArgc, argv);
    CreateSetupWindows();
    Form2->Show();
    for (int i = 0; i < 5; ++i)
        Application->ProcessMessages();
    QProgressBar* bar = static_cast<QProgressBar*>(Form2->ProgressBar1->Widget());
    const auto restart = [] {
        ExtractProgress(nullptr, true, kTotal);
        ExtractProgress(nullptr, false, 0);
        Application->ProcessMessages();
    };
    const auto report = [] {
        for (int done = kStep; done < kTotal + kStep; done += kStep)
            ExtractProgress(nullptr, false, std::min(done, kTotal));
    };

    // A first round notes where and when the reports paint: the columns whose pixels change.
    PaintedRects painted;
    restart();
    bar->installEventFilter(&painted);
    report();
    bar->removeEventFilter(&painted);
    const std::vector<QRect> changed = painted.rects;

    std::vector<double> reports, anchor, whole;
    for (int round = 0; round < rounds; ++round) {
        restart();
        reports.push_back(Microseconds(report));
        anchor.push_back(Microseconds([&] {
            for (const QRect& columns : changed)
                bar->repaint(columns);
        }));
        whole.push_back(Microseconds([&] {
            for (size_t i = 0; i < changed.size(); ++i)
                bar->repaint();
        }));
    }
    const int count = (kTotal + kStep - 1) / kStep;
    std::printf("progress reports on the progress window, %d rounds of %d reports, platform %s\n",
                rounds, count,
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "xcb"
                                                     : qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("  repaint of the changed columns only (anchor, %zu paints): %7.1f us a round\n",
                changed.size(), Median(anchor));
    std::printf("  the reports (ExtractProgress):                          %7.1f us a round\n",
                Median(reports));
    std::printf("  for comparison, a repaint of the whole bar each time:   %7.1f us a round\n",
                Median(whole));
    std::printf("  ratio reports / anchor: %.2f  (goal <= 1.0)\n",
                Median(reports) / Median(anchor));
    return 0;
}
