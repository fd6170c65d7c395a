// Reading a large comma-delimited grid into the MailingGrid, against Python's csv module on
// the same file, and saving and reopening a job that holds that grid.
#include "bench_util.h"
#include "app/job.h"
#include "merge/grid_reader.h"
#include "merge/job_file.h"
#include "merge/mailing_grid.h"
#include "text/file_io.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace quillory;

namespace {

constexpr int rows = 100000;
constexpr int cols = 10;
constexpr int runs = 7;

// About 125 bytes a line: names, an address, numbers, a date, a short note.
std::string makeCsv() {
    std::string out = "First,Last,Email,Street,City,Zip,Phone,Amount,Joined,Note\r\n";
    out.reserve(static_cast<std::size_t>(rows) * 124);
    for (int r = 0; r < rows; ++r) {
        const std::string n = std::to_string(r);
        out += "Ann" + n + ",Smith" + n + ",ann.smith" + n + "@example.org," + n + " High Street,Springfield," +
               std::to_string(10000 + r % 89999) + ",+44 20 7946 " + std::to_string(1000 + r % 8999) + "," +
               std::to_string(r % 1000) + "." + std::to_string(r % 100) + ",2024-03-" +
               std::to_string(10 + r % 18) + ",regular\r\n";
    }
    return out;
}

// Python's median over the same number of runs, timed inside the interpreter so its start-up
// does not count.
double pythonMedianMs(const std::filesystem::path& csv, const std::filesystem::path& dir) {
    const auto script = dir / "read_csv.py";
    const auto result = dir / "python_ms.txt";
    std::ofstream(script) << "import csv, statistics, sys, time\n"
                             "times = []\n"
                             "for _ in range(" << runs << "):\n"
                             "    start = time.perf_counter()\n"
                             "    with open(sys.argv[1], newline='', encoding='latin-1') as f:\n"
                             "        grid = list(csv.reader(f))\n"
                             "    times.append((time.perf_counter() - start) * 1000)\n"
                             "    assert len(grid) == " << rows + 1 << "\n"
                             "print(statistics.median(times))\n";
    const std::string cmd = "/usr/bin/python3 '" + script.string() + "' '" + csv.string() + "' > '" +
                            result.string() + "'";
    if (std::system(cmd.c_str()) != 0) return -1;
    double ms = -1;
    std::ifstream(result) >> ms;
    return ms;
}

} // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / "quillory-files-bench";
    std::filesystem::create_directories(dir);
    const std::string csvPath = text::pathText(dir / "grid.csv");
    const std::string csv = makeCsv();
    text::writeFileAtomically(csvPath, csv);
    std::printf("grid file: %d rows x %d columns, %.1f MB\n", rows, cols, static_cast<double>(csv.size()) / 1e6);

    app::Job job;
    const double readMs =
        bench::medianMs(runs, [&] { merge::readDelimitedText(csvPath, ',', job.bufferGrid, job.mailingGrid); });
    if (merge::dataRowCount(job.mailingGrid) != rows || merge::dataColumnCount(job.mailingGrid) != cols) {
        std::fprintf(stderr, "the grid read has the wrong size\n");
        return 1;
    }
    const double pyMs = pythonMedianMs(dir / "grid.csv", dir);
    std::printf("read + normalise into the MailingGrid: median %.1f ms (goal < 150 ms)\n", readMs);
    if (pyMs > 0)
        std::printf("python3 csv.reader on the same file:   median %.1f ms; ratio %.1fx (goal >= 3x)\n", pyMs,
                    pyMs / readMs);
    else
        std::printf("python3 csv.reader: could not be run\n");

    job.subject = "Spring offer";
    job.addressCol = merge::findColumnByHeading(job.mailingGrid, "Email");
    job.attachmentList = {"/tmp/offer.pdf"};
    const std::string jobPath = text::pathText(dir / "job.dor");
    const std::string templ = "Dear {{First}} {{Last}},\r\nour spring offer for {{City}}.\r\n";
    const double saveMs = bench::medianMs(runs, [&] { merge::saveJobFile(jobPath, job, templ); });
    app::Job reopened;
    const double openMs = bench::medianMs(runs, [&] {
        auto r = merge::readJobFile(jobPath, merge::JobReadMode::WholeJob, reopened,
                                    [](const std::string&) { return true; });
        bench::keep(r);
    });
    if (reopened.mailingGrid != job.mailingGrid) {
        std::fprintf(stderr, "the reopened job differs\n");
        return 1;
    }
    std::printf("save job with that grid:   median %.1f ms (goal < 300 ms)\n", saveMs);
    std::printf("reopen job with that grid: median %.1f ms (goal < 300 ms)\n", openMs);
    std::filesystem::remove_all(dir);
    return 0;
}
