#pragma once

#include "gridmara/CGridmaraView.h"
#include "main/MainDlg.h"
#include "support/FreeUdpPort.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

// What a user does in the main window, by its buttons and lists, for the programs that drive a real one.
namespace main_window_user {

inline QPushButton* button(CMainDlg& window, const char* name) {
    return window.findChild<QPushButton*>(QLatin1String(name));
}

// Types a UDP port that was free a moment ago, adds it and presses Start, trying the next one when another
// program was quicker. Returns the port, or 0 when none would start.
inline int startOnFreeUdpPort(CMainDlg& window) {
    auto* ports = window.findChild<QListWidget*>(QStringLiteral("portList"));
    int port = 0;
    for (int attempt = 0; attempt < 5 && !button(window, "stopButton")->isVisible(); ++attempt) {
        button(window, "stopButton")->click();
        // The list holds one UDP port: the one that could not be bound leaves before the next is added.
        ports->setCurrentRow(0);
        button(window, "deletePortButton")->click();
        port = freeUdpPort();
        window.findChild<QLineEdit*>(QStringLiteral("newPort"))->setText(QString::number(port));
        button(window, "addPortButton")->click();
        button(window, "startButton")->click();
    }
    return button(window, "stopButton")->isVisible() ? port : 0;
}

// Selects the terminal list's row of `address`; false when the list has none.
inline bool selectTerminal(CMainDlg& window, const QString& address) {
    auto* list = window.findChild<CGridmaraView*>(QStringLiteral("terminalList"));
    for (int row = 0; row < list->model()->rowCount(); ++row)
        if (list->model()->index(row, 0).data().toString() == address)
            list->selectRow(row);
    return window.SelectedTerminal() != nullptr && window.SelectedTerminal()->addressText == address;
}

// Clears the display of the selected terminal from the base control page.
inline void clearDisplay(CMainDlg& window) {
    window.findChild<QRadioButton*>(QStringLiteral("ledAction.LedClean"))->click();
    button(window, "ledSend")->click();
}

// The activity pane's rows as it shows them.
inline const QAbstractItemModel& activity(CMainDlg& window) {
    return *window.findChild<CGridmaraView*>(QStringLiteral("activityList"))->model();
}

inline QStringList activityColumn(CMainDlg& window, int column) {
    QStringList texts;
    for (int row = 0; row < activity(window).rowCount(); ++row)
        texts.append(activity(window).index(row, column).data().toString());
    return texts;
}

} // namespace main_window_user
