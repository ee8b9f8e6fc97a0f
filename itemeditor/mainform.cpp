#include "mainform.h"

#include "charsetguard.h"
#include "dockcontrols.h"
#include "docktoolbar.h"
#include "filedialog.h"
#include "languagetext.h"
#include "programstart.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <csignal>
#include <cstdio>
#include <exception>
#include <unistd.h>

// Resources of a static library must be registered by name from the global namespace.
static void InitEditorGlyphs() {
    Q_INIT_RESOURCE(editorglyphs);
}

namespace fprn::itemeditor {

namespace {

std::function<void()>& BeepHook() {
    static std::function<void()> hook;
    return hook;
}

// Runs a handler; nothing it throws leaves the Qt event that called it.
template <typename F> void Guarded(QWidget* parent, F&& run) {
    try {
        run();
    } catch (const std::exception& e) {
        ShowErrorBox(parent, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowErrorBox(parent, "Unexpected error");
    }
}

int AskBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

std::string FilePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QKeySequence Ctrl(Qt::Key key) {
    return QKeySequence(Qt::CTRL | key);
}

// Menu entries with the language identifiers of their captions and hints.
struct MenuText {
    const char* name;
    std::int32_t caption;
    std::int32_t hint;
};
constexpr MenuText kMenuTexts[] = {
    {"File1", 11390, 11410},     {"FileNew1", 11391, 11411},    {"FileOpen1", 11392, 11412},
    {"FileSave1", 11393, 11413}, {"FileSaveAs1", 11394, 11414}, {"FileExit1", 11395, 11415},
    {"Edit1", 11396, 11416},     {"CutItem", 11397, 11417},     {"CopyItem", 11398, 11418},
    {"PasteItem", 11399, 11419}, {"InsertAc", 11400, 11420},    {"DeleteAc", 11401, 11421},
    {"Help1", 11402, 11422},     {"HelpAbout1", 11403, 11423},
};

// The toolbar buttons: their actions, glyphs and hint texts.
struct ToolButtonEntry {
    const char* name;
    const char* action;
    const char* glyph;
    std::int32_t hint;
    const char* separatorBefore;
};
constexpr ToolButtonEntry kMainButtons[] = {
    {"ToolbarButton1", "FileNew1", ":/itemeditor/NEW.xpm", 11411, nullptr},
    {"OpenBtn", "FileOpen1", ":/itemeditor/OPEN.xpm", 11412, nullptr},
    {"SaveBtn", "FileSave1", ":/itemeditor/SAVE.xpm", 11413, nullptr},
    {"ExitBtn", "FileExit1", ":/itemeditor/EXIT.xpm", 11415, "ToolbarSep2"},
};
constexpr ToolButtonEntry kSearchButton = {"SearchBtn", "SearchAc", ":/itemeditor/FIND.xpm", 11424,
                                           nullptr};

// A toolbar button with its picture alone, flat and transparent on the bar; the glyph strip
// holds the normal and the disabled picture.
toolbars::TToolbarButton* NewGlyphButton(QWidget* bar, const ToolButtonEntry& entry,
                                         QAction* action) {
    auto* button = new toolbars::TToolbarButton(bar);
    button->setObjectName(entry.name);
    button->SetGlyph(QImage(QString::fromLatin1(entry.glyph)));
    button->SetDisplayMode(toolbars::dmGlyphOnly);
    button->SetOpaque(false);
    button->SetAction(action);
    return button;
}

} // namespace

std::function<void()> SetBeepHook(std::function<void()> hook) {
    return std::exchange(BeepHook(), std::move(hook));
}

void Beep() {
    if (BeepHook())
        BeepHook()();
    else
        QApplication::beep();
}

ScopedHourglass::ScopedHourglass() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

ScopedHourglass::~ScopedHourglass() {
    QApplication::restoreOverrideCursor();
}

void ShowErrorBox(QWidget* parent, const QString& message) {
    AskBox(parent, QMessageBox::Critical, QApplication::applicationName(), message, QMessageBox::Ok,
           QMessageBox::Ok);
}

QString ShortHint(const QString& hint) {
    const qsizetype bar = hint.indexOf('|');
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
    const qsizetype bar = hint.indexOf('|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

// ---- construction

TMainForm::TMainForm(const EditorOptions& options, QWidget* parent) : QMainWindow(parent) {
    setObjectName("MainForm");
    for (std::size_t i = 0; i <= kColumns; ++i)
        texts_[i] = QString::fromLatin1(itemfile::kPluColumnTitles[i]);
    texts_[kCaptionText] = "PLU Editor";
    texts_[kSaveQuestionText] = "PLU Content Has Been Changed,Save or Not?";
    texts_[kInsertFailedText] = "PLU Count Beyond Limitation,Insert Failed!";
    texts_[kSearchFailedText] = "Search Failed,found nothting!";
    texts_[kChangedFileText] =
        "The file %s was changed by another program since it was opened. Overwrite it?";
    texts_[kLinesLeftText] =
        "The file has more lines than the table takes. Saving will keep only the first 5000.";

    setWindowTitle("PLU");
    setWindowState(Qt::WindowMaximized);
    QFont font("Times New Roman");
    font.setPixelSize(13);
    setFont(font);

    statusBar_ = statusBar();
    statusBar_->setObjectName("StatusBar");

    // The bars arrange once, when the form is complete.
    toolbars::BeginLoading(this);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    grid_ = new TMyStringGrid(central);
    grid_->setObjectName("PluGrid");
    setCentralWidget(central);

    grid_->OnSelectCell = [this](int c, int r, bool& can) {
        Guarded(this, [&] { PLUGridSelectCell(c, r, can); });
    };
    grid_->OnKeyDown = [this](int& key, Qt::KeyboardModifiers m) {
        Guarded(this, [&] { PLUGridKeyDown(key, m); });
    };
    grid_->OnKeyPress = [this](QChar& key) { Guarded(this, [&] { PLUGridKeyPress(key); }); };
    grid_->OnDblClick = [this] { Guarded(this, [&] { PLUGridDblClick(); }); };
    grid_->OnExit = [this] { Guarded(this, [&] { PLUGridExit(); }); };

    BuildMenu();
    BuildToolbars(layout);
    toolbars::Loaded(this);

    aboutBox_ = new TAboutBox(this);
    openDialog_ = new QFileDialog(this);
    openDialog_->setObjectName("OpenDialog");
    openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    openDialog_->setFileMode(QFileDialog::ExistingFile);
    saveDialog_ = new TSaveDialog(this);
    saveDialog_->setObjectName("SaveDialog");
    for (QFileDialog* dialog : {openDialog_, saveDialog_}) {
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setNameFilter(itemfile::kPluFilter);
        dialog->setDefaultSuffix(itemfile::kPluExtension);
    }

    FormCreate(options);
}

TMainForm::~TMainForm() {
    // The library stays loaded for the process; only the language object goes.
    lang::DropLanguageObject();
}

QAction* TMainForm::AddAction(const char* name, const char* caption, const char* hint,
                              const QKeySequence& shortcut, std::function<void()> run) {
    auto* action = new QAction(QString::fromLatin1(caption), this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    SetHint(action, QString::fromLatin1(hint));
    connect(action, &QAction::triggered, this, [this, run] { Guarded(this, run); });
    addAction(action);
    return action;
}

void TMainForm::BuildMenu() {
    file1_ = menuBar()->addMenu("&File");
    file1_->setObjectName("File1");
    file1_->menuAction()->setObjectName("File1");
    SetHint(file1_->menuAction(), "File related commands");
    file1_->addAction(AddAction("FileNew1", "&New", "New|Create a new file", Ctrl(Qt::Key_N),
                                [this] { FileNew1Execute(); }));
    file1_->addAction(AddAction("FileOpen1", "&Open", "Open|Open a file", Ctrl(Qt::Key_O),
                                [this] { FileOpen1Execute(); }));
    file1_->addAction(AddAction("FileSave1", "&Save", "Save|Save current file", Ctrl(Qt::Key_S),
                                [this] { FileSave1Execute(); }));
    file1_->addAction(AddAction("FileSaveAs1", "Save &As...",
                                "Save As|Save current file with different name", Ctrl(Qt::Key_A),
                                [this] { FileSaveAs1Execute(); }));
    file1_->addSeparator();
    file1_->addAction(AddAction("FileExit1", "E&xit", "Exit|Exit application", {},
                                [this] { FileExit1Execute(); }));

    edit1_ = menuBar()->addMenu("&Edit");
    edit1_->setObjectName("Edit1");
    edit1_->menuAction()->setObjectName("Edit1");
    SetHint(edit1_->menuAction(), "Edit commands");
    edit1_->addAction(AddAction("CutItem", "Cu&t",
                                "Cut|Cuts the selection and puts it on the Clipboard",
                                Ctrl(Qt::Key_X), [this] { EditCut1Execute(); }));
    edit1_->addAction(AddAction("CopyItem", "&Copy",
                                "Copy|Copies the selection and puts it on the Clipboard",
                                Ctrl(Qt::Key_C), [this] { EditCopy1Execute(); }));
    edit1_->addAction(AddAction("PasteItem", "&Paste", "Paste|Inserts Clipboard contents",
                                Ctrl(Qt::Key_V), [this] { EditPaste1Execute(); }));
    edit1_->addSeparator();
    edit1_->addAction(AddAction("InsertAc", "Insert", "Insert", QKeySequence(Qt::Key_Insert),
                                [this] { InsertAcExecute(); }));
    edit1_->addAction(AddAction("DeleteAc", "Delete", "Delete", Ctrl(Qt::Key_Delete),
                                [this] { DeleteAcExecute(); }));

    help1_ = menuBar()->addMenu("&Help");
    help1_->setObjectName("Help1");
    help1_->menuAction()->setObjectName("Help1");
    SetHint(help1_->menuAction(), "Help topics");
    help1_->addAction(AddAction("HelpAbout1", "&About...",
                                "About|Shows the program name, version and build", {},
                                [this] { HelpAbout1Execute(); }));
    AddAction("SearchAc", "Find", "Find", {}, [this] { SearchAcExecute(); });
}

void TMainForm::BuildToolbars(QVBoxLayout* layout) {
    using namespace toolbars;
    InitEditorGlyphs();
    QWidget* central = layout->parentWidget();
    topDock_ = new TDock(central);
    topDock_->setObjectName("TopDock");
    layout->addWidget(topDock_);
    layout->addWidget(grid_, 1);
    constexpr TDockableTo kTopOrBottom = SetBit(dpTop) | SetBit(dpBottom);
    // While the form loads, bars and controls take their order from their positions, as a
    // designed form's would: each is placed after the one before.
    int x = 0;
    const auto place = [&x](QWidget* control) {
        control->move(x, 0);
        x += control->width();
    };

    auto* mainBar = new TToolbar;
    mainBar->setObjectName("MainToolbar");
    mainBar->SetCaption("MainToolbar");
    mainBar->SetDockableTo(kTopOrBottom);
    for (const ToolButtonEntry& entry : kMainButtons) {
        if (entry.separatorBefore) {
            auto* separator = new TToolbarSep(mainBar);
            separator->setObjectName(entry.separatorBefore);
            place(separator);
        }
        place(NewGlyphButton(mainBar, entry, findChild<QAction*>(entry.action)));
    }
    mainBar->SetDockPos(0);
    mainBar->SetParent(topDock_);

    auto* searchBar = new TToolbar;
    searchBar->setObjectName("SearchToolbar");
    searchBar->SetCaption("SearchToolbar");
    searchBar->SetDockableTo(kTopOrBottom);
    searchCB_ = new QComboBox(searchBar);
    searchCB_->setObjectName("SearchCB");
    searchCB_->addItems({"Seq. No.", "PLU Name", "Barcode"});
    searchCB_->setCurrentIndex(-1);
    searchCB_->setFixedSize(110, 22);
    x = 0;
    place(searchCB_);
    searchEdit_ = new QLineEdit(searchBar);
    searchEdit_->setObjectName("SearchEdit");
    searchEdit_->setFixedSize(150, 22);
    searchEdit_->installEventFilter(this);
    lang::GuardCharset(searchEdit_, CharsetRefusalHooks());
    place(searchEdit_);
    place(NewGlyphButton(searchBar, kSearchButton, findChild<QAction*>(kSearchButton.action)));
    // After the main bar: the dock moves it on past the main bar's end.
    searchBar->SetDockPos(1);
    searchBar->SetParent(topDock_);
}

lang::CharsetRefusal TMainForm::CharsetRefusalHooks() {
    return {[] { Beep(); }, [this](const QString& message) { ShowErrorBox(this, message); }};
}

void TMainForm::SetHint(QAction* action, const QString& hint) {
    action->setToolTip(ShortHint(hint));
    action->setStatusTip(LongHint(hint));
}

void TMainForm::FormCreate(const EditorOptions& options) {
    lang::SetLanguageObject(std::make_unique<lang::TBsLocale>());
    if (lang::LanguageObject()->LoadLib(options.languageLibrary)) {
        ApplyLanguageStrings();
    } else {
        AskBox(this, QMessageBox::Critical, "Error", "Can not load Peltrane.dll", QMessageBox::Ok,
               QMessageBox::Ok);
        lang::DropLanguageObject();
    }
    ApplyLanguageStrings();
    setWindowTitle(texts_[kCaptionText]);
}

void TMainForm::ApplyLanguageStrings() {
    if (lang::LanguageObject() == nullptr) return;
    for (int i = 0; i <= kColumns; ++i)
        texts_[static_cast<std::size_t>(i)] = lang::LanguageText(11380 + i);
    texts_[kCaptionText] = lang::LanguageText(11387);
    for (int i = 0; i < 5; ++i)
        texts_[static_cast<std::size_t>(kSaveQuestionText + i)] = lang::LanguageText(11430 + i);
    std::array<QString, kColumns + 1> titles;
    std::copy_n(texts_.begin(), titles.size(), titles.begin());
    grid_->Model()->SetTitles(titles);

    searchCB_->clear();
    searchCB_->addItems({texts_[0], texts_[1], texts_[2]});
    searchCB_->setCurrentIndex(-1);

    for (const MenuText& entry : kMenuTexts) {
        QAction* action = findChild<QAction*>(entry.name);
        if (action == nullptr) continue;
        action->setText(lang::LanguageText(entry.caption));
        SetHint(action, lang::LanguageText(entry.hint));
    }
    for (const ToolButtonEntry& entry : kMainButtons)
        if (auto* button = findChild<toolbars::TToolbarButton*>(entry.name))
            button->SetHint(lang::LanguageText(entry.hint));
    if (auto* find = findChild<toolbars::TToolbarButton*>(kSearchButton.name))
        find->SetHint(lang::LanguageText(kSearchButton.hint));
}

void TMainForm::InitGridColumns() {
    std::array<QString, kColumns + 1> titles;
    std::copy_n(texts_.begin(), titles.size(), titles.begin());
    grid_->SetColumnWidths(titles, kColumnDigits);
}

void TMainForm::FormShow() {
    InitGridColumns();
    if (QFileInfo::exists(itemfile::kDefaultPluFile)) OpenPluFile(itemfile::kDefaultPluFile);
}

void TMainForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shown_) return;
    shown_ = true;
    Guarded(this, [&] { FormShow(); });
}

void TMainForm::closeEvent(QCloseEvent* e) {
    bool close = false;
    Guarded(this, [&] { close = FormCloseQuery(); });
    if (close)
        e->accept();
    else
        e->ignore();
}

bool TMainForm::eventFilter(QObject* object, QEvent* event) {
    if (object == searchEdit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guarded(this, [&] { FindItem(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(object, event);
}

void TMainForm::SetCaption() {
    setWindowTitle(fileName_.isEmpty() ? texts_[kCaptionText]
                                       : texts_[kCaptionText] + "~[" + fileName_ + "]");
}

// ---- file commands

bool TMainForm::FormCloseQuery() {
    return QuerySaveChanges();
}

bool TMainForm::QuerySaveChanges() {
    if (!modified_) return true;
    const int answer =
        AskBox(this, QMessageBox::Warning, "Warning", texts_[kSaveQuestionText],
               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::No) return true;
    if (answer != QMessageBox::Yes) return false;
    // Going on is safe only once the table is in a file.
    return ValidateActiveGrid() && FileSave1Execute();
}

void TMainForm::NewPluFile() {
    ScopedHourglass hourglass;
    SetGridEditing(grid_, false);
    ClearGridCells(grid_);
    fileName_.clear();
    identity_ = {};
    setWindowTitle(texts_[kCaptionText]);
    modified_ = false;
}

bool TMainForm::OpenPluFile(const QString& path) {
    // A scratch table: a file that cannot be read leaves the shown one as it was.
    itemfile::PluTable scratch;
    itemfile::FileIdentity identity;
    itemfile::Status status;
    bool linesLeft = false;
    {
        ScopedHourglass hourglass;
        status = itemfile::ReadPluFile(scratch, FilePath(path), &identity, &linesLeft);
    }
    if (!status.ok() && status.code != itemfile::Status::Code::NotFound) {
        ShowErrorBox(this, QString::fromLocal8Bit(status.message.c_str()));
        return false;
    }
    {
        ScopedHourglass hourglass;
        SetGridEditing(grid_, false);
        grid_->Model()->Edit([&](PluSheet& s) { s.Assign(std::move(scratch)); });
        fileName_ = QFileInfo(path).absoluteFilePath();
        identity_ = identity;
        modified_ = false;
        SetCaption();
    }
    // The lines past the table's last row are not read: said before a save can drop them.
    if (linesLeft)
        AskBox(this, QMessageBox::Warning, "Warning", texts_[kLinesLeftText], QMessageBox::Ok,
               QMessageBox::Ok);
    return true;
}

bool TMainForm::SavePluFile(const QString& path) {
    grid_->CommitEditor();
    const std::string file = FilePath(path);
    const itemfile::PluTable& table = grid_->Model()->Sheet().Table();
    // Over the file the table came from, a change another program made since is not lost
    // without a question.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const bool sameFile =
        !fileName_.isEmpty() && QFileInfo(fileName_).absoluteFilePath() == absolute;
    itemfile::FileIdentity written;
    itemfile::Status status;
    {
        ScopedHourglass hourglass;
        status = itemfile::WritePluFile(table, file, sameFile ? &identity_ : nullptr, &written);
    }
    if (status.code == itemfile::Status::Code::Changed) {
        const QString question = lang::FromCharset(
            lang::FormatLanguageText(lang::ToCharset(texts_[kChangedFileText]),
                                     {lang::FormatArg(lang::ToCharset(absolute))}));
        if (AskBox(this, QMessageBox::Warning, "Warning", question,
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return false;
        ScopedHourglass hourglass;
        status = itemfile::WritePluFile(table, file, nullptr, &written);
    }
    if (!status.ok()) {
        ShowErrorBox(this, QString::fromLocal8Bit(status.message.c_str()));
        return false;
    }
    identity_ = written;
    modified_ = false;
    return true;
}

void TMainForm::FileNew1Execute() {
    if (QuerySaveChanges()) NewPluFile();
}

void TMainForm::FileOpen1Execute() {
    if (!QuerySaveChanges()) return;
    openDialog_->setDirectory(QDir::currentPath());
    const QString chosen = RunFileDialog(*openDialog_);
    if (!chosen.isEmpty()) OpenPluFile(chosen);
}

bool TMainForm::FileSave1Execute() {
    if (!ValidateActiveGrid()) return false;
    QString name = fileName_;
    if (name.isEmpty()) {
        if (QFileInfo::exists(itemfile::kDefaultPluFile)) return FileSaveAs1Execute();
        name = itemfile::kDefaultPluFile;
    }
    if (!SavePluFile(name)) return false;
    fileName_ = name;
    return true;
}

bool TMainForm::FileSaveAs1Execute() {
    if (!ValidateActiveGrid()) return false;
    saveDialog_->setDirectory(QDir::currentPath());
    const QString chosen = RunFileDialog(*saveDialog_);
    if (chosen.isEmpty() || !SavePluFile(chosen)) return false;
    fileName_ = QFileInfo(chosen).absoluteFilePath();
    SetCaption();
    return true;
}

void TMainForm::FileExit1Execute() {
    close();
}

void TMainForm::HelpAbout1Execute() {
    aboutBox_->exec();
}

// ---- clipboard, rows, search

void TMainForm::PrepareEdit() {
    // The cell editor writes through: its text is the cell's before a command reads cells.
    grid_->CommitEditor();
    SetGridEditing(grid_, false);
}

void TMainForm::EditCopy1Execute() {
    grid_->CommitEditor();
    QApplication::clipboard()->setText(
        lang::FromCharset(grid_->Model()->Sheet().CopyText(grid_->Selection())));
}

void TMainForm::EditCut1Execute() {
    PrepareEdit();
    const CellRect block = grid_->Selection();
    const QString text = lang::FromCharset(grid_->Model()->Sheet().CopyText(block));
    grid_->Model()->Edit([&](PluSheet& s) { s.Clear(block); });
    QApplication::clipboard()->setText(text);
    modified_ = true;
}

void TMainForm::EditPaste1Execute() {
    const QString clip = QApplication::clipboard()->text();
    if (const std::optional<char32_t> c = lang::FirstCharNotInCharset(clip)) {
        ShowErrorBox(this, lang::CharNotInCharsetMessage(*c));
        return;
    }
    PrepareEdit();
    const Bytes text = lang::ToCharset(clip);
    const CellRect block = grid_->Selection();
    grid_->Model()->Edit([&](PluSheet& s) { s.Paste(text, block.top, block.left); });
    modified_ = true;
}

void TMainForm::InsertAcExecute() {
    PrepareEdit();
    const int row = grid_->Row();
    if (!grid_->Model()->Edit([&](PluSheet& s) { return s.InsertRow(row); })) {
        AskBox(this, QMessageBox::NoIcon, "Error", texts_[kInsertFailedText], QMessageBox::Ok,
               QMessageBox::Ok);
        return;
    }
    grid_->MoveTo(kNameColumn, row);
    modified_ = true;
}

void TMainForm::DeleteAcExecute() {
    PrepareEdit();
    const int row = grid_->Row();
    grid_->Model()->Edit([&](PluSheet& s) { s.DeleteRow(row); });
    modified_ = true;
}

void TMainForm::SearchAcExecute() {
    FindItem();
}

void TMainForm::FindItem() {
    // The cell being edited is searched with the text its editor shows.
    grid_->CommitEditor();
    const Bytes text = lang::ToCharset(searchEdit_->text());
    if (text.empty()) return;
    const int mode = searchCB_->currentIndex();
    const std::optional<int> row = grid_->Model()->Sheet().Find(mode, text, grid_->Row());
    if (row) {
        grid_->MoveTo(grid_->Col(), *row);
    } else if (mode != 0) {
        AskBox(this, QMessageBox::NoIcon, "Warning", texts_[kSearchFailedText], QMessageBox::Ok,
               QMessageBox::Ok);
    }
}

// ---- grid rules

void TMainForm::SetGridEditing(TMyStringGrid* grid, bool on) {
    grid->SetEditing(on);
    if (grid->Editor()) lang::GuardCharset(grid->Editor(), CharsetRefusalHooks());
    if (on) modified_ = true;
}

bool TMainForm::ValidateCurrentCell(TMyStringGrid* grid) {
    grid->CommitEditor();
    const int column = grid->Col(), row = grid->Row();
    const CellCheck check = grid->Model()->Edit(
        [&](PluSheet& s) { return s.ValidateCell(column, row, CellDecimalSeparator()); });
    switch (check.result) {
    case CellCheck::Result::Ok:
        SetGridEditing(grid, false);
        return true;
    case CellCheck::Result::Invalid:
        Beep();
        SetGridEditing(grid, true);
        return false;
    case CellCheck::Result::Duplicate:
        // The box ends the command: the editing state stays as it was.
        ShowErrorBox(this, lang::FromCharset(check.message));
        return false;
    }
    return false;
}

bool TMainForm::ValidateActiveGrid() {
    // The grid itself or its cell editor: an edited cell is checked before it is saved.
    QWidget* focused = focusWidget();
    if (focused != nullptr && (focused == grid_ || grid_->isAncestorOf(focused)))
        return ValidateCurrentCell(grid_);
    return true;
}

bool TMainForm::AcceptKeyForCell(TMyStringGrid* grid, QChar key) {
    const QLineEdit* editor = grid->Editor();
    const Bytes text = editor ? lang::ToCharset(editor->text())
                              : grid->Model()->Sheet().Cell(grid->Row(), grid->Col());
    const Bytes typed = lang::ToCharset(QString(key));
    return itemeditor::AcceptKeyForCell(grid->Col(), text, editor && editor->hasSelectedText(),
                                        typed.empty() ? '?' : typed[0], CellDecimalSeparator());
}

void TMainForm::ClearSelectedCells(TMyStringGrid* grid) {
    const CellRect block = grid->Selection();
    grid->Model()->Edit([&](PluSheet& s) { s.Clear(block); });
    modified_ = true;
}

void TMainForm::ClearGridCells(TMyStringGrid* grid) {
    grid->Model()->Edit([](PluSheet& s) { s.Clear({1, 1, kRows, kColumns}); });
}

void TMainForm::PLUGridSelectCell(int column, int row, bool& canSelect) {
    if (column != grid_->Col() || row != grid_->Row()) canSelect = ValidateCurrentCell(grid_);
}

void TMainForm::PLUGridExit() {
    if (ValidateCurrentCell(grid_)) return;
    if (grid_->Editor())
        grid_->Editor()->setFocus(Qt::OtherFocusReason);
    else
        grid_->setFocus(Qt::OtherFocusReason);
}

void TMainForm::PLUGridDblClick() {
    SetGridEditing(grid_, true);
}

void TMainForm::PLUGridKeyDown(int& key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        if (!grid_->Editing()) return;
        if (!ValidateCurrentCell(grid_) || (key == Qt::Key_Up && grid_->Row() == 1) ||
            (key == Qt::Key_Down && grid_->Row() == kRows))
            key = 0;
        return;
    }
    if (key == Qt::Key_Delete) {
        if (!grid_->Editing()) ClearSelectedCells(grid_);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const bool valid = ValidateCurrentCell(grid_);
        key = 0;
        if (!valid) return;
        const int column = grid_->Col(), row = grid_->Row();
        if (column < kColumns)
            grid_->MoveTo(column + 1, row);
        else if (row < kRows)
            grid_->MoveTo(kNameColumn, row + 1);
        return;
    }
    if (key == Qt::Key_F2) {
        SetGridEditing(grid_, true);
        key = 0;
    }
}

void TMainForm::PLUGridKeyPress(QChar& key) {
    if (key.unicode() < 32) return;
    // Refused before typing over the cell empties it.
    if (lang::FirstCharNotInCharset(QString(key))) {
        Beep();
        key = QChar();
        return;
    }
    if (!grid_->Editing()) {
        // Typing over a cell replaces its text.
        const QChar typed = key;
        key = QChar();
        grid_->Model()->SetCellText(grid_->Row(), grid_->Col(), QString());
        SetGridEditing(grid_, true);
        grid_->SendCharToEditor(typed);
        return;
    }
    if (!AcceptKeyForCell(grid_, key)) key = QChar();
}

// ---- program

int SorvaneMain(int argc, char** argv, const std::function<void(TMainForm&)>& onShown) {
    // A write past the file-size limit then fails with EFBIG, which the save reports, instead
    // of ending the editor with unsaved edits.
    std::signal(SIGXFSZ, SIG_IGN);
    const auto app = programstart::OpenApplication(argc, argv, "sorvane");
    TMainForm form;
    form.show();
    if (onShown) QTimer::singleShot(0, &form, [&form, &onShown] { onShown(form); });
    // Lets a test see that the program reached its message loop.
    if (qEnvironmentVariableIsSet("FPRN_SORVANE_READY"))
        QTimer::singleShot(0, &form, [] {
            std::printf("ready %d\n", static_cast<int>(::getpid()));
            std::fflush(stdout);
        });
    return QApplication::exec();
}

} // namespace fprn::itemeditor
