// A case file holds a company's books: `vkhost init` creates it readable by its owner only, the
// case directory and the environment directory 0700 and every file in them 0600, whatever the
// umask of the process (these tests run the host under umask 000, which alone would give 0777 and
// 0666).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <fmt/format.h>

#include "tests/support/host_test.h"

namespace {

namespace fs = std::filesystem;

class CaseFilePermissions : public vktest::HostTest {
protected:
    // The directory and every directory under it 0700, every file under it 0600.
    static void ExpectOwnerOnlyTree(const fs::path& root) {
        EXPECT_EQ(Mode(root), 0700u) << root;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const unsigned mode = Mode(entry.path());
            EXPECT_EQ(mode, entry.is_directory() ? 0700u : 0600u)
                << entry.path() << fmt::format(" is {:o}", mode);
        }
    }
};

// Under umask 000: a case directory made with its parents, and an existing empty directory open to
// everyone (0777), both closed to others, as is the environment made with the first.
TEST_F(CaseFilePermissions, InitCreatesTheCaseFileAndEnvironmentForTheOwnerOnly) {
    const fs::path open = work.Path() / "open";
    fs::create_directory(open);
    fs::permissions(open, fs::perms::all);
    for (const fs::path& caseDirectory : {work.Path() / "clients" / "martin", open}) {
        SCOPED_TRACE(caseDirectory);
        const vktest::Outcome init =
            Shell("umask 000 && exec " + Quoted(host_) + " init " + Quoted(caseDirectory) + " --env " +
                  Quoted(env()) + " --user testeur");
        ASSERT_EQ(init.status, 0) << init.err;
        EXPECT_EQ(init.err, "");
        ASSERT_TRUE(fs::exists(caseDirectory / "dossier.fdb"));
        ASSERT_TRUE(fs::exists(caseDirectory / "dossier.ini"));
        ExpectOwnerOnlyTree(caseDirectory);
        ExpectOwnerOnlyTree(env());
    }
}

}  // namespace
