#include "driverfiles.h"

#include "filelimit.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fprn {

namespace {

std::string ErrorText(int error) {
    return std::strerror(error);
}

std::string FindProgramFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<std::size_t>(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

// The running program does not move; look it up once.
const std::string& ProgramFolder() {
    static const std::string folder = FindProgramFolder();
    return folder;
}

// Writes at the end. An append that would pass the file-size limit is not made: the host may
// keep the default disposition of SIGXFSZ, which would end it.
bool AppendAll(int fd, BytesView bytes) {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end < 0) return false;
    if (!plat::FitsFileSizeLimit(static_cast<std::uint64_t>(end) + bytes.size())) {
        errno = EFBIG;
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool FolderNotWritable(int error) {
    return error == EACCES || error == EROFS || error == EPERM;
}

// Opens an existing log for writing, or creates it. Returns the fd, or -1 with errno set and
// `creating` telling which of the two failed. Without O_NONBLOCK a FIFO in the log's place
// would hold the open until some program read it; only a regular file is taken (its writes
// ignore the flag), anything else fails with `notRegular` set.
int OpenLog(const std::string& path, bool& creating, bool& notRegular) {
    creating = false;
    notRegular = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        creating = true;
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CREAT | O_CLOEXEC, 0644);
    }
    if (fd < 0) {
        // A FIFO that nobody reads refuses the open with ENXIO.
        notRegular = errno == ENXIO;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
    ::close(fd);
    notRegular = true;
    errno = ENODEV;
    return -1;
}

} // namespace

Bytes TraceRecord(BytesView bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    Bytes record = "\r\n";
    record.reserve(2 + bytes.size() * 3);
    for (unsigned char c : bytes) {
        record.push_back(kHex[c >> 4]);
        record.push_back(kHex[c & 0x0F]);
        record.push_back(' ');
    }
    return record;
}

TraceLog::TraceLog() = default;

void TraceLog::Append(BytesView bytes) {
    std::string path = (folder_.empty() ? ProgramFolder() : folder_ + "/") + "FiscPrn.log";
    bool creating = false, notRegular = false;
    int fd = OpenLog(path, creating, notRegular);
    if (fd < 0 && FolderNotWritable(errno) && folder_.empty()) {
        // A program installed in a system folder logs where it runs instead.
        path = "FiscPrn.log";
        fd = OpenLog(path, creating, notRegular);
    }
    if (fd < 0) {
        int error = errno;
        throw FileError(std::string(creating ? "Cannot create file \"" : "Cannot open file \"") +
                            path + "\". " +
                            (notRegular ? std::string("Not a regular file") : ErrorText(error)),
                        error);
    }
    // The other driver library in this process, or another program, may log at the same
    // time: take the file for the one record.
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    bool ok = AppendAll(fd, TraceRecord(bytes));
    int error = errno;
    ::close(fd);
    if (!ok) throw FileError("Stream write error", error);
}

CaptureFile::~CaptureFile() {
    Close();
}

void CaptureFile::Prepare(const std::string& name) {
    Close();
    // Only a file that is there and stays is "not cleared": a missing one on a read-only file
    // system fails the unlink too (EROFS), and then the create below says why.
    if (::unlink(name.c_str()) != 0 && errno != ENOENT) {
        int error = errno;
        struct stat st {};
        if (::lstat(name.c_str(), &st) == 0) throw FileError("Fail to clear file " + name, error);
    }
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        int error = errno;
        throw FileError("Cannot create file \"" + name + "\". " + ErrorText(error), error);
    }
}

void CaptureFile::Append(BytesView bytes) {
    if (fd_ < 0) return;
    if (!AppendAll(fd_, bytes)) throw FileError("Stream write error", errno);
}

void CaptureFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace fprn
