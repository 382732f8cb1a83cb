// How fast the programming page is where an installer feels it. Reports the times; asserts nothing.
//
//     tarvex-program-page-benchmark [runs]      (5 by default)
//
// 1. Showing a model with 5,000 sub codes: the tree loaded from the tool database, the model and its
//    master code chosen on the page, the sub code list filled.
// 2. Sending the largest shipped model (every sub code, device scope) to an instantly replying simulated
//    terminal over loopback UDP: from pressing Send to the last programming command the terminal answered.

#include "OstrelOnFreeUdpPort.h"
#include "SimulatedTerminals.h"
#include "StderrPrompter.h"
#include "TerminalsHeard.h"
#include "config/ModelDialogRunner.h"
#include "model/DeviceModelList.h"
#include "model/ToolDatabase.h"
#include "program/ProgramPage.h"
#include "terminals/OstrelSession.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <vector>

namespace {

constexpr int kSubCodes = 5000;
constexpr int kWaitMs = 60000;

// A benchmark has nobody to click a message box: messages go to the error stream, questions are answered
// yes.
class NoModelDialog : public ModelDialogRunner {
public:
    Outcome run(Mode, DeviceModel*) override { return {}; }
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The shipped defaults plus a model with one digit-string master code of kSubCodes sub codes.
void makeToolDatabase() {
    if (!QDir().mkpath(QStringLiteral("DB")) ||
        !QFile::copy(QStringLiteral(TARVEX_WORK_DIR "/DB/Default.mdb"), QLatin1String(kToolDatabasePath)) ||
        !QFile::setPermissions(QLatin1String(kToolDatabasePath), QFile::ReadOwner | QFile::WriteOwner))
        fail("cannot copy the shipped defaults");
    sqlite3* database = nullptr;
    sqlite3_open(kToolDatabasePath, &database);
    sqlite3_exec(database,
                 "BEGIN; INSERT INTO tb_Terminal VALUES (9, 'ZV-BIG', '1234');"
                 "INSERT INTO tb_MasterCode (MasterCode, TerID, ProType, Function, HaveOrder, lDescribe,"
                 " rDescribe, CodeNum, Remark) VALUES (1, 9, 1, 'Users', 1, 'User', ' code', 4, 'many');",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(database, "INSERT INTO tb_SubCode VALUES (9, 1, ?, printf('%04d', ?))", -1, &insert,
                       nullptr);
    for (int subCode = 1; subCode <= kSubCodes; ++subCode) {
        sqlite3_bind_int(insert, 1, subCode);
        sqlite3_bind_int(insert, 2, subCode);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    if (sqlite3_exec(database, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("cannot write the large model");
    sqlite3_close(database);
}

void choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Programming commands in the simulator's frame log.
int commandsLogged(const QString& log) {
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<int>(file.readAll().count("\"command\":\"ConfigFunction\""));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        fail("no working folder");
    makeToolDatabase();
    StderrPrompter prompter;
    NoModelDialog dialog;
    const QString language = QStringLiteral(TARVEX_WORK_DIR "/DB/Chinese.mdb");

    std::vector<double> loads, shows;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        DeviceModelList models(prompter);
        models.Load();
        loads.push_back(timer.nsecsElapsed() / 1e6);
        const int big = static_cast<int>(models.Models().size()) - 1;
        if (big < 0 || models.Models()[big]->MasterCodes().front()->SubCodes().size() != kSubCodes)
            fail("the large model did not load whole");
        const OstrelSession stopped;
        CProgramPage page(
            prompter, language, models, stopped, [] { return nullptr; }, OstrelCommandExports(), dialog,
            [] {});
        page.show();
        timer.restart();
        choose(page.findChild<QComboBox*>(QStringLiteral("modelBox")), big);
        choose(page.findChild<QComboBox*>(QStringLiteral("masterCodeBox")), 0);
        QCoreApplication::processEvents();
        shows.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("model with %d sub codes: tool database loaded in %.1f ms, model and master code shown in "
                "%.1f ms (medians of %d)\n",
                kSubCodes, median(loads), median(shows), runs);

    // The largest shipped model to terminal 1.2 on loopback UDP.
    TerminalsHeard terminals;
    const int port = startOstrelOnFreeUdpPort(terminals.session);
    if (port == 0)
        fail("Ostrel did not start");
    const QString log = folder.filePath(QStringLiteral("frames.jsonl"));
    SimulatedTerminals sim;
    if (!sim.start(port,
                   {QStringLiteral("--type"), QStringLiteral("2"), QStringLiteral("--terminals"),
                    QStringLiteral("1.2"), QStringLiteral("--interval"), QStringLiteral("0")},
                   {QStringLiteral("--json"), log}) ||
        !QTest::qWaitFor([&] { return !terminals.addresses.isEmpty(); }, kWaitMs))
        fail("the simulated terminal did not come on line");

    DeviceModelList models(prompter);
    models.Load();
    int largest = 0;
    std::size_t largestCount = 0;
    for (std::size_t index = 0; index + 1 < models.Models().size(); ++index) {
        std::size_t count = 0;
        for (const auto& masterCode : models.Models()[index]->MasterCodes())
            count += masterCode->SubCodes().size();
        if (count > largestCount) {
            largestCount = count;
            largest = static_cast<int>(index);
        }
    }
    const TerminalEntry terminal{OSTREL_PORT_UDP, 1, 2, true, QStringLiteral("11.1.2")};
    CProgramPage page(
        prompter, language, models, terminals.session, [&terminal] { return &terminal; },
        OstrelCommandExports(), dialog, [] {});
    page.show();
    choose(page.findChild<QComboBox*>(QStringLiteral("modelBox")), largest);
    page.findChild<QRadioButton*>(QStringLiteral("sendScope.AllTerminal"))->click();
    auto* send = page.findChild<QPushButton*>(QStringLiteral("sendButton"));
    std::vector<double> sends;
    for (int run = 0; run < runs; ++run) {
        const int before = commandsLogged(log);
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(send, Qt::LeftButton);
        while (commandsLogged(log) < before + static_cast<int>(largestCount)) {
            if (timer.elapsed() > kWaitMs)
                fail("not every command arrived");
            QTest::qWait(1);
        }
        sends.push_back(timer.nsecsElapsed() / 1e6);
        // The page holds Send back until every command has its outcome; then the next run may press it.
        if (!QTest::qWaitFor([send] { return send->isEnabled(); }, kWaitMs))
            fail("Send stayed disabled");
    }
    std::printf("largest shipped model (%zu sub codes) sent whole over UDP: last command answered %.1f ms "
                "after Send (median of %d), %.0f commands/s\n",
                largestCount, median(sends), runs,
                1000.0 * static_cast<double>(largestCount) / median(sends));

    sim.stop();
    terminals.session.Stop();
    return 0;
}
