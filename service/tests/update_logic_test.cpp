// The download procedure against the fake boot loader, with a dialog that only records.
#include "bootloader.h"
#include "firmwareimage.h"
#include "firmwareupdate.h"
#include "msgqueue.h"
#include "ptypair.h"
#include "tempdir.h"
#include "tolmibus.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

using namespace fprn;
using namespace fprn::test;
using fprn::emu::BootAction;
using fprn::emu::BootPacket;
using Log = std::vector<std::string>;
namespace tb = fprn::tolmibus;
namespace fs = std::filesystem;

namespace {

// Records what the procedure shows; OK is pressed as soon as it is waited for.
class RecordingUi : public IUpdateUi {
public:
    explicit RecordingUi(TTolmIBusComm& comm) : comm_(comm) {}

    bool ChooseFile(std::string& name) override {
        log.push_back("choose");
        name = file;
        return !file.empty();
    }
    void Beep() override { log.push_back("beep"); }
    void MessageBox(const std::string& text) override { log.push_back("box " + text); }
    void ShowDialog() override {
        log.push_back("show");
        closed_ = false;
        progress = pumps = 0;
    }
    void CloseDialog() override { log.push_back("close"); }
    void ShowStatus(bool error, const std::string& text) override {
        if (!closed_) log.push_back((error ? "error " : "status ") + text);
    }
    void SetMargin(int blocks) override { margin = blocks; }
    void SetProgress(int block) override {
        if (block == throwAtProgress) throw std::runtime_error("dialog gone");
        EXPECT_EQ(block, progress + 1);
        progress = block;
    }
    void WaitForOk() override {
        if (!closed_) log.push_back(comm_.isActive() ? "ok, port open" : "ok");
        closed_ = true;
    }
    void PumpOnce() override {
        plat::DispatchPending();
        if (++pumps == cancelAtPump) Cancel();
    }
    bool Closed() const override { return closed_; }
    // What the Cancel button does.
    void Cancel() {
        log.push_back("cancel");
        closed_ = true;
        comm_.Abort();
    }

    std::string file;
    Log log;
    int margin = -1, progress = 0, pumps = 0, cancelAtPump = -1, throwAtProgress = -1;

private:
    TTolmIBusComm& comm_;
    bool closed_ = true;
};

class DownloadTest : public ::testing::Test {
protected:
    DownloadTest() {
        comm.SetTuning({150, 50, dir.path().string()});
        comm.SetRetryInterval(150);
        comm.SetBaudRate(TBaudRate::tbr115200);
        for (std::size_t i = 0; i < identification.size(); ++i)
            identification[i] = static_cast<std::uint8_t>(0xA0 ^ i);
        StartLoader();
    }
    void TearDown() override { loader->Stop(); }
    // A fresh loader at 9600, with `script` given before it starts.
    void StartLoader(const std::function<void(emu::FakeBootLoader&)>& script = {}) {
        if (loader) loader->Stop();
        loader = std::make_unique<emu::FakeBootLoader>(pty.master());
        loader->SetIdentification(identification);
        loader->SetOnPacket([this, ref = canceller.Ref()](const BootPacket& p) {
            if (cancelWhen && cancelWhen(p)) ref.Post(1);
        });
        loader->SetOnWakeUp([this, ref = canceller.Ref()](int bursts) {
            if (bursts == cancelAtBurst) ref.Post(1);
        });
        if (script) script(*loader);
        loader->Start();
        ui.log.clear();
    }
    void Run(const Bytes& image, bool full) {
        ui.file = WriteFile(dir.path() / "image.hex", image);
        DownloadProgram(ui, comm, pty.slavePath(), full);
    }
    // Program blocks as the printer saw them, start and end packet left out.
    std::vector<std::uint16_t> BlockNumbers() const {
        std::vector<std::uint16_t> numbers;
        for (const BootPacket& p : loader->Packets())
            if (p.command == tb::CmdProgram) numbers.push_back(p.number);
        if (!numbers.empty()) numbers.erase(numbers.begin());
        if (loader->EndSeen()) numbers.pop_back();
        return numbers;
    }
    // Nothing goes out after the procedure ended, and the port is closed.
    void ExpectNothingMore(std::size_t packets) {
        EXPECT_TRUE(loader->WaitQuiet(300, 5000));
        EXPECT_EQ(loader->Packets().size(), packets);
        EXPECT_FALSE(comm.isActive());
    }

    TempDir dir{"update-logic"};
    PtyPair pty;
    std::unique_ptr<emu::FakeBootLoader> loader;
    TTolmIBusComm comm;
    RecordingUi ui{comm};
    std::array<std::uint8_t, 256> identification{};
    std::function<bool(const BootPacket&)> cancelWhen;
    int cancelAtBurst = -1;
    plat::Target canceller{[this](plat::Message&) { ui.Cancel(); }};
};

} // namespace

TEST(ImageFileTest, SumLeavesOutTheLastTwoBytesOfTheFirst64KiBOnly) {
    TempDir dir("update-sum");
    const std::pair<std::size_t, std::size_t> cases[] = {
        {65536, 65534}, {65532, 65532}, {65535, 65535}, {65600, 65534}, {1000, 1000}};
    for (auto [size, summed] : cases) {
        Bytes image = MakeImage(size, static_cast<std::uint32_t>(size));
        ImageFile file;
        ASSERT_TRUE(file.Open(WriteFile(dir.path() / "sum.hex", image)));
        EXPECT_EQ(file.Size(), static_cast<std::int64_t>(size));
        EXPECT_EQ(ImageChecksum(file), SumOf(image, summed)) << size;
    }
}

TEST_F(DownloadTest, NormalUpdateSendsBlocks16OnAndTheSum) {
    Bytes image = MakeImage(65536, 7, "MZ");
    Run(image, false);
    EXPECT_EQ(loader->StartNumber(), 0);
    std::vector<std::uint16_t> expected;
    for (std::uint16_t i = 16; i < 256; ++i) expected.push_back(i);
    EXPECT_EQ(BlockNumbers(), expected);
    Bytes sent = WithSum(image), rebuilt = loader->Image();
    ASSERT_EQ(rebuilt.size(), 65536u);
    EXPECT_TRUE(std::equal(sent.begin() + 4096, sent.end(), rebuilt.begin() + 4096));
    EXPECT_EQ(loader->EndSum(), SumOf(image, 65534));
    EXPECT_EQ(ui.log, (Log{"choose", "show", "status Wait 1 second...", "status Connect...",
                           "status Download Program...", "status Disconnect...", "close"}));
    // Skipped blocks count on the dialog too; only sent ones are followed by a serving.
    EXPECT_EQ(ui.margin, 256);
    EXPECT_EQ(ui.progress, 256);
    EXPECT_EQ(ui.pumps, 240);
    EXPECT_FALSE(comm.isActive());
    EXPECT_TRUE(fs::exists(dir.path() / "DEBUG.LOG"));
}

TEST_F(DownloadTest, FullUpdateSendsEveryBlockAndStartsWithTheIdentification) {
    Bytes image = MakeImage(65536, 8);
    Run(image, true);
    EXPECT_EQ(loader->StartNumber(), 0x0F0F);
    for (const BootPacket& p : loader->Packets())
        if (p.command == tb::CmdProgram) {
            EXPECT_EQ(p.data, identification);
            break;
        }
    std::vector<std::uint16_t> expected;
    for (std::uint16_t i = 0; i < 256; ++i)
        expected.push_back(static_cast<std::uint16_t>(i < 16 ? 0x0E00 + i : i));
    EXPECT_EQ(BlockNumbers(), expected);
    EXPECT_EQ(loader->Image(), WithSum(image));
    EXPECT_EQ(loader->EndSum(), SumOf(image, 65534));
    EXPECT_EQ(ui.pumps, 256);
    EXPECT_EQ(ui.log.back(), "close");
}

TEST_F(DownloadTest, EachDownloadRebuildsItsOwnImage) {
    // The emulator's loader serves every download of a session: the second is found again by
    // the rate hunt and starts its image afresh.
    Run(MakeImage(65536, 10), true);
    Bytes second = MakeImage(65536, 11, "MZ");
    Run(second, true);
    EXPECT_EQ(loader->StartNumber(), 0x0F0F);
    EXPECT_EQ(loader->Image(), WithSum(second));
    EXPECT_EQ(loader->EndSum(), SumOf(second, 65534));
}

TEST_F(DownloadTest, ImageOfExactly65532BytesFillsItsLastBlockFromTheOneBefore) {
    Bytes image = MakeImage(65532, 9);
    Run(image, true);
    const std::uint16_t sum = SumOf(image, 65532);
    EXPECT_EQ(ui.margin, 256);
    Bytes rebuilt = loader->Image();
    ASSERT_EQ(rebuilt.size(), 65536u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rebuilt.begin()));
    // Data bytes 252 and 253 stay as block 254 left them; 254 and 255 carry the sum.
    EXPECT_EQ(
        Bytes(rebuilt.begin() + 65532, rebuilt.end()),
        (Bytes{image[65276], image[65277], std::uint8_t(sum & 0xFF), std::uint8_t(sum >> 8)}));
    EXPECT_EQ(loader->EndSum(), sum);
}

TEST_F(DownloadTest, ImageOver64KiBSendsBlock256WithTheTailOfBlock255) {
    Bytes image = MakeImage(65600, 10);
    Run(image, false);
    EXPECT_EQ(ui.margin, 257);
    EXPECT_EQ(ui.progress, 257);
    EXPECT_EQ(BlockNumbers().back(), 256);
    Bytes rebuilt = loader->Image();
    ASSERT_EQ(rebuilt.size(), 257u * 256u);
    Bytes expected(image.begin() + 65536, image.end());
    Bytes block255 = WithSum(Bytes(image.begin(), image.begin() + 65536));
    expected.insert(expected.end(), block255.begin() + 65536 - 192, block255.end());
    EXPECT_EQ(Bytes(rebuilt.begin() + 65536, rebuilt.end()), expected);
    EXPECT_EQ(loader->EndSum(), SumOf(image, 65534));
}

TEST_F(DownloadTest, BadImagesAreRefusedBeforeThePortOpens) {
    const fs::path fifo = dir.path() / "pipe.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<const char*, std::string> cases[] = {
        {"too short", WriteFile(dir.path() / "a.hex", MakeImage(100, 1))},
        {"one marker byte short", WriteFile(dir.path() / "b.hex", Bytes(65531, 'P'))},
        {"wrong marker", WriteFile(dir.path() / "c.hex", MakeImage(65536, 2, "ZM"))},
        {"marker in small letters", WriteFile(dir.path() / "d.hex", MakeImage(65536, 2, "pl"))},
        {"missing", (dir.path() / "missing.hex").string()},
        {"a folder", dir.path().string()},
        {"a pipe, which would block", fifo.string()},
        {"", ""}, // the choice cancelled
    };
    for (const auto& [what, path] : cases) {
        ui.log.clear();
        ui.file = path;
        DownloadProgram(ui, comm, pty.slavePath(), false);
        EXPECT_EQ(ui.log,
                  (path.empty() ? Log{"choose"} : Log{"choose", "beep", "box Not a valid file!"}))
            << what;
    }
    EXPECT_TRUE(loader->Received().empty());
    EXPECT_FALSE(fs::exists(dir.path() / "DEBUG.LOG"));
}

// Each stage either fails, showing its text and waiting for OK with the port still open, or is
// cancelled and ends at once without an error; either way nothing goes out afterwards.
TEST_F(DownloadTest, EachStageFailsWithItsTextOrIsCancelledQuietly) {
    comm.SetRetryInterval(60000); // only an answer or the cancel ends a wait
    comm.SetTuning({60000, 50, dir.path().string()});
    const std::vector<BootAction> nakAll(7, BootAction::Nak);
    struct Case {
        const char* stage;
        std::uint8_t command;
        std::uint16_t number;
        std::vector<BootAction> refusal;
    } cases[] = {
        {"Connect", tb::CmdLogon, 1, {BootAction::Nak}},
        {"Connect", tb::CmdLogon, 0x10, std::vector<BootAction>(7, BootAction::BadSum)},
        {"Connect", tb::CmdProgram, 0, nakAll},
        {"Download Program", tb::CmdProgram, 100, nakAll},
        {"Disconnect", tb::CmdProgram, 1, nakAll},
    };
    for (const Case& c : cases) {
        for (bool cancel : {false, true}) {
            SCOPED_TRACE(std::to_string(c.number) + (cancel ? " cancelled" : " refused"));
            cancelWhen = [&](const BootPacket& p) {
                return cancel && p.command == c.command && p.number == c.number;
            };
            StartLoader([&](emu::FakeBootLoader& l) {
                l.Script(c.command, c.number, cancel ? std::vector{BootAction::Drop} : c.refusal);
            });
            Run(MakeImage(65536, 3), false);
            const std::string status = std::string("status ") + c.stage + "...";
            Log tail = cancel ? Log{status, "cancel"}
                              : Log{status, "error " + std::string(c.stage) + "...Error!",
                                    "ok, port open"};
            EXPECT_EQ(Log(ui.log.end() - static_cast<long>(tail.size()), ui.log.end()), tail);
            ExpectNothingMore(loader->Packets().size());
            EXPECT_FALSE(loader->EndSeen());
            EXPECT_EQ(loader->Packets().back().number, c.number);
            // Its thread calls cancelWhen, and so reads `cancel`, until it is stopped.
            loader->Stop();
        }
    }
    // Cancel in the wake-up pause, and while served after block 20.
    cancelWhen = nullptr;
    for (bool inPause : {true, false}) {
        SCOPED_TRACE(inPause ? "pause" : "served");
        comm.SetTuning({60000, inPause ? 60000 : 50, dir.path().string()});
        cancelAtBurst = inPause ? 1 : -1;
        ui.cancelAtPump = inPause ? -1 : 5;
        StartLoader();
        Run(MakeImage(65536, 5), false);
        EXPECT_EQ(ui.log.back(), "cancel");
        EXPECT_TRUE(inPause ? loader->Packets().empty() : BlockNumbers().back() == 20);
        ExpectNothingMore(loader->Packets().size());
        loader->Stop(); // it reads cancelAtBurst until then
    }
}

TEST_F(DownloadTest, ExceptionFromTheDialogLeavesThePortClosed) {
    ui.throwAtProgress = 31;
    EXPECT_THROW(Run(MakeImage(65536, 11), false), std::runtime_error);
    EXPECT_TRUE(fs::exists(dir.path() / "DEBUG.LOG"));
    EXPECT_EQ(BlockNumbers().back(), 29);
    ExpectNothingMore(loader->Packets().size());
}
