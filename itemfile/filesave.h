#pragma once
// Whole-file reads and the two ways an item file is replaced: an atomic save (temporary file
// beside the target, fsync, rename, fsync of the folder) and a locked read-change-save, which
// every writer of an item file takes so that no change of another process is lost.
#include "eightbit.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace fprn::itemfile {

// How a file operation ended. `message` names the file and the cause when it did not succeed.
struct Status {
    enum class Code {
        Ok,
        NotFound, // the file (or the item) is not there; nothing was changed
        Failed,
        Changed, // another program changed the file since it was read; nothing was written
    };
    Code code = Code::Ok;
    std::string message;

    bool ok() const { return code == Code::Ok; }
    static Status Done() { return {}; }
    static Status Missing(std::string message) { return {Code::NotFound, std::move(message)}; }
    static Status Error(std::string message) { return {Code::Failed, std::move(message)}; }
};

// The message of a failed system call on `path`: `what "path": reason`.
std::string FileMessage(const std::string& what, const std::string& path, int error);

// No item or capture file comes near this size; a larger one is refused unread.
inline constexpr std::uint64_t kMaxReadBytes = std::uint64_t{64} << 20;

// Which file a path held at a moment: a changed identity means another program wrote it.
struct FileIdentity {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static FileIdentity Of(const struct stat& st);
    bool operator==(const FileIdentity& other) const;
};
// The identity of the file at `path` now (links followed); not present when there is none.
FileIdentity IdentifyFile(const std::string& path);

// Opens a file for reading, never waiting on a FIFO or a device: only a regular file of at
// most kMaxReadBytes is taken. On success `fd` is open (the caller closes it) and `st`, when
// given, holds its status; a missing file gives NotFound.
Status OpenForReading(const std::string& path, int& fd, struct stat* st = nullptr);
// The checks of OpenForReading on a descriptor the caller opened with O_NONBLOCK (which a
// regular file's reads ignore, so it may stay).
Status CheckOpenedForReading(int fd, const std::string& path, struct stat* st = nullptr);

// Asks for large pages under a buffer of megabytes about to be filled (a hint, nothing else
// changes): where the first touch of each 4 KiB page costs more than copying it, as in a
// virtual machine, filling a fresh buffer otherwise takes most of a large file's open.
void PreferLargePages(char* data, std::size_t size);

// Reads the whole file as OpenForReading takes it. A missing file gives NotFound; `content`
// and `identity` change only on success.
Status ReadWholeFile(const std::string& path, Bytes& content, FileIdentity* identity = nullptr);

// Replaces the file (a symbolic link's final target, the link stays) with `bytes`: a new file
// beside it with the old file's mode, written, flushed and renamed over it, then the folder
// flushed. On any failure the old file is untouched and the new one removed.
// Where the folder does not let us create that file or rename it over the old one (EACCES,
// EPERM: a sticky folder lets only the owner replace a file) but the file itself may be
// written, it is written in place: from its start, cut to the new length, flushed; on a
// failure its old bytes are written back. A content that would pass the process's file-size
// limit is refused before anything is written.
Status SaveAtomically(const std::string& path, BytesView bytes);

// Takes an exclusive lock on the file, reads it, lets `change` edit the content and saves it
// with SaveAtomically, then releases the lock. `existed` is false when there was no file: the
// change then starts from empty content and a file is created only when it succeeds. When
// `change` does not return Ok, nothing is written and its status is returned.
using ContentChange = std::function<Status(Bytes& content, bool existed)>;
// A lock that another program holds for longer than the lock time-out (5 s) fails the update
// with a message; nothing is written. After a save, `written` (when given) is the identity of
// the new file.
Status UpdateLocked(const std::string& path, const ContentChange& change,
                    FileIdentity* written = nullptr);
void SetLockTimeout(std::chrono::milliseconds timeout);

// The steps of a save, replaceable so tests can make each one fail. Each returns what the
// system call returns and sets errno on failure.
struct SaveOps {
    std::function<int(const char* path, mode_t mode)> create; // exclusive create, write only
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(const char* from, const char* to)> rename;
};
const SaveOps& SystemSaveOps();
// Every save uses `ops` until reset with nullptr. Not for use while saves are running.
void SetSaveOps(const SaveOps* ops);

} // namespace fprn::itemfile
