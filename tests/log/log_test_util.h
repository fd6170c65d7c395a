#pragma once
// Shared helpers of the log tests: a scratch folder, a settable clock, a recording observer,
// and a Job built from rows.

#include "app/job.h"
#include "log/log_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace quillory::log::testing {

class ScratchDir {
public:
    ScratchDir() {
        static std::atomic<int> n{0};
        m_dir = std::filesystem::temp_directory_path() /
                ("quillory_log_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 std::to_string(n++) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    ~ScratchDir() { std::filesystem::remove_all(m_dir); }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

inline std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct Message {
    std::string kind, caption, text;
    bool operator==(const Message&) const = default;
};

class RecordingObserver final : public LogWriterObserver {
public:
    void info(const std::string& caption, const std::string& text) override {
        messages.push_back({"info", caption, text});
    }
    void error(const std::string& caption, const std::string& text) override {
        messages.push_back({"error", caption, text});
    }
    std::vector<Message> messages;
};

// A mailing grid with the headings in row 0 and the row numbers in column 0.
// (A Job holds an atomic and cannot be moved, hence the pointer.)
inline std::unique_ptr<app::Job> makeJob(const std::vector<std::string>& headings,
                                         const std::vector<std::vector<std::string>>& rows, int addressDataColumn) {
    auto owner = std::make_unique<app::Job>();
    app::Job& job = *owner;
    const int cols = static_cast<int>(headings.size());
    job.mailingGrid.resize(cols + merge::firstDataCol, static_cast<int>(rows.size()) + merge::firstDataRow);
    for (int c = 0; c < cols; ++c)
        job.mailingGrid.setCell(c + merge::firstDataCol, 0, headings[c]);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r) + merge::firstDataRow;
        job.mailingGrid.setCell(0, row, std::to_string(r + 1));
        for (int c = 0; c < cols; ++c)
            job.mailingGrid.setCell(c + merge::firstDataCol, row, rows[r][c]);
    }
    job.addressCol = addressDataColumn + merge::firstDataCol;
    return owner;
}

} // namespace quillory::log::testing
