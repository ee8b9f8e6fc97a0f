#pragma once
// A static label that paints its caption twice: a shadow one pixel right and below, then the
// caption itself, so that the text looks raised.
#include <QColor>
#include <QLabel>

namespace fprn {

class TLabel3D : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QColor ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)

public:
    // Grows the initial size by one pixel each way so that the shadow fits.
    explicit TLabel3D(QWidget* parent = nullptr);
    explicit TLabel3D(const QString& caption, QWidget* parent = nullptr);

    // Defaults to the palette's button highlight (the light 3D edge colour).
    QColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(const QColor& color);

    // A transparent label leaves what lies beneath it as its background.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    // "&" marks the next character as an accelerator (underlined); off, it is drawn as is.
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor shadowColor_;
    bool transparent_ = false;
    bool showAccelChar_ = true;
};

} // namespace fprn
