#pragma once

#include "activity/ActivityLog.h"

#include <QGroupBox>
#include <QIdentityProxyModel>
#include <cstdint>

class Captions;
class CGridmaraView;
class Prompter;
class QLabel;
class QPushButton;

// The main window's pane of command activity: the activity log in a Gridmara list, results coloured by
// fate, the newest row kept in sight while the list is scrolled to its end; a line telling how many
// outcomes were lost on their way from Ostrel; Clear, and Save as CSV, which writes the rows as shown to a
// file the user chooses and tells why when it cannot, losing nothing in the list.
class ActivityPane : public QGroupBox {
    Q_OBJECT
public:
    // Its title and buttons are entered in the window's `captions`.
    ActivityPane(ActivityLog& log, Prompter& prompter, Captions& captions, QWidget* parent = nullptr);

    // The texts of the main window's table, once they are known: the column titles and the messages.
    void SetTexts(const TextTable& texts);

    // Outcomes of frames that never reached the log, whose rows stay queued.
    void AddLostOutcomes(std::uint64_t count);

private:
    // The log with its results in the colours of their fates.
    class FateColours : public QIdentityProxyModel {
    public:
        using QIdentityProxyModel::QIdentityProxyModel;
        QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    };

    void OnClear();
    void OnSave();
    void ShowLost();

    ActivityLog& m_log;
    Prompter& m_prompter;
    FateColours m_coloured;
    CGridmaraView* m_list = nullptr;
    QLabel* m_lostLine = nullptr;
    // Whether the list was scrolled to its end before the rows now coming in.
    bool m_followNewest = true;
    std::uint64_t m_lost = 0;
    QString m_lostWording;
    QString m_saveCaption;
    QString m_saveFailedWording;
};
