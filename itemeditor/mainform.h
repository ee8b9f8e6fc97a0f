#pragma once
// The item editor's main window: the item grid, the menu and its actions, the dockable main and
// search toolbars, the status bar, the file commands with the save question, the clipboard, row
// insertion and deletion, the search, the language texts and the about box.
#include "about.h"
#include "charsetguard.h"
#include "language.h"
#include "plugrid.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <string>

class QComboBox;
class QFileDialog;
class QStatusBar;
class QVBoxLayout;

namespace fprn::toolbars {
class TDock;
} // namespace fprn::toolbars

namespace fprn::itemeditor {

// The beep of a cell that fails its check; tests count it. Returns the hook it replaces; an
// empty hook restores the system beep.
std::function<void()> SetBeepHook(std::function<void()> hook);
void Beep();

// The hourglass for one scope; the arrow comes back on every path out.
class ScopedHourglass {
public:
    ScopedHourglass();
    ~ScopedHourglass();
    ScopedHourglass(const ScopedHourglass&) = delete;
    ScopedHourglass& operator=(const ScopedHourglass&) = delete;
};

// The application's error box: critical icon, the application's name as caption, OK.
void ShowErrorBox(QWidget* parent, const QString& message);

// The text before "|" of a hint (all of it when there is none) and the text after it.
QString ShortHint(const QString& hint);
QString LongHint(const QString& hint);

struct EditorOptions {
    // The language library, loaded as the language lookup loads a bare name.
    std::string languageLibrary = lang::kLanguageLibraryFile;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const EditorOptions& options = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Texts 0 to 6 are the column titles, 7 the caption, 8 to 12 the messages (11 a pattern).
    enum TextIndex {
        kCaptionText = 7,
        kSaveQuestionText,
        kInsertFailedText,
        kSearchFailedText,
        kChangedFileText,
        kLinesLeftText
    };
    const QString& Text(int index) const { return texts_[static_cast<std::size_t>(index)]; }
    const QString& FileName() const { return fileName_; }
    bool Modified() const { return modified_; }
    TMyStringGrid* PluGrid() const { return grid_; }
    TAboutBox* AboutBox() const { return aboutBox_; }
    toolbars::TDock* TopDock() const { return topDock_; }
    QComboBox* SearchCB() const { return searchCB_; }
    QLineEdit* SearchEdit() const { return searchEdit_; }

    // Handlers of the actions, the form and the grid.
    void FileNew1Execute();
    void FileOpen1Execute();
    // True when the table was written.
    bool FileSave1Execute();
    bool FileSaveAs1Execute();
    void FileExit1Execute();
    void HelpAbout1Execute();
    void EditCut1Execute();
    void EditCopy1Execute();
    void EditPaste1Execute();
    void InsertAcExecute();
    void DeleteAcExecute();
    void SearchAcExecute();
    bool FormCloseQuery();

    void PLUGridSelectCell(int column, int row, bool& canSelect);
    void PLUGridExit();
    void PLUGridDblClick();
    void PLUGridKeyDown(int& key, Qt::KeyboardModifiers modifiers);
    void PLUGridKeyPress(QChar& key);

    // Operations.
    void NewPluFile();
    bool QuerySaveChanges();
    bool SavePluFile(const QString& path);
    bool OpenPluFile(const QString& path);
    void FindItem();
    void ApplyLanguageStrings();
    void InitGridColumns();
    void SetGridEditing(TMyStringGrid* grid, bool on);
    bool ValidateCurrentCell(TMyStringGrid* grid);
    bool ValidateActiveGrid();
    bool AcceptKeyForCell(TMyStringGrid* grid, QChar key);
    void ClearSelectedCells(TMyStringGrid* grid);
    void ClearGridCells(TMyStringGrid* grid);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* hint,
                       const QKeySequence& shortcut, std::function<void()> run);
    void BuildMenu();
    void BuildToolbars(QVBoxLayout* layout);
    void FormCreate(const EditorOptions& options);
    void FormShow();
    void SetHint(QAction* action, const QString& hint);
    // Refusals of characters the charset lacks: the cell beep, the error box.
    lang::CharsetRefusal CharsetRefusalHooks();
    void SetCaption();
    void PrepareEdit();

    std::array<QString, 13> texts_;
    QString fileName_;
    // The file as it was read or last saved; a save over it asks when another program has
    // changed it since.
    itemfile::FileIdentity identity_;
    bool modified_ = false;
    bool shown_ = false;

    TMyStringGrid* grid_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    TAboutBox* aboutBox_ = nullptr;
    QFileDialog* openDialog_ = nullptr;
    QFileDialog* saveDialog_ = nullptr;
    toolbars::TDock* topDock_ = nullptr;
    QComboBox* searchCB_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;

    QMenu* file1_ = nullptr;
    QMenu* edit1_ = nullptr;
    QMenu* help1_ = nullptr;
};

// The program: application object, main form (with its about box), message loop. `onShown` runs
// on the loop's first turn with the form on the screen (the demo tour); the loop then runs until
// the form closes.
int SorvaneMain(int argc, char** argv, const std::function<void(TMainForm&)>& onShown = {});

} // namespace fprn::itemeditor
