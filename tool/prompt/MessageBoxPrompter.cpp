#include "prompt/MessageBoxPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

void MessageBoxPrompter::inform(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool MessageBoxPrompter::confirm(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

QString MessageBoxPrompter::askSavePath(const QString& caption, const QString& suggestedPath,
                                        const QString& filter) {
    // The dialog asks before it replaces a file that exists.
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, suggestedPath, filter);
}
