#include "base/replace_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/stop_signals.h"

namespace {

// What a plain fopen would have left: an existing file keeps its permissions,
// a new one gets those the umask allows.
mode_t permissionsFor(const struct stat *existing)
{
    if (existing) return existing->st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// `.NAME.XXXXXX` in the folder of `target`, the name cut so the component
// stays within the system's limit.
std::string tempTemplate(const std::string &target)
{
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    constexpr size_t kNameMax = NAME_MAX - 8;   // room for '.', ".XXXXXX"
    if (base.size() > kNameMax) base.resize(kNameMax);
    return dir + "." + base + ".XXXXXX";
}

}  // namespace

FILE *MMreplaceFile::open(const char *name)
{
    discard();
    target_ = name;
    // A symbolic link stays: the file it leads to is replaced.
    if (char *resolved = realpath(name, nullptr)) {
        target_ = resolved;
        free(resolved);
    }
    struct stat existing;
    bool exists = stat(target_.c_str(), &existing) == 0;
    // A link to a file yet to be made is followed the way fopen follows it.
    struct stat link;
    bool dangling = !exists && lstat(target_.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    if (dangling || (exists && !S_ISREG(existing.st_mode))) {
        if (S_ISDIR(existing.st_mode)) {
            errno = EISDIR;
            return nullptr;
        }
        fp_ = fopen(target_.c_str(), "wb");
        return fp_;
    }
    mode_ = permissionsFor(exists ? &existing : nullptr);
    std::string pattern = tempTemplate(target_);
    int fd;
    {
        MMholdSignals hold;
        fd = mkstemp(pattern.data());
        if (fd < 0) return nullptr;
        temp_ = pattern;
        MM_guard(guard_, temp_.c_str());
    }
    fp_ = fdopen(fd, "wb");
    if (!fp_) {
        int error = errno;
        ::close(fd);
        discard();
        errno = error;
    }
    return fp_;
}

int MMreplaceFile::close()
{
    if (!fp_) return 0;
    FILE *fp = fp_;
    fp_ = nullptr;
    errno = 0;
    bool failed = fflush(fp) != 0 || ferror(fp);
    // Flushed, not synced: the rename keeps the old file safe from a failed
    // or stopped compile, and a compile is cheap to repeat after a crash of
    // the machine, where a sync would cost milliseconds on every run.
    if (!failed && !temp_.empty()) failed = fchmod(fileno(fp), mode_) != 0;
    int error = errno;
    if (fclose(fp) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (!failed) return 0;
    errno = error ? error : EIO;
    return -1;
}

int MMreplaceFile::commit()
{
    if (close() < 0) {
        int error = errno;
        discard();
        errno = error;
        return -1;
    }
    if (temp_.empty()) return 0;
    MMholdSignals hold;
    if (rename(temp_.c_str(), target_.c_str()) != 0) {
        int error = errno;
        discard();
        errno = error;
        return -1;
    }
    MM_guard(guard_, nullptr);
    temp_.clear();
    return 0;
}

void MMreplaceFile::discard()
{
    if (fp_) fclose(fp_);
    fp_ = nullptr;
    if (temp_.empty()) return;
    MMholdSignals hold;
    unlink(temp_.c_str());
    MM_guard(guard_, nullptr);
    temp_.clear();
}
