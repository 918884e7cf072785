// A case file holds a company's books: `vkhost init` creates it readable by its owner only, the
// case directory and the environment directory 0700 and every file in them 0600, whatever the
// umask of the process (these tests run the host under umask 000, which alone would give 0777 and
// 0666).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>

namespace {

namespace fs = std::filesystem;

// The host program: $VK_HOST (set by CTest), else vkhost beside the test program.
std::string HostProgram() {
    if (const char* host = std::getenv("VK_HOST"); host && *host) return host;
    return (fs::read_symlink("/proc/self/exe").parent_path() / "vkhost").string();
}

class TemporaryRoot {
public:
    TemporaryRoot() {
        std::string pattern = (fs::temp_directory_path() / "vkperm-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~TemporaryRoot() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

unsigned Mode(const fs::path& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return 0xFFFF;
    return info.st_mode & 07777;
}

// Runs `vkhost init DIR --env ENV` under umask 000; returns the exit status.
int InitUnderOpenUmask(const fs::path& caseDirectory, const fs::path& environment) {
    std::string command = fmt::format("umask 000 && exec '{}' init '{}' --env '{}' --user testeur >/dev/null",
                                      HostProgram(), caseDirectory.string(), environment.string());
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

TEST(CaseFilePermissions, InitCreatesTheCaseFileAndEnvironmentForTheOwnerOnly) {
    TemporaryRoot root;
    const fs::path caseDirectory = root.Path() / "clients" / "martin";
    const fs::path environment = root.Path() / "env";
    ASSERT_EQ(InitUnderOpenUmask(caseDirectory, environment), 0) << HostProgram();

    ASSERT_TRUE(fs::exists(caseDirectory / "dossier.fdb"));
    ASSERT_TRUE(fs::exists(caseDirectory / "dossier.ini"));
    EXPECT_EQ(Mode(caseDirectory), 0700u);
    EXPECT_EQ(Mode(caseDirectory / "dossier.fdb"), 0600u);
    EXPECT_EQ(Mode(caseDirectory / "dossier.ini"), 0600u);
    ExpectOwnerOnlyTree(caseDirectory);
    ExpectOwnerOnlyTree(environment);
}

TEST(CaseFilePermissions, AnExistingEmptyDirectoryIsClosedToOthers) {
    TemporaryRoot root;
    const fs::path caseDirectory = root.Path() / "open";
    fs::create_directory(caseDirectory);
    fs::permissions(caseDirectory, fs::perms::all);  // 0777
    ASSERT_EQ(InitUnderOpenUmask(caseDirectory, root.Path() / "env"), 0) << HostProgram();
    ExpectOwnerOnlyTree(caseDirectory);
}

}  // namespace
