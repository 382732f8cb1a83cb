#include "activity/ActivityPane.h"

#include "activity/CsvFile.h"
#include "forms/CaptionedControls.h"
#include "forms/Captions.h"
#include "forms/ListLook.h"
#include "gridmara/CGridmaraView.h"
#include "gridmara/CQvHeaderCtrl.h"
#include "prompt/Prompter.h"

#include <QColor>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int kAlignLeft = 0;
constexpr int kAlignCentre = 2;
constexpr int kColumnWidths[] = {120, 70, 205, 150};
// Below the pages the pane has little height at the window's initial size: the header and three rows at
// least, the newest of them in sight.
constexpr int kLeastRows = 3;
static_assert(std::size(kColumnWidths) == ActivityLog::ColumnCount);

// Readable on the list's white rows: what went wrong in the warning red of the failure line, answers green.
const QColor kFailedColour(0xa0, 0x00, 0x00);
const QColor kAnsweredColour(0x00, 0x70, 0x00);

} // namespace

QVariant ActivityPane::FateColours::data(const QModelIndex& index, int role) const {
    if (role != Qt::ForegroundRole || index.column() != ActivityLog::ResultColumn)
        return QIdentityProxyModel::data(index, role);
    switch (ActivityLog::Fate(index.data(ActivityLog::FateRole).toInt())) {
    case ActivityLog::Fate::Queued:
        return {};
    case ActivityLog::Fate::Answered:
        return kAnsweredColour;
    default:
        return kFailedColour;
    }
}

ActivityPane::ActivityPane(ActivityLog& log, Prompter& prompter, Captions& captions, QWidget* parent)
    : QGroupBox(parent), m_log(log), m_prompter(prompter) {
    setObjectName(QStringLiteral("activityPane"));
    captions.add("ActTitle", this);
    m_coloured.setSourceModel(&m_log);
    m_list = new CGridmaraView(this);
    m_list->setObjectName(QStringLiteral("activityList"));
    SetUpList(*m_list);
    // A log reads in the order things happened: its header does not sort it.
    m_list->setSortingEnabled(false);
    m_list->setModel(&m_coloured);
    m_lostLine = new QLabel(this);
    m_lostLine->setObjectName(QStringLiteral("activityLostLine"));
    m_lostLine->setWordWrap(true);
    m_lostLine->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_lostLine->hide();

    // New rows scroll into sight only while the user is not reading older ones.
    connect(&m_log, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* bar = m_list->verticalScrollBar();
        m_followNewest = bar->value() == bar->maximum();
    });
    connect(&m_log, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_followNewest)
            m_list->scrollToBottom();
    });

    m_list->setMinimumHeight(m_list->Header().sizeHint().height() + kLeastRows * m_list->RowHeight() +
                             2 * m_list->frameWidth());

    // The buttons beside the list, where they take no row of its height.
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(
        MakeButton(captions, this, "ActClear", "activityClearButton", this, &ActivityPane::OnClear));
    buttons->addWidget(
        MakeButton(captions, this, "ActSave", "activitySaveButton", this, &ActivityPane::OnSave));
    buttons->addStretch(1);
    auto* listAndButtons = new QHBoxLayout;
    listAndButtons->addWidget(m_list, 1);
    listAndButtons->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    // No margin above or below: at the window's initial size the pane's height is what the pages leave.
    layout->setContentsMargins(layout->contentsMargins().left(), 0, layout->contentsMargins().right(), 0);
    layout->addLayout(listAndButtons, 1);
    layout->addWidget(m_lostLine);
}

void ActivityPane::SetTexts(const TextTable& texts) {
    m_log.SetTexts(texts);
    for (int column = 0; column < ActivityLog::ColumnCount; ++column)
        m_list->InsertColumn(column, m_log.headerData(column, Qt::Horizontal).toString(),
                             column == ActivityLog::TerminalColumn ? kAlignCentre : kAlignLeft,
                             kColumnWidths[column]);
    m_lostWording = texts.text("ActLost");
    m_saveCaption = texts.text("ActSaveTitle");
    m_saveFailedWording = texts.text("ActSaveFailed");
}

void ActivityPane::AddLostOutcomes(std::uint64_t count) {
    m_lost += count;
    ShowLost();
}

void ActivityPane::ShowLost() {
    m_lostLine->setText(m_lostWording.arg(m_lost));
    m_lostLine->setVisible(m_lost > 0);
}

void ActivityPane::OnClear() {
    m_log.Clear();
    m_lost = 0;
    ShowLost();
}

void ActivityPane::OnSave() {
    const QString suggested =
        QStringLiteral("activity-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = m_prompter.askSavePath(m_saveCaption, suggested, QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!WriteCsvFile(m_log, path, error))
        m_prompter.inform(m_saveFailedWording.arg(path, error));
}
