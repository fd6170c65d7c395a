// Times the logging of one large mailing: beginMailing copies a 100,000-row x 10-column grid
// into the record, finishMailing appends it (with its status bytes) to a log on disk.
// Prints the median of several runs.

#include "app/job.h"
#include "app/settings.h"
#include "log/file_lock.h"
#include "log/log_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace quillory;

namespace {

class QuietObserver final : public log::LogWriterObserver {
public:
    void info(const std::string&, const std::string&) override {}
    void error(const std::string& caption, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

double medianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    constexpr int rows = 100000;
    constexpr int cols = 10;
    constexpr int runs = 9;

    auto job = std::make_unique<app::Job>();
    job->mailingGrid.resize(cols + 1, rows + 1);
    for (int c = 1; c <= cols; ++c)
        job->mailingGrid.setCell(c, 0, "Heading " + std::to_string(c));
    for (int r = 1; r <= rows; ++r) {
        job->mailingGrid.setCell(0, r, std::to_string(r));
        for (int c = 1; c < cols; ++c)
            job->mailingGrid.setCell(c, r, "value " + std::to_string(r * 31 + c));
        job->mailingGrid.setCell(cols, r, "person" + std::to_string(r) + "@example.com");
    }
    job->addressCol = cols;
    job->subject = "Quarterly news";
    job->fromName = "Sender";
    job->fromAddress = "sender@example.com";
    job->attachmentList = {"/tmp/a.pdf"};
    const std::string templ = "Dear {{Heading 1}},\r\n\r\nNews for you.\r\n";
    const std::vector<std::uint8_t> results(rows, 1);

    const auto dir = std::filesystem::temp_directory_path() / "quillory_log_bench";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "bench.log").string();

    app::Settings settings;
    settings.confirmSaved = false;
    QuietObserver observer;
    log::TlogWriter writer(settings, observer, log::localDateTimeNow);

    std::vector<double> total, begin, finish;
    std::size_t recordSize = 0;
    for (int i = 0; i < runs; ++i) {
        writer.createLogFile(path);
        const auto t0 = std::chrono::steady_clock::now();
        writer.beginMailing(path, *job, templ);
        const auto t1 = std::chrono::steady_clock::now();
        recordSize = writer.record().size() + results.size();
        if (!writer.finishMailing(results)) return 1;
        const auto t2 = std::chrono::steady_clock::now();
        begin.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        finish.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
        total.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
    }
    std::filesystem::remove_all(dir);
    // The writer keeps its record buffer between mailings, so the first run also pays for
    // the memory the later ones reuse.
    const double firstRun = total.front();

    std::printf("log writer, %d rows x %d columns, record %.1f MB, median of %d runs:\n", rows, cols,
                static_cast<double>(recordSize) / 1e6, runs);
    std::printf("  beginMailing   %8.1f ms\n", medianOf(begin));
    std::printf("  finishMailing  %8.1f ms (append and flush to disk)\n", medianOf(finish));
    std::printf("  total          %8.1f ms\n", medianOf(total));
    std::printf("  first run      %8.1f ms (fresh record buffer: begin %.1f, finish %.1f)\n", firstRun, begin.front(),
                finish.front());
    return 0;
}
