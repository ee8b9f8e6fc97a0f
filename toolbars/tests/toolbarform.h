#pragma once
// The toolbar scenarios' form: 800x600 at the screen's corner with top, bottom and left docks, the
// editor's main toolbar (four 23x22 glyph buttons, a separator before the last), and pointer moves
// sent through the platform path (the window under the pointer, else the form).
#include "dockcontrols.h"
#include "docktoolbar.h"
#include "toolbartest.h"

#include <QWindow>

namespace fprn::toolbars::test {

inline QImage TestGlyph() {
    QImage g(32, 16, QImage::Format_RGB32);
    g.fill(qRgb(255, 0, 255));
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x) g.setPixel(x, y, qRgb(0, 0, 128));
    return g;
}

struct ToolbarForm {
    ToolbarForm() : f(true) {
        f.form.setGeometry(0, 0, 800, 600);
        bar = new TToolbar;
        bar->setObjectName("MainToolbar");
        bar->SetCaption("Main");
        for (int i = 0; i < 4; ++i) {
            if (i == 3) sep = new TToolbarSep(bar);
            auto* b = new TToolbarButton(bar);
            b->SetGlyph(TestGlyph());
            b->SetDisplayMode(dmGlyphOnly);
            b->SetOpaque(false);
            buttons.push_back(b);
        }
        bar->SetParent(f.top);
        f.Show();
    }
    QPoint Global(QWidget* w, QPoint p) const { return w->mapToGlobal(p); }
    // The platform delivers events to the window under the pointer, or to the grabbing one.
    static QWindow* WindowAt(QPoint global, QWidget* fallback) {
        QWidget* top = QApplication::topLevelAt(global);
        if (!top || !top->windowHandle()) top = fallback;
        return top->windowHandle();
    }
    void Press(QPoint global, Qt::KeyboardModifiers m = {}, Qt::MouseButton b = Qt::LeftButton) {
        QWindow* w = WindowAt(global, &f.form);
        QTest::mousePress(w, b, m, w->mapFromGlobal(global));
        last = global;
    }
    void Move(QPoint global) {
        QWindow* w = WindowAt(global, &f.form);
        QTest::mouseMove(w, w->mapFromGlobal(global));
        last = global;
    }
    void Release(QPoint global, Qt::MouseButton b = Qt::LeftButton) {
        QWindow* w = WindowAt(global, &f.form);
        QTest::mouseRelease(w, b, {}, w->mapFromGlobal(global));
        Settle();
    }
    void DoubleClick(QPoint global) {
        QWindow* w = WindowAt(global, &f.form);
        QTest::mouseDClick(w, Qt::LeftButton, {}, w->mapFromGlobal(global));
        Settle();
    }
    Form f;
    TToolbar* bar;
    TToolbarSep* sep = nullptr;
    std::vector<TToolbarButton*> buttons;
    QPoint last;
};

// The outline's screen rectangle and ring thickness, or an empty rectangle while none shows.
inline std::pair<QRect, int> Outline() {
    QWidget* o = DragOutlineWindow();
    if (!o) return {{}, 0};
    const QRegion inner = QRegion(o->rect()).subtracted(o->mask());
    return {o->geometry(), inner.boundingRect().x()};
}

} // namespace fprn::toolbars::test
