// Template merging and grid normalisation on large inputs.
#include "bench_util.h"
#include "merge/mailing_grid.h"
#include "merge/template_engine.h"

#include <random>
#include <string>
#include <vector>

using namespace quillory::merge;

namespace {

std::vector<std::string> makeHeadings(int n) {
    std::vector<std::string> h;
    for (int i = 0; i < n; ++i) h.push_back("Field" + std::to_string(i));
    return h;
}

std::vector<std::string> makeValues(int n, std::mt19937& rng) {
    std::uniform_int_distribution<int> len(5, 200);
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.emplace_back(static_cast<std::size_t>(len(rng)), static_cast<char>('a' + i % 26));
    return v;
}

// About `bytes` of text with a token (of one of the headings, in mixed case) every ~40 bytes.
std::string makeTemplate(std::size_t bytes, int headings, std::mt19937& rng) {
    std::uniform_int_distribution<int> pick(0, headings - 1);
    std::string t;
    t.reserve(bytes + 64);
    const std::string filler = "Dear customer, please note {braces} and ";
    while (t.size() < bytes) {
        t.append(filler, 0, 28);
        t += (pick(rng) % 2 ? "{{field" : "{{FIELD") + std::to_string(pick(rng)) + "}}";
        if (t.size() % 7 == 0) t += "\r\n";
    }
    return t;
}

} // namespace

int main() {
    std::mt19937 rng(42);
    const auto headings = makeHeadings(50);
    const auto values = makeValues(50, rng);

    std::printf("merge: one template, one row (parse + generate)\n");
    double perMb[3] = {};
    int idx = 0;
    for (std::size_t mb : {1u, 2u, 4u}) {
        const std::string t = makeTemplate(mb << 20, 50, rng);
        std::string out;
        const double ms = bench::medianMs(15, [&] {
            out = mergeTemplate(t, headings, values);
            bench::keep(out);
        });
        const double mbs = (static_cast<double>(t.size()) / (1 << 20)) / (ms / 1000.0);
        perMb[idx++] = ms / static_cast<double>(mb);
        std::printf("  %zu MB template: median %.2f ms, %.0f MB/s (output %.1f MB)\n", mb, ms, mbs,
                    static_cast<double>(out.size()) / (1 << 20));
    }
    std::printf("  linearity: ms per MB at 1/2/4 MB = %.2f / %.2f / %.2f (4 MB vs 1 MB: %+.0f %%)\n", perMb[0],
                perMb[1], perMb[2], (perMb[2] / perMb[0] - 1) * 100);

    {
        // A 2 KB template with 20 tokens, generated for 100,000 rows as a mailing does.
        const auto h20 = makeHeadings(20);
        std::string t;
        for (int i = 0; i < 20; ++i) t += std::string(95, 'x') + "{{Field" + std::to_string(i) + "}}";
        std::vector<std::vector<std::string>> rows;
        std::uniform_int_distribution<int> len(5, 30);
        for (int r = 0; r < 1000; ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < 20; ++c) row.emplace_back(static_cast<std::size_t>(len(rng)), 'v');
            rows.push_back(std::move(row));
        }
        const int rowCount = 100000;
        std::string out;
        const double ms = bench::medianMs(7, [&] {
            TemplateCache cache;
            for (int r = 0; r < rowCount; ++r) {
                out.clear();
                cache.get(t, h20).renderTo(rows[static_cast<std::size_t>(r % 1000)], out);
                bench::keep(out);
            }
        });
        std::printf("merge: 100,000 rows x %zu-byte template, 20 tokens: median %.1f ms, %.0f rows/s\n", t.size(), ms,
                    rowCount / (ms / 1000.0));
    }

    {
        std::vector<std::vector<std::string>> rows;
        rows.push_back({});
        for (int c = 0; c < 10; ++c) rows[0].push_back("Heading" + std::to_string(c));
        for (int r = 0; r < 100000; ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < 10; ++c) row.push_back("value " + std::to_string(r) + "/" + std::to_string(c));
            if (r % 1000 == 0) row.assign(10, ""); // some empty records to drop
            rows.push_back(std::move(row));
        }
        GridTable buffer;
        GridTable mailing;
        const double ms = bench::medianMs(
            9, [&] { normalise(buffer, mailing); }, [&] { buffer.assignRows(std::vector(rows)); });
        std::printf("normalise: 100,000 rows x 10 columns: median %.1f ms (%d data rows kept)\n", ms,
                    dataRowCount(mailing));
    }
    return 0;
}
