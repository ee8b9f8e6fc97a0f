// Item files of 5000 items and capture files of 5000 records: reading and parsing (the
// editor's and the console's rules), formatting, the atomic save and the locked quantity
// write-back with the share fsync takes, the barcode lookup, and the capture decoding.
#include "benchargs.h"
#include "capturerecords.h"
#include "plufile.h"
#include "stock.h"
#include "tempdir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

using Clock = std::chrono::steady_clock;
namespace itf = fprn::itemfile;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The time the flushes of one round took, collected through the save seam.
Clock::duration gFsync{};

template <class Fn> void Report(const char* what, int rounds, double goalMs, Fn once) {
    std::vector<double> total, fsync;
    for (int i = 0; i < rounds; ++i) {
        gFsync = {};
        auto t0 = Clock::now();
        if (!once()) {
            std::fprintf(stderr, "%s: round %d failed\n", what, i);
            std::exit(1);
        }
        total.push_back(Ms(Clock::now() - t0));
        fsync.push_back(Ms(gFsync));
    }
    double median = Median(total), flush = Median(fsync);
    if (flush > 0)
        std::printf("%-34s median %8.3f ms (fsync %7.3f ms, without it %7.3f ms; goal %g ms + "
                    "fsync)\n",
                    what, median, flush, median - flush, goalMs);
    else
        std::printf("%-34s median %8.3f ms (goal %g ms)\n", what, median, goalMs);
}

std::string Barcode(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "59%011d", i * 7919);
    return buf;
}

fprn::console::Bytes BigEndian(std::uint64_t v, int width) {
    fprn::console::Bytes out;
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = fprn::bench::CountArgument(argc, argv, 51, 3, "[rounds]");
    fprn::test::TempDir dir("itemfile-bench");
    const std::string path = (dir.path() / "DEFAULT.PLU").string();

    itf::PluTable table;
    for (int r = 1; r <= itf::kPluRows; ++r) {
        char name[40], price[16];
        std::snprintf(name, sizeof name, "ITEM %05d \xC4\xD6\xDC ORGANIC FOODS", r);
        std::snprintf(price, sizeof price, "%d.%02d", r % 9000, r % 100);
        table.SetCell(r, 1, name);
        table.SetCell(r, 2, Barcode(r));
        table.SetCell(r, 3, "PCS");
        table.SetCell(r, 4, price);
        table.SetCell(r, 5, std::string(1, static_cast<char>('A' + r % 9)));
        table.SetCell(r, 6, std::to_string(r * 3));
    }
    if (!itf::WritePluFile(table, path).ok()) return 1;
    const auto content = fprn::test::ReadFile(path);
    std::printf("item file: %d items, %zu bytes; %d rounds each\n", itf::kPluRows, content.size(),
                rounds);

    itf::SaveOps timed = itf::SystemSaveOps();
    timed.fsync = [](int fd) {
        auto t0 = Clock::now();
        int r = itf::SystemSaveOps().fsync(fd);
        gFsync += Clock::now() - t0;
        return r;
    };
    itf::SetSaveOps(&timed);

    Report("load and parse (editor rules)", rounds, 5, [&] {
        itf::PluTable t;
        return itf::ReadPluFile(t, path).ok() && !t.Cell(5000, 1).empty();
    });
    itf::ItemList list;
    Report("load and parse (console rules)", rounds, 5,
           [&] { return itf::LoadItemFile(path, list).ok() && list.Size() == 5000; });
    Report("format", rounds, 2, [&] {
        itf::Bytes out;
        return itf::FormatPluTable(table, out).ok() && out.size() == content.size();
    });
    Report("save (locked, atomic)", rounds, 15,
           [&] { return itf::WritePluFile(table, path).ok(); });
    const auto c = fprn::editcontrols::CLocaleInfo();
    Report("write-back of the last item", rounds, 15, [&] {
        return itf::AdjustStock(path, Barcode(5000), itf::StockSign::Add, 1, &list, c).ok();
    });
    itf::SetSaveOps(nullptr);

    std::mt19937 rng(1);
    std::vector<std::string> keys;
    for (int i = 0; i < 100000; ++i) keys.push_back(Barcode(static_cast<int>(rng() % 5500) + 1));
    std::size_t found = 0;
    auto t0 = Clock::now();
    for (const auto& k : keys) found += list.Find(k).has_value();
    double perLookupUs = Ms(Clock::now() - t0) * 1000 / static_cast<double>(keys.size());
    std::printf("%-34s %8.3f us each, %zu of %zu found (goal 1 us)\n", "barcode lookup",
                perLookupUs, found, keys.size());

    // Captures of 5000 records: items as the printer sends them (price, tax rate, sold count,
    // three empty values), items with six numbers each (the most work), packages.
    fprn::console::Bytes plu, plu6, pkg;
    const std::uint64_t rates[] = {2300, 800, 500, 10000};
    for (int i = 0; i < 5000; ++i) {
        fprn::console::Bytes name = "ITEM " + std::to_string(i);
        name.resize(32, '\0');
        plu += name + BigEndian(static_cast<std::uint64_t>(i * 37 % 65000), 2) +
               BigEndian(rates[i % 4], 2) + BigEndian(static_cast<std::uint64_t>(i * 7), 2) +
               fprn::console::Bytes(6, '\xFF') + fprn::console::Bytes(20, '5');
        plu6 += name;
        for (int v = 0; v < 6; ++v)
            plu6 += BigEndian(static_cast<std::uint64_t>(i * 13 + v) % 65534, 2);
        plu6 += fprn::console::Bytes(20, '5');
        pkg += name + BigEndian(static_cast<std::uint64_t>(i) * 1234567, 6) + BigEndian(i, 4) +
               BigEndian(static_cast<std::uint64_t>(i) * 99, 6) + fprn::console::Bytes(4, '\xFF') +
               BigEndian(7, 6);
    }
    struct Capture {
        const char* what;
        const fprn::console::Bytes& bytes;
        const char* file;
        bool items;
    } captures[] = {{"item capture read and decoded", plu, "_Plu.mem", true},
                    {"  the same, six numbers a record", plu6, "six.mem", true},
                    {"package capture read and decoded", pkg, "_RtnPkg.mem", false}};
    for (const auto& cap : captures) {
        const auto file = (dir.path() / cap.file).string();
        std::ofstream(file, std::ios::binary) << cap.bytes;
        Report(cap.what, rounds, 5, [&] {
            auto v = cap.items ? fprn::console::ReadPluCapture(file, c)
                               : fprn::console::ReadPackageCapture(file, c);
            return v.grid.rows.size() == 5000 && !v.illegalFormat;
        });
    }
    return 0;
}
