#include "driverfiles.h"

#include "filelimit.h"
#include "msgqueue.h"
#include "timer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
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
// keep the default disposition of SIGXFSZ, which would end it. A device has no end and no
// size. With `whole`, a file that took only part of the bytes (a full disk) is cut back to
// its size before them.
bool AppendAll(int fd, BytesView bytes, bool regular, bool whole) {
    off_t end = 0;
    if (regular) {
        end = ::lseek(fd, 0, SEEK_END);
        if (end < 0) return false;
        if (!plat::FitsFileSizeLimit(static_cast<std::uint64_t>(end) + bytes.size())) {
            errno = EFBIG;
            return false;
        }
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            if (regular && whole && done > 0)
                while (::ftruncate(fd, end) != 0 && errno == EINTR) {
                }
            errno = error;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Takes the log's lock: 0, ECANCELED when `stop` ended the wait, EWOULDBLOCK when another
// program held the lock for the whole time-out, else the errno of the failure. A blocking
// flock could not be given up, so the wait tries again after growing pauses.
int LockLog(int fd, TraceLog::Wait wait, std::chrono::milliseconds timeout,
            const std::function<bool()>& stop) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    auto pause = std::chrono::milliseconds(2);
    bool ticked = false;
    std::optional<plat::Timer> timer;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return errno;
        const auto now = Clock::now();
        if (wait == TraceLog::Wait::None || now >= deadline) return EWOULDBLOCK;
        const auto step = std::min<Clock::duration>(pause, deadline - now);
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
        if (wait == TraceLog::Wait::Sleep) {
            std::this_thread::sleep_for(step);
            continue;
        }
        if (!timer) timer.emplace([&ticked] { ticked = true; });
        ticked = false;
        timer->SetInterval(static_cast<unsigned>(
            std::max<long long>(1, std::chrono::ceil<std::chrono::milliseconds>(step).count())));
        timer->SetEnabled(true);
        plat::PumpUntil([&] { return ticked || (stop && stop()); });
        timer->SetEnabled(false);
        if (stop && stop()) return ECANCELED;
    }
}

bool FolderNotWritable(int error) {
    return error == EACCES || error == EROFS || error == EPERM;
}

// Opens an existing log for writing, or creates it (the umask decides who may write it, so
// users sharing a folder can share the log). Returns the fd, or -1 with errno set and
// `creating` telling which of the two failed. Without O_NONBLOCK a FIFO in the log's place
// would hold the open until some program read it; only a regular file or a character device
// is taken (`regular` tells which), anything else fails with `notRegular` set.
int OpenLog(const std::string& path, bool& creating, bool& notRegular, bool& regular) {
    creating = false;
    notRegular = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        creating = true;
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CREAT | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        // A FIFO that nobody reads refuses the open with ENXIO.
        notRegular = errno == ENXIO;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) {
        regular = S_ISREG(st.st_mode);
        return fd;
    }
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

bool TraceLog::Append(BytesView bytes, Wait wait, const std::function<bool()>& stop) {
    std::string path = (folder_.empty() ? ProgramFolder() : folder_ + "/") + "FiscPrn.log";
    bool creating = false, notRegular = false, regular = false;
    int fd = OpenLog(path, creating, notRegular, regular);
    if (fd < 0 && FolderNotWritable(errno) && folder_.empty()) {
        // A program installed in a system folder logs where it runs instead.
        path = "FiscPrn.log";
        fd = OpenLog(path, creating, notRegular, regular);
    }
    if (fd < 0) {
        int error = errno;
        throw FileError(std::string(creating ? "Cannot create file \"" : "Cannot open file \"") +
                            path + "\". " +
                            (notRegular ? std::string("Not a regular file") : ErrorText(error)),
                        error);
    }
    // The other driver library in this process, or another program, may log at the same
    // time: take the file for the one record. A record written while another one waits for
    // the lock (from a message served meanwhile) does not wait in turn.
    if (regular) {
        if (waiting_ || (wait == Wait::Sleep && lockedOut_)) wait = Wait::None;
        struct Waiting {
            bool& flag;
            bool set;
            ~Waiting() {
                if (set) flag = false;
            }
        } waiting{waiting_, wait == Wait::Pump};
        waiting_ = waiting_ || waiting.set;
        int error = 0;
        try {
            error = LockLog(fd, wait, lockTimeout_, stop);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (error != 0) {
            ::close(fd);
            if (error == ECANCELED) return false;
            if (error != EWOULDBLOCK)
                throw FileError("Cannot lock file \"" + path + "\". " + ErrorText(error), error);
            lockedOut_ = true;
            throw FileError("File \"" + path + "\" is locked by another program", error);
        }
        lockedOut_ = false;
    }
    bool ok = AppendAll(fd, TraceRecord(bytes), regular, true);
    int error = errno;
    ::close(fd);
    if (!ok) throw FileError("Stream write error", error);
    return true;
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
    // Made anew: a link planted in the folder since the removal is not followed.
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        int error = errno;
        throw FileError("Cannot create file \"" + name + "\". " + ErrorText(error), error);
    }
}

void CaptureFile::Append(BytesView bytes) {
    if (fd_ < 0) return;
    if (!AppendAll(fd_, bytes, true, false)) throw FileError("Stream write error", errno);
}

void CaptureFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace fprn
