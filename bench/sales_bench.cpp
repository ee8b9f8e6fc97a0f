// A 100-line receipt through the console's sale page against the printer emulator, selling
// from a 5000-line item file: each "Sale Item" click until the total shows the line (the
// printer's round trip and the item file's QTY written back), beside the bare library round
// trip of the same sale.
// Usage: fprn_bench_sales [receipts]
#include "benchargs.h"
#include "fprnapi.h"
#include "itemstock.h"
#include "mainform.h"
#include "messagebox.h"
#include "printer.h"
#include "qtpump.h"
#include "tempdir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace fprn;
using namespace fprn::console;

namespace {

constexpr int kItems = 5000;
constexpr int kLines = 100;

std::string Barcode(int i) {
    std::string digits = std::to_string(4000000000000LL + i);
    return digits;
}

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[std::min(ms.size() - 1, std::size_t(q * ms.size()))]; };
    std::printf("%s: median %.3f ms, p99 %.3f ms, max %.3f ms (%zu samples)\n", what, at(0.5),
                at(0.99), ms.back(), ms.size());
}

} // namespace

int main(int argc, char** argv) {
    const int receipts = fprn::bench::CountArgument(argc, argv, 3, 1, "[receipts]");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    SetMessageBoxSeam([](QMessageBox& box) {
        std::fprintf(stderr, "box: %s\n", qPrintable(box.text()));
        std::exit(1);
        return QMessageBox::Ok;
    });
    test::TempDir dir("bench-sales", true);
    {
        std::ofstream items("DEFAULT.PLU", std::ios::binary);
        for (int i = 0; i < kItems; ++i)
            items << "ITEM " << i << '\t' << Barcode(i) << "\tPCS\t1.25\tA\t100\r\n";
    }
    emu::Printer printer;
    setenv("FPRN_COM2", printer.SlavePath().c_str(), 1);
    TovarinApi user;
    MeskadeApi service;
    if (std::string error = LoadDriverLibraries(user, service); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%d receipts of %d lines, item file of %d lines\n", receipts, kLines, kItems);
    {
        QtPumpBridge bridge("bench");
        TMainForm form(user, service);
        form.show();
        QApplication::processEvents();
        LoadPluFile(form, "DEFAULT.PLU");
        auto* barcode = form.Control<QLineEdit>(QStringLiteral("edBarcode"));
        auto* total = form.Control<QLineEdit>(QStringLiteral("edTotal"));
        QAbstractButton* sale = form.Button(QStringLiteral("btnSaleItem"));
        std::vector<double> clicks;
        for (int r = 0; r < receipts; ++r) {
            form.Button(QStringLiteral("bbtnSale"))->click();
            for (int line = 0; line < kLines; ++line) {
                // Items spread over the file: the write-back finds them anywhere in it.
                barcode->setText(QString::fromStdString(Barcode((line * 49 + r) % kItems)));
                edBarcodeExit(form);
                const QString before = total->text();
                auto t0 = Clock::now();
                sale->click();
                clicks.push_back(Ms(t0));
                if (total->text() == before) {
                    std::fprintf(stderr, "the total did not change\n");
                    return 1;
                }
            }
            TFPrnResult result{};
            std::int32_t size = 0;
            user.cmReceiptCancel(&result, "", nullptr, &size);
            std::vector<char> buffer(static_cast<std::size_t>(std::max(size, 0)));
            user.cmReceiptCancel(&result, "", buffer.data(), &size);
        }
        Report("Sale Item click to the updated total", clicks);

        // The bare round trip: the two calls the form makes, on the port it holds.
        std::vector<double> bare;
        for (int r = 0; r < receipts; ++r) {
            for (int line = 0; line < kLines; ++line) {
                auto t0 = Clock::now();
                TFPrnResult result{};
                std::int32_t size = 0;
                user.cmSaleItem(&result, 1, "PCS", 1.25, "01", "ITEM", 0, 0, nullptr, &size);
                std::vector<char> buffer(static_cast<std::size_t>(std::max(size, 0)));
                user.cmSaleItem(&result, 1, "PCS", 1.25, "01", "ITEM", 0, 0, buffer.data(), &size);
                bare.push_back(Ms(t0));
                if (result.Code != 0) return 1;
            }
            TFPrnResult result{};
            std::int32_t size = 0;
            user.cmReceiptCancel(&result, "", nullptr, &size);
            std::vector<char> buffer(static_cast<std::size_t>(std::max(size, 0)));
            user.cmReceiptCancel(&result, "", buffer.data(), &size);
        }
        Report("bare library round trip of a sale", bare);
        std::printf("goal: p99 of the click under 100 ms\n");
        form.close();
    }
    SetMessageBoxSeam({});
    return 0;
}
