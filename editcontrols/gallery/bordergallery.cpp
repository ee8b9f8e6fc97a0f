// Renders every edit border style, with its variants, to PNG files for a person to look at:
// one sheet per style (plain, hot, shadow, edge subsets, disabled) at 1x and magnified 4x.
// Usage: edit_border_gallery [output folder]   (default: the current folder)
#include "inplaceedit.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QGridLayout>
#include <QImage>
#include <QLabel>

#include <cstdio>

using namespace fprn::editcontrols;

namespace {

// Shows its text as an edit of the library does.
class GalleryEdit : public TInplaceEdit {
public:
    using TInplaceEdit::TInplaceEdit;
    bool HasEditWindow() const override { return true; }
};

struct Variant {
    const char* caption;
    TEditEdges edges;
    bool shadow;
    bool hot;
    bool enabled;
};

const char* StyleName(TEditBorderStyle s) {
    switch (s) {
    case xbsNone:
        return "xbsNone";
    case xbsSingle:
        return "xbsSingle";
    case xbsThick:
        return "xbsThick";
    case xbsFlat:
        return "xbsFlat";
    case xbs3D:
        return "xbs3D";
    }
    return "?";
}

bool Save(const QImage& image, const QString& path) {
    if (image.save(path)) {
        std::printf("%s\n", path.toLocal8Bit().constData());
        return true;
    }
    std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const Variant variants[] = {
        {"all edges", kAllEdges, false, false, true},
        {"hot (hot tracking)", kAllEdges, false, true, true},
        {"shadow", kAllEdges, true, false, true},
        {"no top edge", {edgLeft, edgRight, edgBottom}, false, false, true},
        {"left and top", {edgLeft, edgTop}, false, false, true},
        {"bottom only, shadow", {edgBottom}, true, false, true},
        {"disabled", kAllEdges, false, false, false},
    };
    bool ok = true;
    for (int s = xbsNone; s <= xbs3D; ++s) {
        const auto style = static_cast<TEditBorderStyle>(s);
        QWidget sheet;
        sheet.setAutoFillBackground(true);
        auto* grid = new QGridLayout(&sheet);
        int row = 0;
        for (const Variant& v : variants) {
            grid->addWidget(new QLabel(QString::fromLatin1(v.caption), &sheet), row, 0);
            auto* edit = new GalleryEdit(&sheet);
            edit->setFixedSize(121, 21);
            edit->setText(QStringLiteral("1234.56"));
            edit->Style().SetBorderStyle(style);
            edit->Style().SetEdges(v.edges);
            edit->Style().SetShadow(v.shadow);
            edit->Style().SetHotTrack(v.hot);
            edit->setEnabled(v.enabled);
            grid->addWidget(edit, row, 1);
            if (v.hot) {
                QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
                QApplication::sendEvent(edit, &enter);
            }
            ++row;
        }
        sheet.adjustSize();
        QImage image(sheet.size(), QImage::Format_RGB32);
        sheet.render(&image);
        const QString base = outDir + QStringLiteral("/edit_border_") + StyleName(style);
        ok = Save(image, base + QStringLiteral(".png")) && ok;
        ok = Save(image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation),
                  base + QStringLiteral("_x4.png")) &&
             ok;
    }
    return ok ? 0 : 1;
}
