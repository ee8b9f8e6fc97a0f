#pragma once
// The files the command transport writes: the trace log of all serial traffic and the
// capture files of the table uploads. Failures throw FileError with the message the host
// shows.
#include "bytes.h"

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
// directory when that folder cannot be written.
class TraceLog {
public:
    TraceLog();
    // Overrides the folder (tests); empty means the program's folder.
    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    void Append(BytesView bytes);

private:
    std::string folder_;
};

// A capture file of an upload: deleted and created anew, appended to, closed.
class CaptureFile {
public:
    CaptureFile() = default;
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Deletes the old file and creates it empty; throws "Fail to clear file %s" or
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
