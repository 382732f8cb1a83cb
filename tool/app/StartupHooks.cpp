#include "app/StartupHooks.h"

#include "main/MainDlg.h"

#include <QFile>
#include <QPixmap>
#include <QTimer>

StartupHooks::StartupHooks(CMainDlg& mainDlg)
    : m_mainDlg(mainDlg), m_screenshotPath(qEnvironmentVariable("TARVEX_SCREENSHOT")),
      m_markerPath(qEnvironmentVariable("TARVEX_QUIT_AFTER_START")) {
    if (m_screenshotPath.isEmpty() && m_markerPath.isEmpty())
        return;
    // Runs from the window's own event loop, so after it has been shown.
    QTimer::singleShot(0, &m_mainDlg, [this] { Run(); });
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
