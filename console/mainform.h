#pragma once
// The console's main window: the top panel with the port, the page stack Notebook1 with a page
// for every command family, the return buffer below it and a status bar. It hands the serial
// port between the two driver libraries, runs every command the same way (RunCommand), dumps
// and decodes the replies, and closes only when no command is running.
//
// Pages are built by page groups, each in its own source file (see PageGroup below): the form
// creates the 33 empty pages, fills page 0 (command line) and page 1 (the menu, every menu
// button) itself, then lets every registered group fill its pages. A page group
//   - creates its controls on Page(n), named as their components, with the built-in captions
//     of their language rows (formcontrols.h), and its back button with AddBackButton;
//   - connects its handlers with OnClick (which runs them guarded), and the menu buttons of
//     page 1 found by name;
//   - runs commands through RunCommand and shows pages with ShowPage;
//   - keeps its state in GroupState<T>() and may take a step in FormCreate;
//   - views the upload replies through SetReplyHook and sees keys first through AddKeyPreview.
// Its files come in through console/<group>.pages.cmake (target_sources on fprn_console, its
// tests beside; demo tour steps, tour/tour.h, on fprn_console_tour). The language table already
// holds the group's rows: once its controls exist, MissingLanguageControls() stops listing them.
#include "fprnapi.h"
#include "language.h"
#include "tolmibus.h"

#include <QAbstractButton>
#include <QMainWindow>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

class QComboBox;
class QFileDialog;
class QKeyEvent;
class QGroupBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QTimer;

namespace fprn::console {

class TDumpListBox;
class TMainForm;

enum class PortKind : int { User = 0, Service = 1 };

// One driver command: the result record, the return buffer (null for none) and its length.
using CommandCall = std::function<void(TFPrnResult*, char*, std::int32_t*)>;

inline constexpr int kPageCount = 33;
// The client area of every page, for the fixed positions of its controls.
inline constexpr int kPageWidth = 720;
inline constexpr int kPageHeight = 380;

// Pages of their own source file.
struct PageGroup {
    const char* name;
    std::vector<int> pages;
    // Builds the controls of the pages and connects their handlers; runs in the form's
    // constructor, in no particular order among the groups.
    void (*build)(TMainForm&) = nullptr;
    // The group's step of FormCreate: after the language texts, the port and the start page,
    // before the service buttons are hidden. May be null.
    void (*create)(TMainForm&) = nullptr;
};
// For FPRN_CONSOLE_PAGES: adds a group at static initialisation; true.
bool RegisterPageGroup(PageGroup group);
// Every page some group builds.
std::set<int> BuiltPages();

// Registers a page group from its source file, e.g.
//   FPRN_CONSOLE_PAGES(Settings, {"settings", {2, 3, 4}, BuildSettingsPages, HookEditAutoAdvance});
// The console library is linked whole, so the registration is never dropped.
#define FPRN_CONSOLE_PAGES(tag, ...)                                                               \
    [[maybe_unused]] static const bool fprnConsolePages##tag =                                     \
        ::fprn::console::RegisterPageGroup(::fprn::console::PageGroup __VA_ARGS__)

struct FormOptions {
    std::string languageFile = lang::kLanguageLibraryFile;
};

class TMainForm : public QMainWindow {
public:
    // Builds the form and every registered page, then runs FormCreate. The libraries stay
    // bound until the form is gone.
    TMainForm(TovarinApi& user, MeskadeApi& service, FormOptions options = {});
    ~TMainForm() override;

    TovarinApi& User() { return user_; }
    MeskadeApi& Service() { return service_; }

    // Components of the form.
    QComboBox* PortCB = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    TDumpListBox* ListBox1 = nullptr; // the dumps, one line a row
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    TTolmIBusComm& TolmIBusComm1() { return *tolmIBusComm1_; }

    // Set to 0 when the form is created; the VAT page sets them, the sale pages read them.
    std::array<std::int32_t, 9> VatRates{};

    // The page widget of number n (0 to 32), named as the page.
    QWidget* Page(int n) const;
    // Shows page n; when the focus was on another page, it goes to n's first control.
    void ShowPage(int n);
    int CurrentPage() const;
    // A control by its name; throws std::logic_error when the form has none of that type.
    template <typename T = QWidget> T* Control(const QString& name) const {
        T* control = findChild<T*>(name);
        if (!control) MissingControl(name);
        return control;
    }
    QAbstractButton* Button(const QString& name) const { return Control<QAbstractButton>(name); }

    // Runs `handler` on every click, guarded.
    void OnClick(QAbstractButton* button, std::function<void()> handler);
    void OnClick(const QString& buttonName, std::function<void()> handler) {
        OnClick(Button(buttonName), std::move(handler));
    }
    // Runs a handler so that no error escapes it: one that does is shown in the default box and
    // the program goes on.
    void Guarded(const std::function<void()>& handler);
    // A "Back To Menu" button (BackBtn1Click) at `at` on page `page`, with the built-in
    // caption of its language row.
    QPushButton* AddBackButton(int page, const char* name, QPoint at);

    // Ports.
    bool UserPortOpen() const { return userPortOpen_; }
    bool ServicePortOpen() const { return servicePortOpen_; }
    // "COM" and the position of PortCB's item plus one.
    std::string PortName() const;
    void OpenPort(int kind);
    void ClosePort(int kind);
    void OpenPort(PortKind kind) { OpenPort(static_cast<int>(kind)); }
    void ClosePort(PortKind kind) { ClosePort(static_cast<int>(kind)); }

    // The command pattern: open the library's port, size query, a zero-filled buffer (none for
    // a size of 0 or less), the call again with a fresh record; then the error box or the reply
    // dump with `code`. The form is busy (BusyScope) from the size query to the reply. True when
    // the command succeeded; the caller picks the page.
    bool RunCommand(PortKind kind, std::string_view code, const CommandCall& call);
    // Marks the form as inside a command for its lifetime: closing waits until it ends.
    class CommandScope {
    public:
        explicit CommandScope(TMainForm& form) : form_(form) { ++form_.commandDepth_; }
        ~CommandScope() { --form_.commandDepth_; }
        CommandScope(const CommandScope&) = delete;
        CommandScope& operator=(const CommandScope&) = delete;

    private:
        TMainForm& form_;
    };
    // Marks the form as waiting for the printer for its lifetime: the user's mouse and key input
    // to the form is dropped, not queued, and a busy cursor shows over it. A click would
    // otherwise move the page or the sale list on under a handler that has yet to finish.
    class BusyScope {
    public:
        explicit BusyScope(TMainForm& form) : form_(form) { form_.BeginBusy(); }
        ~BusyScope() { form_.EndBusy(); }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TMainForm& form_;
    };

    // The error box of a failed command: CommandErrorText of the result.
    void ShowCommandError(const TFPrnResult& result, const char* buffer, std::int32_t length);
    // Appends the dump of the reply to ListBox1, selects its last line, then decodes it.
    void ShowReturnBuffer(std::string_view code, const char* buffer, std::int32_t length);
    // Decodes the replies of 40, 41 and 47 into their pages and hands 89 to 93 to their hooks.
    void DecodeReturnBuffer(std::string_view code, const char* buffer, std::int32_t length);
    // The viewer of an upload reply (89 to 93).
    using ReplyHook = std::function<void(const char* buffer, std::int32_t length)>;
    void SetReplyHook(int code, ReplyHook hook);

    // Key preview: each handler sees every key pressed in the form before the control that has
    // the focus, in the order added, guarded; one that returns true takes the key.
    using KeyPreview = std::function<bool(QKeyEvent& key)>;
    void AddKeyPreview(KeyPreview handler);

    // State that a page group keeps for the life of the form, made on first use.
    template <typename T> T& GroupState() {
        auto& slot = groupStates_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_shared<T>();
        return *static_cast<T*>(slot.get());
    }

    // Events.
    void PortCBChange();
    void btnOnlineClick() { OpenPort(PortKind::User); }
    void btnOfflineClick() { ClosePort(PortKind::User); }
    void UpdateProgramBtnClick();
    void BackBtn1Click() { ShowPage(1); }
    void Button3Click();
    void bbtnCommLineClick() { ShowPage(0); }
    void bbtnExecClick();
    void Timer1Timer();
    void ApplyLanguage();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildFrame();
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    bool Idle() const;
    void BeginBusy();
    void EndBusy() noexcept;
    bool DroppedWhileBusy(QObject* watched, QEvent* event) const;
    [[noreturn]] static void MissingControl(const QString& name);

    TovarinApi& user_;
    MeskadeApi& service_;
    FormOptions options_;
    std::unique_ptr<TTolmIBusComm> tolmIBusComm1_;
    std::vector<QWidget*> pages_;
    std::map<int, ReplyHook> replyHooks_;
    std::vector<KeyPreview> keyPreviews_;
    std::map<std::type_index, std::shared_ptr<void>> groupStates_;

    bool userPortOpen_ = false;
    bool servicePortOpen_ = false;
    int heldPort_ = -1; // PortCB's item of the port a library holds
    int commandDepth_ = 0;
    int busyDepth_ = 0;
    QWidget* busyCover_ = nullptr; // over the whole form while busy: its cursor is the busy one
    bool closeAfterAbort_ = false; // the user said Yes: close once the command has ended
    bool closed_ = false;
};

} // namespace fprn::console
