#include "progresslayout.h"

#include "label3d.h"

#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace fprn {

namespace {

const QColor Navy(0, 0, 128);
constexpr int ClientWidth = 326;
constexpr int ClientHeight = 210;

QFrame* MakeBevel(QWidget* parent, const char* name, const QRect& geometry, QFrame::Shadow shadow) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QString::fromLatin1(name));
    bevel->setFrameStyle(QFrame::Panel | shadow);
    bevel->setLineWidth(1);
    bevel->setGeometry(geometry);
    return bevel;
}

TLabel3D* MakeCaption(QWidget* parent, const char* name, const char* caption, const QPoint& at,
                      const QFont& font) {
    auto* label = new TLabel3D(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->move(at);
    label->adjustSize();
    return label;
}

QLabel* MakeValue(QWidget* parent, const char* name, const QPoint& at, const QFont& font) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Navy);
    label->setPalette(pal);
    label->move(at);
    return label;
}

} // namespace

void SetProgressCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

ProgressWidgets BuildProgressLayout(QDialog& dialog) {
    dialog.setFont(QFont(QStringLiteral("System")));
    dialog.setFixedSize(ClientWidth, ClientHeight);
    QPalette pal = dialog.palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    dialog.setPalette(pal);
    dialog.setAutoFillBackground(true);

    MakeBevel(&dialog, "Bevel1", QRect(8, 8, 313, 153), QFrame::Raised);
    MakeBevel(&dialog, "Bevel2", QRect(24, 24, 281, 25), QFrame::Sunken);
    MakeBevel(&dialog, "Bevel3", QRect(24, 56, 281, 25), QFrame::Sunken);
    MakeBevel(&dialog, "Bevel4", QRect(24, 88, 281, 25), QFrame::Sunken);

    ProgressWidgets w;
    QFont labelFont(QStringLiteral("Times New Roman"));
    labelFont.setPixelSize(15);
    w.label3D1 = MakeCaption(&dialog, "Label3D1", "Status:", QPoint(32, 28), labelFont);
    w.label3D2 = MakeCaption(&dialog, "Label3D2", "Current package:", QPoint(32, 60), labelFont);
    w.label3D3 = MakeCaption(&dialog, "Label3D3", "Total Packages:", QPoint(32, 92), labelFont);
    w.statusLabel = MakeValue(&dialog, "StatusLabel", QPoint(88, 28), labelFont);
    w.curLabel = MakeValue(&dialog, "CurLabel", QPoint(168, 60), labelFont);
    w.totalLabel = MakeValue(&dialog, "TotalLabel", QPoint(160, 92), labelFont);
    SetProgressCaption(w.statusLabel, QString());
    SetProgressCaption(w.curLabel, QStringLiteral("123"));
    SetProgressCaption(w.totalLabel, QStringLiteral("456"));

    w.progressBar = new QProgressBar(&dialog);
    w.progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    w.progressBar->setGeometry(24, 120, 281, 15);
    w.progressBar->setTextVisible(false);
    w.progressBar->setRange(0, 100);
    w.progressBar->setValue(0);

    QStyle* style = dialog.style();
    w.okBtn = new QPushButton(style->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("&OK"),
                              &dialog);
    w.okBtn->setObjectName(QStringLiteral("OKBtn"));
    w.okBtn->setGeometry(58, 172, 75, 28);
    w.okBtn->setDefault(true);
    w.okBtn->hide();
    w.cancelBtn = new QPushButton(style->standardIcon(QStyle::SP_DialogCancelButton),
                                  QStringLiteral("Cancel"), &dialog);
    w.cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    w.cancelBtn->setGeometry(126, 172, 75, 28);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->geometry().center() - dialog.rect().center());
    return w;
}

} // namespace fprn
