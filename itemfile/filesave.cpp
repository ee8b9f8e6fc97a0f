#include "filesave.h"

#include "filelimit.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fprn::itemfile {

namespace {

std::atomic<const SaveOps*> gOps{nullptr};

// Writers hold the lock for milliseconds; a longer hold means a stuck program, and a GUI
// thread waiting for it must not hang with it.
std::atomic<long long> gLockTimeoutMs{5000};

void OnLockAlarm(int) {}

// The signal that breaks a lock wait: its handler does nothing and is installed without
// SA_RESTART, so the blocked flock returns EINTR.
int LockAlarmSignal() {
    static const int signo = [] {
        const int s = SIGRTMIN + 7;
        struct sigaction sa {};
        sa.sa_handler = OnLockAlarm;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;
        ::sigaction(s, &sa, nullptr);
        return s;
    }();
    return signo;
}

// Takes the exclusive lock, waiting at most the lock time-out: 0, or the errno of the
// failure (EWOULDBLOCK when another program held it all along).
int LockWithTimeout(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno != EWOULDBLOCK && errno != EINTR) return errno;

    const auto timeout = std::chrono::milliseconds(gLockTimeoutMs.load());
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const int signo = LockAlarmSignal();
    sigset_t alarm, previous;
    sigemptyset(&alarm);
    sigaddset(&alarm, signo);
    pthread_sigmask(SIG_UNBLOCK, &alarm, &previous);

    struct sigevent event {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = signo;
    event._sigev_un._tid = ::gettid(); // sigev_notify_thread_id, which glibc 2.36 does not name
    timer_t timer;
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) {
        int error = errno;
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return error;
    }
    // After the deadline the timer keeps ticking, so a tick that lands just before the call
    // blocks again is followed by another one.
    auto timespecOf = [](std::chrono::nanoseconds ns) {
        ns = std::max(ns, std::chrono::nanoseconds(1));
        return timespec{static_cast<time_t>(ns.count() / 1000000000),
                        static_cast<long>(ns.count() % 1000000000)};
    };
    struct itimerspec ticks {};
    ticks.it_value = timespecOf(timeout);
    ticks.it_interval = timespecOf(std::chrono::milliseconds(20));
    ::timer_settime(timer, 0, &ticks, nullptr);

    int result = 0;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            result = errno;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            result = EWOULDBLOCK;
            break;
        }
    }
    ::timer_delete(timer);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return result;
}

const SaveOps& Ops() {
    const SaveOps* ops = gOps.load();
    return ops ? *ops : SystemSaveOps();
}

// Closes a descriptor at the end of a scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// The final target of a chain of symbolic links; the path itself when it is no link. A loop
// is left to the open that follows, which reports it.
std::string FinalTarget(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        char buf[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return path;
        std::string target(buf, static_cast<std::size_t>(n));
        if (target[0] != '/') {
            auto slash = path.rfind('/');
            if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
        }
        path = std::move(target);
    }
    return path;
}

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, BytesView bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = Ops().write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

Status TooLarge(const std::string& path) {
    return Status::Error("\"" + path + "\" is larger than " + std::to_string(kMaxReadBytes >> 20) +
                         " MiB, more than any item or capture file holds");
}

// Reads to the end, straight into the string sized from the file (the kernel's copy is the
// only one; the byte beyond shows the end); a file that grows is read on, and one that grows
// past the bound while it is read is refused too.
Status ReadAll(int fd, const std::string& path, Bytes& content) {
    std::size_t room = 65536;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0 &&
        static_cast<std::uint64_t>(st.st_size) <= kMaxReadBytes)
        room = static_cast<std::size_t>(st.st_size) + 1;
    Bytes data;
    data.reserve(room);
    PreferLargePages(data.data(), room);
    data.resize(room);
    std::size_t filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (filled > kMaxReadBytes) return TooLarge(path);
            data.resize(std::min<std::size_t>(filled * 2, kMaxReadBytes + 1));
        }
        ssize_t n = ::read(fd, data.data() + filled, data.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Status::Error(FileMessage("Cannot read", path, errno));
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled > kMaxReadBytes) return TooLarge(path);
    data.resize(filled);
    content = std::move(data);
    return Status::Done();
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::string FileMessage(const std::string& what, const std::string& path, int error) {
    return what + " \"" + path + "\": " + std::strerror(error);
}

FileIdentity FileIdentity::Of(const struct stat& st) {
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

bool FileIdentity::operator==(const FileIdentity& other) const {
    if (present != other.present) return false;
    return !present ||
           (device == other.device && inode == other.inode && size == other.size &&
            modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec);
}

FileIdentity IdentifyFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? FileIdentity::Of(st) : FileIdentity{};
}

Status CheckOpenedForReading(int fd, const std::string& path, struct stat* st) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return Status::Error(FileMessage("Cannot open", path, errno));
    if (!S_ISREG(info.st_mode)) return Status::Error("\"" + path + "\" is not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > kMaxReadBytes) return TooLarge(path);
    if (st) *st = info;
    return Status::Done();
}

namespace {

// OpenForReading of `path`, its messages naming the file as `shown`.
Status OpenRegular(const std::string& path, const std::string& shown, int& fd, struct stat* st) {
    // Without O_NONBLOCK a FIFO would hold the open until some writer came.
    Fd opened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (opened.get() < 0) {
        int error = errno;
        if (error == ENOENT) return Status::Missing(FileMessage("Cannot open", shown, error));
        return Status::Error(FileMessage("Cannot open", shown, error));
    }
    Status checked = CheckOpenedForReading(opened.get(), shown, st);
    if (checked.ok()) fd = opened.Release();
    return checked;
}

} // namespace

Status OpenForReading(const std::string& path, int& fd, struct stat* st) {
    return OpenRegular(path, path, fd, st);
}

void PreferLargePages(char* data, std::size_t size) {
    constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + kLarge - 1) & ~(kLarge - 1);
    const std::uintptr_t end = (start + size) & ~(kLarge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

Status ReadWholeFile(const std::string& path, Bytes& content, FileIdentity* identity) {
    int raw = -1;
    struct stat st {};
    Status opened = OpenForReading(path, raw, &st);
    if (!opened.ok()) return opened;
    Fd fd(raw);
    Status read = ReadAll(fd.get(), path, content);
    if (read.ok() && identity) *identity = FileIdentity::Of(st);
    return read;
}

namespace {

// The folder does not let us create or replace a file, but the file itself may be written: it
// is written over, and its old bytes go back when a step fails.
Status SaveInPlace(const std::string& path, const std::string& target, BytesView bytes) {
    Fd fd(::open(target.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return Status::Error(FileMessage("Cannot write", path, errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return Status::Error(FileMessage("Cannot write", path, errno));
    if (!S_ISREG(st.st_mode)) return Status::Error("\"" + path + "\" is not a regular file");
    Bytes old;
    if (Status read = ReadAll(fd.get(), path, old); !read.ok()) return read;

    const char* failed = "Cannot write";
    auto put = [&](BytesView data) {
        failed = "Cannot write";
        if (::lseek(fd.get(), 0, SEEK_SET) < 0 || !WriteAll(fd.get(), data) ||
            ::ftruncate(fd.get(), static_cast<off_t>(data.size())) != 0)
            return false;
        failed = "Cannot flush";
        return Ops().fsync(fd.get()) == 0;
    };
    if (put(bytes)) return Status::Done();
    Status status = Status::Error(FileMessage(failed, path, errno));
    if (!put(old))
        status.message +=
            "; its old content could not be put back: " + std::string(std::strerror(errno));
    return status;
}

} // namespace

Status SaveAtomically(const std::string& path, BytesView bytes) {
    const std::string target = FinalTarget(path);
    const std::string folder = FolderOf(target);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode))
        return Status::Error(
            FileMessage("Cannot replace", path, S_ISDIR(old.st_mode) ? EISDIR : EINVAL));
    // A file the user may not write stays as it is, as it would for a write in place.
    if (existed && ::access(target.c_str(), W_OK) != 0)
        return Status::Error(FileMessage("Cannot write", path, errno));
    // Past the limit a write would raise SIGXFSZ, which ends a program that does not ignore it.
    if (!plat::FitsFileSizeLimit(bytes.size()))
        return Status::Error(FileMessage("Cannot write", path, EFBIG));

    // A hidden name beside the target, unique among concurrent savers.
    static std::atomic<unsigned> counter{0};
    std::string temp;
    Fd fd;
    for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
        temp = folder + "/." + BaseOf(target) + ".tmp" + std::to_string(::getpid()) + "-" +
               std::to_string(counter++);
        fd.Reset(Ops().create(temp.c_str(), 0666));
        if (fd.get() < 0 && errno != EEXIST) {
            const int error = errno;
            if (existed && (error == EACCES || error == EPERM))
                return SaveInPlace(path, target, bytes);
            return Status::Error(FileMessage("Cannot create a file beside", path, error));
        }
    }
    if (fd.get() < 0)
        return Status::Error(FileMessage("Cannot create a file beside", path, EEXIST));

    auto fail = [&](const std::string& what) {
        int error = errno;
        fd.Reset();
        ::unlink(temp.c_str());
        return Status::Error(FileMessage(what, path, error));
    };
    if (existed) {
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0) return fail("Cannot set the mode of");
        // Keep the owner where we may (a save by root of another user's file); else ours.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd.get(), old.st_uid, old.st_gid);
    }
    if (!WriteAll(fd.get(), bytes)) return fail("Cannot write");
    if (Ops().fsync(fd.get()) != 0) return fail("Cannot flush");
    if (::close(fd.Release()) != 0) {
        int error = errno;
        ::unlink(temp.c_str());
        return Status::Error(FileMessage("Cannot write", path, error));
    }
    if (Ops().rename(temp.c_str(), target.c_str()) != 0) {
        int error = errno;
        ::unlink(temp.c_str());
        // A sticky folder lets only the file's owner replace it, while others may still write
        // it: then it is written in place.
        if (existed && (error == EACCES || error == EPERM) && ::access(target.c_str(), W_OK) == 0)
            return SaveInPlace(path, target, bytes);
        return Status::Error(FileMessage("Cannot replace", path, error));
    }
    // The new file is in place; flushing the folder makes the rename itself durable. A folder
    // that cannot be flushed changes nothing about the outcome.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) (void)Ops().fsync(dir.get());
    return Status::Done();
}

Status UpdateLocked(const std::string& path, const ContentChange& change, FileIdentity* written) {
    // Lock the file the links lead to, so that the placeholder below is made there too.
    const std::string target = FinalTarget(path);
    // A save replaces the file, so a lock may end up on a file that is no longer at the path;
    // then the lock is taken again on the new one. Each round waits for another writer.
    for (int round = 0; round < 1000; ++round) {
        bool created = false;
        int raw = -1;
        Status opened = OpenRegular(target, path, raw, nullptr);
        if (opened.code == Status::Code::Failed) return opened;
        Fd fd(raw);
        if (opened.code == Status::Code::NotFound) {
            // Nothing to lock yet: an empty placeholder takes the lock, and goes again unless
            // the change is saved over it.
            fd.Reset(::open(target.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (fd.get() < 0 && errno == EEXIST) continue;
            created = fd.get() >= 0;
        }
        if (fd.get() < 0) return Status::Error(FileMessage("Cannot open", path, errno));
        if (int error = LockWithTimeout(fd.get()); error != 0) {
            if (created) ::unlink(target.c_str());
            if (error == EWOULDBLOCK)
                return Status::Error("Cannot lock \"" + path +
                                     "\": another program holds it and does not let go");
            return Status::Error(FileMessage("Cannot lock", path, error));
        }
        struct stat held {
        }, now{};
        if (::fstat(fd.get(), &held) != 0)
            return Status::Error(FileMessage("Cannot open", path, errno));
        if (::stat(target.c_str(), &now) != 0 || !SameFile(held, now)) continue;

        Bytes content;
        if (!created) {
            Status read = ReadAll(fd.get(), path, content);
            if (!read.ok()) return read;
        }
        Status result = change(content, !created);
        if (result.ok()) result = SaveAtomically(target, content);
        if (!result.ok() && created) ::unlink(target.c_str());
        // Still under the lock: no other writer has been at the file since.
        if (result.ok() && written) *written = IdentifyFile(target);
        return result;
    }
    return Status::Error(FileMessage("Cannot lock", path, EAGAIN));
}

const SaveOps& SystemSaveOps() {
    static const SaveOps ops{
        [](const char* p, mode_t mode) {
            return ::open(p, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        },
        [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
        [](int fd) { return ::fsync(fd); },
        [](const char* from, const char* to) { return std::rename(from, to); },
    };
    return ops;
}

void SetLockTimeout(std::chrono::milliseconds timeout) {
    gLockTimeoutMs.store(timeout.count());
}

void SetSaveOps(const SaveOps* ops) {
    gOps.store(ops);
}

} // namespace fprn::itemfile
