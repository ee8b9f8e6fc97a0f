// The item editor end to end: the real main window with its toolbars and the language library,
// keys typed and buttons clicked through the window, every modal box answered by pressing one of
// its buttons, files in a temporary current directory.
#include "ctypelocale.h"
#include "dockcontrols.h"
#include "docktoolbar.h"
#include "mainform.h"
#include "stock.h"
#include "tempdir.h"
#include "testmodule.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <new>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Bytes of the allocations of at least gCountFrom bytes while it is set: with a field of
// megabytes, each copy made of it.
namespace {
std::atomic<std::size_t> gCountFrom{0}, gLargeBytes{0};
void* Allocate(std::size_t size) noexcept {
    if (const std::size_t from = gCountFrom; from > 0 && size >= from) gLargeBytes += size;
    return std::malloc(size ? size : 1);
}
} // namespace

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace fprn::itemeditor {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using toolbars::TToolbar;
using toolbars::TToolbarButton;

// Starts a program (found on PATH) in `folder` with `extra` added to this environment; its
// output goes to `*out` when given. Not QProcess: its start, a clone that shares this
// process's memory, corrupts ThreadSanitizer's state in the tsan build.
pid_t Spawn(std::vector<std::string> args, const std::string& folder = {},
            const std::vector<std::string>& extra = {}, int* out = nullptr) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const std::string& x : extra)
            replaced = replaced || entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeFds[2] = {-1, -1};
    if (out && pipe(pipeFds) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    }
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pipeFds[1] >= 0) close(pipeFds[1]);
    if (out) *out = pipeFds[0];
    return pid;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "itemeditor";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};
const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// A modal box as it was shown.
struct Box {
    QString title, text, focus;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers each modal dialog when it shows, in order: a button's text ("OK", "Yes"), for a file
// dialog a path or "cancel". A file dialog that stays open after its answer takes the next one.
class Answerer : public QObject {
public:
    Answerer() { qApp->installEventFilter(this); }
    ~Answerer() override { qApp->removeEventFilter(this); }
    void Next(std::initializer_list<QString> answers) {
        for (const QString& answer : answers) answers_.push_back({answer, false});
    }
    // A file name typed key by key into the file dialog, then Enter, as a user does.
    void NextTyped(const QString& name) { answers_.push_back({name, true}); }
    std::vector<Box> boxes;
    int unanswered = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(object);
        if (event->type() != QEvent::Show || dialog == nullptr || !dialog->isModal()) return false;
        AnswerLater(dialog);
        return false;
    }

private:
    struct Answer {
        QString text;
        bool typed = false;
    };
    void AnswerLater(QDialog* dialog) {
        Answer answer;
        if (answers_.empty())
            ++unanswered;
        else
            answer = answers_.front(), answers_.pop_front();
        QPointer<QDialog> target(dialog);
        QTimer::singleShot(0, dialog, [this, target, answer] {
            if (target) Give(target, answer);
        });
    }
    void Give(QDialog* dialog, const Answer& answer) {
        Box box{dialog->windowTitle(),
                {},
                dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString()};
        if (auto* message = qobject_cast<QMessageBox*>(dialog)) {
            box.text = message->text();
            box.icon = message->icon();
        }
        boxes.push_back(box);
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            if (answer.text == "cancel" || answer.text.isEmpty()) return files->reject();
            if (answer.typed) {
                TypeName(*files, answer.text);
            } else {
                // Put into the name box, as a user would.
                if (auto* name = files->findChild<QLineEdit*>("fileNameEdit"))
                    name->setText(answer.text);
                else
                    files->selectFile(answer.text);
                static_cast<QDialog*>(files)->accept();
            }
            if (files->isVisible()) AnswerLater(files);
            return;
        }
        for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
            if (!answer.text.isEmpty() && button->text().remove('&') == answer.text)
                return button->click();
        ADD_FAILURE() << "no button " << answer.text.toStdString() << " in "
                      << box.title.toStdString();
        dialog->reject();
    }
    // Through the dialog's window, once its folder is listed: the name field then offers its
    // completions in a list of its own, which takes the keys while it shows.
    static void TypeName(QFileDialog& files, const QString& name) {
        auto* model = files.findChild<QFileSystemModel*>();
        ASSERT_TRUE(model);
        const QModelIndex folder = model->index(files.directory().absolutePath());
        QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
        while (model->rowCount(folder) == 0 && inserted.wait(60000)) {
        }
        ASSERT_TRUE(QTest::qWaitFor([&files] { return QApplication::activeWindow() == &files; }));
        for (QChar c : name) {
            QTest::keyClick(files.windowHandle(), c.toLatin1());
            QApplication::processEvents();
        }
        EXPECT_NE(QApplication::activePopupWidget(), nullptr) << "no completions offered";
        QTest::keyClick(files.windowHandle(), Qt::Key_Return);
    }
    std::deque<Answer> answers_;
};

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        previousBeep_ = SetBeepHook([this] { ++beeps; });
    }
    void TearDown() override {
        form.reset();
        SetBeepHook(previousBeep_);
        EXPECT_EQ(answers.unanswered, 0);
        // QTest keeps the buttons it pressed for the whole process: one left down turns every
        // later test's pointer moves into drags.
        EXPECT_EQ(QTestPrivate::qtestMouseButtons, Qt::NoButton);
    }
    void Start(const std::string& library = lang::kLanguageLibraryFile) {
        form = std::make_unique<TMainForm>(EditorOptions{library});
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        Grid()->setFocus();
    }
    TMyStringGrid* Grid() const { return form->PluGrid(); }
    std::string Cell(int row, int column) const {
        return Grid()->Model()->Sheet().Cell(row, column);
    }
    void Go(int column, int row) {
        ASSERT_TRUE(Grid()->MoveTo(column, row));
        Grid()->setFocus();
    }
    // Keys go to whatever widget has the focus, through the window and its shortcuts. A closed
    // box gives the activation back, as a window manager would.
    void Activate(QWidget* window = nullptr) {
        if (window == nullptr) window = form.get();
        if (QApplication::activeWindow() != window) {
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        }
    }
    void Type(const QString& text) {
        for (QChar c : text) {
            Activate();
            QTest::keyClick(static_cast<QWidget*>(nullptr), c.toLatin1());
        }
    }
    // A character without a key of its own, as a keyboard layout gives it.
    void TypeChar(const QString& character) {
        Activate();
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, character,
                            Qt::NoModifier);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Activate();
        QTest::keyClick(static_cast<QWidget*>(nullptr), key, mods);
    }
    QAction* Action(const char* name) const { return form->findChild<QAction*>(name); }
    TToolbarButton* Button(const char* name) const {
        return form->findChild<TToolbarButton*>(name);
    }
    TToolbar* Bar(const char* name) const { return form->findChild<TToolbar*>(name); }
    std::string Controls(const char* bar) const {
        QStringList names;
        for (QWidget* control : Bar(bar)->OrderedControls()) names << control->objectName();
        return names.join(' ').toStdString();
    }
    // The pointer as the platform moves it: events go to the window under it, else the form's.
    static QWindow* WindowAt(QPoint global, QWidget* fallback) {
        QWidget* top = QApplication::topLevelAt(global);
        return (top && top->windowHandle() ? top : fallback)->windowHandle();
    }
    void MoveTo(QPoint global, QWidget* fallback = nullptr) {
        QWindow* window = WindowAt(global, fallback ? fallback : form.get());
        QTest::mouseMove(window, window->mapFromGlobal(global));
    }
    void Click(QWidget* widget) {
        QWidget* top = widget->window();
        Activate(top);
        const QPoint global = widget->mapToGlobal(widget->rect().center());
        MoveTo(global, top);
        QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {},
                          top->windowHandle()->mapFromGlobal(global));
    }
    // Takes a bar by its handle and drops it with the pointer at `to`.
    void Drag(TToolbar* bar, QPoint to) {
        const QPoint from = bar->mapToGlobal(QPoint(5, bar->height() / 2));
        QTest::mousePress(WindowAt(from, form.get()), Qt::LeftButton, {},
                          WindowAt(from, form.get())->mapFromGlobal(from));
        MoveTo(to);
        QWindow* window = WindowAt(to, form.get());
        QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(to));
        QApplication::processEvents();
    }
    std::string Current() const {
        return std::to_string(Grid()->Col()) + "," + std::to_string(Grid()->Row()) +
               (Grid()->Editing() ? " editing" : "");
    }
    QString Title(int column) const {
        return Grid()->Model()->headerData(column - 1, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    void Load(const std::string& content) {
        WriteBytes(dir.path() / "items.PLU", content);
        ASSERT_TRUE(form->OpenPluFile("items.PLU"));
    }

    test::TempDir dir{"itemeditor", true};
    Answerer answers;
    std::unique_ptr<TMainForm> form;
    int beeps = 0;

private:
    std::function<void()> previousBeep_;
    editcontrols::ScopedLocale locale_{editcontrols::CLocaleInfo()};
};

TEST_F(Editor, StartWithAndWithoutFileAndLibrary) {
    Start();
    EXPECT_EQ(form->windowTitle(), "PLU Editor");
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(Cell(1, 1), "");
    EXPECT_EQ(form->findChild<QMenu*>("File1")->title(), "&File");
    EXPECT_EQ(Action("FileSaveAs1")->text(), "Save &As...");
    EXPECT_EQ(Action("FileSaveAs1")->shortcut(), QKeySequence("Ctrl+A"));
    EXPECT_EQ(Action("CutItem")->statusTip(), "Cuts the selection and puts it on the Clipboard");
    EXPECT_EQ(Action("CutItem")->toolTip(), "Cut");
    EXPECT_EQ(Action("InsertAc")->statusTip(), "Insert");
    EXPECT_EQ(form->SearchCB()->itemText(0), "Seq No.");
    EXPECT_EQ(form->SearchCB()->currentIndex(), -1);
    EXPECT_EQ(Title(kTaxColumn), "TAX. NO.");

    // The toolbars: both in the top dock, the main bar first; glyph-only buttons with our
    // glyphs (normal and disabled) bound to the actions; hints as tool tips, their long part in
    // the status bar.
    EXPECT_EQ(Bar("MainToolbar")->DockedTo(), form->TopDock());
    EXPECT_EQ(Bar("SearchToolbar")->DockedTo(), form->TopDock());
    EXPECT_GT(Bar("SearchToolbar")->x(), Bar("MainToolbar")->geometry().right());
    EXPECT_EQ(Controls("MainToolbar"), "ToolbarButton1 OpenBtn SaveBtn ToolbarSep2 ExitBtn");
    EXPECT_EQ(Controls("SearchToolbar"), "SearchCB SearchEdit SearchBtn");
    const std::pair<const char*, const char*> bound[] = {{"ToolbarButton1", "FileNew1"},
                                                         {"OpenBtn", "FileOpen1"},
                                                         {"SaveBtn", "FileSave1"},
                                                         {"ExitBtn", "FileExit1"},
                                                         {"SearchBtn", "SearchAc"}};
    QSet<QRgb> centres;
    for (const auto& [button, action] : bound) {
        EXPECT_EQ(Button(button)->Action(), Action(action)) << button;
        EXPECT_EQ(Button(button)->DisplayMode(), toolbars::dmGlyphOnly) << button;
        EXPECT_FALSE(Button(button)->Opaque()) << button;
        EXPECT_EQ(Button(button)->Glyph().size(), QSize(32, 16)) << button;
        EXPECT_EQ(Button(button)->NumGlyphs(), 2) << button;
        EXPECT_EQ(Button(button)->size(), QSize(23, 22)) << button;
        centres << Button(button)->grab().toImage().pixel(11, 11);
    }
    EXPECT_EQ(centres.size(), 5) << "five different pictures";
    EXPECT_EQ(Button("ExitBtn")->toolTip(), "Exit");
    EXPECT_EQ(Button("SaveBtn")->statusTip(), "Save current file");
    MoveTo(Button("OpenBtn")->mapToGlobal(QPoint(10, 10)));
    EXPECT_EQ(form->statusBar()->currentMessage(), "Open a file");
    MoveTo(Button("SearchBtn")->mapToGlobal(QPoint(10, 10)));
    EXPECT_EQ(form->statusBar()->currentMessage(), "Find");
    // They dock at the top or bottom only: to a bottom dock of the form they go, to a left
    // dock they float instead.
    TToolbar* main = Bar("MainToolbar");
    auto* bottom = new toolbars::TDock(form->centralWidget());
    bottom->SetPosition(toolbars::dpBottom);
    bottom->setGeometry(0, 500, 600, 0);
    bottom->show();
    Drag(main, bottom->mapToGlobal(QPoint(300, 0)));
    EXPECT_EQ(main->DockedTo(), bottom);
    EXPECT_EQ(bottom->height(), main->height());
    auto* left = new toolbars::TDock(form->centralWidget());
    left->SetPosition(toolbars::dpLeft);
    left->setGeometry(0, 100, 0, 300);
    left->show();
    Drag(main, left->mapToGlobal(QPoint(1, 150)));
    EXPECT_TRUE(main->Floating());
    EXPECT_EQ(left->BarList().size(), 0u);
    delete left;
    Drag(Bar("SearchToolbar"), bottom->mapToGlobal(QPoint(300, 0)));
    Drag(main, form->TopDock()->mapToGlobal(QPoint(300, 2)));
    EXPECT_EQ(main->DockedTo(), form->TopDock());
    EXPECT_EQ(Bar("SearchToolbar")->DockedTo(), bottom);
    Drag(Bar("SearchToolbar"), form->TopDock()->mapToGlobal(QPoint(300, 2)));
    EXPECT_EQ(Bar("SearchToolbar")->DockedTo(), form->TopDock());
    delete bottom;

    // Cells are as high as the font's lines plus 4, as wide as their digits or title plus 4;
    // each section adds its grid line.
    const QFontMetrics metrics(Grid()->font());
    EXPECT_EQ(Grid()->rowHeight(0), metrics.height() + metrics.leading() + 5);
    EXPECT_EQ(Grid()->columnWidth(kNameColumn - 1), metrics.horizontalAdvance('0') * 32 + 5);
    EXPECT_EQ(Grid()->columnWidth(kTaxColumn - 1),
              std::max(metrics.horizontalAdvance('0') * 2, metrics.horizontalAdvance("TAX. NO.")) +
                  5);
    form.reset();

    WriteBytes("DEFAULT.PLU", "Cola\t123\tBTL\t1.50\t1\t10\r\n");
    Start();
    EXPECT_EQ(form->windowTitle(),
              "PLU Editor~[" + QDir::current().absoluteFilePath("DEFAULT.PLU") + "]");
    EXPECT_EQ(Cell(1, kPriceColumn), "1.50");
    EXPECT_FALSE(form->Modified());
    form.reset();

    // The marked library: its texts, an omitted caption comes out empty.
    Start(peltrane::testmodule::kFile);
    EXPECT_EQ(form->windowTitle(), "~[" + QDir::current().absoluteFilePath("DEFAULT.PLU") + "]");
    EXPECT_EQ(form->findChild<QMenu*>("Edit1")->title(), "[11396] &Edit");
    EXPECT_EQ(Action("DeleteAc")->text(), "[11401] Delete");
    EXPECT_EQ(Action("HelpAbout1")->toolTip(), "[11423] About");
    EXPECT_EQ(form->SearchCB()->itemText(2), "[11382] BARCODE");
    EXPECT_EQ(Title(kNameColumn), "[11381] PLU NAME");
    EXPECT_EQ(Button("ToolbarButton1")->toolTip(), "[11411] New");
    EXPECT_EQ(Button("OpenBtn")->statusTip(), "Open a file");
    EXPECT_EQ(Button("SaveBtn")->toolTip(), "[11413] Save");
    EXPECT_EQ(Button("ExitBtn")->toolTip(), "[11415] Exit");
    EXPECT_EQ(Button("SearchBtn")->toolTip(), "[11424] Find");
    form.reset();
    EXPECT_TRUE(answers.boxes.empty());

    answers.Next({"OK"});
    Start("libpeltrane_missing.so");
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].title, "Error");
    EXPECT_EQ(answers.boxes[0].text, "Can not load Peltrane.dll");
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(form->findChild<QMenu*>("Help1")->title(), "&Help");
    EXPECT_EQ(form->SearchCB()->itemText(0), "Seq. No.");
    EXPECT_TRUE(form->windowTitle().startsWith("PLU Editor~["));
}

TEST_F(Editor, TypingAndTheCellRules) {
    Start();
    Go(kPriceColumn, 1);
    Type("12.5");
    EXPECT_EQ(Current(), "4,1 editing");
    Key(Qt::Key_Return);
    EXPECT_EQ(Cell(1, kPriceColumn), "12.50");
    EXPECT_EQ(Current(), "5,1");
    EXPECT_TRUE(form->Modified());

    // A barcode rewritten, then found twice.
    Go(kBarcodeColumn, 3);
    Type("7\r");
    Go(kBarcodeColumn, 9);
    answers.Next({"OK"});
    Type("007\r");
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "Error: BARCODE ARE DUPLICATED.(Seq. No. : 3,9)");
    EXPECT_EQ(answers.boxes[0].title, QApplication::applicationName());
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(Cell(9, kBarcodeColumn), "7");
    EXPECT_EQ(Current(), "2,9 editing");
    EXPECT_EQ(beeps, 0);
    Type("1\r"); // the editor shows the rewritten text: 71
    EXPECT_EQ(Cell(9, kBarcodeColumn), "71");

    // Names: the first occurrence passes, the later row fails; the title is no name.
    Go(kNameColumn, 8);
    Type("abc\r");
    Go(kNameColumn, 2);
    Type("ABC\r");
    EXPECT_EQ(Current(), "2,2");
    Go(kNameColumn, 8);
    answers.Next({"OK"});
    Key(Qt::Key_F2); // the editor opens with its text selected
    Key(Qt::Key_Return);
    EXPECT_EQ(answers.boxes.back().text, "Error: PLU NAME ARE DUPLICATED.(Seq. No. : 2,8)");
    answers.Next({"OK"});
    EXPECT_FALSE(Grid()->MoveTo(kNameColumn, 2)); // the move checks row 8 again
    EXPECT_EQ(Current(), "1,8 editing");
    Key(Qt::Key_End);
    Type("d\r");
    EXPECT_EQ(Cell(8, kNameColumn), "abcd");
    Go(kNameColumn, 60);
    Type("plu name\r");
    EXPECT_EQ(Current(), "2,60");

    // QTY: 1e3 is no integer; the failed cell holds the cursor against keys and the mouse.
    Go(kQtyColumn, 4);
    Type("1e3\r");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(Current(), "6,4 editing");
    Key(Qt::Key_Down);
    const QRect other = Grid()->visualRect(Grid()->Model()->index(5, 0));
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, other.center());
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(Current(), "6,4 editing");
    for (int i = 0; i < 3; ++i) Key(Qt::Key_Backspace);
    Type("-5\r");
    EXPECT_EQ(Cell(4, kQtyColumn), "-5");

    // PRICE keys: ten characters, then refused; a second separator refused; a rewrite longer
    // than the column fails where it is made.
    Go(kPriceColumn, 5);
    Type("12345678901");
    EXPECT_EQ(Grid()->Editor()->text(), "1234567890");
    Key(Qt::Key_Return);
    EXPECT_EQ(Current(), "4,5 editing");
    EXPECT_EQ(beeps, 4);
    Grid()->Editor()->selectAll();
    Type("1.2.3\r");
    EXPECT_EQ(Cell(5, kPriceColumn), "1.23");
    Go(kPriceColumn, 7);
    Type("12345678\r");
    EXPECT_EQ(Current(), "4,7 editing");
    EXPECT_EQ(Cell(7, kPriceColumn), "12345678");
    Grid()->Editor()->selectAll();
    Type("9999999.99\r");
    EXPECT_EQ(Current(), "5,7");

    // The edges of the table: Up in row 1, Down in row 5000, Enter in the last cell.
    Go(kUnitColumn, 1);
    Key(Qt::Key_F2);
    Type("BOX");
    Key(Qt::Key_Up);
    EXPECT_EQ(Current(), "3,1");
    EXPECT_EQ(Cell(1, kUnitColumn), "BOX");
    Go(kUnitColumn, kRows);
    Type("KG");
    Key(Qt::Key_Down);
    EXPECT_EQ(Current(), "3,5000");
    Go(kQtyColumn, kRows);
    Type("3\r");
    EXPECT_EQ(Current(), "6,5000");
    Go(kTaxColumn, kRows - 1);
    Type("A1");
    Key(Qt::Key_Down);
    EXPECT_EQ(Current(), "5,5000");

    // Delete clears a selected block, but edits text in the cell editor.
    Go(kNameColumn, 1);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Grid()->Selection(), (CellRect{1, 1, 2, 2}));
    Key(Qt::Key_Delete);
    EXPECT_EQ(Cell(2, kNameColumn) + Cell(2, kBarcodeColumn), "");
    EXPECT_EQ(Cell(1, kPriceColumn), "12.50");
    Go(kNameColumn, 50);
    Type("abc");
    Key(Qt::Key_Left);
    Key(Qt::Key_Delete);
    Key(Qt::Key_Return);
    EXPECT_EQ(Cell(50, kNameColumn), "ab");

    // Typing over a cell replaces it; a double click edits it in place.
    Go(kNameColumn, 50);
    Type("X\r");
    EXPECT_EQ(Cell(50, kNameColumn), "X");
    Go(kNameColumn, 50);
    const QRect cell = Grid()->visualRect(Grid()->Model()->index(49, 0));
    QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(Grid()->viewport(), Qt::LeftButton, {}, cell.center());
    Key(Qt::Key_End);
    Type("Y\r");
    EXPECT_EQ(Cell(50, kNameColumn), "XY");

    // A comma locale: the comma is the separator, the point is refused.
    editcontrols::LocaleInfo comma = editcontrols::CLocaleInfo();
    comma.decimalSeparator = ",";
    comma.thousandSeparator = ".";
    editcontrols::ScopedLocale scoped(comma);
    Go(kPriceColumn, 70);
    Type("12,5\r");
    EXPECT_EQ(Cell(70, kPriceColumn), "12,50");
    Go(kPriceColumn, 71);
    Type("12.5\r");
    EXPECT_EQ(Cell(71, kPriceColumn), "125,00");
    EXPECT_EQ(beeps, 5);
}

// A file saved under a point locale, opened under a comma one: its price is read and written
// back with the comma.
TEST_F(Editor, APriceWithThePointIsSavedWithTheLocalesComma) {
    editcontrols::LocaleInfo comma = editcontrols::CLocaleInfo();
    comma.decimalSeparator = ",";
    comma.thousandSeparator = ".";
    editcontrols::ScopedLocale scoped(comma);
    Start();
    Load("TEA\t12\tpcs\t3.50\tA\t4\r\n");
    Go(kPriceColumn, 1);
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(), "5,1");
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadFile("items.PLU"), "TEA\t12\tpcs\t3,50\tA\t4\r\n");
    EXPECT_EQ(beeps, 0);
}

// With the search bar closed no other control takes the focus: Tab leaves it on the grid, and
// what is typed next still reaches the open cell.
TEST_F(Editor, KeysTypedAfterTabReachTheCell) {
    Start();
    Bar("SearchToolbar")->setVisible(false);
    Go(kNameColumn, 1);
    Type("Teas");
    Key(Qt::Key_Tab);
    Key(Qt::Key_Backspace);
    Type("456\r");
    EXPECT_EQ(Cell(1, kNameColumn), "Tea456");
    EXPECT_EQ(Current(), "2,1");
}

// A double click on a bar's caption docks it back and ends there: the control of the docked bar
// that lands under the pointer sees none of it, and the bar is back where it was.
TEST_F(Editor, ADoubleClickThatDocksABarClicksNothingUnderIt) {
    Start();
    int fired = 0;
    for (const char* action : {"FileNew1", "FileOpen1", "FileSave1", "FileExit1"})
        QObject::connect(Action(action), &QAction::triggered, [&fired] { ++fired; });
    // As a user's: the first click is handled before the second press comes, and each goes to
    // the window under the pointer at that moment.
    auto doubleClick = [this](QPoint global) {
        QWindow* window = WindowAt(global, form.get());
        QTest::mouseClick(window, Qt::LeftButton, {}, window->mapFromGlobal(global));
        // QTest keeps its clicks apart by more than the double-click time.
        QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval;
        window = WindowAt(global, form.get());
        QTest::mousePress(window, Qt::LeftButton, {}, window->mapFromGlobal(global));
        window = WindowAt(global, form.get());
        QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(global));
    };
    auto floatAndDockOver = [&](TToolbar* bar, QWidget* control) {
        const QPoint docked = bar->pos();
        const int x = control->mapToGlobal(QPoint(3, 0)).x();
        doubleClick(bar->mapToGlobal(QPoint(4, bar->height() / 2)));
        ASSERT_TRUE(bar->Floating());
        const QPoint caption(x, bar->mapToGlobal(QPoint(0, bar->contentsRect().top() / 2)).y());
        ASSERT_EQ(bar->HitTest(bar->mapFromGlobal(caption)), toolbars::htClient);
        doubleClick(caption);
        EXPECT_EQ(bar->DockedTo(), form->TopDock());
        EXPECT_EQ(bar->pos(), docked) << control->objectName().toStdString();
    };
    for (const char* button : {"ToolbarButton1", "OpenBtn", "SaveBtn", "ExitBtn"})
        floatAndDockOver(Bar("MainToolbar"), Button(button));
    for (int i = 0; i < 3; ++i) floatAndDockOver(Bar("SearchToolbar"), form->SearchCB());
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->SearchCB()->view()->isVisible());
}

// The current cell is framed under any style, on a plain and on a tinted row.
TEST_F(Editor, TheCurrentCellIsMarkedUnderEveryStyle) {
    Start();
    for (const char* name : {"Fusion", "Windows"}) {
        std::unique_ptr<QStyle> style(QStyleFactory::create(name));
        ASSERT_NE(style, nullptr) << name;
        Grid()->setStyle(style.get());
        for (int row : {1, 2}) {
            const QRect cell = Grid()->visualRect(Grid()->Model()->index(row - 1, 0));
            Go(kNameColumn, row);
            const QImage current = Grid()->viewport()->grab(cell).toImage();
            Go(kBarcodeColumn, row);
            EXPECT_NE(current, Grid()->viewport()->grab(cell).toImage()) << name << " " << row;
        }
        Grid()->setStyle(nullptr);
    }
}

// Under ISO-8859-1 (the charset of the C locale, as of the UTF-8 ones) the euro sign has no byte:
// typed into a cell or the search text it is refused with a beep, pasted it is refused whole.
TEST_F(Editor, CharactersTheCharsetLacksAreRefused) {
    const test::ScopedCtype latin1("C");
    ASSERT_TRUE(latin1.ok());
    Start();
    Load("Tea\t1\r\n");
    Go(kNameColumn, 1);
    TypeChar("\u20AC"); // over the cell
    EXPECT_EQ(Current(), "1,1");
    Key(Qt::Key_F2);
    Key(Qt::Key_End);
    TypeChar("\u20AC"); // into its editor
    Type("s\r");
    EXPECT_EQ(Cell(1, kNameColumn), "Teas");
    EXPECT_EQ(beeps, 2);

    QApplication::clipboard()->setText("x\ty\r\nz\tw\u20ACv");
    Go(kNameColumn, 1);
    answers.Next({"OK"});
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "Paste refused: the character \"\u20AC\" (U+20AC) has no code "
                                     "in the 8-bit character set");
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(Cell(1, 1) + "|" + Cell(1, 2) + "|" + Cell(2, 1), "Teas|1|");

    form->SearchEdit()->setFocus();
    Type("T");
    TypeChar("\u20AC");
    answers.Next({"OK"});
    Key(Qt::Key_V, Qt::ControlModifier);
    // The edit's own menu pastes through the same check.
    const QPoint inside(5, 5);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, inside,
                              form->SearchEdit()->mapToGlobal(inside));
    QApplication::sendEvent(form->SearchEdit(), &menuKey);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    answers.Next({"OK"});
    for (QAction* action : menu->actions())
        if (action->text().startsWith("&Paste")) action->trigger();
    menu->close();
    EXPECT_EQ(form->SearchEdit()->text(), "T");
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(answers.boxes.size(), 3u);
}

// Under a single-byte locale whose charset holds the euro sign, it is stored as its byte.
TEST_F(Editor, ACharacterTheLocaleCharsetHoldsIsStoredAsItsByte) {
    const fs::path made = dir.path() / "locales" / "en_US.ISO-8859-15";
    fs::create_directories(made.parent_path());
    if (pid_t localedef = Spawn({"localedef", "-i", "en_US", "-f", "ISO-8859-15", made.string()});
        localedef > 0)
        WaitFor(localedef);
    if (!fs::exists(made / "LC_CTYPE"))
        GTEST_SKIP() << "no ISO-8859-15 locale: localedef or the locale sources are missing";
    const test::ScopedCtype latin9("en_US.ISO-8859-15", made.parent_path());
    ASSERT_TRUE(latin9.ok());
    Start();
    Go(kNameColumn, 1);
    TypeChar("\u20AC");
    Key(Qt::Key_Return);
    EXPECT_EQ(Cell(1, kNameColumn), "\xA4");
    EXPECT_EQ(beeps, 0);
}

TEST_F(Editor, ClipboardBlocksAndSavedFields) {
    Start();
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText("11\t12\r\n13\t14");
    Go(kNameColumn, 1);
    Key(Qt::Key_V, Qt::ControlModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    clipboard->clear();
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text().toStdString(), "11\t12\r\n13\t14");
    Go(kUnitColumn, 10);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Cell(10, 3) + Cell(10, 4) + Cell(11, 3) + Cell(11, 4), "11121314");

    clipboard->setText("p\tq\tr\r\ns\tt\tu");
    Go(kTaxColumn, 20);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Cell(20, 5) + Cell(20, 6) + Cell(21, 5) + Cell(21, 6), "pqst");
    EXPECT_EQ(Cell(21, 4), "");

    // Ctrl+V in the cell editor pastes into the grid; a final line end empties nothing;
    // control characters become blanks.
    Go(kNameColumn, 31);
    Type("keep\r");
    Go(kNameColumn, 30);
    Type("zz");
    clipboard->setText("w\x1Ax\tv\x01y\r\n");
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Current(), "1,30");
    EXPECT_EQ(Cell(30, 1) + "|" + Cell(30, 2) + "|" + Cell(31, 1), "w x|v y|keep");
    Go(kUnitColumn, 30);
    Key(Qt::Key_F2);
    Grid()->Editor()->setText("t\tx"); // as the editor's own menu would paste it
    Key(Qt::Key_Return);
    EXPECT_EQ(Cell(30, kUnitColumn), "t x");
    // Cut empties the block and puts it on the clipboard.
    Go(kNameColumn, 20);
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "");
    Go(kTaxColumn, 21);
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "s");
    EXPECT_EQ(Cell(21, kTaxColumn), "");

    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadFile("DEFAULT.PLU"), "11\t12\t\t\t\t\r\n"
                                       "13\t14\t\t\t\t\r\n"
                                       "w x\tv y\tt x\t\t\t\r\n"
                                       "keep\t\t\t\t\t\r\n");
    EXPECT_FALSE(form->Modified());
    EXPECT_EQ(form->FileName(), "DEFAULT.PLU");
    EXPECT_EQ(form->windowTitle(), "PLU Editor");
}

// A cell shows the start of a field far longer than any column; the file keeps all of it.
TEST_F(Editor, AVeryLongFieldIsDrawnAndSavedWhole) {
    Start();
    const std::string content =
        "Cola\t1\t\t\t\t\r\n" + std::string(100000, 'N') + "\t2\tPCS\t1.50\t1\t10\r\n";
    Load(content);
    Grid()->viewport()->grab();
    Key(Qt::Key_S, Qt::ControlModifier);
    const std::string saved = ReadFile("items.PLU");
    EXPECT_TRUE(saved == content) << saved.size() << " bytes";
}

// A field of megabytes is copied by the read and into its cell, and no more on its way to the
// grid: each copy more cost a large file's open a share of a second, on a busy machine seconds.
TEST_F(Editor, AVeryLongFieldIsCopiedOnlyByTheReadAndIntoItsCell) {
    Start();
    const std::size_t size = std::size_t{8} << 20;
    WriteBytes(dir.path() / "long.PLU", std::string(size, 'N') + "\t1\tPCS\t1.00\t1\t1\r\n");
    gLargeBytes = 0;
    gCountFrom = size / 2;
    const bool opened = form->OpenPluFile("long.PLU");
    form->repaint();
    gCountFrom = 0;
    ASSERT_TRUE(opened);
    EXPECT_EQ(Cell(1, kNameColumn).size(), size);
    EXPECT_LE(gLargeBytes, 2 * size + 64) << "copies: " << gLargeBytes / size;
}

// The table takes 5000 lines: a longer file opens with them and a box saying a save keeps only
// those; a file of 5000 lines opens without one.
TEST_F(Editor, AFileLongerThanTheTableOpensWithAWarning) {
    Start(peltrane::testmodule::kFile);
    std::string content;
    for (int i = 1; i <= kRows + 3; ++i) content += "item" + std::to_string(i) + "\r\n";
    answers.Next({"OK"});
    Load(content);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "[11434] The file has more lines than the table takes. "
                                     "Saving will keep only the first 5000.");
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(Cell(kRows, kNameColumn), "item5000");
    EXPECT_FALSE(form->Modified());
    Load(content.substr(0, content.find("item5001")));
    EXPECT_EQ(answers.boxes.size(), 1u);
}

TEST_F(Editor, RowsAndSearch) {
    Start();
    std::string content;
    for (int i = 1; i <= 12; ++i)
        content += (i == 2 || i == 9 ? "Cola " : "Item ") + std::to_string(i) + "\t50" +
                   std::to_string(i) + "\r\n";
    Load(content);
    Go(kUnitColumn, 10);
    Key(Qt::Key_Insert);
    EXPECT_EQ(Current(), "1,10");
    EXPECT_EQ(Cell(10, 1) + "|" + Cell(11, 1) + "|" + Cell(13, 1), "|Item 10|Item 12");
    EXPECT_TRUE(form->Modified());
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Current(), "1,10");
    EXPECT_EQ(Cell(10, 1) + "|" + Cell(12, 1) + "|" + Cell(13, 1), "Item 10|Item 12|");

    Grid()->Model()->SetCellText(kRows, kNameColumn, "full");
    answers.Next({"OK"});
    Key(Qt::Key_Insert);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "PLU Count Beyond Limitation,Insert Failed!");
    EXPECT_EQ(answers.boxes[0].title, "Error");
    EXPECT_EQ(Cell(10, 1) + "|" + Cell(kRows, 1), "Item 10|full");

    // Names wrap from the current row; exact case; nothing found is reported.
    form->SearchCB()->setCurrentIndex(1);
    form->SearchEdit()->setText("Cola");
    Go(kBarcodeColumn, 5);
    Click(Button("SearchBtn"));
    EXPECT_EQ(Current(), "2,9");
    Action("SearchAc")->trigger();
    EXPECT_EQ(Current(), "2,2");
    form->SearchEdit()->setText("cola");
    answers.Next({"OK"});
    Action("SearchAc")->trigger();
    EXPECT_EQ(answers.boxes.back().text, "Search Failed,found nothting!");
    EXPECT_EQ(answers.boxes.back().title, "Warning");
    EXPECT_EQ(Current(), "2,2");

    // Sequence numbers: in range only, no box otherwise.
    form->SearchCB()->setCurrentIndex(0);
    for (const char* number : {"0", "6000", "x"}) {
        form->SearchEdit()->setText(number);
        Action("SearchAc")->trigger();
        EXPECT_EQ(Current(), "2,2") << number;
    }
    // No mode searches barcodes; Enter in the search edit runs the search.
    form->SearchCB()->setCurrentIndex(-1);
    form->SearchEdit()->clear();
    form->SearchEdit()->setFocus();
    Type("507\r");
    EXPECT_EQ(Current(), "2,7");
    // The text being typed is the cell's: the search finds it in the current row, last.
    Go(kBarcodeColumn, 40);
    Type("777");
    form->SearchEdit()->setText("777");
    Click(Button("SearchBtn"));
    EXPECT_EQ(Current(), "2,40 editing");
    EXPECT_EQ(answers.boxes.size(), 2u);

    // Leaving a failing cell for the search edit brings the focus back to it.
    Go(kQtyColumn, 3);
    Type("x1");
    form->SearchEdit()->setFocus();
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(QApplication::focusWidget(), Grid()->Editor());
    form->SearchEdit()->setText("4999");
    form->SearchCB()->setCurrentIndex(0);
    Click(Button("SearchBtn")); // the move is vetoed by the same check
    EXPECT_EQ(Current(), "6,3 editing");
    EXPECT_EQ(beeps, 2);
}

// The box of a failed search started from the floating search bar gives the keyboard back to the
// search field when it closes, as it does with the bar docked.
TEST_F(Editor, AFailedSearchFromTheFloatingBarLeavesTheKeysInItsField) {
    Start();
    Load("BREAD\t123\r\n");
    Go(kNameColumn, 1);
    TToolbar* bar = Bar("SearchToolbar");
    bar->SetDockedTo(nullptr);
    QApplication::processEvents();
    ASSERT_TRUE(bar->isVisible());
    QLineEdit* field = form->SearchEdit();
    QTest::mouseClick(bar->windowHandle(), Qt::LeftButton, {},
                      field->mapTo(bar, field->rect().center()));
    ASSERT_EQ(QApplication::focusWidget(), field);
    // Keys go to whatever has the focus, with no window activated on the way.
    QWidget* const focused = nullptr;
    answers.Next({"OK"});
    QTest::keyClick(focused, 'Q');
    QTest::keyClick(focused, Qt::Key_Return);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].title, "Warning");
    // The window manager gives the activation back to the box's parent, the form.
    Activate();
    QApplication::processEvents();
    QTest::keyClick(focused, 'Q');
    EXPECT_EQ(field->text(), "QQ");
    EXPECT_EQ(Cell(1, kNameColumn), "BREAD");
    EXPECT_FALSE(Grid()->Editing());
}

TEST_F(Editor, FilesAndTheSaveQuestion) {
    fs::create_directory("DEFAULT.PLU");
    answers.Next({"OK"});
    Start();
    // A file that cannot be read at start: its error, nothing else changes.
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(answers.boxes[0].text.contains("DEFAULT.PLU"))
        << answers.boxes[0].text.toStdString();
    EXPECT_EQ(form->windowTitle(), "PLU Editor");
    EXPECT_EQ(form->FileName(), "");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    Load("Cola\t1\r\nTea\t2\r\n");
    const QString title = form->windowTitle();
    Grid()->Model()->SetCellText(3, 1, "Milk");
    Key(Qt::Key_F2);
    Key(Qt::Key_Return);
    EXPECT_TRUE(form->Modified());
    answers.Next({"OK"});
    EXPECT_FALSE(form->OpenPluFile("DEFAULT.PLU"));
    EXPECT_EQ(Cell(3, 1), "Milk");
    EXPECT_EQ(form->windowTitle(), title);
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Save fails for lack of room: the old file stays as it was, so do flag and caption.
    const std::string old = ReadFile("items.PLU");
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    // As the program does from its start; put back below for the tests that follow.
    const auto previousDisposition = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 8;
    setrlimit(RLIMIT_FSIZE, &tiny);
    answers.Next({"OK"});
    Key(Qt::Key_S, Qt::ControlModifier);
    // The save question's Yes goes on only when the file was written.
    answers.Next({"Yes", "OK"});
    EXPECT_FALSE(form->close());
    // Save As keeps the old name when its write fails.
    answers.Next({(dir.path() / "other.PLU").c_str(), "OK"});
    Action("FileSaveAs1")->trigger();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousDisposition);
    ASSERT_EQ(answers.boxes.size(), 7u);
    for (int i : {2, 4, 6}) EXPECT_TRUE(answers.boxes[i].text.contains("items.PLU") == (i < 6));
    EXPECT_EQ(answers.boxes[3].text, "PLU Content Has Been Changed,Save or Not?");
    EXPECT_EQ(answers.boxes[3].title, "Warning");
    EXPECT_EQ(answers.boxes[3].icon, QMessageBox::Warning);
    EXPECT_EQ(ReadFile("items.PLU"), old);
    EXPECT_FALSE(fs::exists("other.PLU"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(form->windowTitle(), title);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The cell being edited is checked before a save: a duplicate, then a bad number.
    Go(kNameColumn, 4);
    Type("tea");
    answers.Next({"OK"});
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(answers.boxes.back().text, "Error: PLU NAME ARE DUPLICATED.(Seq. No. : 2,4)");
    Key(Qt::Key_Backspace);
    Go(kQtyColumn, 4);
    Type("1.5");
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(ReadFile("items.PLU"), old);
    answers.Next({"Yes"}); // Yes validates the edited cell too: it fails, the window stays
    EXPECT_FALSE(form->close());
    EXPECT_EQ(beeps, 2);
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Return);
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadFile("items.PLU"),
              "Cola\t1\t\t\t\t\r\nTea\t2\t\t\t\t\r\nMilk\t\t\t\t\t\r\nte\t\t\t\t\t1\r\n");
    EXPECT_FALSE(form->Modified());

    // New, then Save (the toolbar's buttons): DEFAULT.PLU exists (a folder here), so Save As
    // asks; cancelled, the question's Yes does not close.
    Click(Button("ToolbarButton1"));
    EXPECT_EQ(form->windowTitle(), "PLU Editor");
    Go(kNameColumn, 1);
    Type("Pen\r");
    answers.Next({"Yes", "cancel"});
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(Cell(1, 1), "Pen");
    answers.Next({(dir.path() / "pens").c_str()});
    Click(Button("SaveBtn"));
    EXPECT_EQ(ReadFile("pens.PLU"), "Pen\t\t\t\t\t\r\n");
    EXPECT_EQ(form->windowTitle(),
              "PLU Editor~[" + QDir::current().absoluteFilePath("pens.PLU") + "]");
    // Save As over an existing file asks first.
    answers.Next({(dir.path() / "items.PLU").c_str(), "Yes"});
    Action("FileSaveAs1")->trigger();
    EXPECT_EQ(ReadFile("items.PLU"), "Pen\t\t\t\t\t\r\n");
    answers.Next({(dir.path() / "pens.PLU").c_str()});
    Click(Button("OpenBtn"));
    EXPECT_EQ(form->windowTitle(),
              "PLU Editor~[" + QDir::current().absoluteFilePath("pens.PLU") + "]");

    // Cut, then closing asks: Cancel stays, No closes. Exit's own click closes the form, which
    // then deletes itself.
    Key(Qt::Key_X, Qt::ControlModifier);
    answers.Next({"Cancel"});
    EXPECT_FALSE(form->close());
    answers.Next({"Cancel"});
    Click(Button("ExitBtn"));
    EXPECT_TRUE(form->isVisible());
    form->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<TMainForm> closing = form.release();
    answers.Next({"No"});
    Click(closing->findChild<TToolbarButton*>("ExitBtn"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(closing);
    EXPECT_EQ(ReadFile("items.PLU"), "Pen\t\t\t\t\t\r\n");
    EXPECT_EQ(answers.boxes.back().text, "PLU Content Has Been Changed,Save or Not?");
}

TEST_F(Editor, ASaveOverAFileAnotherProgramChangedAsksFirst) {
    Start();
    Load("Cola\t1\tBTL\t1.50\t1\t10\r\n");
    Go(kNameColumn, 2);
    Type("Tea\r");
    // The console sells one meanwhile and writes the new QTY back.
    ASSERT_TRUE(itemfile::AdjustStock("items.PLU", "1", itemfile::StockSign::Add, 1, nullptr).ok());
    const std::string sold = ReadFile("items.PLU");
    answers.Next({"No"});
    Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "The file " + QDir::current().absoluteFilePath("items.PLU") +
                                         " was changed by another program since it was opened. "
                                         "Overwrite it?");
    EXPECT_EQ(ReadFile("items.PLU"), sold);
    EXPECT_TRUE(form->Modified());
    // Through the close question too; Yes there writes the table.
    answers.Next({"Yes", "Yes"});
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadFile("items.PLU"), "Cola\t1\tBTL\t1.50\t1\t10\r\nTea\t\t\t\t\t\r\n");
}

TEST_F(Editor, ANameTypedInTheFileDialogLeavesNothingOnScreen) {
    Start();
    WriteBytes(dir.path() / "DEMO.PLU", "Cola\t1\tBTL\t1.50\t1\t10\r\n");
    answers.NextTyped("DEMO.PLU");
    Key(Qt::Key_O, Qt::ControlModifier);
    // The window manager gives the activation back.
    form->activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(QApplication::activeWindow(), form.get());
    EXPECT_EQ(Cell(1, 1), "Cola");
}

TEST_F(Editor, SaveAsIntoAFolderThatDoesNotExistStaysInTheDialog) {
    Start();
    Load("Cola\t1\tBTL\t1.50\t1\t10\r\n");
    const QString title = form->windowTitle();
    answers.Next({"nosuch/x.PLU", "OK", "cancel"});
    Action("FileSaveAs1")->trigger();
    ASSERT_EQ(answers.boxes.size(), 3u);
    EXPECT_TRUE(answers.boxes[1].text.startsWith(QDir::current().absoluteFilePath("nosuch") +
                                                 "\nDirectory not found."));
    EXPECT_EQ(answers.boxes[1].icon, QMessageBox::Warning);
    EXPECT_EQ(answers.boxes[2].title, answers.boxes[0].title); // the dialog, still open
    EXPECT_FALSE(fs::exists("nosuch"));
    EXPECT_EQ(form->windowTitle(), title);
}

TEST_F(Editor, AboutBoxAndProgramStart) {
    Start();
    TAboutBox* about = form->AboutBox();
    answers.Next({"OK"});
    Action("HelpAbout1")->trigger();
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].title, "About...");
    EXPECT_EQ(answers.boxes[0].focus, "OKButton");
    EXPECT_EQ(about->size(), QSize(382, 260));
    EXPECT_FALSE(about->isVisible());
    QStringList labels;
    for (QLabel* label : about->findChildren<QLabel*>())
        if (!label->text().isEmpty()) labels << label->text() + (label->font().bold() ? "*" : "");
    EXPECT_EQ(labels, QStringList({"PLU EDITOR", "Version 1.00", "2002*", "Build 2002-05-16"}));
    EXPECT_EQ(about->findChild<QLabel*>("ProgramIcon")->pixmap().size(), QSize(240, 180));

    int out = -1;
    const pid_t program =
        Spawn({(QCoreApplication::applicationDirPath() + "/sorvane").toStdString()},
              dir.path().string(), {"QT_QPA_PLATFORM=offscreen", "FPRN_SORVANE_READY=1"}, &out);
    ASSERT_GT(program, 0);
    std::string line;
    char c = 0;
    while (line.size() < 100 && read(out, &c, 1) == 1 && c != '\n') line += c;
    close(out);
    EXPECT_EQ(line, "ready " + std::to_string(program));
    ::kill(program, SIGTERM);
    const int status = WaitFor(program);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}

} // namespace
} // namespace fprn::itemeditor
