// The tour through a full firmware update: COM3 chosen, where the emulator's boot loader listens,
// "Update Full Program" shown with Ctrl+Shift+F11 and pressed, an image picked in the dialog and
// sent, the dialog's title bar without minimise and maximise; the image the loader rebuilt from
// the blocks must be the file with its sum in block 255.
// Then back to COM2.
#include "mainform.h"
#include "tour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QProgressBar>
#include <QTest>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include <xcb/xcb.h>

namespace fprn::console::tour {

namespace {

using Image = std::vector<std::uint8_t>;

constexpr std::size_t kImageSize = 65536;
constexpr std::size_t kMarkerOffset = 65530;
// The sum covers the bytes before the last two of the first 64 KiB, which carry it.
constexpr std::size_t kSummed = 65534;

Image MakeImage() {
    Image image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 8));
    image[kMarkerOffset] = 'M';
    image[kMarkerOffset + 1] = 'Z';
    return image;
}

// The image as the loader must have it: blocks 0 to 15 too (a full update sends them), and the
// image sum in place of the last two bytes of block 255.
Image AsSent(Image image) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kSummed; ++i) sum += image[i];
    image[kSummed] = static_cast<std::uint8_t>(sum & 0xFF);
    image[kSummed + 1] = static_cast<std::uint8_t>((sum >> 8) & 0xFF);
    return image;
}

Image ReadImage(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Image(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteImage(const std::filesystem::path& path, const Image& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out.flush()) Fail("cannot write " + path.string());
}

// What the window manager lets the user do with a window (_NET_WM_ACTION_... names).
std::vector<std::string> AllowedActions(const QWidget& window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 && QGuiApplication::platformName() == QLatin1String("xcb")
                              ? x11->connection()
                              : nullptr;
    if (!c) Fail("the tour runs on no X server");
    constexpr std::string_view kProperty = "_NET_WM_ALLOWED_ACTIONS";
    xcb_intern_atom_reply_t* property = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(kProperty.size()), kProperty.data()),
        nullptr);
    std::vector<std::string> names;
    if (!property) return names;
    xcb_get_property_reply_t* value =
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, static_cast<xcb_window_t>(window.winId()),
                                                property->atom, XCB_ATOM_ATOM, 0, 64),
                               nullptr);
    std::free(property);
    if (!value) return names;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(value));
    const int count = xcb_get_property_value_length(value) / static_cast<int>(sizeof(xcb_atom_t));
    for (int i = 0; i < count; ++i) {
        xcb_get_atom_name_reply_t* name =
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atoms[i]), nullptr);
        if (!name) continue;
        names.emplace_back(xcb_get_atom_name_name(name),
                           static_cast<std::size_t>(xcb_get_atom_name_name_length(name)));
        std::free(name);
    }
    std::free(value);
    return names;
}

// The progress dialog's title bar offers neither minimising nor maximising it.
void ExpectPlainTitleBar(const QWidget& progress) {
    const std::vector<std::string> allowed = AllowedActions(progress);
    if (allowed.empty()) Fail("the window manager says nothing of the progress dialog");
    for (const std::string& action : allowed)
        if (action.rfind("_NET_WM_ACTION_MINIMIZE", 0) == 0 ||
            action.rfind("_NET_WM_ACTION_MAXIMIZE", 0) == 0)
            Fail("the progress dialog's title bar offers " + action);
}

// The main window active again, as after a click on it, and a key on its focused control.
void Key(Tour& t, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    t.Form().activateWindow();
    if (!QTest::qWaitForWindowActive(&t.Form())) Fail("the main window is not active");
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &t.Form(), key, modifiers);
}

// The port box takes the keyboard: Down and Up step through COM1 to COM4.
void ChoosePort(Tour& t, const std::string& port) {
    t.Form().Control<QComboBox>(QStringLiteral("PortCB"))->setFocus();
    const Qt::Key step = t.Form().PortName() < port ? Qt::Key_Down : Qt::Key_Up;
    for (int i = 0; i < 4 && t.Form().PortName() != port; ++i) Key(t, step);
    if (t.Form().PortName() != port) Fail("the port box shows " + t.Form().PortName());
}

void FullUpdate(Tour& t) {
    if (t.BootImage().empty()) Fail("no file named for the boot loader's image");
    const Image image = MakeImage();
    WriteImage("firmware.hex", image);
    std::filesystem::remove(t.BootImage());

    t.ExpectPage(1);
    ChoosePort(t, "COM3");
    const QString buttonName = QStringLiteral("btnUpdateFullProgram");
    Key(t, Qt::Key_F11, Qt::ControlModifier | Qt::ShiftModifier);
    if (t.Form().Button(buttonName)->isHidden()) Fail("Ctrl+Shift+F11 did not show the button");
    t.Shoot("update-full-program");

    // Shots while the blocks go out and when the last has gone, from the dialog's own signals.
    int shots = 0;
    t.PickInNextFileDialog(
        QStringLiteral("firmware.hex"), "firmware-choose-image", [&t, &shots](QFileDialog& files) {
            QWidget* progress = files.parentWidget();
            auto* bar = progress
                            ? progress->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))
                            : nullptr;
            if (!bar) Fail("the file dialog is not the progress dialog's");
            QObject::connect(bar, &QProgressBar::valueChanged, progress,
                             [&t, &shots, progress](int block) {
                                 if (block != 128) return;
                                 t.Guard([&] {
                                     t.Shoot("firmware-download");
                                     ExpectPlainTitleBar(*progress);
                                 });
                                 ++shots;
                             });
            QObject::connect(progress, &QWidget::windowTitleChanged, progress,
                             [&t, &shots](const QString& title) {
                                 if (title != QLatin1String("Disconnect...")) return;
                                 t.Guard([&] { t.Shoot("firmware-end"); });
                                 ++shots;
                             });
        });
    t.Click(buttonName);
    t.ExpectNoBox();
    if (shots != 2) Fail("the download did not reach its middle and its end");
    if (!t.Form().isEnabled()) Fail("the main window stayed disabled");

    const Image rebuilt = ReadImage(t.BootImage());
    if (rebuilt.size() != image.size())
        Fail("the boot loader rebuilt " + std::to_string(rebuilt.size()) + " bytes");
    if (rebuilt != AsSent(image)) Fail("the image the boot loader rebuilt differs from the file");

    Key(t, Qt::Key_F11, Qt::ControlModifier | Qt::ShiftModifier);
    ChoosePort(t, "COM2");
}

// After the sale: the printer's own commands are done when its firmware is replaced.
FPRN_TOUR_STEP(FullUpdate, {700, "full firmware update on COM3", FullUpdate});

} // namespace

} // namespace fprn::console::tour
