#include "label3d.h"

#include <QPainter>

namespace fprn {

namespace {
constexpr int MaxCaption = 255;
}

TLabel3D::TLabel3D(QWidget* parent) : TLabel3D(QString(), parent) {}

TLabel3D::TLabel3D(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    shadowColor_ = palette().color(QPalette::Active, QPalette::Light);
    resize(width() + 1, height() + 1);
}

void TLabel3D::SetShadowColor(const QColor& color) {
    if (color == shadowColor_) return;
    shadowColor_ = color;
    update();
}

void TLabel3D::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    update();
}

void TLabel3D::SetShowAccelChar(bool show) {
    if (show == showAccelChar_) return;
    showAccelChar_ = show;
    update();
}

QSize TLabel3D::sizeHint() const {
    return QLabel::sizeHint() + QSize(1, 1);
}

QSize TLabel3D::minimumSizeHint() const {
    return QLabel::minimumSizeHint() + QSize(1, 1);
}

void TLabel3D::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = rect();
    if (!transparent_) painter.fillRect(client, palette().color(backgroundRole()));

    // Word breaking always applies, whatever the word-wrap setting; text sits at the top.
    int flags = Qt::AlignTop | Qt::TextExpandTabs | Qt::TextWordWrap;
    Qt::Alignment h = alignment() & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignRight)
        flags |= Qt::AlignRight;
    else if (h & Qt::AlignHCenter)
        flags |= Qt::AlignHCenter;
    else
        flags |= Qt::AlignLeft;
    if (showAccelChar_) flags |= Qt::TextShowMnemonic;

    const QString caption = text().left(MaxCaption);
    painter.setFont(font());
    painter.setBrush(Qt::NoBrush);
    painter.setPen(shadowColor_);
    painter.drawText(client.translated(1, 1), flags, caption);
    painter.setPen(isEnabled() ? palette().color(QPalette::Active, foregroundRole())
                               : palette().color(QPalette::Disabled, QPalette::WindowText));
    painter.drawText(client, flags, caption);
}

} // namespace fprn
