#include "mainform.h"

#include "dumplist.h"
#include "formcontrols.h"
#include "languagetable.h"
#include "languagetext.h"
#include "messagebox.h"
#include "pageedits.h"
#include "replydecode.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace fprn::console {

namespace {

constexpr std::int32_t kBaudRate = 9600;

// The first control of the page in tab order that takes the focus; null when it has none.
QWidget* FirstTabStop(QWidget& page) {
    for (QWidget* w = page.nextInFocusChain(); w && w != &page; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy()) continue;
        if (page.isAncestorOf(w) && w->isVisibleTo(&page) && w->isEnabled()) return w;
    }
    return nullptr;
}

const char* const kPageNames[kPageCount] = {
    "CommandLine",    "Command",    "SetDate",   "SetTime",  "SetVarRate",    "SetHeadMessage",
    "ReceiveAccount", "PaidOut",    "Sale",      "Pay",      "SetDep",        "MemReport",
    "HStatus",        "SStatus",    "PrnStatus", "DumpSram", "DumpEprom",     "Invoice",
    "SetID",          "EndReceipt", "XReport",   "InvInfo",  "SetTaxID",      "SeviceLogon",
    "RtnPackage",     "ClerkLogon", "PLUInfo",   "Upload",   "TaxRateUpload", "PrinterSpeed",
    "RtnPkg",         "PrnRpt",     "UpRtnPkg"};

// Hidden for the whole run once the form is created; the form itself hides a few more.
const char* const kServiceButtons[] = {
    "UpdateProgramBtn", "bbtnDumpSram", "bbtnDumpEprom",    "bbtnDumpRom",  "bbtnEnterFiscalMode",
    "bbtnSetId",        "bbtnUserMode", "bbtnServiceLogon", "bbtnTestSram", "bbtnSetDate"};

constexpr char kLanguageLoadFailed[] = "Can not load Peltrane.dll";
constexpr char kCloseQuestion[] = "Command is executing, exit now?";

// What a user does to the form with the mouse and the keyboard. Moves stay, so that enter,
// leave and the cursor keep up.
bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

std::vector<PageGroup>& Registry() {
    static std::vector<PageGroup> groups;
    return groups;
}

// The command-line page: a command text typed and sent as it stands.
void BuildCommandLinePage(TMainForm& form) {
    QWidget* page = form.Page(0);
    NewLabel(page, "Label2", QPoint(16, 16), QStringLiteral("Command:"));
    QLineEdit* edit = NewEdit(page, "Edit1", QRect(16, 40, 480, 26));
    QPushButton* exec =
        NewButton(page, "bbtnExec", QRect(512, 38, 110, 30), QStringLiteral("Execute"));
    form.OnClick(exec, [&form] { form.bbtnExecClick(); });
    // Enter in the edit clicks Execute.
    QObject::connect(edit, &QLineEdit::returnPressed, exec, &QPushButton::click);
    QPushButton* back =
        NewButton(page, "BitBtn3", QRect(512, 80, 110, 30), QStringLiteral("Back To Menu"));
    form.OnClick(back, [&form] { form.BackBtn1Click(); });
}

// Page 1, the command menu: every menu button, in the order of the language table. The pages'
// own groups connect the buttons that open them.
// Hidden in the form itself; FormCreate hides the service buttons.
const char* const kHiddenInForm[] = {"bbtnCommLine", "bbtnSetDept", "bbtnDepReport",
                                     "bbtnUploadDepart"};

void BuildMenuPage(TMainForm& form) {
    QWidget* page = form.Page(1);
    constexpr int columns = 4, width = 172, height = 28, dx = 178, dy = 32;
    int i = 0;
    for (const LanguageRow& row : LanguageRows()) {
        if (row.page != 1) continue;
        QRect at(8 + (i % columns) * dx, 8 + (i / columns) * dy, width, height);
        NewButton(page, row.name, at);
        ++i;
    }
    for (const char* name : kHiddenInForm) form.Button(QString::fromLatin1(name))->hide();
    form.OnClick(QStringLiteral("bbtnCommLine"), [&form] { form.bbtnCommLineClick(); });
}

} // namespace

bool RegisterPageGroup(PageGroup group) {
    Registry().push_back(std::move(group));
    return true;
}

std::set<int> BuiltPages() {
    std::set<int> pages = {0, 1}; // the form's own
    for (const PageGroup& group : Registry()) pages.insert(group.pages.begin(), group.pages.end());
    return pages;
}

TMainForm::TMainForm(TovarinApi& user, MeskadeApi& service, FormOptions options)
    : QMainWindow(nullptr), user_(user), service_(service), options_(std::move(options)),
      tolmIBusComm1_(std::make_unique<TTolmIBusComm>()) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Demo"));
    tolmIBusComm1_->SetCommName("COM2");
    tolmIBusComm1_->SetBaudRate(TBaudRate::tbr115200);
    tolmIBusComm1_->SetBroadCast(false);

    BuildFrame();
    BuildCommandLinePage(*this);
    BuildMenuPage(*this);
    for (const PageGroup& group : Registry())
        if (group.build) group.build(*this);

    // Busy input is dropped here, keys are previewed here.
    qApp->installEventFilter(this);

    resize(sizeHint().expandedTo(QSize(kPageWidth + 24, 700)));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
}

TMainForm::~TMainForm() {
    qApp->removeEventFilter(this);
    // Page state may refer to widgets; it goes first.
    groupStates_.clear();
    replyHooks_.clear();
    lang::DropLanguageObject();
}

void TMainForm::BuildFrame() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnlMain")); // "Panel1" is the item page's
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* top = new QWidget(central);
    top->setObjectName(QStringLiteral("Panel2"));
    top->setFixedHeight(40);
    layout->addWidget(top);
    NewLabel(top, "Label1", QPoint(8, 12));
    PortCB = new QComboBox(top);
    PortCB->setObjectName(QStringLiteral("PortCB"));
    PortCB->addItems({"COM1", "COM2", "COM3", "COM4"});
    PortCB->setGeometry(52, 7, 90, 26);
    connect(PortCB, &QComboBox::currentIndexChanged, this,
            [this] { Guarded([this] { PortCBChange(); }); });
    OnClick(NewButton(top, "UpdateProgramBtn", QRect(152, 5, 120, 30)),
            [this] { UpdateProgramBtnClick(); });
    QPushButton* online = NewButton(top, "btnOnline", QRect(280, 5, 80, 30));
    OnClick(online, [this] { btnOnlineClick(); });
    online->hide();
    QPushButton* offline = NewButton(top, "btnOffline", QRect(366, 5, 80, 30));
    OnClick(offline, [this] { btnOfflineClick(); });
    offline->hide();
    OnClick(NewButton(top, "Button3", QRect(452, 5, 110, 30)), [this] { Button3Click(); });
    NewButton(top, "btnUpdateFullProgram", QRect(568, 5, 150, 30),
              QStringLiteral("Update Full Program"))
        ->hide();

    Notebook1 = new QStackedWidget(central);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    Notebook1->setMinimumSize(kPageWidth, kPageHeight);
    layout->addWidget(Notebook1, 1);
    for (const char* name : kPageNames) {
        auto* page = new QWidget(Notebook1);
        page->setObjectName(QString::fromLatin1(name));
        Notebook1->addWidget(page);
        pages_.push_back(page);
    }

    GroupBox3 = NewGroupBox(central, "GroupBox3", QRect());
    auto* boxLayout = new QVBoxLayout(GroupBox3);
    ListBox1 = new TDumpListBox(GroupBox3);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setMinimumHeight(180);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    ListBox1->setFont(fixed);
    QPalette pal = ListBox1->palette();
    pal.setColor(QPalette::Base, QColor(0, 128, 0));
    pal.setColor(QPalette::Text, QColor(255, 255, 0));
    ListBox1->setPalette(pal);
    boxLayout->addWidget(ListBox1);
    layout->addWidget(GroupBox3);

    // Paints nothing: the form shows through it.
    busyCover_ = new QWidget(this);
    busyCover_->setObjectName(QStringLiteral("BusyCover"));
    busyCover_->setCursor(Qt::WaitCursor);
    busyCover_->hide();

    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setNameFilter(QStringLiteral("Plu Files (*.plu)"));
    OpenDialog1->setDefaultSuffix(QStringLiteral("plu"));
}

void TMainForm::FormCreate() {
    bool applied = false;
    try {
        lang::SetLanguageObject(std::make_unique<lang::TBsLocale>());
        if (lang::LanguageObject()->LoadLib(options_.languageFile)) {
            ApplyLanguage();
            applied = true;
        }
    } catch (...) {
        applied = false;
    }
    if (!applied) {
        ShowMessageBox(this, QMessageBox::Critical, QStringLiteral("Error"),
                       QString::fromLatin1(kLanguageLoadFailed));
        lang::DropLanguageObject();
    }

    {
        QSignalBlocker quiet(PortCB);
        PortCB->setCurrentIndex(1);
    }
    ShowPage(1);
    VatRates.fill(0);
    for (const PageGroup& group : Registry())
        if (group.create) group.create(*this);
    for (const char* name : kServiceButtons) Control(QString::fromLatin1(name))->hide();
}

void TMainForm::ApplyLanguage() {
    ::fprn::console::ApplyLanguage(*this);
}

QWidget* TMainForm::Page(int n) const {
    if (n < 0 || n >= kPageCount) throw std::out_of_range("no page " + std::to_string(n));
    return pages_[static_cast<std::size_t>(n)];
}

void TMainForm::ShowPage(int n) {
    QWidget* page = Page(n);
    QWidget* shown = Notebook1->currentWidget();
    QWidget* focus = focusWidget();
    const bool focusOnPages = focus && Notebook1->isAncestorOf(focus);
    Notebook1->setCurrentWidget(page);
    // The stack hands the focus back to what had it last on the page, often the button used
    // there, which the next space presses again: a page starts where its first visit does,
    // entered as Tab enters it. An edit's text is selected here too, as a window Qt holds for
    // inactive gets no FocusIn that would do it: what is typed replaces what it kept.
    if (page == shown || !focusOnPages) return;
    QWidget* first = FirstTabStop(*page);
    if (!first) return;
    first->setFocus(Qt::TabFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(first)) edit->selectAll();
}

int TMainForm::CurrentPage() const {
    return Notebook1->currentIndex();
}

void TMainForm::MissingControl(const QString& name) {
    throw std::logic_error("the form has no control " + name.toStdString());
}

void TMainForm::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowExceptionBox(this, lang::FromCharset(e.what()));
    } catch (...) {
        ShowExceptionBox(this, QStringLiteral("Unknown error"));
    }
}

void TMainForm::OnClick(QAbstractButton* button, std::function<void()> handler) {
    connect(button, &QAbstractButton::clicked, this,
            [this, handler = std::move(handler)] { Guarded(handler); });
}

QPushButton* TMainForm::AddBackButton(int page, const char* name, QPoint at) {
    QPushButton* button = NewButton(Page(page), name, QRect(at, QSize(120, 30)));
    OnClick(button, [this] { BackBtn1Click(); });
    return button;
}

std::string TMainForm::PortName() const {
    return "COM" + std::to_string(PortCB->currentIndex() + 1);
}

void TMainForm::OpenPort(int kind) {
    if (kind == 0) {
        if (servicePortOpen_) ClosePort(1);
        if (!userPortOpen_) {
            userPortOpen_ = user_.OpenFPrn(PortName().c_str(), kBaudRate) == 0;
            if (userPortOpen_) heldPort_ = PortCB->currentIndex();
        }
    } else if (kind == 1) {
        if (userPortOpen_) ClosePort(0);
        if (!servicePortOpen_) {
            servicePortOpen_ = service_.OpenFPrn(PortName().c_str(), kBaudRate) == 0;
            if (servicePortOpen_) heldPort_ = PortCB->currentIndex();
        }
    }
}

void TMainForm::ClosePort(int kind) {
    if (kind == 0 && userPortOpen_)
        userPortOpen_ = user_.CloseFPrn() != 0;
    else if (kind == 1 && servicePortOpen_)
        servicePortOpen_ = service_.CloseFPrn() != 0;
}

void TMainForm::PortCBChange() {
    ClosePort(0);
    ClosePort(1);
    // A library that refused to close (its command runs) still holds the old port.
    if ((userPortOpen_ || servicePortOpen_) && heldPort_ >= 0) {
        QSignalBlocker quiet(PortCB);
        PortCB->setCurrentIndex(heldPort_);
    }
}

void TMainForm::UpdateProgramBtnClick() {
    CommandScope running(*this);
    BusyScope busy(*this);
    ClosePort(0);
    ClosePort(1);
    service_.UpdateFPrnProgram(reinterpret_cast<std::uintptr_t>(static_cast<QWidget*>(this)),
                               PortName().c_str(), 0);
}

bool TMainForm::RunCommand(PortKind kind, std::string_view code, const CommandCall& call) {
    CommandScope running(*this);
    TFPrnResult result{};
    std::vector<char> buffer;
    std::int32_t length = 0;
    {
        BusyScope busy(*this);
        OpenPort(kind);
        std::int32_t size = 0;
        call(&result, nullptr, &size);
        buffer.assign(static_cast<std::size_t>(std::max<std::int32_t>(size, 0)), '\0');
        length = size;
        result = TFPrnResult{};
        call(&result, buffer.empty() ? nullptr : buffer.data(), &length);
    }
    // The library reports no more than it was given; a length past the buffer is not read.
    length = std::clamp<std::int32_t>(length, 0, static_cast<std::int32_t>(buffer.size()));
    if (result.Code < 0) {
        ShowCommandError(result, buffer.data(), length);
        return false;
    }
    ShowReturnBuffer(code, buffer.data(), length);
    return true;
}

void TMainForm::bbtnExecClick() {
    auto* edit = Control<QLineEdit>(QStringLiteral("Edit1"));
    std::string text = lang::ToCharset(edit->text());
    if (text.size() < 2) {
        edit->clear();
        return;
    }
    CommandScope running(*this);
    OpenPort(PortKind::User);
    std::string code = text.substr(0, 2);
    std::int32_t size = user_.GetReturnBufLength(code.c_str());
    std::vector<char> buffer(static_cast<std::size_t>(std::max<std::int32_t>(size, 0)), '\0');
    std::int32_t length = size;
    TFPrnResult result{};
    {
        BusyScope busy(*this);
        user_.ExecCommand(&result, text.c_str(), buffer.empty() ? nullptr : buffer.data(), &length);
    }
    length = std::clamp<std::int32_t>(length, 0, static_cast<std::int32_t>(buffer.size()));
    if (result.Code < 0)
        ShowCommandError(result, buffer.data(), length);
    else
        ShowReturnBuffer(code, buffer.data(), length);
}

void TMainForm::ShowCommandError(const TFPrnResult& result, const char* buffer,
                                 std::int32_t length) {
    ShowErrorBox(this, lang::FromCharset(CommandErrorText(result, buffer, length)));
}

void TMainForm::ShowReturnBuffer(std::string_view code, const char* buffer, std::int32_t length) {
    if (!buffer || length < 0) length = 0;
    std::string_view payload(buffer ? buffer : "", static_cast<std::size_t>(length));
    QStringList lines;
    lines << lang::FromCharset(DumpHeading(lang::GetLanguageText(11363), code))
          << lang::FromCharset(lang::GetLanguageText(11364));
    for (const std::string& line : DumpLines(payload)) lines << lang::FromCharset(line);
    ListBox1->addLines(lines);
    DecodeReturnBuffer(code, buffer, length);
}

void TMainForm::DecodeReturnBuffer(std::string_view code, const char* buffer, std::int32_t length) {
    int number = ReplyCode(code);
    bool decoded = number == 40 || number == 41 || number == 47 || (number >= 89 && number <= 93);
    if (!decoded) return;
    auto hook = replyHooks_.find(number);
    if (hook != replyHooks_.end() && hook->second)
        hook->second(buffer ? buffer : "", buffer ? std::max<std::int32_t>(length, 0) : 0);
}

void TMainForm::SetReplyHook(int code, ReplyHook hook) {
    replyHooks_[code] = std::move(hook);
}

void TMainForm::AddKeyPreview(KeyPreview handler) {
    keyPreviews_.push_back(std::move(handler));
}

void TMainForm::BeginBusy() {
    if (busyDepth_++ > 0) return;
    busyCover_->setGeometry(rect());
    busyCover_->raise();
    busyCover_->show();
}

void TMainForm::EndBusy() noexcept {
    if (--busyDepth_ == 0) busyCover_->hide();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (busyCover_) busyCover_->setGeometry(rect());
}

bool TMainForm::DroppedWhileBusy(QObject* watched, QEvent* event) const {
    if (busyDepth_ == 0 || !IsUserInput(event->type())) return false;
    // Taken at the window already, before Qt moves the focus for a click (a FocusOut acts on the
    // sale page); at the widgets too, for input sent to them straight.
    bool ours = false;
    if (auto* widget = qobject_cast<QWidget*>(watched))
        ours = widget->window() == this;
    else
        ours = watched == windowHandle();
    if (!ours) return false;
    // Accepted, so that neither a parent nor a shortcut gets it.
    event->accept();
    return true;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (DroppedWhileBusy(watched, event)) return true;
    if (event->type() != QEvent::KeyPress || keyPreviews_.empty())
        return QMainWindow::eventFilter(watched, event);
    // The key goes to the focused control first and then up to its parents: look at it once,
    // on its way into a control of this form.
    QWidget* focus = QApplication::focusWidget();
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || (focus && widget != focus)) return false;
    bool taken = false;
    for (const KeyPreview& preview : keyPreviews_) {
        Guarded([&] { taken = preview(*static_cast<QKeyEvent*>(event)); });
        if (taken) return true;
    }
    return false;
}

void TMainForm::Button3Click() {
    ListBox1->clear();
}

bool TMainForm::Idle() const {
    return commandDepth_ == 0 && user_.isCommandExecuting() != 0;
}

bool TMainForm::FormCloseQuery() {
    if (Idle()) return true;
    // Asked once: after Yes the timer closes the window as soon as the command has ended.
    if (closeAfterAbort_) return false;
    auto answer = ShowMessageBox(
        this, QMessageBox::Question, lang::FromCharset(MessageTexts().confirmationCaption),
        QString::fromLatin1(kCloseQuestion), QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        user_.AbortFPrn();
        closeAfterAbort_ = true;
        Timer1->start();
    }
    return false;
}

void TMainForm::Timer1Timer() {
    if (!Idle()) return;
    Timer1->stop();
    close();
}

void TMainForm::FormClose() {
    ClosePort(0);
    ClosePort(1);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    bool close = false;
    Guarded([&] {
        close = FormCloseQuery();
        if (close) FormClose();
    });
    closed_ = close;
    if (close)
        event->accept();
    else
        event->ignore();
}

} // namespace fprn::console
