// A file written under a temporary name beside its final one and renamed over
// it once complete: readers see the old file or the new one, never a part of
// one, and a failed or stopped run leaves the old file as it was. A name that
// is not a regular file (a device, a pipe, a link to nothing yet) is written
// in place; a link to a file replaces that file and stays.
#pragma once
#include <cstdio>
#include <string>
#include <sys/types.h>

class MMreplaceFile {
public:
    // `guard` is the stop-signal slot that lists the temporary name.
    explicit MMreplaceFile(int guard) : guard_(guard) {}
    // Removes the temporary file unless it was committed.
    ~MMreplaceFile() { discard(); }
    MMreplaceFile(const MMreplaceFile &) = delete;
    MMreplaceFile &operator=(const MMreplaceFile &) = delete;

    // The stream to write `name` through, or null with errno set.
    FILE *open(const char *name);
    FILE *stream() const { return fp_; }
    // Flushes the data to the disk and closes the stream; 0, or -1 with errno set.
    int close();
    // Closes the stream if open, then puts the file in place of the old one:
    // 0, or -1 with errno set, the temporary file then removed.
    int commit();
    // Closes and removes the temporary file, if there is one.
    void discard();

private:
    int guard_;
    FILE *fp_ = nullptr;
    std::string target_;
    std::string temp_;          // empty when the file is written in place
    mode_t mode_ = 0;
};
