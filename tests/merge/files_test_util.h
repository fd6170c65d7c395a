#pragma once
// Fixture paths and a scratch folder for the file reader tests.

#include "merge/grid_table.h"
#include "merge/mailing_grid.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quillory::fixtures {

inline std::string dataFile(const std::string& name) { return std::string(QUILLORY_TEST_DATA) + "/" + name; }

// A fresh folder per test, removed afterwards.
class ScratchDir : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                (std::string("quillory-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string path(const std::string& name) const { return text::pathText(m_dir / name); }
    std::string write(const std::string& name, std::string_view bytes) const {
        text::writeFileAtomically(path(name), bytes);
        return path(name);
    }
    std::filesystem::path m_dir;
};

// The MailingGrid as lines of its data cells, "|" between them, headings first.
inline std::vector<std::string> shape(const merge::GridTable& g) { return merge::gridLines(g, '|'); }

inline merge::GridTable table(std::vector<std::vector<std::string>> rows) {
    merge::GridTable t;
    t.assignRows(std::move(rows));
    return t;
}

} // namespace quillory::fixtures
