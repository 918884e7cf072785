// A temporary directory of the host, removed with the object.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/system.h"

namespace vkhost {

class TemporaryDirectory {
public:
    explicit TemporaryDirectory(const char* prefix = "vkhost") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data())) throw Exception("Impossible de créer un répertoire temporaire");
        path_ = pattern;
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace vkhost
