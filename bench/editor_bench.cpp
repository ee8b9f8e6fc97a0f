// The item editor with 5000 full items in its shown window (grid, menu, both toolbars docked at
// the top, status bar): opening and painting the whole window again, saving (with the share
// fsync takes), checking row 5000's name and barcode (a unique key and a repeated one), copy
// and paste of the whole table, Insert and Delete at row 1, a search that finds nothing, and
// opening and painting a file of one line of 32 MB.
// Usage: fprn_bench_editor [rounds] [picture.png]
#include "benchargs.h"
#include "filesave.h"
#include "mainform.h"
#include "tempdir.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

using Clock = std::chrono::steady_clock;
namespace ie = fprn::itemeditor;
namespace itf = fprn::itemfile;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

Clock::duration gFsync{};

// Runs `once` the given number of times and prints the median, with the share of fsync when
// it saves; `undo` runs after each round, untimed.
template <class Fn, class Undo = void (*)()>
void Report(
    const char* what, int rounds, double goalMs, Fn once, Undo undo = [] {}) {
    std::vector<double> total, flush;
    for (int i = 0; i < rounds; ++i) {
        gFsync = {};
        const auto start = Clock::now();
        once();
        total.push_back(Ms(Clock::now() - start));
        flush.push_back(Ms(gFsync));
        undo();
    }
    std::sort(total.begin(), total.end());
    std::sort(flush.begin(), flush.end());
    const double median = total[total.size() / 2], fsync = flush[flush.size() / 2];
    if (fsync > 0)
        std::printf("%-38s median %8.3f ms (fsync %7.3f ms = %4.1f%%; goal %g ms)\n", what, median,
                    fsync, 100 * fsync / median, goalMs);
    else
        std::printf("%-38s median %8.3f ms (goal %g ms)\n", what, median, goalMs);
}

std::string FullItems() {
    std::string content;
    char line[160];
    for (int i = 1; i <= ie::kRows; ++i) {
        std::snprintf(line, sizeof line,
                      "Item %05d with a long name\t59%011d\tPCS\t%d.%02d\t%d\t%d\r\n", i, i * 7919,
                      i % 9999, i % 100, i % 8 + 1, i * 3);
        content += line;
    }
    return content;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = fprn::bench::CountArgument(argc, argv, 21, 1, "[rounds] [picture.png]");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fprn::test::TempDir dir("editorbench", true);
    std::ofstream("items.PLU", std::ios::binary) << FullItems();

    itf::SaveOps timed = itf::SystemSaveOps();
    timed.fsync = [](int fd) {
        const auto start = Clock::now();
        const int result = ::fsync(fd);
        gFsync += Clock::now() - start;
        return result;
    };
    itf::SetSaveOps(&timed);
    ie::SetBeepHook([] {});

    ie::TMainForm form;
    form.show();
    QApplication::processEvents();
    ie::TMyStringGrid* grid = form.PluGrid();

    Report("open 5000 items into the shown window", rounds, 30, [&] {
        form.OpenPluFile("items.PLU");
        form.repaint();
    });
    Report("save 5000 items", rounds, 20, [&] { form.SavePluFile("items.PLU"); });

    grid->MoveTo(ie::kNameColumn, ie::kRows);
    Report("check row 5000 name, barcode (unique)", rounds, 1, [&] {
        grid->MoveTo(ie::kNameColumn, ie::kRows);
        form.ValidateCurrentCell(grid);
        grid->MoveTo(ie::kBarcodeColumn, ie::kRows);
        form.ValidateCurrentCell(grid);
    });
    // The same keys once more in row 4999 under other case: the scan path, first match last.
    grid->Model()->SetCellText(4999, ie::kNameColumn, "ITEM 05000 WITH A LONG NAME");
    grid->Model()->SetCellText(
        4999, ie::kBarcodeColumn,
        grid->Model()->data(grid->Model()->index(ie::kRows - 1, 1), Qt::DisplayRole).toString());
    Report("check row 5000 name, barcode (repeated)", rounds, 1, [&] {
        grid->Model()->Edit([](ie::PluSheet& s) {
            s.ValidateCell(ie::kNameColumn, ie::kRows, '.');
            s.ValidateCell(ie::kBarcodeColumn, ie::kRows, '.');
        });
    });
    form.OpenPluFile("items.PLU");

    grid->MoveTo(1, 1);
    grid->selectAll();
    Report("copy 5000 x 6", rounds, 100, [&] { form.EditCopy1Execute(); });
    if (QApplication::clipboard()->text().size() < 5000 * 40) std::printf("copy: short text\n");
    Report("paste 5000 x 6", rounds, 100, [&] {
        grid->MoveTo(1, 1);
        form.EditPaste1Execute();
        grid->viewport()->repaint();
    });
    form.OpenPluFile("items.PLU");
    grid->Model()->SetCellText(ie::kRows, ie::kNameColumn, {}); // room for one row
    grid->MoveTo(1, 1);
    Report(
        "insert at row 1", rounds, 5,
        [&] {
            form.InsertAcExecute();
            grid->viewport()->repaint();
        },
        [&] { form.DeleteAcExecute(); });
    Report(
        "delete at row 1", rounds, 5,
        [&] {
            form.DeleteAcExecute();
            grid->viewport()->repaint();
        },
        [&] { form.InsertAcExecute(); });
    form.SearchCB()->setCurrentIndex(1);
    form.SearchEdit()->setText("no such item");
    Report("failing search (names)", rounds, 5,
           [&] { (void)grid->Model()->Sheet().Find(1, "no such item", grid->Row()); });

    // One name of 32 MB: the cell shows its start; the table keeps it whole.
    constexpr std::size_t kLongName = 32 * 1024 * 1024 - 20;
    {
        std::string name;
        for (int i = 0; name.size() < kLongName; ++i)
            name += "Item " + std::to_string(i) + " with a long name, ";
        name.resize(kLongName);
        name.back() = '.'; // the reader trims blanks
        std::ofstream("long.PLU", std::ios::binary) << name << "\t1\tPCS\t1.00\t1\t1\r\n";
    }
    grid->MoveTo(ie::kNameColumn, 1);
    Report("open and draw a one-line file of 32 MB", std::min(rounds, 5), 500, [&] {
        form.OpenPluFile("long.PLU");
        form.repaint();
    });
    if (grid->Model()->Sheet().Cell(1, ie::kNameColumn).size() != kLongName)
        std::printf("long line: the name was not kept whole\n");

    if (argc > 2) {
        form.OpenPluFile("items.PLU");
        grid->MoveTo(ie::kPriceColumn, 3);
        form.grab().save(argv[2]);
    }
    itf::SetSaveOps(nullptr);
    return 0;
}
