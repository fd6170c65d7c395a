// A whole mailing through the real window code, offscreen: rows per second, and how long the
// window's thread is held by one step (the time between two handled rows is an upper bound).
// Usage: bench_window_send ROWS (test | live HOST PORT)
#include "ui/main_form.h"
#include "ui/prompter.h"
#include "ui/startup.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class SilentPrompter final : public quillory::ui::Prompter {
public:
    quillory::ui::MessageAnswer show(const std::string&, quillory::ui::MessageIcon, const std::string& text,
                                     quillory::ui::MessageButtons buttons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return buttons == quillory::ui::MessageButtons::YesNo ? quillory::ui::MessageAnswer::Yes
                                                              : quillory::ui::MessageAnswer::Ok;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROWS (test | live HOST PORT)\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int rows = std::atoi(argv[1]);
    const bool live = std::string(argv[2]) == "live";

    const auto dir = std::filesystem::temp_directory_path() / ("quillory-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    SilentPrompter prompter;
    quillory::ui::AppContext context;
    context.exeDir = dir.string() + "/";
    context.prompter = &prompter;
    context.now = [] { return 46000.5; };
    auto windows = quillory::ui::createWindows(context);
    auto& form = *windows->mainForm;
    form.resize(943, 716);
    form.show();

    auto& job = form.job();
    job.hostName = live ? argv[3] : "127.0.0.1";
    job.hostPort = live ? std::atoi(argv[4]) : 25;
    job.fromName = "Bench Sender";
    job.fromAddress = "bench@example.org";
    auto& settings = form.settings();
    settings.currentLogFile = (dir / "bench.log").string();
    settings.warnTestMode = false;
    settings.confirmLogFile = false;
    settings.confirmSaved = false;

    std::vector<std::vector<std::string>> grid{{"Name", "Email", "Town", "Code"}};
    for (int r = 0; r < rows; ++r)
        grid.push_back({"Person " + std::to_string(r), "p" + std::to_string(r) + "@example.org", "Town " + std::to_string(r % 97),
                        std::to_string(100000 + r)});
    job.bufferGrid.assignRows(std::move(grid));
    QElapsedTimer shown;
    shown.start();
    form.normaliseGrid();
    QCoreApplication::processEvents();
    std::fprintf(stderr, "grid of %d rows normalised and shown in %.1f ms\n", rows, shown.nsecsElapsed() / 1e6);
    std::string templ = "Dear {{Name}},\r\n\r\n";
    for (int i = 0; i < 8; ++i)
        templ += "This is line " + std::to_string(i) + " of the letter to {{Name}} of {{Town}}, reference {{Code}}.\r\n";
    templ += "\r\nKind regards\r\n";
    form.setTemplateText(templ);
    form.testdxBarButton->setChecked(!live);

    // In test mode the server is still connected: without one, connect to a sink given anyway.
    if (!live && argc >= 5) {
        job.hostName = argv[3];
        job.hostPort = std::atoi(argv[4]);
    }

    std::vector<double> gaps;
    gaps.reserve(static_cast<std::size_t>(rows));
    QElapsedTimer clock;
    qint64 last = 0;
    QObject::connect(&form, &quillory::ui::TmainForm::rowHandled, &form, [&](int) {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(static_cast<double>(now - last) / 1e6);
        last = now;
    });
    clock.start();
    form.SendDXBarButtonClick();
    last = clock.nsecsElapsed();
    const qint64 started = last;
    while (form.mailingInProgress()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const double seconds = static_cast<double>(clock.nsecsElapsed() - started) / 1e9;

    std::vector<double> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const auto pct = [&](double p) { return sorted.empty() ? 0.0 : sorted[static_cast<std::size_t>(p * (sorted.size() - 1))]; };
    int failed = 0;
    for (auto s : job.resultList) failed += s == 2;
    std::printf("%s: %d rows in %.2f s = %.0f rows/s; %d failed; step gap median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                live ? "live" : "test", static_cast<int>(job.resultList.size()), seconds,
                static_cast<double>(job.resultList.size()) / seconds, failed, pct(0.5), pct(0.99),
                sorted.empty() ? 0.0 : sorted.back());
    windows.reset();
    std::filesystem::remove_all(dir);
    return 0;
}
