// The console's side of the item file: reading with the barcode index, the quantity
// write-back under the lock, and saves that fail at each step without touching the old file.
#include "plufile.h"
#include "stock.h"
#include "tempdir.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fprn::itemfile {
namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::size_t FilesIn(const fs::path& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(ItemList, LinesBarcodesAndTheIndexAgreeWithAScan) {
    ItemList list;
    list.Assign(
        "Milk\t5900000000028\tl\t2.50\tB\t10\r\nno tab\rone\ttab\n\tAbC\t\r\n\t\t\nlast\tx1\t");
    EXPECT_EQ(list.Lines(), (std::vector<Bytes>{"Milk\t5900000000028\tl\t2.50\tB\t10", "no tab",
                                                "one\ttab", "\tAbC\t", "\t\t", "last\tx1\t"}));
    EXPECT_EQ(list.Barcodes(), (std::vector<Bytes>{"5900000000028", "", "", "AbC", "", "x1"}));
    EXPECT_EQ(LineField(list.Lines()[0], kPrice), "2.50");
    EXPECT_EQ(LineField(list.Lines()[0], kQty + 1), "");
    EXPECT_EQ(list.Find("abc"), 3u);
    EXPECT_EQ(list.Find(""), 1u); // the first line whose barcode is empty
    EXPECT_EQ(list.Find("5900000000028 "), std::nullopt);
    EXPECT_EQ(list.Joined().substr(0, 40), "Milk\t5900000000028\tl\t2.50\tB\t10\r\nno tab\r\n");

    // Random barcodes with repeats that differ in case, Latin-1 letters included.
    std::mt19937 rng(7);
    const char letters[] = "aAbB\xE9\xC9z0";
    Bytes content;
    for (int i = 0; i < 3000; ++i) {
        Bytes code;
        for (int k = 0; k < 3; ++k) code.push_back(letters[rng() % 8]);
        content += "n" + std::to_string(i) + "\t" + code + "\tu\t1\tA\t0\r\n";
    }
    list.Assign(content);
    const CaseFold fold = CaseFold::Latin1();
    for (int i = 0; i < 600; ++i) {
        Bytes key;
        for (int k = 0; k < 3; ++k) key.push_back(letters[rng() % 8]);
        std::optional<std::size_t> scan;
        for (std::size_t l = 0; l < list.Size() && !scan; ++l)
            if (fold.Equal(list.Barcodes()[l], key)) scan = l;
        EXPECT_EQ(list.Find(key), scan) << key;
    }
}

class StockFile : public ::testing::Test {
protected:
    test::TempDir dir_{"stock"};
    const std::string path_ = (dir_.path() / "DEFAULT.PLU").string();
    const editcontrols::LocaleInfo c_ = editcontrols::CLocaleInfo();
};

TEST_F(StockFile, WriteBackChangesOnlyThatQtyAndKeepsOtherWriters) {
    WriteBytes(path_, "Milk\t111\tl\t2.50\tB\t10\r\nBread\t222\tpc\t1.00\tA\t3\textra\n"
                      "Eggs\t333\tpc\t\xE9\tA\t\r\n");
    ItemList loaded;
    ASSERT_TRUE(LoadItemFile(path_, loaded).ok());

    // Another program changes a price and appends a line after the console loaded the file.
    WriteBytes(path_, "Milk\t111\tl\t2.75\tB\t10\r\nBread\t222\tpc\t1.00\tA\t3\textra\n"
                      "Eggs\t333\tpc\t\xE9\tA\t\r\nTea\t444\tbox\t5\tA\t1\r\n");
    ASSERT_TRUE(AdjustStock(path_, "111", StockSign::Add, 1.5, &loaded, c_).ok());
    EXPECT_EQ(test::ReadFile(path_),
              "Milk\t111\tl\t2.75\tB\t11.5\r\nBread\t222\tpc\t1.00\tA\t3\t"
              "extra\nEggs\t333\tpc\t\xE9\tA\t\r\nTea\t444\tbox\t5\tA\t1\r\n");
    EXPECT_EQ(loaded.Find("444"), 3u); // the list follows the file
    ASSERT_TRUE(AdjustStock(path_, "111", StockSign::Subtract, 1.5, &loaded, c_).ok());
    ASSERT_TRUE(AdjustStock(path_, "222", StockSign::Subtract, 4, &loaded, c_).ok());
    ASSERT_TRUE(AdjustStock(path_, "333", StockSign::Add, 2, &loaded, c_).ok()); // empty is 0
    EXPECT_EQ(test::ReadFile(path_),
              "Milk\t111\tl\t2.75\tB\t10\r\nBread\t222\tpc\t1.00\tA\t-1\t"
              "extra\nEggs\t333\tpc\t\xE9\tA\t2\r\nTea\t444\tbox\t5\tA\t1\r\n");

    // A comma locale writes a comma; a separator of several bytes falls back to '.'.
    editcontrols::LocaleInfo comma = c_, wide = c_;
    comma.decimalSeparator = ",";
    comma.thousandSeparator = ".";
    wide.decimalSeparator = "\xD9\xAB";
    ASSERT_TRUE(AdjustStock(path_, "444", StockSign::Add, 0.25, nullptr, comma).ok());
    EXPECT_NE(test::ReadFile(path_).find("Tea\t444\tbox\t5\tA\t1,25\r\n"), Bytes::npos);
    WriteBytes(path_, "Tea\t444\tbox\t5\tA\t1\r\n");
    ASSERT_TRUE(AdjustStock(path_, "444", StockSign::Add, 0.5, nullptr, wide).ok());
    EXPECT_EQ(test::ReadFile(path_), "Tea\t444\tbox\t5\tA\t1.5\r\n");
}

TEST_F(StockFile, RefusalsNameTheItemAndChangeNothing) {
    const Bytes content = "Milk\t111\tl\t2.50\tB\tabc\r\nShort\t222\tpc\t1\tA\r\n"
                          "Big\t333\tpc\t1\tA\t1e308\r\n";
    WriteBytes(path_, content);
    struct Case {
        const char* barcode;
        double quantity;
        Status::Code code;
        const char* words;
    } cases[] = {
        {"111", 1, Status::Code::Failed, "Item \"111\": its QTY \"abc\" is not a number"},
        {"222", 1, Status::Code::Failed, "Item \"222\": its line has 5 fields"},
        {"333", 1e308, Status::Code::Failed, "Item \"333\": the new QTY is not a finite"},
        {"999", 1, Status::Code::NotFound, "999"},
    };
    for (const auto& c : cases) {
        Status s = AdjustStock(path_, c.barcode, StockSign::Add, c.quantity, nullptr, c_);
        EXPECT_EQ(s.code, c.code) << c.barcode;
        EXPECT_NE(s.message.find(c.words), std::string::npos) << s.message;
        EXPECT_EQ(test::ReadFile(path_), content);
    }
    EXPECT_EQ(FilesIn(dir_.path()), 1u);

    // A vanished file is written from the loaded lines; without them nothing is created.
    ItemList loaded;
    loaded.Assign("Tea\t444\tbox\t5\tA\t1\nCoffee\t555\tpk\t9\tA\t2");
    fs::remove(path_);
    EXPECT_FALSE(AdjustStock(path_, "444", StockSign::Add, 1, nullptr, c_).ok());
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_EQ(AdjustStock(path_, "999", StockSign::Add, 1, &loaded, c_).code,
              Status::Code::NotFound);
    EXPECT_FALSE(fs::exists(path_));
    ASSERT_TRUE(AdjustStock(path_, "444", StockSign::Add, 1, &loaded, c_).ok());
    EXPECT_EQ(test::ReadFile(path_), "Tea\t444\tbox\t5\tA\t2\r\nCoffee\t555\tpk\t9\tA\t2\r\n");
}

TEST_F(StockFile, ALockHeldTooLongFailsTheWriteBackAndChangesNothing) {
    const Bytes content = "Milk\t111\tl\t2.50\tB\t10\r\n";
    WriteBytes(path_, content);
    // A lock on another open description of the file stands for another program's.
    int holder = ::open(path_.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    SetLockTimeout(std::chrono::milliseconds(30));
    Status s = AdjustStock(path_, "111", StockSign::Add, 1, nullptr, c_);
    EXPECT_EQ(s.code, Status::Code::Failed);
    EXPECT_NE(s.message.find("another program holds it"), std::string::npos) << s.message;
    EXPECT_EQ(test::ReadFile(path_), content);

    // Released within the wait, the write-back goes through.
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::close(holder);
    });
    SetLockTimeout(std::chrono::seconds(60));
    EXPECT_TRUE(AdjustStock(path_, "111", StockSign::Add, 1, nullptr, c_).ok());
    release.join();
    SetLockTimeout(std::chrono::seconds(5));
    EXPECT_EQ(test::ReadFile(path_), "Milk\t111\tl\t2.50\tB\t11\r\n");
    EXPECT_EQ(FilesIn(dir_.path()), 1u);
}

TEST_F(StockFile, TwoProcessesOfWriteBacksEndAtTheSum) {
    WriteBytes(path_, "Milk\t111\tl\t2.50\tB\t0\r\nBread\t222\tpc\t1\tA\t0\r\n");
    pid_t children[2];
    for (pid_t& child : children) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < 100; ++i)
                ok = AdjustStock(path_, "111", StockSign::Add, 1, nullptr, c_).ok() && ok;
            _exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(test::ReadFile(path_), "Milk\t111\tl\t2.50\tB\t200\r\nBread\t222\tpc\t1\tA\t0\r\n");
    EXPECT_EQ(FilesIn(dir_.path()), 1u);
}

TEST_F(StockFile, FailedSavesLeaveTheOldFileAndNoTemporary) {
    const Bytes old = "Milk\t111\tl\t2.50\tB\t10\r\n";
    WriteBytes(path_, old);
    ASSERT_EQ(chmod(path_.c_str(), 0640), 0);

    enum Step { kCreate, kWrite, kFsync, kRename };
    struct Case {
        Step step;
        int error;
        const char* words;
    } cases[] = {
        {kCreate, ENOSPC, "Cannot create a file beside"},
        {kWrite, ENOSPC, "Cannot write"},
        {kFsync, EIO, "Cannot flush"},
        {kRename, EXDEV, "Cannot replace"},
    };
    const SaveOps& real = SystemSaveOps();
    for (const auto& c : cases) {
        // The chosen step fails; a failing write has put half of its bytes out first.
        auto fails = [&](Step step) { return c.step == step ? (errno = c.error, true) : false; };
        SaveOps ops{
            [&](const char* p, mode_t m) { return fails(kCreate) ? -1 : real.create(p, m); },
            [&](int fd, const void* data, std::size_t size) -> ssize_t {
                if (c.step != kWrite) return real.write(fd, data, size);
                (void)real.write(fd, data, size / 2);
                errno = c.error;
                return -1;
            },
            [&](int fd) { return fails(kFsync) ? -1 : real.fsync(fd); },
            [&](const char* a, const char* b) { return fails(kRename) ? -1 : real.rename(a, b); }};
        SetSaveOps(&ops);
        Status s = AdjustStock(path_, "111", StockSign::Add, 1, nullptr, c_);
        SetSaveOps(nullptr);
        ASSERT_FALSE(s.ok()) << c.words;
        EXPECT_NE(s.message.find(c.words), std::string::npos) << s.message;
        EXPECT_NE(s.message.find(path_), std::string::npos) << s.message;
        EXPECT_NE(s.message.find(std::strerror(c.error)), std::string::npos) << s.message;
        EXPECT_EQ(test::ReadFile(path_), old);
        EXPECT_EQ(FilesIn(dir_.path()), 1u);
    }

    // Through a symbolic link: the target is replaced with its mode, the link stays a link.
    const fs::path link = dir_.path() / "link.plu";
    fs::create_symlink("DEFAULT.PLU", link);
    ASSERT_TRUE(AdjustStock(link.string(), "111", StockSign::Add, 1, nullptr, c_).ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::ReadFile(path_), "Milk\t111\tl\t2.50\tB\t11\r\n");
    struct stat st {};
    ASSERT_EQ(stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(dir_.path()), 2u);
}

TEST_F(StockFile, AFolderThatRefusesANewFileOrItsRenameGetsTheSaveInPlaceAndOldBytesOnFailure) {
    const Bytes old = "Milk\t111\tl\t2.50\tB\t10\r\nBread\t222\tpc\t1.00\tA\t3\r\n";
    WriteBytes(path_, old);
    struct stat before {};
    ASSERT_EQ(stat(path_.c_str(), &before), 0);
    const SaveOps& real = SystemSaveOps();
    int writes = 0;
    bool failWrite = false;
    SaveOps ops{[](const char*, mode_t) { return errno = EACCES, -1; },
                [&](int fd, const void* data, std::size_t size) -> ssize_t {
                    // The first write puts a few bytes out, then fails.
                    if (failWrite && writes++ == 0) {
                        (void)real.write(fd, data, std::min<std::size_t>(size, 5));
                        return errno = ENOSPC, -1;
                    }
                    return real.write(fd, data, size);
                },
                real.fsync, real.rename};
    SetSaveOps(&ops);
    // Shorter than before: the file is cut to the new length, and stays the same file.
    Status saved = AdjustStock(path_, "222", StockSign::Subtract, 3, nullptr, c_);
    const Bytes changed = "Milk\t111\tl\t2.50\tB\t10\r\nBread\t222\tpc\t1.00\tA\t0\r\n";
    EXPECT_TRUE(saved.ok()) << saved.message;
    EXPECT_EQ(test::ReadFile(path_), changed);
    struct stat after {};
    ASSERT_EQ(stat(path_.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);

    failWrite = true;
    Status failed = AdjustStock(path_, "111", StockSign::Add, 100, nullptr, c_);
    SetSaveOps(nullptr);
    EXPECT_FALSE(failed.ok());
    EXPECT_NE(failed.message.find("Cannot write \"" + path_ + "\": " + std::strerror(ENOSPC)),
              std::string::npos)
        << failed.message;
    EXPECT_EQ(test::ReadFile(path_), changed);
    EXPECT_EQ(FilesIn(dir_.path()), 1u);

    // A sticky shared folder: the temporary file is made, but its rename over another user's
    // file is refused; the file is written in place and the temporary one goes.
    SaveOps sticky{real.create, real.write, real.fsync,
                   [](const char*, const char*) { return errno = EPERM, -1; }};
    SetSaveOps(&sticky);
    Status inPlace = AdjustStock(path_, "111", StockSign::Add, 1, nullptr, c_);
    SetSaveOps(nullptr);
    EXPECT_TRUE(inPlace.ok()) << inPlace.message;
    EXPECT_EQ(test::ReadFile(path_), "Milk\t111\tl\t2.50\tB\t11\r\nBread\t222\tpc\t1.00\tA\t0\r\n");
    ASSERT_EQ(stat(path_.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(FilesIn(dir_.path()), 1u);
}

TEST_F(StockFile, SavesPastTheFileSizeLimitFailAndTheProgramLives) {
    const Bytes old = "Milk\t111\tl\t2.50\tB\t10\r\n";
    WriteBytes(path_, old);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The default disposition: a write past the limit would end this process.
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit small{old.size(), old.size()};
        setrlimit(RLIMIT_FSIZE, &small);
        PluTable table;
        table.SetCell(1, 1, "A longer name than the file holds now");
        Status saved = WritePluFile(table, path_);
        Status stock = AdjustStock(path_, "111", StockSign::Add, 1000, nullptr, c_);
        const Bytes words = "\"" + path_ + "\": " + std::strerror(EFBIG);
        bool ok = !saved.ok() && saved.message.find(words) != Bytes::npos && !stock.ok() &&
                  stock.message.find(words) != Bytes::npos;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a save did not say the file is too large";
    EXPECT_EQ(test::ReadFile(path_), old);
    EXPECT_EQ(FilesIn(dir_.path()), 1u);
}

TEST_F(StockFile, ReadersRefuseWhatIsNoRegularFileOrTooLargeAtOnce) {
    const fs::path fifo = dir_.path() / "fifo.PLU", huge = dir_.path() / "huge.PLU";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteBytes(huge, "Milk\t111\n");
    fs::resize_file(huge, kMaxReadBytes + 1); // sparse: no room taken
    struct Case {
        fs::path file;
        const char* words;
    } cases[] = {{fifo, "\" is not a regular file"}, {huge, "\" is larger than 64 MiB"}};
    for (const auto& c : cases) {
        PluTable table;
        table.SetCell(1, 1, "kept");
        Status plu = ReadPluFile(table, c.file.string());
        EXPECT_EQ(plu.message.rfind("\"" + c.file.string() + c.words, 0), 0u) << plu.message;
        EXPECT_EQ(table.Cell(1, 1), "kept");
        ItemList list;
        list.Assign("Tea\t444\n");
        Status lines = LoadItemFile(c.file.string(), list);
        EXPECT_EQ(lines.message, plu.message);
        EXPECT_EQ(list.Lines(), std::vector<Bytes>{"Tea\t444"});
        // The write-back neither waits on it nor reads it.
        EXPECT_EQ(AdjustStock(c.file.string(), "111", StockSign::Add, 1, nullptr, c_).message,
                  "Item \"111\": " + plu.message);
    }
}

} // namespace
} // namespace fprn::itemfile
