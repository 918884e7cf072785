// A case file holds a company's books: `vkhost init` creates it readable by its owner only, the
// case directory and the environment directory 0700 and every file in them 0600, whatever the
// umask of the process (these tests run the host under umask 000, which alone would give 0777 and
// 0666).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "tests/support/host_test.h"

namespace {

namespace fs = std::filesystem;

unsigned Mode(const fs::path& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return 0xFFFF;
    return info.st_mode & 07777;
}

// Every entry under a directory with its mode, for the failure messages.
std::vector<std::pair<fs::path, unsigned>> Entries(const fs::path& root) {
    std::vector<std::pair<fs::path, unsigned>> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        entries.emplace_back(entry.path(), Mode(entry.path()));
    return entries;
}

void ExpectOwnerOnlyTree(const fs::path& root) {
    EXPECT_EQ(Mode(root), 0700u) << root;
    for (const auto& [path, mode] : Entries(root)) {
        if (fs::is_directory(path))
            EXPECT_EQ(mode, 0700u) << path << fmt::format(" is {:o}", mode);
        else
            EXPECT_EQ(mode, 0600u) << path << fmt::format(" is {:o}", mode);
    }
}

class CaseFilePermissions : public vktest::HostTest {
protected:
    // Runs `vkhost init DIR --env ENV` under umask 000; returns the exit status.
    int InitUnderOpenUmask(const fs::path& caseDirectory, const fs::path& environment) {
        const vktest::Outcome init =
            Shell("umask 000 && exec " + Quoted(host_) + " init " + Quoted(caseDirectory) + " --env " +
                  Quoted(environment) + " --user testeur");
        EXPECT_EQ(init.err, "");
        return init.status;
    }
};

TEST_F(CaseFilePermissions, InitCreatesTheCaseFileAndEnvironmentForTheOwnerOnly) {
    const fs::path caseDirectory = work.Path() / "clients" / "martin";
    const fs::path environment = work.Path() / "env";
    ASSERT_EQ(InitUnderOpenUmask(caseDirectory, environment), 0);

    ASSERT_TRUE(fs::exists(caseDirectory / "dossier.fdb"));
    ASSERT_TRUE(fs::exists(caseDirectory / "dossier.ini"));
    EXPECT_EQ(Mode(caseDirectory), 0700u);
    EXPECT_EQ(Mode(caseDirectory / "dossier.fdb"), 0600u);
    EXPECT_EQ(Mode(caseDirectory / "dossier.ini"), 0600u);
    ExpectOwnerOnlyTree(caseDirectory);
    ExpectOwnerOnlyTree(environment);
}

TEST_F(CaseFilePermissions, AnExistingEmptyDirectoryIsClosedToOthers) {
    const fs::path caseDirectory = work.Path() / "open";
    fs::create_directory(caseDirectory);
    fs::permissions(caseDirectory, fs::perms::all);  // 0777
    ASSERT_EQ(InitUnderOpenUmask(caseDirectory, work.Path() / "env"), 0);
    ExpectOwnerOnlyTree(caseDirectory);
}

}  // namespace
