#include "about.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace fprn::itemeditor {

namespace {

constexpr int kClientWidth = 382;
constexpr int kClientHeight = 260;

QLabel* AddLabel(QWidget* parent, const QString& text, int y, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    label->setGeometry(264, y, 110, 20);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About...");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);

    auto* picture = new QLabel(this);
    picture->setObjectName("ProgramIcon");
    picture->setPixmap(QPixmap::fromImage(Picture()));
    picture->setGeometry(8, 8, 240, 180);

    AddLabel(this, "PLU EDITOR", 24, false)->setObjectName("ProductName");
    AddLabel(this, QStringLiteral("Version ") + kEditorVersion, 60, false)
        ->setObjectName("Version");
    AddLabel(this, "2002", 96, true)->setObjectName("Copyright");
    AddLabel(this, "Build 2002-05-16", 132, false)->setObjectName("Comments");

    auto* line = new QFrame(this);
    line->setObjectName("Bevel1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Raised);
    line->setGeometry(8, 198, kClientWidth - 16, 4);

    okButton_ = new QPushButton("&OK", this);
    okButton_->setObjectName("OKButton");
    okButton_->setDefault(true);
    okButton_->setGeometry((kClientWidth - 80) / 2, 216, 80, 28);
    connect(okButton_, &QPushButton::clicked, this, [this] { OKButtonClick(); });
}

void TAboutBox::OKButtonClick() {
    accept();
}

void TAboutBox::showEvent(QShowEvent* e) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(e);
    okButton_->setFocus(Qt::OtherFocusReason);
}

QImage TAboutBox::Picture() {
    // A receipt leaving a small printer, over a strip of the item table.
    QImage image(240, 180, QImage::Format_RGB32);
    image.fill(QColor(0x00, 0x00, 0x80));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 180);
    sky.setColorAt(0, QColor(0x20, 0x30, 0x90));
    sky.setColorAt(1, QColor(0x00, 0x00, 0x50));
    p.fillRect(image.rect(), sky);
    // The table strip.
    p.setPen(QColor(0x80, 0x90, 0xD0));
    for (int y = 120; y <= 172; y += 13) p.drawLine(8, y, 232, y);
    for (int x : {8, 40, 120, 160, 200, 232}) p.drawLine(x, 120, x, 172);
    // The printer.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC0, 0xC0, 0xC8));
    p.drawRoundedRect(QRectF(60, 62, 120, 46), 8, 8);
    p.setBrush(QColor(0x50, 0x50, 0x58));
    p.drawRect(QRectF(80, 60, 80, 6));
    p.setBrush(QColor(0x40, 0xE0, 0x60));
    p.drawEllipse(QPointF(164, 92), 4, 4);
    // The receipt with its lines.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(88, 14, 64, 50));
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 2));
    for (int y = 24; y <= 54; y += 8) p.drawLine(96, y, y % 16 ? 132 : 144, y);
    return image;
}

} // namespace fprn::itemeditor
