// The download procedure against the fake boot loader, with a dialog that only records.
#include "bootloader.h"
#include "firmwareupdate.h"
#include "msgqueue.h"
#include "ptypair.h"
#include "tolmibus.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace fprn;
using fprn::emu::BootPacket;
using fprn::emu::FakeBootLoader;
namespace tb = fprn::tolmibus;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes MakeImage(std::size_t size, std::uint32_t seed, const char* marker = "PL") {
    Bytes image(size);
    std::mt19937 rng(seed);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    if (size >= 65532) {
        image[65530] = static_cast<std::uint8_t>(marker[0]);
        image[65531] = static_cast<std::uint8_t>(marker[1]);
    }
    return image;
}

std::uint16_t SumOf(const Bytes& image, std::size_t count) {
    std::uint32_t total =
        std::accumulate(image.begin(), image.begin() + static_cast<long>(count), std::uint32_t{0});
    return static_cast<std::uint16_t>(total);
}

fs::path TempFolder(const std::string& what) {
    fs::path folder = fs::temp_directory_path() /
                      ("update-" + what + "-" + std::to_string(::getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    return folder;
}

std::string WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path.string();
}

// Records what the procedure shows; OK is pressed as soon as it is waited for.
class RecordingUi : public IUpdateUi {
public:
    explicit RecordingUi(TTolmIBusComm& comm) : comm_(comm) {}

    bool ChooseFile(std::string& name) override {
        log.push_back("choose");
        if (!file) return false;
        name = *file;
        return true;
    }
    void Beep() override { log.push_back("beep"); }
    void MessageBox(const std::string& text) override { log.push_back("box " + text); }
    void ShowDialog() override {
        log.push_back("show");
        closed_ = false;
        margin = progress = 0;
    }
    void CloseDialog() override { log.push_back("close"); }
    void ShowStatus(bool error, const std::string& text) override {
        if (closed_) return;
        log.push_back((error ? "error " : "status ") + text);
    }
    void SetMargin(int blocks) override {
        margin = blocks;
        log.push_back("margin " + std::to_string(blocks));
    }
    void SetProgress(int block) override {
        if (block == throwAtProgress) throw std::runtime_error("dialog gone");
        EXPECT_EQ(block, progress + 1);
        progress = block;
    }
    void WaitForOk() override {
        log.push_back(comm_.isActive() ? "wait ok, port open" : "wait ok, port closed");
        closed_ = true;
    }
    void PumpOnce() override {
        ++pumps;
        plat::DispatchPending();
        if (pumps == cancelAtPump) Cancel();
    }
    bool Closed() const override { return closed_; }

    // What the Cancel button does.
    void Cancel() {
        comm_.Abort();
        closed_ = true;
        log.push_back("cancelled");
    }

    std::optional<std::string> file;
    std::vector<std::string> log;
    int margin = -1;
    int progress = -1;
    int pumps = 0;
    int cancelAtPump = -1;
    int throwAtProgress = -1;

private:
    TTolmIBusComm& comm_;
    bool closed_ = true;
};

// Program blocks as the printer saw them, start and end packet left out.
std::vector<std::uint16_t> BlockNumbers(const std::vector<BootPacket>& packets) {
    std::vector<std::uint16_t> numbers;
    bool start = true;
    for (const auto& p : packets) {
        if (p.command != tb::CmdProgram) continue;
        if (start) {
            start = false;
            continue;
        }
        numbers.push_back(p.number);
    }
    if (!numbers.empty() && numbers.back() == 1) numbers.pop_back();
    return numbers;
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = TempFolder("logic");
        TTolmIBusComm::Tuning tuning;
        tuning.logonWaitMs = 150;
        tuning.wakeUpPauseMs = 50;
        tuning.traceFolder = folder.string();
        comm.SetTuning(tuning);
        comm.SetRetryInterval(150);
        comm.SetBaudRate(TBaudRate::tbr115200);
        loader.SetIdentification(identification);
        loader.Start();
    }
    void TearDown() override {
        loader.Stop();
        fs::remove_all(folder);
    }
    std::string Image(const Bytes& bytes) {
        ui.file = WriteFile(folder / "image.hex", bytes);
        return *ui.file;
    }
    void Run(bool full) { DownloadProgram(ui, comm, pty.slavePath(), full); }
    std::vector<std::string> Statuses() const {
        std::vector<std::string> out;
        for (const auto& line : ui.log)
            if (line.rfind("status ", 0) == 0 || line.rfind("error ", 0) == 0) out.push_back(line);
        return out;
    }
    // Nothing arrives after the procedure ended.
    void ExpectNothingMore(std::size_t packets) {
        EXPECT_TRUE(loader.WaitQuiet(300, 5000));
        EXPECT_EQ(loader.Packets().size(), packets);
    }

    fs::path folder;
    test::PtyPair pty;
    FakeBootLoader loader{pty.master()};
    TTolmIBusComm comm;
    RecordingUi ui{comm};
    std::array<std::uint8_t, 256> identification = [] {
        std::array<std::uint8_t, 256> id{};
        for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<std::uint8_t>(0xA0 ^ i);
        return id;
    }();
};

} // namespace

TEST(ImageFileTest, SumLeavesOutTheLastTwoBytesOfTheFirst64KiBOnly) {
    fs::path folder = TempFolder("sum");
    struct Case {
        std::size_t size;
        std::size_t summed;
    } cases[] = {{65536, 65534}, {65532, 65532}, {65535, 65535}, {65600, 65534}, {1000, 1000}};
    for (const Case& c : cases) {
        Bytes image = MakeImage(c.size, static_cast<std::uint32_t>(c.size));
        ImageFile file;
        ASSERT_TRUE(file.Open(WriteFile(folder / "sum.hex", image)));
        EXPECT_EQ(file.Size(), static_cast<std::int64_t>(c.size));
        std::optional<std::uint16_t> sum = ImageChecksum(file);
        ASSERT_TRUE(sum.has_value()) << c.size;
        EXPECT_EQ(*sum, SumOf(image, c.summed)) << c.size;
    }
    fs::remove_all(folder);
}

TEST(ImageFileTest, MarkerMustBeReadInFull) {
    fs::path folder = TempFolder("marker");
    auto marked = [&](Bytes image) {
        ImageFile file;
        EXPECT_TRUE(file.Open(WriteFile(folder / "m.hex", image)));
        return HasImageMarker(file);
    };
    EXPECT_TRUE(marked(MakeImage(65536, 1, "PL")));
    EXPECT_TRUE(marked(MakeImage(65536, 1, "MZ")));
    EXPECT_TRUE(marked(MakeImage(65532, 1, "MZ")));
    EXPECT_FALSE(marked(MakeImage(65536, 1, "ZM")));
    EXPECT_FALSE(marked(MakeImage(65536, 1, "pl")));
    // One byte of the marker is in the file, the other is not.
    Bytes cut = MakeImage(65532, 1, "PL");
    cut.pop_back();
    EXPECT_FALSE(marked(cut));
    EXPECT_FALSE(marked(Bytes(100, 'P')));
    fs::remove_all(folder);
}

TEST(ImageFileTest, OnlyARegularFileOpens) {
    fs::path folder = TempFolder("open");
    ImageFile file;
    EXPECT_FALSE(file.Open((folder / "missing.hex").string()));
    EXPECT_FALSE(file.Open(folder.string()));
    // A pipe would block the open or the reads for good.
    fs::path fifo = folder / "pipe.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(file.Open(fifo.string()));
    EXPECT_FALSE(file.IsOpen());
    fs::remove_all(folder);
}

TEST_F(DownloadTest, NormalUpdateSendsBlocks16OnAndTheSum) {
    Bytes image = MakeImage(65536, 7);
    Image(image);
    Run(false);

    const std::uint16_t sum = SumOf(image, 65534);
    EXPECT_EQ(loader.StartNumber(), 0);
    std::vector<std::uint16_t> expected(240);
    std::iota(expected.begin(), expected.end(), std::uint16_t{16});
    EXPECT_EQ(BlockNumbers(loader.Packets()), expected);
    Bytes rebuilt = loader.Image();
    ASSERT_EQ(rebuilt.size(), 65536u);
    Bytes sent(image.begin() + 4096, image.end());
    sent[sent.size() - 2] = static_cast<std::uint8_t>(sum & 0xFF);
    sent[sent.size() - 1] = static_cast<std::uint8_t>(sum >> 8);
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), rebuilt.begin() + 4096));
    EXPECT_TRUE(loader.EndSeen());
    EXPECT_EQ(loader.EndSum(), sum);

    EXPECT_EQ(Statuses(),
              (std::vector<std::string>{"status Wait 1 second...", "status Connect...",
                                        "status Download Program...", "status Disconnect..."}));
    // Skipped blocks count on the dialog too; only sent ones are followed by a serving.
    EXPECT_EQ(ui.margin, 256);
    EXPECT_EQ(ui.progress, 256);
    EXPECT_EQ(ui.pumps, 240);
    EXPECT_EQ(ui.log.back(), "close");
    EXPECT_FALSE(comm.isActive());
    EXPECT_TRUE(fs::exists(folder / "DEBUG.LOG"));
}

TEST_F(DownloadTest, FullUpdateSendsEveryBlockAndStartsWithTheIdentification) {
    Bytes image = MakeImage(65536, 8);
    Image(image);
    Run(true);

    const std::uint16_t sum = SumOf(image, 65534);
    EXPECT_EQ(loader.StartNumber(), 0x0F0F);
    auto packets = loader.Packets();
    auto start = std::find_if(packets.begin(), packets.end(),
                              [](const BootPacket& p) { return p.command == tb::CmdProgram; });
    ASSERT_NE(start, packets.end());
    EXPECT_EQ(start->data, identification);
    std::vector<std::uint16_t> expected;
    for (std::uint16_t i = 0; i < 16; ++i)
        expected.push_back(static_cast<std::uint16_t>(0x0E00 + i));
    for (std::uint16_t i = 16; i < 256; ++i) expected.push_back(i);
    EXPECT_EQ(BlockNumbers(packets), expected);
    Bytes sent = image;
    sent[65534] = static_cast<std::uint8_t>(sum & 0xFF);
    sent[65535] = static_cast<std::uint8_t>(sum >> 8);
    EXPECT_EQ(loader.Image(), sent);
    EXPECT_EQ(loader.EndSum(), sum);
    EXPECT_EQ(ui.pumps, 256);
    EXPECT_EQ(ui.log.back(), "close");
}

TEST_F(DownloadTest, ImageOfExactly65532BytesFillsItsLastBlockFromTheOneBefore) {
    Bytes image = MakeImage(65532, 9);
    Image(image);
    Run(true);

    const std::uint16_t sum = SumOf(image, 65532);
    EXPECT_EQ(ui.margin, 256);
    Bytes rebuilt = loader.Image();
    ASSERT_EQ(rebuilt.size(), 65536u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rebuilt.begin()));
    // Data bytes 252 and 253 stay as block 254 left them; 254 and 255 carry the sum.
    EXPECT_EQ(rebuilt[65532], image[65276]);
    EXPECT_EQ(rebuilt[65533], image[65277]);
    EXPECT_EQ(rebuilt[65534], sum & 0xFF);
    EXPECT_EQ(rebuilt[65535], sum >> 8);
    EXPECT_EQ(loader.EndSum(), sum);
}

TEST_F(DownloadTest, ImageOver64KiBSendsBlock256WithTheTailOfBlock255) {
    Bytes image = MakeImage(65600, 10);
    Image(image);
    Run(false);

    const std::uint16_t sum = SumOf(image, 65534);
    EXPECT_EQ(ui.margin, 257);
    EXPECT_EQ(ui.progress, 257);
    auto numbers = BlockNumbers(loader.Packets());
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.back(), 256);
    Bytes rebuilt = loader.Image();
    ASSERT_EQ(rebuilt.size(), 257u * 256u);
    Bytes last(rebuilt.begin() + 65536, rebuilt.end());
    Bytes expected(image.begin() + 65536, image.end());
    expected.insert(expected.end(), image.begin() + 65536 - 192, image.begin() + 65534);
    expected.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    expected.push_back(static_cast<std::uint8_t>(sum >> 8));
    EXPECT_EQ(last, expected);
    EXPECT_EQ(loader.EndSum(), sum);
}

TEST_F(DownloadTest, BadImagesAreRefusedBeforeThePortOpens) {
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"too short", MakeImage(100, 1)},
        {"one marker byte short", Bytes(65531, 'P')},
        {"wrong marker", MakeImage(65536, 2, "ZM")},
    };
    for (const Case& c : cases) {
        ui.log.clear();
        Image(c.bytes);
        Run(false);
        EXPECT_EQ(ui.log, (std::vector<std::string>{"choose", "beep", "box Not a valid file!"}))
            << c.what;
    }
    for (const fs::path& unreadable : {folder / "missing.hex", folder}) {
        ui.log.clear();
        ui.file = unreadable.string();
        Run(false);
        EXPECT_EQ(ui.log, (std::vector<std::string>{"choose", "beep", "box Not a valid file!"}))
            << unreadable;
    }
    EXPECT_TRUE(loader.Received().empty());
    EXPECT_FALSE(fs::exists(folder / "DEBUG.LOG"));
}

TEST_F(DownloadTest, CancelledChoiceDoesNothing) {
    ui.file.reset();
    Run(false);
    EXPECT_EQ(ui.log, std::vector<std::string>{"choose"});
    EXPECT_TRUE(loader.Received().empty());
}

TEST_F(DownloadTest, PortThatCannotBeOpenedIsReportedAndNothingShown) {
    Image(MakeImage(65536, 3));
    DownloadProgram(ui, comm, (folder / "no-such-tty").string(), false);
    EXPECT_EQ(ui.log, (std::vector<std::string>{"choose", "box Error opening " +
                                                              (folder / "no-such-tty").string() +
                                                              "!\r\nplease select other ports."}));
    EXPECT_FALSE(comm.isActive());
}

TEST_F(DownloadTest, CancelWhileServedAfterABlockSendsNothingMore) {
    Image(MakeImage(65536, 5));
    ui.cancelAtPump = 5; // after block 20
    Run(false);
    auto numbers = BlockNumbers(loader.Packets());
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.back(), 20);
    EXPECT_EQ(Statuses().back(), "status Download Program...");
    EXPECT_NE(ui.log.back(), "close");
    EXPECT_FALSE(comm.isActive());
    ExpectNothingMore(loader.Packets().size());
}

TEST_F(DownloadTest, ExceptionFromTheDialogLeavesThePortClosed) {
    Image(MakeImage(65536, 11));
    ui.throwAtProgress = 31;
    EXPECT_THROW(Run(false), std::runtime_error);
    EXPECT_FALSE(comm.isActive());
    EXPECT_TRUE(fs::exists(folder / "DEBUG.LOG"));
    EXPECT_EQ(BlockNumbers(loader.Packets()).back(), 29);
    ExpectNothingMore(loader.Packets().size());
}

TEST_F(DownloadTest, TraceThatCannotBeWrittenDoesNotFailTheUpdate) {
    TTolmIBusComm::Tuning tuning;
    tuning.logonWaitMs = 150;
    tuning.wakeUpPauseMs = 50;
    tuning.traceFolder = (folder / "gone" / "deeper").string();
    comm.SetTuning(tuning);
    Image(MakeImage(65536, 12));
    Run(false);
    EXPECT_EQ(ui.log.back(), "close");
    EXPECT_TRUE(loader.EndSeen());
    EXPECT_FALSE(comm.isActive());
}
