#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/messages.h"

namespace fs = std::filesystem;

namespace {

// Location codes of this file's messages: unit 911, then the line.
constexpr unsigned kUnitFichiers = 911;
#define FILES_LOC() VK_LocationCode(kUnitFichiers, __LINE__)

PendingFiles* current = nullptr;

std::string SystemError() {
    return std::strerror(errno);
}

// Refuses an existing target that is not a regular file. Returns whether it exists.
bool CheckTarget(const std::string& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
        if (errno == ENOENT) return false;
        throw EFichier("Impossible d'écrire le fichier " + target + " : " + SystemError());
    }
    if (!S_ISREG(info.st_mode))
        throw EFichier("Le fichier " + target +
                       " existe et n'est pas un fichier ordinaire (lien, périphérique ou répertoire) : il "
                       "n'est pas remplacé");
    return true;
}

// A temporary file beside `target`, created exclusively, mode 0600, removed with the object unless
// released.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) {
        const fs::path path(target);
        const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
        // Built by appending: "." + string trips a false -Wrestrict of g++ 12 in optimised builds.
        std::string hidden = ".";
        hidden.append(path.filename().string()).append(".XXXXXX");
        name_ = (directory / hidden).string();
        fd_ = ::mkstemp(name_.data());  // O_EXCL, mode 0600
        if (fd_ < 0) {
            name_.clear();
            throw EFichier("Impossible d'écrire le fichier " + target + " : " + SystemError());
        }
        ::fchmod(fd_, S_IRUSR | S_IWUSR);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!name_.empty()) ::unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void Write(const std::string& content, const std::string& target) {
        const char* data = content.data();
        size_t left = content.size();
        while (left > 0) {
            const ssize_t written = ::write(fd_, data, left);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0)
                throw EFichier("Impossible d'écrire le fichier " + target + " : " + SystemError());
            data += written;
            left -= size_t(written);
        }
        if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
            fd_ = -1;
            throw EFichier("Impossible d'écrire le fichier " + target + " : " + SystemError());
        }
        fd_ = -1;
    }
    // The file stays; its name is returned.
    std::string Release() {
        std::string name = std::move(name_);
        name_.clear();
        return name;
    }

private:
    std::string name_;
    int fd_ = -1;
};

void RenameOver(const PendingFiles::File& file) {
    CheckTarget(file.target);
    if (::rename(file.temporary.c_str(), file.target.c_str()) != 0)
        throw EFichier("Impossible d'écrire le fichier " + file.target + " : " + SystemError());
}

bool RealDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

namespace {

// The content in a temporary file beside the target, ready to be renamed over it.
PendingFiles::File WriteBeside(const UnicodeString& path, const std::string& content) {
    if (path.empty()) throw EFichier("Aucun nom de fichier n'a été donné");
    CheckTarget(path);
    TemporaryFile temporary(path);
    temporary.Write(content, path);
    return {temporary.Release(), path};
}

}  // namespace

void WriteFileSafely(const UnicodeString& path, const std::string& content) {
    PendingFiles::File file = WriteBeside(path, content);
    if (PendingFiles* batch = PendingFiles::Current()) {
        batch->Add(std::move(file));
        return;
    }
    try {
        RenameOver(file);
    } catch (...) {
        ::unlink(file.temporary.c_str());
        throw;
    }
}

void WriteFileSafelyNow(const UnicodeString& path, const std::string& content) {
    PendingFiles::File file = WriteBeside(path, content);
    try {
        RenameOver(file);
    } catch (...) {
        ::unlink(file.temporary.c_str());
        throw;
    }
}

PendingFiles::PendingFiles() : outer_(current) {
    current = this;
}

PendingFiles::~PendingFiles() {
    if (current == this) current = outer_;
    for (const File& file : files_) ::unlink(file.temporary.c_str());
}

PendingFiles* PendingFiles::Current() {
    return current;
}

void PendingFiles::Publish() {
    if (outer_) {
        for (File& file : files_) outer_->Add(std::move(file));
        files_.clear();
        return;
    }
    // Every target is checked before the first rename, so that a refusal publishes nothing.
    for (const File& file : files_) CheckTarget(file.target);
    while (!files_.empty()) {
        RenameOver(files_.front());
        files_.erase(files_.begin());
    }
}

void CheckPathClimbsOnlyExistingDirectories(const UnicodeString& path, const UnicodeString& option) {
    fs::path prefix;
    for (const fs::path& part : fs::path(path)) {
        if (part == ".." && !prefix.empty() && !RealDirectory(prefix.string()))
            throw EDossier(option + " : le chemin " + path +
                           " remonte (\"..\") d'un répertoire qui n'existe pas, " + prefix.string());
        prefix /= part;
    }
}

DirectoryClaim::DirectoryClaim(const UnicodeString& directory, const UnicodeString& option) {
    CheckPathClimbsOnlyExistingDirectories(directory, option);
    try {
        // The missing directories, created one by one so that only those this claim made are removed.
        fs::path prefix;
        const fs::path whole = fs::path(directory);
        for (auto part = whole.begin(); part != whole.end(); ++part) {
            prefix /= *part;
            if (part->empty() || *part == "." || *part == ".." || *part == "/") continue;
            if (::mkdir(prefix.c_str(), 0700) == 0) {
                created_.push_back(prefix.string());
            } else if (errno != EEXIST) {
                throw EDossierInaccessible(FILES_LOC(), "Impossible de créer le répertoire " +
                                                            prefix.string() + " : " + SystemError());
            } else if (!RealDirectory(prefix.string())) {
                throw EDossier(option + " : " + prefix.string() + " existe et n'est pas un répertoire");
            }
        }
        fd_ = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0)
            throw EDossierInaccessible(
                FILES_LOC(), "Impossible d'ouvrir le répertoire " + directory + " : " + SystemError());
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            created_.clear();  // the holder works in it: a loser removes nothing

            throw EDossierInaccessible(
                FILES_LOC(),
                "Le répertoire " + directory + " est déjà pris par un autre programme qui y crée un dossier");
        }
        std::error_code error;
        if (CDossier::Existe(directory)) {
            created_.clear();
            throw EDossier("Le répertoire " + directory + " contient déjà un dossier");
        }
        if (!fs::is_empty(directory, error) || error)
            throw EDossier(option + " : le répertoire " + directory + " n'est pas vide");
        if (!Created()) {
            // An existing empty directory becomes the owner's only, like a new one.
            fs::permissions(directory, fs::perms::owner_all, fs::perm_options::replace, error);
            if (error)
                throw EDossierInaccessible(FILES_LOC(), "Impossible de réserver le répertoire " + directory +
                                                            " à son propriétaire : " + error.message());
        }
    } catch (...) {
        Release();
        throw;
    }
}

DirectoryClaim::~DirectoryClaim() {
    Release();
}

void DirectoryClaim::Release() {
    if (!keep_)
        for (auto created = created_.rbegin(); created != created_.rend(); ++created)
            ::rmdir(created->c_str());  // only when empty: what others put there stays
    created_.clear();
    if (fd_ >= 0) ::close(fd_);  // releases the lock
    fd_ = -1;
}
