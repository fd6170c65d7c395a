#include "app/standard_dirs.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using quillory::app::userDirsFrom;

TEST(UserDirs, FollowTheXdgRulesWithTheProgramsOwnFolder) {
    struct Case {
        std::map<std::string, std::string> env;
        std::string config, data;
    };
    const Case cases[] = {
        {{{"HOME", "/home/ann"}}, "/home/ann/.config/quillory/", "/home/ann/.local/share/quillory/"},
        {{{"HOME", "/home/ann/"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_DATA_HOME", "/data/"}},
         "/cfg/quillory/",
         "/data/quillory/"},
        // Relative and empty XDG values are invalid and ignored.
        {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_DATA_HOME", ""}},
         "/home/ann/.config/quillory/",
         "/home/ann/.local/share/quillory/"},
        {{{"XDG_CONFIG_HOME", "/cfg"}}, "/cfg/quillory/", ""},
        {{}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config + " | " + c.data);
        const auto dirs = userDirsFrom([&](const char* name) -> std::optional<std::string> {
            const auto it = c.env.find(name);
            if (it == c.env.end()) return std::nullopt;
            return it->second;
        });
        EXPECT_EQ(dirs.configDir, c.config);
        EXPECT_EQ(dirs.dataDir, c.data);
    }
}

TEST(UserDirs, TheRunningExecutableIsThisTestProgram) {
    const std::string exe = quillory::app::runningExecutablePath();
    EXPECT_NE(exe.find("cli_tests"), std::string::npos) << exe;
    EXPECT_EQ(exe.front(), '/');
}

} // namespace
