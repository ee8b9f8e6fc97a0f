#include "transport.h"

#include "commandtexts.h"
#include "frame.h"
#include "msgqueue.h"
#include "serialcomm.h"
#include "textformat.h"
#include "timer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace fprn {

// The hidden form of the library: the serial port and the reply timer, both owned by the
// thread that opened the library.
class TDLLForm {
public:
    explicit TDLLForm(Transport& owner) : owner_(owner) {
        Comm1.SetCommName("COM2");
        Comm1.SetBaudRate(9600);
        Comm1.SetParityCheck(false);
        Comm1.SetOutx_CtsFlow(false);
        Comm1.SetOutx_DsrFlow(false);
        Comm1.SetDtrControl(TDtrControl::DtrEnable);
        Comm1.SetDsrSensitivity(false);
        Comm1.SetTxContinueOnXoff(false);
        Comm1.SetOutx_XonXoffFlow(false);
        Comm1.SetInx_XonXoffFlow(true);
        Comm1.SetReplaceWhenParityError(false);
        Comm1.SetIgnoreNullChar(false);
        Comm1.SetRtsControl(TRtsControl::RtsEnable);
        Comm1.SetXonLimit(500);
        Comm1.SetXoffLimit(500);
        Comm1.SetByteSize(TByteSize::_8);
        Comm1.SetParity(TParity::None);
        Comm1.SetStopBits(TStopBits::_1);
        Comm1.SetXonChar(0x11);
        Comm1.SetXoffChar(0x13);
        Comm1.SetReplacedChar(0x00);
        Comm1.SetReadIntervalTimeout(1);
        Comm1.SetReadTotalTimeoutMultiplier(0);
        Comm1.SetReadTotalTimeoutConstant(0);
        Comm1.SetWriteTotalTimeoutMultiplier(0);
        Comm1.SetWriteTotalTimeoutConstant(0);
        Comm1.OnReceiveData = [this](TComm&, const char* buffer, std::size_t length) {
            owner_.Comm1ReceiveData(buffer, length);
        };
        Comm1.OnSendDataEmpty = [this](TComm&) { owner_.Comm1SendDataEmpty(); };
        Timer1.SetEnabled(false);
        Timer1.SetOnTimer([this] { owner_.Timer1Timer(); });
    }

    // 0 reply, -1 time-out, -2 aborted.
    int WaitAnswer(int ms);

    TComm Comm1;
    plat::Timer Timer1;

private:
    Transport& owner_;
};

int TDLLForm::WaitAnswer(int ms) {
    Transport& t = owner_;
    t.abort_ = false;
    t.timeout_ = false;
    Timer1.SetInterval(static_cast<unsigned>(ms));
    t.answerState_ = 0;
    plat::PumpUntil([&] { return t.sendDone_ || t.abort_ || t.pendingError_; });
    t.assembler_.Reset();
    Timer1.SetEnabled(true);
    plat::PumpUntil([&] {
        return t.timeout_ || t.abort_ || t.answerState_ > 0 || t.pendingError_.has_value();
    });
    // A reply that completed in the same pass as the time-out still counts.
    int result = t.abort_ ? -2 : t.answerState_ > 0 ? 0 : -1;
    t.answerState_ = -1;
    Timer1.SetEnabled(false);
    return result;
}

Transport::Transport() = default;

Transport::~Transport() {
    // Unloading without CloseFPrn: stop the threads and release the port.
    try {
        if (form_) form_->Comm1.ClosePort();
    } catch (...) {
    }
    form_.reset();
}

int Transport::OpenFPrn(const char* port, std::int32_t baudRate) {
    if (opened_) return -1;
    try {
        auto form = std::make_unique<TDLLForm>(*this);
        form->Comm1.SetCommName(port ? port : "");
        form->Comm1.SetBaudRate(static_cast<std::uint32_t>(baudRate));
        form->Comm1.OpenPort();
        form_ = std::move(form);
    } catch (...) {
        return -2;
    }
    opened_ = true;
    return 0;
}

int Transport::CloseFPrn() {
    if (busy_) return -2;
    if (opened_ && form_) {
        form_->Comm1.ClosePort();
        form_.reset();
    }
    opened_ = false;
    return 0;
}

int Transport::AbortFPrn() {
    if (opened_) abort_ = true;
    return 0;
}

namespace {

// Zero-fills the record and reports a failure of the driver itself, with its message in the
// caller's buffer.
void ReportDriverError(TFPrnResult* result, int code, int error, const std::string& message,
                       char* buffer, std::int32_t* length) {
    *result = TFPrnResult{};
    result->Code = code;
    result->ErrorNumber = error;
    if (!buffer || !length || *length <= 0) return;
    auto room = static_cast<std::size_t>(*length);
    std::size_t n = std::min(room, message.size());
    std::memcpy(buffer, message.data(), n);
    if (n < room) buffer[n] = '\0';
    *length = static_cast<std::int32_t>(n);
}

bool SizeQuery(TFPrnResult* result, BytesView text, std::int32_t* length) {
    if (!length || *length != 0) return false;
    *length = ReturnBufLength(text.substr(0, std::min<std::size_t>(2, text.size())));
    result->Code = 0;
    return true;
}

} // namespace

bool Transport::BuildText(TFPrnResult* result, BytesView code, char* buffer, std::int32_t* length,
                          const std::function<void()>& build) {
    if (!result) return false;
    try {
        build();
        return true;
    } catch (const ArgumentError& e) {
        if (!SizeQuery(result, code, length))
            ReportDriverError(result, FPRN_ARGUMENT_ERROR, 0, e.what(), buffer, length);
    } catch (const std::exception& e) {
        ReportDriverError(result, FPRN_DRIVER_ERROR, 0, e.what(), buffer, length);
    }
    return false;
}

void Transport::ExecUpload(Upload mode, TFPrnResult* result, BytesView text, char* buffer,
                           std::int32_t* length) {
    if (busy_) {
        // The running upload keeps its mode and its file.
        ExecCommand(result, text, buffer, length);
        return;
    }
    upload_ = mode;
    ExecCommand(result, text, buffer, length);
    upload_ = Upload::None;
}

void Transport::ExecCommand(TFPrnResult* result, BytesView text, char* buffer,
                            std::int32_t* length) {
    if (!result) return;
    if (SizeQuery(result, text, length)) return;
    try {
        // A command refused as busy must not touch the running upload's file.
        if (upload_ != Upload::None && !busy_)
            capture_.Prepare(upload_ == Upload::Plu ? "_Plu.mem" : "_RtnPkg.mem");
        struct CloseCapture {
            Transport& t;
            bool mine;
            ~CloseCapture() {
                if (mine) t.capture_.Close();
            }
        } closeCapture{*this, upload_ != Upload::None && !busy_};
        RunCommand(text, *result);
        if (result->Code != 0 || !length) return;
        if (*length < 0) {
            *length = 0;
            return;
        }
        const Bytes& reply = assembler_.Payload();
        std::size_t n = std::min(static_cast<std::size_t>(*length), reply.size());
        if (buffer && n) std::memcpy(buffer, reply.data(), n);
        *length = buffer ? static_cast<std::int32_t>(n) : 0;
    } catch (const FileError& e) {
        ReportDriverError(result, FPRN_DRIVER_ERROR, e.error(), e.what(), buffer, length);
    } catch (const std::exception& e) {
        ReportDriverError(result, FPRN_DRIVER_ERROR, 0, e.what(), buffer, length);
    }
}

void Transport::RunCommand(BytesView text, TFPrnResult& result) {
    result = TFPrnResult{};
    if (!opened_) {
        result.Code = kResultNotOpen;
        return;
    }
    if (busy_) {
        result.Code = kResultBusy;
        return;
    }
    busy_ = true;
    // An abort belongs to the command it was meant for.
    abort_ = false;
    struct ClearBusy {
        Transport& t;
        ~ClearBusy() {
            t.busy_ = false;
            t.frameSent_ = false;
            t.traceFailed_ = false;
            t.pendingError_.reset();
        }
    } clearBusy{*this};

    DrainStaleInput();
    if (!SendCommand(text)) {
        result.Code = kResultNoReply;
        return;
    }
    const Bytes& reply = assembler_.Payload();
    if (reply.size() == 4 && reply[1] == '0' &&
        (reply[0] == 'E' || reply[0] == 'P' || reply[0] == 'M')) {
        result.Code = reply[0] == 'E' ? -4 : reply[0] == 'P' ? -5 : -6;
        char d1 = reply[2], d2 = reply[3];
        if (d1 >= '0' && d1 <= '9' && d2 >= '0' && d2 <= '9')
            result.ErrorNumber = (d1 - '0') * 10 + (d2 - '0');
    }
}

void Transport::DrainStaleInput() {
    // Bytes that came in between commands are logged and dropped before this command starts
    // collecting, also when the host did not pump since the last command.
    plat::DispatchPending();
    if (pendingError_) throw *pendingError_;
}

bool Transport::SendCommand(BytesView text) {
    const Bytes frame = BuildFrame(sequence_, text);
    // The first record goes before the frame: a log that cannot be written, or that another
    // program keeps locked, stops the command while nothing has reached the printer. The host
    // is served meanwhile and may abort.
    const auto stop = [this] { return abort_ || pendingError_.has_value(); };
    const bool logged = trace_.Append(frame, TraceLog::Wait::Pump, stop);
    if (pendingError_) throw *pendingError_;
    if (!logged) return false;
    for (int count = 0;;) {
        if (count > 0) {
            LogAfterSending(frame, true);
            if (abort_) return false;
        }
        form_->Comm1.SendData(frame.data(), frame.size());
        frameSent_ = true;
        int r = form_->WaitAnswer(replyTimeoutMs_);
        if (pendingError_) throw *pendingError_;
        if (r == 0) return true;
        if (r == -2) return false;
        if (++count == 3) return false;
    }
}

void Transport::LogAfterSending(BytesView bytes, bool pump) {
    // The printer carries out what it got, so the command ends as its answer says. The log
    // stays unwritable, and the next command's first record meets that before it sends. A log
    // that failed once in this command is not waited for again.
    using Wait = TraceLog::Wait;
    const Wait wait = traceFailed_ ? Wait::None : pump ? Wait::Pump : Wait::Sleep;
    try {
        trace_.Append(bytes, wait, [this] { return abort_; });
    } catch (const FileError& e) {
        if (!traceFailed_) std::fprintf(stderr, "fprn: %s\n", e.what());
        traceFailed_ = true;
    }
}

void Transport::Comm1ReceiveData(const char* buffer, std::size_t length) {
    BytesView chunk(buffer, length);
    try {
        // A handler does not serve messages while it waits: its chunk must be logged and taken
        // before the next one.
        if (frameSent_)
            LogAfterSending(chunk, false);
        else
            trace_.Append(chunk, TraceLog::Wait::Sleep);
        if (answerState_ != 0 || pendingError_) return;
        bool upload = upload_ != Upload::None;
        bool complete = assembler_.Feed(chunk, upload, [this](BytesView payload) {
            dataSinceTick_ = true;
            capture_.Append(payload);
        });
        if (complete) answerState_ = 1;
    } catch (const FileError& e) {
        if (busy_) {
            pendingError_ = e;
        } else {
            // No command to end; the host still learns of it at the next command's first
            // record, since the log stays unwritable.
            std::fprintf(stderr, "fprn: %s\n", e.what());
        }
    }
}

void Transport::Comm1SendDataEmpty() {
    sendDone_ = true;
}

void Transport::Timer1Timer() {
    if (upload_ != Upload::None) {
        timeout_ = !dataSinceTick_;
        dataSinceTick_ = false;
    } else {
        timeout_ = true;
    }
}

} // namespace fprn
