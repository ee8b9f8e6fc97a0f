#include "firmwareupdate.h"

#include "serialcomm.h"
#include "tolmibus.h"

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fprn {

namespace tb = tolmibus;
using namespace update;

bool ImageFile::Open(const std::string& fileName) {
    file_.reset();
    // Without O_NONBLOCK a pipe would hold the open until a writer came.
    int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    // Only a regular file has a size to cut into blocks and an end.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    file_.reset(::fdopen(fd, "rb"));
    if (!file_) {
        ::close(fd);
        return false;
    }
    size_ = st.st_size;
    return true;
}

bool ImageFile::Seek(std::int64_t offset) {
    return file_ && ::fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) == 0;
}

long ImageFile::Read(std::uint8_t* into, std::size_t count) {
    if (!file_) return -1;
    std::size_t n = std::fread(into, 1, count, file_.get());
    if (std::ferror(file_.get())) return -1;
    return static_cast<long>(n);
}

bool HasImageMarker(ImageFile& file) {
    std::uint8_t marker[2] = {};
    // Only bytes actually read count: a short file has no marker.
    if (!file.Seek(MarkerOffset) || file.Read(marker, 2) != 2) return false;
    return (marker[0] == 'M' && marker[1] == 'Z') || (marker[0] == 'P' && marker[1] == 'L');
}

std::optional<std::uint16_t> ImageChecksum(ImageFile& file) {
    if (!file.Seek(0)) return std::nullopt;
    std::uint32_t total = 0;
    std::int64_t count = 0;
    std::uint8_t chunk[BlockSize];
    for (;;) {
        long n = file.Read(chunk, sizeof chunk);
        if (n < 0) return std::nullopt;
        if (n == 0 || count + n > SumLimit) break;
        count += n;
        // The last two bytes of the first 64 KiB are where block 255 carries the sum itself.
        long add = count == SumLimit ? n - 2 : n;
        for (long i = 0; i < add; ++i) total += chunk[i];
    }
    return static_cast<std::uint16_t>(total & 0xFFFF);
}

namespace {

// Closes the port on every way out; closing writes the trace file, best effort.
class PortCloser {
public:
    explicit PortCloser(TTolmIBusComm& comm) : comm_(comm) {}
    ~PortCloser() {
        try {
            if (comm_.isActive()) comm_.SetActive(false);
        } catch (...) {
            // A failed close must not hide the outcome the caller is about to see.
        }
        comm_.SetMessageReporter({});
    }
    PortCloser(const PortCloser&) = delete;
    PortCloser& operator=(const PortCloser&) = delete;

private:
    TTolmIBusComm& comm_;
};

void Refuse(IUpdateUi& ui) {
    ui.Beep();
    ui.MessageBox(NotValidFileText);
}

void FailStage(IUpdateUi& ui, const char* stage) {
    ui.ShowStatus(true, std::string(stage) + ErrorSuffix);
    ui.WaitForOk();
}

} // namespace

void DownloadProgram(IUpdateUi& ui, TTolmIBusComm& comm, const std::string& port, bool full) {
    std::string fileName;
    if (!ui.ChooseFile(fileName)) return;

    ImageFile file;
    std::optional<std::uint16_t> sum;
    if (!file.Open(fileName) || !HasImageMarker(file) || !(sum = ImageChecksum(file))) {
        Refuse(ui);
        return;
    }
    const std::uint16_t imageSum = *sum;
    const std::int64_t blocks = (file.Size() + static_cast<std::int64_t>(BlockSize) - 1) /
                                static_cast<std::int64_t>(BlockSize);

    PortCloser closer(comm);
    comm.SetMessageReporter([&ui](const std::string& text) { ui.MessageBox(text); });
    comm.SetCommName(port);
    try {
        comm.SetActive(true);
    } catch (const ECommsError&) {
        return; // the transport has shown why
    }

    ui.ShowDialog();
    ui.ShowStatus(false, WaitText);
    if (!comm.SendWakeUpTwice()) return;

    ui.ShowStatus(false, std::string(ConnectText) + NormalSuffix);
    if (!comm.Connect(Station, true)) return FailStage(ui, ConnectText);
    // The start packet carries the identification block back as the printer sent it.
    if (!comm.SendBlock(tb::CmdProgram, full ? FullStartNumber : 0))
        return FailStage(ui, ConnectText);
    if (!comm.SendWakeUp()) return;

    if (!file.Seek(0)) throw std::runtime_error("The image file cannot be read");
    ui.SetMargin(static_cast<int>(std::min<std::int64_t>(blocks, INT_MAX)));
    ui.ShowStatus(false, std::string(DownloadText) + NormalSuffix);
    auto& data = comm.DataArea();
    for (std::int64_t i = 0; i < blocks; ++i) {
        ui.SetProgress(static_cast<int>(std::min<std::int64_t>(i + 1, INT_MAX)));
        // A short last read leaves the tail of the data area as the previous block left it.
        if (file.Read(data.data(), data.size()) < 0)
            throw std::runtime_error("The image file cannot be read");
        if (!full && i < FullOnlyBlocks) continue;
        if (i == SumBlock) {
            data[254] = static_cast<std::uint8_t>(imageSum & 0xFF);
            data[255] = static_cast<std::uint8_t>(imageSum >> 8);
        }
        auto number =
            static_cast<std::uint16_t>(full && i < FullOnlyBlocks ? FullFirstNumber + i : i);
        if (!comm.SendBlock(tb::CmdProgram, number)) return FailStage(ui, DownloadText);
        ui.PumpOnce();
        if (ui.Closed()) return;
    }

    ui.ShowStatus(false, std::string(DisconnectText) + NormalSuffix);
    if (comm.SendEndOfProgram(imageSum))
        ui.CloseDialog();
    else
        FailStage(ui, DisconnectText);
}

} // namespace fprn
