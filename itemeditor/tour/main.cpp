// sorvane-tour SHOTS_FOLDER: starts the item editor as sorvane does, in the current folder, where
// "DEFAULT.PLU" is, and tours it through its real keys, buttons and toolbar: the grid with the
// items, a new item with a duplicate barcode's error box on the way, the search bar floated,
// another program's window activated and the editor again, the bar moved and the new item's QTY
// typed, the bar docked back (these through the window manager with real X input), the file
// saved and compared byte by byte. A screenshot of the screen after each
// step goes into the folder, numbered on from the shots already there. Ends with status 0 only
// when every step and the close went as expected.
#include "docktoolbar.h"
#include "mainform.h"
#include "toolbarbutton.h"
#include "tourkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

using namespace fprn::itemeditor;
using fprn::toolbars::TToolbar;
using fprn::toolbars::TToolbarButton;
namespace fs = std::filesystem;
namespace x = fprn::tourkit::x;

namespace {

constexpr const char* kItemFile = "DEFAULT.PLU";

[[noreturn]] void Fail(const std::string& why) {
    throw std::runtime_error(why);
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class EditorTour {
public:
    EditorTour(TMainForm& form, fs::path folder, std::string before)
        : form_(form), folder_(std::move(folder)), before_(std::move(before)) {
        for (const auto& entry : fs::directory_iterator(folder_))
            if (entry.path().extension() == ".png") ++shots_;
    }

    bool Run() {
        const struct {
            const char* name;
            void (EditorTour::*run)();
        } steps[] = {{"the items", &EditorTour::Items},
                     {"a new item past a duplicate barcode", &EditorTour::NewItem},
                     {"the search bar floated, another window, a cell typed, docked back",
                      &EditorTour::Toolbar},
                     {"save", &EditorTour::Save},
                     {"exit", &EditorTour::Exit}};
        for (const auto& step : steps) {
            try {
                (this->*step.run)();
                if (std::string failure = answers_.TakeFailure(); !failure.empty()) Fail(failure);
                if (answers_.Waiting()) Fail("a box that was waited for did not come");
                if (answers_.Unanswered() > 0) Fail("a box nobody expected came");
            } catch (const std::exception& e) {
                std::fprintf(stderr, "sorvane-tour: step \"%s\" failed: %s\n", step.name, e.what());
                return false;
            }
        }
        return true;
    }

private:
    std::string Cell(int row, int column) const {
        return form_.PluGrid()->Model()->Sheet().Cell(row, column);
    }

    // Keys reach the focused control through the active window, as the keyboard's do.
    void Type(const QString& text) {
        for (QChar c : text) {
            Activate();
            QTest::keyClick(static_cast<QWidget*>(nullptr), c.toLatin1());
        }
    }
    void Key(Qt::Key key) {
        Activate();
        QTest::keyClick(static_cast<QWidget*>(nullptr), key);
    }
    void Activate() {
        if (QApplication::activeWindow() == &form_) return;
        form_.activateWindow();
        if (!QTest::qWaitForWindowActive(&form_)) Fail("the editor's window is not active");
    }

    // The pointer as the platform moves it: events go to the window under it, else the form's.
    QWindow* WindowAt(QPoint global) const {
        QWidget* top = QApplication::topLevelAt(global);
        return (top && top->windowHandle() ? top : &form_)->windowHandle();
    }
    void Mouse(QTest::MouseAction action, QPoint global) {
        QWindow* window = WindowAt(global);
        const QPoint at = window->mapFromGlobal(global);
        if (action == QTest::MouseMove)
            QTest::mouseMove(window, at);
        else
            QTest::mouseEvent(action, window, Qt::LeftButton, {}, at);
    }
    void Click(QWidget& widget) {
        const QPoint global = widget.mapToGlobal(widget.rect().center());
        Mouse(QTest::MouseMove, global);
        Mouse(QTest::MouseClick, global);
        fprn::tourkit::Settle();
    }

    void Shoot(const std::string& name) {
        fprn::tourkit::Settle();
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%02d-", ++shots_);
        const fs::path file = folder_ / (prefix + name + ".png");
        fprn::tourkit::SaveScreen(form_, file);
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
    }

    void Items() {
        if (!QTest::qWaitForWindowExposed(&form_)) Fail("the editor's window did not show");
        // Maximised, as a user has it; the window manager keeps its caption on the screen.
        form_.showMaximized();
        const int wide = form_.screen()->availableGeometry().width() * 9 / 10;
        if (!fprn::tourkit::WaitUntil([&] { return form_.width() >= wide; }))
            Fail("the editor's window was not maximised");
        fprn::tourkit::Settle();
        Activate();
        if (!form_.windowTitle().endsWith(QLatin1String(kItemFile) + "]"))
            Fail("the caption is " + form_.windowTitle().toStdString());
        // One item a line, each in its row from row 1; the row after the last is free.
        std::size_t lines = 0;
        for (std::size_t at = 0; (at = before_.find("\r\n", at)) != std::string::npos; at += 2)
            ++lines;
        items_ = static_cast<int>(lines);
        if (items_ == 0 || before_.compare(0, Cell(1, kNameColumn).size(), Cell(1, kNameColumn)) ||
            Cell(items_, kNameColumn).empty() || !Cell(items_ + 1, kNameColumn).empty())
            Fail("the grid does not hold the file's " + std::to_string(items_) + " items");
        Shoot("editor-items");
    }

    void NewItem() {
        const int row = items_ + 1;
        if (!form_.PluGrid()->MoveTo(kNameColumn, row)) Fail("row " + std::to_string(row));
        form_.PluGrid()->setFocus();
        Type("TOUR ITEM");
        Key(Qt::Key_Return);
        // The first item's barcode again: its box names both rows.
        const std::string taken = Cell(1, kBarcodeColumn);
        const QString text = QString("Error: BARCODE ARE DUPLICATED.(Seq. No. : 1,%1)").arg(row);
        answers_.Next([](QDialog& d) { return qobject_cast<QMessageBox*>(&d) != nullptr; },
                      [this, text](QDialog& d) {
                          auto& box = static_cast<QMessageBox&>(d);
                          if (!QTest::qWaitForWindowExposed(&box)) Fail("the box did not show");
                          if (box.text() != text) Fail("the box says " + box.text().toStdString());
                          Shoot("editor-duplicate-barcode");
                          box.button(QMessageBox::Ok)->click();
                      });
        Type(QString::fromStdString(taken));
        Key(Qt::Key_Return);
        if (!form_.PluGrid()->Editing() || form_.PluGrid()->Col() != kBarcodeColumn)
            Fail("the barcode is not being edited after its box");
        // The user takes the duplicate back and types a barcode of its own, then the rest.
        for (int i = 0; i < 20 && !form_.PluGrid()->Editor()->text().isEmpty(); ++i)
            Key(Qt::Key_Backspace);
        // Its QTY is typed after the toolbar's step.
        for (const char* cell : {"5900000000990", "PCS", "4.5", "A"}) {
            Type(cell);
            Key(Qt::Key_Return);
        }
        added_ = std::string("TOUR ITEM\t5900000000990\tPCS\t4") + CellDecimalSeparator() +
                 "50\tA\t12\r\n";
        if (form_.PluGrid()->Row() != row || form_.PluGrid()->Col() != kQtyColumn ||
            !form_.Modified())
            Fail("the new item was not taken");
    }

    // Through the window manager with real input: the bar floated by a double click on its
    // handle, another program's window activated and the editor again, the bar moved by its
    // caption, the new item's QTY typed, the bar docked back by a double click on its caption.
    void Toolbar() {
        auto* bar = form_.findChild<TToolbar*>(QStringLiteral("SearchToolbar"));
        if (!bar || bar->DockedTo() != form_.TopDock()) Fail("the search bar is not docked");
        const int row = form_.PluGrid()->Row();
        x::Click(bar->mapToGlobal(QPoint(4, bar->height() / 2)), 2);
        if (!fprn::tourkit::WaitUntil([&] { return bar->Floating() && bar->isVisible(); }))
            Fail("the search bar did not float");
        Shoot("editor-toolbar-floating");

        {
            fprn::tourkit::PeerWindow other("sorvane-tour other window");
            other.Activate();
            if (!fprn::tourkit::WaitUntil(
                    [&] { return !QApplication::activeWindow() && !bar->isVisible(); }))
                Fail("the floating bar shows while another program is active");
            Shoot("editor-other-window-active");
            x::Activate(form_);
            if (!fprn::tourkit::WaitUntil(
                    [&] { return QApplication::activeWindow() == &form_ && bar->isVisible(); }))
                Fail("the floating bar is hidden while the editor is active");
        }

        const QPoint caption = bar->mapToGlobal(QPoint(30, 8));
        const QPoint before = bar->pos();
        x::Drag(caption, caption + QPoint(240, 200));
        if (!fprn::tourkit::WaitUntil([&] { return bar->pos() != before; }))
            Fail("the floating bar did not move");
        // The keys go to the editor's cell, not to the bar just moved.
        x::Type("12");
        x::Key("Return");
        if (!fprn::tourkit::WaitUntil([&] { return form_.PluGrid()->Row() == row + 1; }) ||
            Cell(row, kQtyColumn) != "12")
            Fail("the QTY typed after moving the bar did not reach its cell");
        Shoot("editor-toolbar-moved");

        x::Click(bar->mapToGlobal(QPoint(30, 8)), 2);
        if (!fprn::tourkit::WaitUntil([&] { return bar->DockedTo() == form_.TopDock(); }))
            Fail("the search bar did not dock back");
        Shoot("editor-toolbar-docked");
    }

    void Save() {
        Click(*form_.findChild<TToolbarButton*>(QStringLiteral("SaveBtn")));
        if (form_.Modified()) Fail("the table is still modified after Save");
        // Every byte as it was when the editor started, and the new item's line after them.
        if (ReadBytes(kItemFile) != before_ + added_)
            Fail("the saved file is not the one expected");
        Shoot("editor-saved");
    }

    void Exit() {
        Click(*form_.findChild<TToolbarButton*>(QStringLiteral("ExitBtn")));
        if (form_.isVisible()) Fail("the window did not close");
    }

    TMainForm& form_;
    fs::path folder_;
    std::string before_;
    std::string added_;
    int items_ = 0;
    int shots_ = 0;
    fprn::tourkit::DialogAnswers answers_{true};
};

} // namespace

int main(int argc, char** argv) {
    if (int peer = fprn::tourkit::RunPeerWhenAsked(argc, argv); peer >= 0) return peer;
    const fs::path shots = argc > 1 ? argv[1] : "demo";
    fs::create_directories(shots);
    const std::string before = ReadBytes(kItemFile);
    if (before.empty()) {
        std::fprintf(stderr, "sorvane-tour: no %s in the current folder\n", kItemFile);
        return 1;
    }
    // The program's own name, as its boxes are captioned with it.
    char name[] = "sorvane";
    char* args[] = {name, nullptr};
    bool passed = false;
    const int status = SorvaneMain(1, args, [&](TMainForm& form) {
        passed = EditorTour(form, shots, before).Run();
        if (!form.isVisible()) return;
        // After a failed step the changes are dropped, not saved over the file.
        fprn::tourkit::DialogAnswers drop(true);
        drop.Next([](QDialog& d) { return qobject_cast<QMessageBox*>(&d) != nullptr; },
                  [](QDialog& d) {
                      if (auto* no = static_cast<QMessageBox&>(d).button(QMessageBox::No))
                          no->click();
                      else
                          d.reject();
                  });
        form.close();
    });
    if (status != 0) return status;
    std::printf(passed ? "sorvane-tour: passed\n" : "sorvane-tour: FAILED\n");
    return passed ? 0 : 1;
}
