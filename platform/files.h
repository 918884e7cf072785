// Files written for the user and case directories claimed for a new case file: nothing written
// through a planted link or over a device, nothing readable by others, nothing of a failed action
// left behind.
#pragma once

#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/dossier.h"
#include "platform/system.h"

class EFichier : public Exception {
public:
    using Exception::Exception;
};

// Writes `content` to `path` so that the file is replaced whole or not at all: a temporary file is
// created beside it, exclusively and for its owner only (mode 0600, whatever the umask), filled,
// flushed to disk and renamed over the target. An existing target that is not a regular file (a
// link, a device, a directory) is refused and left as it is. Raises EFichier naming the file.
//
// While a PendingFiles batch is open, the rename waits for the batch's Publish: the file written
// stays under its temporary name, and a batch closed without Publish removes it.
void WriteFileSafely(const UnicodeString& path, const std::string& content);
// The same, renamed at once whatever batch is open: for the case file's own settings, which the
// rest of the action reads.
void WriteFileSafelyNow(const UnicodeString& path, const std::string& content);

// The files written by one user action: published together when the action succeeded, removed
// when it failed. Batches nest: an inner batch's Publish hands its files to the outer one, so that
// a scenario run publishes its exports only with its report.
class PendingFiles {
public:
    PendingFiles();
    ~PendingFiles();
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;

    // Renames every pending file over its target (or hands them to the outer batch). Raises EFichier
    // when a target became something other than a regular file; the files not renamed are removed.
    void Publish();
    size_t Size() const { return files_.size(); }

    struct File {
        std::string temporary, target;
    };
    static PendingFiles* Current();
    void Add(File file) { files_.push_back(std::move(file)); }

private:
    std::vector<File> files_;
    PendingFiles* outer_;
};

// A directory claimed for a new case file. The directory is created (mode 0700, with its missing
// parents) or, when it exists, must be an empty directory; either way it is locked (flock) for as
// long as the claim lives, so that two programs creating a case file in the same place never work
// in it together: the second one is refused and touches nothing. A claim released without Keep
// removes the directories it created, and nothing else.
class DirectoryClaim {
public:
    // `option` names the directory in the messages ("--case"). Raises EDossier (invalid place) or
    // EDossierInaccessible (another program holds it, or the system refuses).
    DirectoryClaim(const UnicodeString& directory, const UnicodeString& option);
    ~DirectoryClaim();
    DirectoryClaim(const DirectoryClaim&) = delete;
    DirectoryClaim& operator=(const DirectoryClaim&) = delete;

    void Keep() { keep_ = true; }
    bool Created() const { return !created_.empty(); }

private:
    void Release();

    std::vector<std::string> created_;  // the directories this claim made, outermost first
    int fd_ = -1;
    bool keep_ = false;
};

// Refuses (EDossier naming `option`) a path that goes up ("..") out of a directory that does not
// exist: the system would refuse it once the work has begun, after directories were made.
void CheckPathClimbsOnlyExistingDirectories(const UnicodeString& path, const UnicodeString& option);
