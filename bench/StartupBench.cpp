// Start-up time to the first painted frame: the installer's start-up (application, the three
// windows restored from their compiled descriptions, the loop showing the options window)
// against the anchor, an empty frameless 588 x 400 Qt window, on the same machine in the same
// run. Each sample is a fresh process; the time runs from just before the process is started
// until it reports that its window's first frame has been painted.
//
// A second anchor is the same window with the three captions the options window shows at
// first, as Qt labels in the fonts the installer asks for: what drawing any text at all costs
// (fontconfig's set-up, the font database, engines, shaping), which the empty window never pays.
//
// The installer is timed without and with the integrity check its main() runs (the size check,
// then the resource checksums in a thread beside the window), over the same resources as the
// installer carries. --check-cost times the checksum pass itself against zlib's crc32 over the
// same bytes, read from the mapping in one tight loop.
//
//   bench_startup [rounds]          runs all three, alternating, and prints medians and ratios
//   bench_startup --check-cost      the checksum pass against a crc32 loop
//   bench_startup --child setup     (internal) one start-up of the installer
//   bench_startup --child checked   (internal) the same with the integrity check
//   bench_startup --child anchor    (internal) one start-up of the empty window
//   bench_startup --child text      (internal) one start-up of the window with three labels
#include "setup/IntegrityCheck.h"
#include "setup/OptionsWindow.h"
#include "setup/StartUp.h"

#include "rtl/Application.h"
#include "rtl/Font.h"
#include "winapi/ResourcePack.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

// Reports on stdout once the watched window has painted its first frame, then ends the process
// at once (the measurement is over).
class FirstFrameProbe : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Runs after the paint event and the flush that follows it.
            QTimer::singleShot(0, [] {
                std::fputs("painted\n", stdout);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

int RunSetupChild(int argc, char* argv[], bool checked) {
    if (checked && !EnsureCompleteExecutable())
        return 2;
    TApplication application(argc, argv);
    if (checked)
        StartResourceCheck();
    CreateSetupWindows();
    FirstFrameProbe probe;
    Form1->Widget()->installEventFilter(&probe);
    Application->Run();
    return 1;
}

int RunAnchorChild(int argc, char* argv[], bool withText) {
    QApplication application(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.resize(588, 400);
    if (withText) {
        // The options window's check box caption and its two links, 14-pixel Arial cells.
        TFont font;
        font.SetName("Arial");
        font.SetHeight(14);
        const struct {
            const char* text;
            TFontStyles style;
        } captions[] = {
            {"阅读并同意", {}}, {"许可协议", {fsUnderline}}, {"自定义选项", {fsUnderline}}};
        int x = 60;
        for (const auto& caption : captions) {
            font.SetStyle(caption.style);
            auto* label = new QLabel(QString::fromUtf8(caption.text), &window);
            label->setFont(font.ToQFont());
            label->move(x, 350);
            x += 120;
        }
    }
    FirstFrameProbe probe;
    window.installEventFilter(&probe);
    window.show();
    return application.exec();
}

// Milliseconds from fork to the child's report; negative when it failed.
double TimeChild(const char* kind) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0)
            dup2(devNull, STDERR_FILENO);
        execl("/proc/self/exe", "bench_startup", "--child", kind, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[16] = {};
    ssize_t n = read(pipeFds[0], buffer, sizeof buffer - 1);
    auto end = std::chrono::steady_clock::now();
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (n <= 0 || std::strncmp(buffer, "painted", 7) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double MillisecondsOf(void (*work)()) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

int CheckCost() {
    static std::uint64_t bytes = 0;
    static uLong sink = 0;
    const auto crcLoop = [] {
        bytes = 0;
        for (const winapi::PackedResource& resource : winapi::PackedResources()) {
            sink ^= crc32(0, static_cast<const Bytef*>(resource.data),
                          static_cast<uInt>(resource.entry->size));
            bytes += resource.entry->size;
        }
    };
    crcLoop(); // pages in and caches the file for both
    const double loop = MillisecondsOf(crcLoop);
    const double check = MillisecondsOf([] { AwaitIntactResources(); });
    std::printf("checksum pass over %llu bytes: check %.1f ms, crc32 loop %.1f ms, ratio %.2f "
                "(%lx)\n",
                static_cast<unsigned long long>(bytes), check, loop, check / loop, sink & 1);
    return 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) {
        int childArgc = 1;
        if (std::strcmp(argv[2], "setup") == 0 || std::strcmp(argv[2], "checked") == 0)
            return RunSetupChild(childArgc, argv, std::strcmp(argv[2], "checked") == 0);
        return RunAnchorChild(childArgc, argv, std::strcmp(argv[2], "text") == 0);
    }
    if (argc == 2 && std::strcmp(argv[1], "--check-cost") == 0)
        return CheckCost();
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The installer must not see the user's system root.
    char prefix[] = "/tmp/bench-startup-XXXXXX";
    if (!mkdtemp(prefix))
        return 1;
    setenv("WINEPREFIX", prefix, 1);

    std::vector<double> setup, checked, anchor, text;
    for (const char* kind : {"anchor", "text", "setup", "checked"})
        TimeChild(kind); // warms the file cache for all
    for (int i = 0; i < rounds; ++i) {
        const double a = TimeChild("anchor");
        const double t = TimeChild("text");
        const double s = TimeChild("setup");
        const double c = TimeChild("checked");
        if (a < 0 || t < 0 || s < 0 || c < 0) {
            std::fprintf(stderr, "a child did not report its first frame\n");
            return 1;
        }
        anchor.push_back(a);
        text.push_back(t);
        setup.push_back(s);
        checked.push_back(c);
    }
    std::string remove = std::string("rm -rf ") + prefix;
    if (std::system(remove.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", prefix);

    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("start-up to first painted frame, %d rounds, platform %s\n", rounds,
                platform ? platform : "xcb");
    std::printf("  anchor (empty frameless window): median %7.1f ms, min %7.1f ms\n",
                Median(anchor), *std::min_element(anchor.begin(), anchor.end()));
    std::printf("  the same with three labels:      median %7.1f ms, min %7.1f ms\n", Median(text),
                *std::min_element(text.begin(), text.end()));
    std::printf("  VostrelSetup start-up:           median %7.1f ms, min %7.1f ms\n", Median(setup),
                *std::min_element(setup.begin(), setup.end()));
    std::printf("  with the integrity check:        median %7.1f ms, min %7.1f ms\n",
                Median(checked), *std::min_element(checked.begin(), checked.end()));
    std::printf("  ratio setup / anchor (medians):  %.2f  (goal <= 1.25)\n",
                Median(setup) / Median(anchor));
    std::printf("  ratio labels / anchor (medians): %.2f  (what drawing text costs)\n",
                Median(text) / Median(anchor));
    std::printf("  ratio setup / labels (medians):  %.2f\n", Median(setup) / Median(text));
    std::printf("  ratio checked / setup (medians): %.3f\n", Median(checked) / Median(setup));
    return 0;
}
