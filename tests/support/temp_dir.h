// A fresh temporary directory for one test, removed with its contents at the end of the test, even
// when the test took its permissions away.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "host/commands/tempdir.h"

namespace vktest {

class TempDir : public vkhost::TemporaryDirectory {
public:
    explicit TempDir(const char* prefix = "vktest") : TemporaryDirectory(prefix) {}
    // Runs before the base class removes the directory: gives the owner its rights back first.
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(Path(), std::filesystem::perms::owner_all, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return (Path() / name).string(); }
};

}  // namespace vktest
