#include "app/StartupHooks.h"

#include "main/MainDlg.h"

#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

StartupHooks::StartupHooks(CMainDlg& mainDlg)
    : m_mainDlg(mainDlg), m_screenshotPath(qEnvironmentVariable("TARVEX_SCREENSHOT")),
      m_markerPath(qEnvironmentVariable("TARVEX_QUIT_AFTER_START")),
      m_demoPorts(qEnvironmentVariable("TARVEX_DEMO_PORTS").split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    bool pageGiven = false;
    const int page = qEnvironmentVariableIntValue("TARVEX_PAGE", &pageGiven);
    if (pageGiven)
        m_mainDlg.findChild<QTabWidget*>(QStringLiteral("pageTab"))->setCurrentIndex(page);
    bool sortGiven = false;
    const int sortColumn = qEnvironmentVariableIntValue("TARVEX_SORT", &sortGiven);
    if (sortGiven)
        m_mainDlg.findChild<QTableView*>(QStringLiteral("terminalList"))
            ->sortByColumn(sortColumn, Qt::AscendingOrder);
    if (qEnvironmentVariableIsSet("TARVEX_FILTER"))
        m_mainDlg.findChild<QLineEdit*>(QStringLiteral("terminalFilter"))
            ->setText(qEnvironmentVariable("TARVEX_FILTER"));
    // Runs from the window's own event loop, so after it has been shown.
    if (!m_demoPorts.isEmpty())
        QTimer::singleShot(0, &m_mainDlg, [this] { StartPorts(); });
    else if (!m_screenshotPath.isEmpty() || !m_markerPath.isEmpty())
        QTimer::singleShot(0, &m_mainDlg, [this] { Run(); });
}

void StartupHooks::StartPorts() {
    // What a person does: type each port, add it, press start.
    auto* newPort = m_mainDlg.findChild<QLineEdit*>(QStringLiteral("newPort"));
    auto* addPort = m_mainDlg.findChild<QPushButton*>(QStringLiteral("addPortButton"));
    for (const QString& port : m_demoPorts) {
        newPort->setText(port);
        addPort->click();
    }
    m_mainDlg.findChild<QPushButton*>(QStringLiteral("startButton"))->click();
    if (!m_screenshotPath.isEmpty() || !m_markerPath.isEmpty())
        WaitForTerminals();
}

void StartupHooks::WaitForTerminals() {
    constexpr int kCheckMs = 250;
    constexpr int kQuietChecks = 6;
    constexpr int kMostChecks = 40;
    const int count = m_mainDlg.Terminals().size();
    m_quietChecks = count > 0 && count == m_lastCount ? m_quietChecks + 1 : 0;
    m_lastCount = count;
    if (m_quietChecks >= kQuietChecks || ++m_checks >= kMostChecks) {
        Run();
        return;
    }
    QTimer::singleShot(kCheckMs, &m_mainDlg, [this] { WaitForTerminals(); });
}

void StartupHooks::Run() {
    if (!m_screenshotPath.isEmpty() && !m_mainDlg.grab().save(m_screenshotPath, "PNG"))
        qWarning("tarvex: cannot save the screenshot %s", qPrintable(m_screenshotPath));
    if (!m_markerPath.isEmpty()) {
        QFile marker(m_markerPath);
        const QString language = m_mainDlg.RadioChoice() == LanguageSettings::English
                                     ? QStringLiteral("English")
                                     : QStringLiteral("Chinese");
        const QByteArray line =
            (m_mainDlg.windowTitle() + QLatin1Char('\t') + language + QLatin1Char('\n')).toUtf8();
        // One write, so that a reader never sees half a line.
        if (!marker.open(QIODevice::Append) || marker.write(line) != line.size())
            qWarning("tarvex: cannot write the start-up marker %s", qPrintable(m_markerPath));
    }
    m_mainDlg.reject();
}
