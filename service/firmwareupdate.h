#pragma once
// The firmware download procedure, free of any toolkit: it checks and sums the image file and
// drives the packet transport through wake-up, logon, start packet, program blocks and end
// packet, reporting each stage through the small dialog interface below.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace fprn {

class TTolmIBusComm;

namespace update {

constexpr const char* NotValidFileText = "Not a valid file!";
constexpr const char* DownloadText = "Download Program";
constexpr const char* WaitText = "Wait 1 second...";
constexpr const char* ConnectText = "Connect";
constexpr const char* DisconnectText = "Disconnect";
constexpr const char* NormalSuffix = "...";
constexpr const char* ErrorSuffix = "...Error!";

constexpr std::uint32_t Station = 5718;
constexpr std::int64_t MarkerOffset = 0xFFFA;
constexpr std::size_t BlockSize = 256;
constexpr std::int64_t SumLimit = 65536; // the sum covers at most this much, less its last two
constexpr std::int64_t SumBlock = 255;   // the block that carries the image sum
constexpr int FullOnlyBlocks = 16;       // blocks a normal update reads but does not send
constexpr std::uint16_t FullStartNumber = 0x0F0F;
constexpr std::uint16_t FullFirstNumber = 0x0E00;

} // namespace update

// What the procedure needs from its dialog. The progress dialog implements it; tests fake it.
class IUpdateUi {
public:
    virtual ~IUpdateUi() = default;

    // The image file the user picks; false when the choice is cancelled.
    virtual bool ChooseFile(std::string& fileName) = 0;
    virtual void Beep() = 0;
    // An error box with one OK button; returns once it is dismissed.
    virtual void MessageBox(const std::string& text) = 0;
    // Shows the dialog, reset to no progress and running.
    virtual void ShowDialog() = 0;
    virtual void CloseDialog() = 0;
    // Ignored once the dialog was closed by OK or Cancel.
    virtual void ShowStatus(bool error, const std::string& text) = 0;
    // The number of blocks (also resets the progress) and the block in hand.
    virtual void SetMargin(int blocks) = 0;
    virtual void SetProgress(int block) = 0;
    // Serves events until the dialog is closed by OK (or was closed already).
    virtual void WaitForOk() = 0;
    // Serves pending events once without blocking.
    virtual void PumpOnce() = 0;
    // True once OK or Cancel closed the dialog.
    virtual bool Closed() const = 0;
};

// The image file, read with errors told apart from its end.
class ImageFile {
public:
    // False when the path is not a regular file that can be opened for reading.
    bool Open(const std::string& fileName);
    bool IsOpen() const { return file_ != nullptr; }
    std::int64_t Size() const { return size_; }
    bool Seek(std::int64_t offset);
    // Up to `count` bytes; fewer at the end of the file; -1 on a read error.
    long Read(std::uint8_t* into, std::size_t count);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::int64_t size_ = 0;
};

// "MZ" or "PL" at 0xFFFA; a file too short to hold both bytes, or one that cannot be read
// there, has no marker.
bool HasImageMarker(ImageFile& file);

// 16-bit sum of the first 65534 bytes of a 64 KiB or longer image, of all bytes of a shorter
// one; nothing when the file cannot be read.
std::optional<std::uint16_t> ImageChecksum(ImageFile& file);

// The whole procedure with the transport `comm` on `port`. The port is closed again on every
// path, an exception's included. Throws only when the image cannot be read once the download
// has begun, or when the dialog or the transport throws.
void DownloadProgram(IUpdateUi& ui, TTolmIBusComm& comm, const std::string& port, bool full);

} // namespace fprn
