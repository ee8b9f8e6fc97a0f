#include "filedialog.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QMessageBox>

namespace fprn {

QString RunFileDialog(QFileDialog& dialog) {
    // The name field's completion list is a window of its own. Enter in it closes the dialog,
    // but the list hides only once its field loses the focus, which the field of a closed
    // dialog keeps while the list holds the keyboard: left on screen, it takes the next click
    // and keys, and Qt ignores the activation of the window beneath while it shows.
    const QMetaObject::Connection closing =
        QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog] {
            for (QCompleter* completer : dialog.findChildren<QCompleter*>())
                if (completer->popup()->isVisible()) completer->popup()->hide();
        });
    const int result = dialog.exec();
    QObject::disconnect(closing);
    if (result != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

TSaveDialog::TSaveDialog(QWidget* parent) : QFileDialog(parent) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
}

void TSaveDialog::accept() {
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QFileInfo chosen(files.first());
        if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("%1\nDirectory not found.\nPlease verify the correct "
                                    "directory name was given.")
                                     .arg(QDir::toNativeSeparators(chosen.absolutePath())));
            return;
        }
    }
    QFileDialog::accept();
}

} // namespace fprn
