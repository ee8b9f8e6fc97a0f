#pragma once
// The command transport of a driver library: opens the port, frames each command text,
// sends it with repeats, waits for the reply while pumping the caller's messages, and
// captures uploads. One instance is the module state of one loaded library.
#include "bytes.h"
#include "driverfiles.h"
#include "include/tovarin_types.h"
#include "replyassembler.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace fprn {

static_assert(sizeof(TFPrnResult) == 7 * sizeof(std::int32_t));

inline constexpr int kResultNotOpen = -1;
inline constexpr int kResultBusy = -2;
inline constexpr int kResultNoReply = -3;

class TDLLForm;

class Transport {
public:
    enum class Upload { None, Plu, Package };

    Transport();
    // Closes the port and stops its threads when the host forgot CloseFPrn.
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    int OpenFPrn(const char* port, std::int32_t baudRate);
    int CloseFPrn();
    int AbortFPrn();
    int IsCommandExecuting() const { return busy_ ? 0 : 1; }

    // Runs one command text (any bytes). Never throws.
    void ExecCommand(TFPrnResult* result, BytesView text, char* buffer, std::int32_t* length);
    // As ExecCommand, with an upload mode on for the call. A call while another command runs
    // leaves the running upload's mode and file alone.
    void ExecUpload(Upload mode, TFPrnResult* result, BytesView text, char* buffer,
                    std::int32_t* length);

    // Builds a command text and runs it. `code` answers the size query even when the
    // arguments cannot be formatted. Never throws.
    template <class Build>
    void Run(TFPrnResult* result, BytesView code, Build build, char* buffer, std::int32_t* length,
             Upload mode = Upload::None) {
        Bytes text;
        if (!BuildText(result, code, buffer, length, [&] { text = build(); })) return;
        if (mode == Upload::None)
            ExecCommand(result, text, buffer, length);
        else
            ExecUpload(mode, result, text, buffer, length);
    }

    // Test seams, not reachable through the exported functions.
    void SetReplyTimeout(int milliseconds) { replyTimeoutMs_ = milliseconds; }
    void SetTraceFolder(std::string folder) { trace_.SetFolder(std::move(folder)); }
    void SetTraceLockTimeout(std::chrono::milliseconds timeout) { trace_.SetLockTimeout(timeout); }

private:
    friend class TDLLForm;

    bool BuildText(TFPrnResult* result, BytesView code, char* buffer, std::int32_t* length,
                   const std::function<void()>& build);
    void RunCommand(BytesView text, TFPrnResult& result);
    bool SendCommand(BytesView text);
    void DrainStaleInput();
    // Appends to the trace log once the command's frame is out: a failure is reported, not
    // thrown. `pump`: called from the command itself, not from a message handler.
    void LogAfterSending(BytesView bytes, bool pump);

    // Handlers of the form's components.
    void Comm1ReceiveData(const char* buffer, std::size_t length);
    void Comm1SendDataEmpty();
    void Timer1Timer();

    std::unique_ptr<TDLLForm> form_;
    bool opened_ = false;
    bool busy_ = false;
    bool abort_ = false;
    bool timeout_ = false;
    bool sendDone_ = true;
    int answerState_ = -1;
    ReplyAssembler assembler_;
    std::uint8_t sequence_ = 0;

    Upload upload_ = Upload::None;
    bool dataSinceTick_ = false;
    CaptureFile capture_;
    TraceLog trace_;
    // A file failure inside a receive handler, carried out of the wait to the command.
    std::optional<FileError> pendingError_;
    // The running command's frame went out at least once; its trace log failed since.
    bool frameSent_ = false;
    bool traceFailed_ = false;
    int replyTimeoutMs_ = 5000;
};

} // namespace fprn
