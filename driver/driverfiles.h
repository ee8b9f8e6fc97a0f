#pragma once
// The files the command transport writes: the trace log of all serial traffic and the
// capture files of the table uploads. Failures throw FileError with the message the host
// shows.
#include "bytes.h"

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>

namespace fprn {

class FileError : public std::runtime_error {
public:
    FileError(const std::string& message, int error) : std::runtime_error(message), error_(error) {}
    int error() const { return error_; }

private:
    int error_;
};

// One trace-log record: CR LF, then each byte as two upper-case hex digits and a blank.
Bytes TraceRecord(BytesView bytes);

// Appends records to "FiscPrn.log" in the folder of the running program, or in the current
// directory when that folder cannot be written. The log is a regular file or a character
// device (such as /dev/null, to switch it off).
class TraceLog {
public:
    // How a record waits for a lock that another program holds on the log.
    enum class Wait {
        Pump,  // serving the thread's messages, until the lock time-out or `stop`
        Sleep, // without serving them, until the lock time-out; not again once one ran out
        None,  // not at all
    };

    TraceLog();
    // Overrides the folder (tests); empty means the program's folder.
    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    // How long a record waits for the lock (5 s; tests shorten it).
    void SetLockTimeout(std::chrono::milliseconds timeout) { lockTimeout_ = timeout; }
    // Writes one whole record or, on a failure, nothing. Returns false when `stop` ended the
    // wait for the lock; throws FileError when the log cannot be written or stays locked.
    bool Append(BytesView bytes, Wait wait = Wait::Sleep, const std::function<bool()>& stop = {});

private:
    std::string folder_;
    std::chrono::milliseconds lockTimeout_{5000};
    // The last wait for the lock ran out and no record got through since.
    bool lockedOut_ = false;
    // A record is waiting for the lock and serving messages meanwhile.
    bool waiting_ = false;
};

// A capture file of an upload: deleted and created anew, appended to, closed.
class CaptureFile {
public:
    CaptureFile() = default;
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Deletes the old file and creates a new one, empty; throws "Fail to clear file %s" or
    // "Cannot create file "%s". %s".
    void Prepare(const std::string& name);
    // Appends at the end; throws "Stream write error".
    void Append(BytesView bytes);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace fprn
