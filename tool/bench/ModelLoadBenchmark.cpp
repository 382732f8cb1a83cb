// How long the tool takes at start to load the model tree of a large tool database: 200 models with 30
// master codes each and 50 sub codes per master code (300,000 sub codes), first with the database's
// indexes, then with them dropped. Reports the times; asserts nothing.
//
//     tarvex-model-load-benchmark [runs]      (runs with the indexes, 5 by default; one run without)
//
// Without the indexes every master code's query reads the whole sub code table: expect a minute or more.

#include "StderrPrompter.h"
#include "model/DeviceModelList.h"
#include "model/ToolDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <vector>

namespace {

constexpr int kModels = 200;
constexpr int kMasterCodesPerModel = 30;
constexpr int kSubCodesPerMasterCode = 50;

// A benchmark has nobody to click a message box: messages go to the error stream.
[[noreturn]] void fail(sqlite3* database, const char* what) {
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(database));
    std::exit(1);
}

void exec(sqlite3* database, const char* sql) {
    if (sqlite3_exec(database, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(database, sql);
}

sqlite3_stmt* prepare(sqlite3* database, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, sql, -1, &statement, nullptr) != SQLITE_OK)
        fail(database, sql);
    return statement;
}

void step(sqlite3* database, sqlite3_stmt* statement) {
    if (sqlite3_step(statement) != SQLITE_DONE)
        fail(database, "insert");
    sqlite3_reset(statement);
}

// The tool database with its schema and the large tree, written in one transaction.
void createLargeToolDatabase(const QByteArray& schema) {
    sqlite3* database = nullptr;
    if (sqlite3_open(kToolDatabasePath, &database) != SQLITE_OK)
        fail(database, kToolDatabasePath);
    exec(database, schema.constData());
    exec(database, "BEGIN");
    sqlite3_stmt* model =
        prepare(database, "INSERT INTO tb_Terminal(TerName,TerID,AdminPsw) VALUES(?,?,'123456')");
    sqlite3_stmt* masterCode =
        prepare(database, "INSERT INTO tb_MasterCode(MasterCode,TerID,ProType,Function,"
                          "HaveOrder,lDescribe,rDescribe,CodeNum,Remark) "
                          "VALUES(?,?,1,'防区类型',1,'防区','类型',4,'每个防区的类型')");
    sqlite3_stmt* subCode =
        prepare(database, "INSERT INTO tb_SubCode(TerID,MasterCode,SubCode,CodeValue) VALUES(?,?,?,?)");
    for (int terId = 0; terId < kModels; ++terId) {
        const QByteArray name =
            QStringLiteral("ZV-P%1 报警主机").arg(terId, 3, 10, QLatin1Char('0')).toUtf8();
        sqlite3_bind_text(model, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(model, 2, terId);
        step(database, model);
        for (int code = 1; code <= kMasterCodesPerModel; ++code) {
            sqlite3_bind_int(masterCode, 1, code);
            sqlite3_bind_int(masterCode, 2, terId);
            step(database, masterCode);
            for (int sub = 1; sub <= kSubCodesPerMasterCode; ++sub) {
                char value[16];
                std::snprintf(value, sizeof value, "%04d", sub * 7);
                sqlite3_bind_int(subCode, 1, terId);
                sqlite3_bind_int(subCode, 2, code);
                sqlite3_bind_int(subCode, 3, sub);
                sqlite3_bind_text(subCode, 4, value, -1, SQLITE_TRANSIENT);
                step(database, subCode);
            }
        }
    }
    sqlite3_finalize(model);
    sqlite3_finalize(masterCode);
    sqlite3_finalize(subCode);
    exec(database, "COMMIT");
    sqlite3_close(database);
}

void dropIndexes() {
    sqlite3* database = nullptr;
    if (sqlite3_open(kToolDatabasePath, &database) != SQLITE_OK)
        fail(database, kToolDatabasePath);
    exec(database, "DROP INDEX ix_MasterCode_TerID; DROP INDEX ix_SubCode_TerID_MasterCode");
    sqlite3_close(database);
}

// One load of the whole tree, in seconds; checks that the tree is whole.
double timedLoad(Prompter& prompter) {
    DeviceModelList models(prompter);
    const auto start = std::chrono::steady_clock::now();
    const ToolDatabaseLoad load = models.Load();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::size_t subCodes = 0;
    for (const auto& model : models.Models()) {
        for (const auto& masterCode : model->MasterCodes())
            subCodes += masterCode->SubCodes().size();
    }
    if (models.Models().size() != kModels ||
        subCodes != std::size_t{kModels} * kMasterCodesPerModel * kSubCodesPerMasterCode) {
        std::fprintf(stderr, "the tree is not whole: %zu models, %zu sub codes (%s)\n",
                     models.Models().size(), subCodes, qPrintable(load.reason));
        std::exit(1);
    }
    return elapsed.count();
}

void report(const char* label, std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    std::printf("%-18s median %7.3f s   best %7.3f s   (%zu runs)\n", label, seconds[seconds.size() / 2],
                seconds.front(), seconds.size());
}

} // namespace

int main(int argc, char** argv) {
    // Each line as soon as it is known, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QFile schemaFile(QStringLiteral(TARVEX_TOOL_SCHEMA));
    if (!schemaFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", TARVEX_TOOL_SCHEMA);
        return 1;
    }
    const QByteArray schema = schemaFile.readAll();

    // The tool finds its database relative to the working folder.
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()) || !QDir().mkdir(QStringLiteral("DB"))) {
        std::fprintf(stderr, "cannot prepare a working folder\n");
        return 1;
    }
    createLargeToolDatabase(schema);
    std::printf("tool database: %d models, %d master codes, %d sub codes, %lld bytes\n", kModels,
                kModels * kMasterCodesPerModel, kModels * kMasterCodesPerModel * kSubCodesPerMasterCode,
                static_cast<long long>(QFile(QLatin1String(kToolDatabasePath)).size()));

    StderrPrompter prompter;
    std::vector<double> indexed;
    for (int run = 0; run < runs; ++run)
        indexed.push_back(timedLoad(prompter));
    report("with indexes", indexed);

    dropIndexes();
    report("without indexes", {timedLoad(prompter)});
    return 0;
}
