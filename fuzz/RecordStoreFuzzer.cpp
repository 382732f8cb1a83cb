// fuzz-record-store: the tool's record store and model tree with any values and names (quotes, percent
// signs, zero characters, halves of surrogate pairs, very long texts). What is written must read back
// exactly, or be refused with a reason; the tree must always equal what the tool database holds.
//
// Runs in a working folder of its own, made in $TMPDIR at start and removed at exit (run-fuzz-target puts it
// on a RAM disk: every change is a transaction, and syncing a disk for each would make runs slow). A crash
// leaves it behind, and an artifact given by a relative path lands in it: give -artifact_prefix absolute.
#include "FuzzInput.h"
#include "RecordStoreProgram.h"
#include "Require.h"
#include "model/DeviceModelList.h"
#include "model/ToolDatabase.h"
#include "prompt/Prompter.h"
#include "store/AdoConnection.h"
#include "store/AdoRecordSet.h"
#include "store/SqlStatement.h"
#include "store/Transaction.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sqlite3.h>
#include <unistd.h>

namespace {

const QString kValuesDatabase = QStringLiteral("DB/Values.mdb");

// The folder the run works in, removed when the process ends.
std::filesystem::path workingFolder;

class SilentPrompter : public Prompter {
public:
    void inform(const QString& text) override { FUZZ_REQUIRE(false, "told the user: %s", qPrintable(text)); }
    bool confirm(const QString&, const QString&) override { return true; }
    QString askSavePath(const QString&, const QString&, const QString&) override { return {}; }
};

bool runSql(const QString& path, const char* sql, bool create) {
    sqlite3* database = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    bool done =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &database, flags, nullptr) == SQLITE_OK &&
        sqlite3_exec(database, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(database);
    return done;
}

QByteArray readFile(const char* path) {
    QFile file(QString::fromUtf8(path));
    FUZZ_REQUIRE(file.open(QIODevice::ReadOnly), "cannot read %s", path);
    return file.readAll();
}

// Whether the database can hold the text as it is: SQL text carries no zero character, UTF-8 no half of a
// surrogate pair.
bool storable(const QString& text) {
    return !text.contains(QChar(u'\0')) && text.isValidUtf16();
}

// A text for a failure message: its length and its start, characters below a space and surrogates escaped.
QString describe(const QString& text) {
    QString shown;
    for (const QChar c : text.left(40))
        shown += c.unicode() < 0x20 || c.isSurrogate()
                     ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                     : QString(c);
    return QStringLiteral("%1 characters \"%2\"").arg(text.size()).arg(shown);
}

QString readText(FuzzInput& in) {
    const int kind = in.byte() % RecordStoreProgram::kTextKinds;
    const auto bytes = in.sized(RecordStoreProgram::kMaxTextBytes);
    const auto* chars = reinterpret_cast<const char*>(bytes.data());
    switch (kind) {
    case RecordStoreProgram::Utf8:
        return QString::fromUtf8(chars, static_cast<qsizetype>(bytes.size()));
    case RecordStoreProgram::Utf16: {
        QString text;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            text.append(QChar(static_cast<char16_t>(bytes[i] << 8 | bytes[i + 1])));
        return text;
    }
    default:
        return QString::fromUtf8(chars, static_cast<qsizetype>(bytes.size()))
            .repeated(in.byte() * RecordStoreProgram::kRepeatUnit);
    }
}

// One fuzz run: the model tree against the tool database, and values written straight to a table of their
// own, each against what it must hold.
class StoreRun {
public:
    StoreRun() {
        FUZZ_REQUIRE(runSql(QLatin1String(kToolDatabasePath),
                            "DELETE FROM tb_SubCode; DELETE FROM tb_MasterCode; DELETE FROM tb_Terminal;",
                            false),
                     "cannot empty the tool database");
        FUZZ_REQUIRE(runSql(kValuesDatabase, "DELETE FROM tb_Value", false), "cannot empty the values table");
        FUZZ_REQUIRE(models_.Load().outcome == ToolDatabaseLoad::Loaded,
                     "the empty tool database did not load");
    }

    void run(FuzzInput& in) {
        for (int step = 0; step < RecordStoreProgram::kMaxSteps && !in.empty(); ++step)
            perform(static_cast<RecordStoreProgram::Step>(in.byte() % RecordStoreProgram::kStepKinds), in);
        requireTreeAsStored();
        requireValuesAsWritten();
    }

private:
    void perform(RecordStoreProgram::Step step, FuzzInput& in) {
        switch (step) {
        case RecordStoreProgram::AddModel:
            addModel(in);
            break;
        case RecordStoreProgram::AddMasterCode:
            addMasterCode(in);
            break;
        case RecordStoreProgram::AddSubCodes:
            addSubCodes(in);
            break;
        case RecordStoreProgram::SetValues:
            setValues(in);
            break;
        case RecordStoreProgram::RemoveModel:
            if (DeviceModel* model = pickModel(in))
                requireSaved(models_.RemoveModel(model).save, "a model's removal");
            break;
        case RecordStoreProgram::RemoveMasterCode:
            if (MasterCodeItem* masterCode = pickMasterCode(in))
                requireSaved(models_.RemoveMasterCode(masterCode).save, "a master code's removal");
            break;
        case RecordStoreProgram::RemoveSubCode:
            if (SubCodeItem* subCode = pickSubCode(in))
                requireSaved(models_.RemoveSubCode(subCode).save, "a sub code's removal");
            break;
        case RecordStoreProgram::Reload:
            requireTreeAsStored();
            break;
        case RecordStoreProgram::StoreValue:
            storeValue(in);
            break;
        case RecordStoreProgram::DeleteValue:
            deleteValue(readText(in));
            break;
        case RecordStoreProgram::Transaction:
            transaction(in);
            break;
        }
    }

    // ---- The model tree ----

    // A change with values the database cannot hold must be refused with its reason; any other saved.
    static void requireOutcome(const SaveResult& result, bool valuesStorable, const char* what) {
        if (valuesStorable) {
            requireSaved(result, what);
            return;
        }
        FUZZ_REQUIRE(result.outcome == SaveResult::Failed && !result.reason.isEmpty(),
                     "%s with a text the database cannot hold was not refused with a reason (outcome %d)",
                     what, result.outcome);
    }
    static void requireSaved(const SaveResult& result, const char* what) {
        FUZZ_REQUIRE(result.saved(), "%s failed: %s", what, qPrintable(result.reason));
    }

    void addModel(FuzzInput& in) {
        auto model = std::make_unique<DeviceModel>();
        model->TerName = readText(in);
        model->AdminPsw = readText(in);
        const bool valuesStorable = storable(model->TerName) && storable(model->AdminPsw);
        const std::size_t before = models_.Models().size();
        const SaveResult result = models_.AddModel(std::move(model));
        requireOutcome(result, valuesStorable, "a new model");
        FUZZ_REQUIRE(models_.Models().size() == before + (result.saved() ? 1 : 0),
                     "the model list has %zu models", models_.Models().size());
    }

    void addMasterCode(FuzzInput& in) {
        DeviceModel* model = pickModel(in);
        auto masterCode = std::make_unique<MasterCodeItem>();
        masterCode->MasterCode = in.int32();
        masterCode->ProType = in.int32();
        masterCode->CodeNum = in.int32();
        masterCode->HaveOrder = in.flag();
        masterCode->Function = readText(in);
        masterCode->lDescribe = readText(in);
        masterCode->rDescribe = readText(in);
        masterCode->Remark = readText(in);
        // The tool offers a master code's number only once per model.
        if (model == nullptr || DeviceModelList::MasterCodeExists(model, masterCode->MasterCode))
            return;
        const bool valuesStorable = storable(masterCode->Function) && storable(masterCode->lDescribe) &&
                                    storable(masterCode->rDescribe) && storable(masterCode->Remark);
        requireOutcome(models_.AddMasterCode(*model, std::move(masterCode)), valuesStorable,
                       "a new master code");
    }

    void addSubCodes(FuzzInput& in) {
        MasterCodeItem* masterCode = pickMasterCode(in);
        std::vector<std::unique_ptr<SubCodeItem>> subCodes;
        bool valuesStorable = true;
        for (int n = 1 + in.byte() % RecordStoreProgram::kMaxSubCodesPerStep; n > 0; --n) {
            auto subCode = std::make_unique<SubCodeItem>();
            subCode->SubCode = in.int32();
            subCode->CodeValue = readText(in);
            valuesStorable = valuesStorable && storable(subCode->CodeValue);
            subCodes.push_back(std::move(subCode));
        }
        if (masterCode != nullptr)
            requireOutcome(models_.AddSubCodes(*masterCode, std::move(subCodes)), valuesStorable,
                           "new sub codes");
    }

    void setValues(FuzzInput& in) {
        std::vector<ValueChange> changes;
        bool valuesStorable = true;
        for (int n = 1 + in.byte() % RecordStoreProgram::kMaxChangesPerStep; n > 0; --n) {
            SubCodeItem* subCode = pickSubCode(in);
            const QString value = readText(in);
            if (subCode == nullptr)
                continue;
            valuesStorable = valuesStorable && storable(value);
            changes.push_back({subCode, value});
        }
        if (changes.empty())
            return;
        std::vector<QString> before;
        for (const ValueChange& change : changes)
            before.push_back(change.subCode->CodeValue);
        const SaveResult result = models_.SetSubCodeValues(changes);
        requireOutcome(result, valuesStorable, "new programming values");
        for (std::size_t i = 0; i < changes.size(); ++i) {
            // The last change of a sub code named twice is the one it keeps.
            const auto later =
                std::find_if(changes.begin() + static_cast<std::ptrdiff_t>(i) + 1, changes.end(),
                             [&](const ValueChange& c) { return c.subCode == changes[i].subCode; });
            if (later == changes.end())
                FUZZ_REQUIRE(changes[i].subCode->CodeValue == (result.saved() ? changes[i].value : before[i]),
                             "a sub code holds %s", qPrintable(describe(changes[i].subCode->CodeValue)));
        }
    }

    DeviceModel* pickModel(FuzzInput& in) {
        const auto& models = models_.Models();
        const std::uint8_t pick = in.byte();
        return models.empty() ? nullptr : models[pick % models.size()].get();
    }
    MasterCodeItem* pickMasterCode(FuzzInput& in) {
        const DeviceModel* model = pickModel(in);
        const std::uint8_t pick = in.byte();
        if (model == nullptr || model->MasterCodes().empty())
            return nullptr;
        return model->MasterCodes()[pick % model->MasterCodes().size()].get();
    }
    SubCodeItem* pickSubCode(FuzzInput& in) {
        const MasterCodeItem* masterCode = pickMasterCode(in);
        const std::uint8_t pick = in.byte();
        if (masterCode == nullptr || masterCode->SubCodes().empty())
            return nullptr;
        return masterCode->SubCodes()[pick % masterCode->SubCodes().size()].get();
    }

    static QStringList treeLines(const DeviceModelList& list) {
        QStringList lines;
        for (const auto& model : list.Models()) {
            lines << QStringLiteral("model %1").arg(model->TerID) << model->TerName << model->AdminPsw;
            for (const auto& masterCode : model->MasterCodes()) {
                lines << QStringLiteral("master code %1 %2 %3 %4")
                             .arg(masterCode->MasterCode)
                             .arg(masterCode->ProType)
                             .arg(masterCode->CodeNum)
                             .arg(masterCode->HaveOrder)
                      << masterCode->Function << masterCode->lDescribe << masterCode->rDescribe
                      << masterCode->Remark;
                for (const auto& subCode : masterCode->SubCodes())
                    lines << QStringLiteral("sub code %1").arg(subCode->SubCode) << subCode->CodeValue;
            }
        }
        return lines;
    }

    void requireTreeAsStored() {
        SilentPrompter prompter;
        DeviceModelList stored(prompter);
        FUZZ_REQUIRE(stored.Load().outcome == ToolDatabaseLoad::Loaded, "the tool database did not load");
        const QStringList held = treeLines(models_);
        const QStringList read = treeLines(stored);
        FUZZ_REQUIRE(held.size() == read.size(), "the tree has %lld lines, the database %lld", held.size(),
                     read.size());
        for (qsizetype i = 0; i < held.size(); ++i)
            FUZZ_REQUIRE(held[i] == read[i], "line %lld: the tree holds %s, the database %s", i,
                         qPrintable(describe(held[i])), qPrintable(describe(read[i])));
    }

    // ---- Values straight through the record store ----

    void storeValue(FuzzInput& in) {
        const QString text = readText(in);
        const auto high = static_cast<std::uint32_t>(in.int32());
        const auto low = static_cast<std::uint32_t>(in.int32());
        const auto number = static_cast<std::int64_t>(std::uint64_t{high} << 32 | low);
        CAdoConnection connection;
        FUZZ_REQUIRE(connection.ConnectAccess(kValuesDatabase), "cannot connect");
        const int id = nextValueId_++;
        const bool written =
            connection.Execute(SqlStatement("INSERT INTO tb_Value(Id, Text, Number) VALUES(%d, '%q', %lld)",
                                            id, text, static_cast<long long>(number)));
        requireWrittenOrRefused(connection, written, text);
        if (written)
            values_[id] = {text, number};
    }

    void deleteValue(const QString& text) {
        CAdoConnection connection;
        FUZZ_REQUIRE(connection.ConnectAccess(kValuesDatabase), "cannot connect");
        const bool deleted = connection.Execute(SqlStatement("DELETE * FROM tb_Value WHERE Text='%q'", text));
        requireWrittenOrRefused(connection, deleted, text);
        if (!deleted)
            return;
        const auto holding =
            std::erase_if(values_, [&](const auto& entry) { return entry.second.first == text; });
        FUZZ_REQUIRE(static_cast<std::size_t>(connection.RowsChanged()) == holding,
                     "deleting %s took %d rows, %zu hold it", qPrintable(describe(text)),
                     connection.RowsChanged(), holding);
    }

    void transaction(FuzzInput& in) {
        const bool commit = in.flag();
        const QString text = readText(in);
        CAdoConnection connection;
        FUZZ_REQUIRE(connection.ConnectAccess(kValuesDatabase), "cannot connect");
        const int id = nextValueId_++;
        {
            Transaction transaction(connection);
            FUZZ_REQUIRE(transaction.IsBegun(), "no transaction: %s", qPrintable(connection.LastError()));
            const bool written = connection.Execute(
                SqlStatement("INSERT INTO tb_Value(Id, Text, Number) VALUES(%d, '%q', 0)", id, text));
            requireWrittenOrRefused(connection, written, text);
            if (written && commit) {
                FUZZ_REQUIRE(transaction.Commit(), "commit failed: %s", qPrintable(connection.LastError()));
                values_[id] = {text, 0};
            }
        }
    }

    static void requireWrittenOrRefused(const CAdoConnection& connection, bool written, const QString& text) {
        if (storable(text))
            FUZZ_REQUIRE(written, "%s was refused: %s", qPrintable(describe(text)),
                         qPrintable(connection.LastError()));
        else
            FUZZ_REQUIRE(!written && !connection.LastError().isEmpty(),
                         "%s, which the database cannot hold, was %s", qPrintable(describe(text)),
                         written ? "written" : "refused without a reason");
    }

    // Every value reads back as written, found by its id and by its text.
    void requireValuesAsWritten() {
        CAdoConnection connection;
        FUZZ_REQUIRE(connection.ConnectAccess(kValuesDatabase), "cannot connect");
        CAdoRecordSet records;
        records.SetAdoConnection(&connection);
        FUZZ_REQUIRE(records.Open(QStringLiteral("SELECT * FROM tb_Value ORDER BY Id")),
                     "cannot read the values");
        auto expected = values_.begin();
        for (; !records.IsEOF(); records.MoveNext(), ++expected) {
            FUZZ_REQUIRE(expected != values_.end(), "the table holds a row never written");
            std::int32_t id = -1;
            QString text;
            std::int64_t number = 0;
            FUZZ_REQUIRE(records.GetCollect(QStringLiteral("Id"), id) &&
                             records.GetCollect(QStringLiteral("TEXT"), text) &&
                             records.GetCollect(QStringLiteral("number"), number),
                         "a row cannot be read");
            FUZZ_REQUIRE(id == expected->first, "row %d where %d was expected", id, expected->first);
            FUZZ_REQUIRE(text == expected->second.first, "row %d holds %s, written was %s", id,
                         qPrintable(describe(text)), qPrintable(describe(expected->second.first)));
            FUZZ_REQUIRE(number == expected->second.second, "row %d holds %lld, written was %lld", id,
                         static_cast<long long>(number), static_cast<long long>(expected->second.second));
            CAdoRecordSet byText;
            byText.SetAdoConnection(&connection);
            FUZZ_REQUIRE(
                byText.Open(SqlStatement("SELECT Id FROM tb_Value WHERE Text='%q' AND Id=%d", text, id)) &&
                    !byText.IsBOF(),
                "row %d is not found by its text", id);
        }
        FUZZ_REQUIRE(expected == values_.end(), "a row written is missing");
    }

    SilentPrompter prompter_;
    DeviceModelList models_{prompter_};
    std::map<int, std::pair<QString, std::int64_t>> values_;
    int nextValueId_ = 0;
};

void removeWorkingFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(workingFolder, ignored);
}

// The tool finds its databases relative to the working folder: a run works in the fuzz folder, and libFuzzer
// finds its own (relative) corpus and artifact paths where it was started.
class InWorkingFolder {
public:
    InWorkingFolder() : m_started(std::filesystem::current_path()) {
        std::filesystem::current_path(workingFolder);
    }
    ~InWorkingFolder() { std::filesystem::current_path(m_started); }
    InWorkingFolder(const InWorkingFolder&) = delete;
    InWorkingFolder& operator=(const InWorkingFolder&) = delete;

private:
    std::filesystem::path m_started;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern = std::string(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp") +
                          "/tarvex-fuzz-record-store.XXXXXX";
    FUZZ_REQUIRE(::mkdtemp(pattern.data()) != nullptr, "cannot make a working folder from %s",
                 pattern.c_str());
    workingFolder = pattern;
    std::atexit(removeWorkingFolder);
    std::filesystem::create_directory(workingFolder / "DB");
    const InWorkingFolder inWorkingFolder;
    const QByteArray schema = readFile(TARVEX_TOOL_SCHEMA);
    FUZZ_REQUIRE(runSql(QLatin1String(kToolDatabasePath), schema.constData(), true),
                 "cannot make the tool database");
    FUZZ_REQUIRE(runSql(kValuesDatabase,
                        "CREATE TABLE tb_Value (Id INTEGER PRIMARY KEY, Text TEXT, Number INTEGER)", true),
                 "cannot make the values database");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const InWorkingFolder inWorkingFolder;
    FuzzInput in(data, size);
    StoreRun run;
    run.run(in);
    return 0;
}
