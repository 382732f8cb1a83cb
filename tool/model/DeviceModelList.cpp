#include "model/DeviceModelList.h"

#include "model/ToolDatabase.h"
#include "store/AdoConnection.h"
#include "store/AdoRecordSet.h"
#include "store/SqlStatement.h"
#include "store/Transaction.h"

#include <algorithm>
#include <optional>

namespace {

// The index of `item` in `items`, compared by identity; -1 when it is not there.
template <typename Item> int IndexOf(const std::vector<std::unique_ptr<Item>>& items, const Item* item) {
    if (item == nullptr)
        return -1;
    const auto found = std::find_if(items.begin(), items.end(),
                                    [item](const std::unique_ptr<Item>& held) { return held.get() == item; });
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

template <typename Item> void EraseAt(std::vector<std::unique_ptr<Item>>& items, int index) {
    items.erase(items.begin() + index);
}

// The statements of one change, and why the first that failed did.
class ChangeWriter {
public:
    explicit ChangeWriter(CAdoConnection& connection) : m_connection(connection) {}

    bool Execute(const QString& statement) {
        if (m_connection.Execute(statement))
            return true;
        m_reason = m_connection.LastError();
        return false;
    }
    // A statement about one sub code's row must have found it: a row the database no longer has (the file
    // was replaced under the tool, say) is a failure, never a silent nothing.
    bool ExecuteOnItsRow(const QString& statement) {
        if (!Execute(statement))
            return false;
        if (m_connection.RowsChanged() == 1)
            return true;
        m_reason = QStringLiteral("the row is no longer in the tool database");
        return false;
    }
    // The id for a model inserted in this transaction: above every id the database holds now, and at
    // least `lowest`. Nothing when the database cannot say.
    std::optional<std::int32_t> FreeModelId(std::int32_t lowest) {
        CAdoRecordSet records;
        records.SetAdoConnection(&m_connection);
        std::int32_t id = lowest;
        if (records.Open(SqlStatement("SELECT max(ifnull(max(TerID) + 1, 0), %d) AS FreeId FROM tb_Terminal",
                                      lowest)) &&
            records.GetCollect(QStringLiteral("FreeId"), id))
            return id;
        m_reason = m_connection.LastError();
        return std::nullopt;
    }
    std::int64_t LastInsertRowId() const { return m_connection.LastInsertRowId(); }
    const QString& Reason() const { return m_reason; }

private:
    CAdoConnection& m_connection;
    QString m_reason;
};

// Reads rows for the load: true when there are rows to read. A read that fails is counted in `load`, and
// the first one is kept with SQLite's words. Once another program is found holding the file, nothing more
// is read: every read would wait for it in vain.
bool ReadRows(CAdoRecordSet& records, const CAdoConnection& connection, const QString& statement,
              ToolDatabaseLoad& load) {
    if (load.outcome == ToolDatabaseLoad::InUse)
        return false;
    if (records.Open(statement))
        return !records.IsBOF();
    if (load.failedReads++ == 0) {
        load.outcome = FaultOf(connection) == ToolDatabaseFault::InUse ? ToolDatabaseLoad::InUse
                                                                       : ToolDatabaseLoad::Incomplete;
        load.failedRead = statement;
        load.reason = connection.LastError();
    }
    return false;
}

// Text values go in through %q, which doubles their quotes: a name such as O'Neil is stored as it is.

bool InsertModelRow(ChangeWriter& writer, const DeviceModel& model) {
    return writer.Execute(SqlStatement("INSERT INTO tb_Terminal(TerName,TerID,AdminPsw) VALUES('%q',%d,'%q')",
                                       model.TerName, model.TerID, model.AdminPsw));
}

bool InsertMasterCodeRow(ChangeWriter& writer, const DeviceModel& owner, const MasterCodeItem& item) {
    const int haveOrder = item.HaveOrder ? 1 : 0;
    // Without a right name the column keeps the database's default.
    if (item.rDescribe.isEmpty())
        return writer.Execute(
            SqlStatement("INSERT INTO tb_MasterCode(MasterCode,TerID,ProType,Function,HaveOrder,"
                         "lDescribe,CodeNum,Remark) VALUES(%d,%d,%d,'%q',%d,'%q',%d,'%q')",
                         item.MasterCode, owner.TerID, item.ProType, item.Function, haveOrder, item.lDescribe,
                         item.CodeNum, item.Remark));
    return writer.Execute(
        SqlStatement("INSERT INTO "
                     "tb_MasterCode(MasterCode,TerID,ProType,Function,HaveOrder,lDescribe,rDescribe,CodeNum,"
                     "Remark) VALUES(%d,%d,%d,'%q',%d,'%q','%q',%d,'%q')",
                     item.MasterCode, owner.TerID, item.ProType, item.Function, haveOrder, item.lDescribe,
                     item.rDescribe, item.CodeNum, item.Remark));
}

bool InsertSubCodeRow(ChangeWriter& writer, const MasterCodeItem& owner, const SubCodeItem& item) {
    const std::int32_t terId = owner.Owner()->TerID;
    // Without a value the column keeps the database's default.
    if (item.CodeValue.isEmpty())
        return writer.Execute(
            SqlStatement("INSERT INTO tb_SubCode(TerID,MasterCode,SubCode) VALUES(%d,%d,%d)", terId,
                         owner.MasterCode, item.SubCode));
    return writer.Execute(
        SqlStatement("INSERT INTO tb_SubCode(TerID,MasterCode,SubCode,CodeValue) VALUES(%d,%d,%d,'%q')",
                     terId, owner.MasterCode, item.SubCode, item.CodeValue));
}

} // namespace

DeviceModelList::DeviceModelList(Prompter& prompter) : m_prompter(prompter) {}

// The frame of every change: connect (the user is told when that fails), then the statements of `write`
// in one transaction. A statement the database refuses, or a row it no longer has, undoes them all.
template <typename Write> SaveResult DeviceModelList::WriteChange(Write write) {
    if (!m_loadedWhole)
        return {SaveResult::NotLoaded, {}};
    CAdoConnection connection;
    if (!ConnectToolDatabase(connection, m_prompter))
        return {SaveResult::NotConnected, {}};
    Transaction transaction(connection);
    if (!transaction.IsBegun())
        return {SaveResult::Failed, connection.LastError()};
    ChangeWriter writer(connection);
    if (!write(writer))
        return {SaveResult::Failed, writer.Reason()};
    if (!transaction.Commit())
        return {SaveResult::Failed, connection.LastError()};
    return {};
}

ToolDatabaseLoad DeviceModelList::Load() {
    ToolDatabaseLoad load;
    m_loadedWhole = false;
    CAdoConnection connection;
    if (!connection.ConnectAccess(QLatin1String(kToolDatabasePath))) {
        switch (FaultOf(connection)) {
        case ToolDatabaseFault::Missing:
            load.outcome = ToolDatabaseLoad::Missing;
            break;
        case ToolDatabaseFault::InUse:
            load.outcome = ToolDatabaseLoad::InUse;
            break;
        case ToolDatabaseFault::Unreadable:
            load.outcome = ToolDatabaseLoad::Unreadable;
            break;
        }
        load.reason = connection.LastError();
        return load;
    }
    m_readOnly = connection.IsReadOnly();
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    if (ReadRows(records, connection, QStringLiteral("SELECT * FROM tb_Terminal"), load)) {
        for (; !records.IsEOF(); records.MoveNext()) {
            auto model = std::make_unique<DeviceModel>();
            records.GetCollect(QStringLiteral("TerID"), model->TerID);
            records.GetCollect(QStringLiteral("TerName"), model->TerName);
            records.GetCollect(QStringLiteral("AdminPsw"), model->AdminPsw);
            if (model->TerID >= m_nextModelId)
                m_nextModelId = model->TerID + 1;
            m_models.push_back(std::move(model));
        }
        // Asked once, so that a database without master codes costs no query per model. When the whole
        // table cannot be read, each model still tries for its own rows.
        if (ReadRows(records, connection, QStringLiteral("SELECT * FROM tb_MasterCode"), load) ||
            load.outcome != ToolDatabaseLoad::Loaded)
            for (const std::unique_ptr<DeviceModel>& model : m_models)
                LoadMasterCodes(connection, *model, load);
    }
    m_loadedWhole = load.outcome == ToolDatabaseLoad::Loaded;
    return load;
}

void DeviceModelList::LoadMasterCodes(CAdoConnection& connection, DeviceModel& model,
                                      ToolDatabaseLoad& load) {
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    if (!ReadRows(records, connection,
                  SqlStatement("SELECT * FROM tb_MasterCode WHERE TerID=%d", model.TerID), load))
        return;
    for (; !records.IsEOF(); records.MoveNext()) {
        auto masterCode = std::make_unique<MasterCodeItem>();
        records.GetCollect(QStringLiteral("MasterCode"), masterCode->MasterCode);
        records.GetCollect(QStringLiteral("ProType"), masterCode->ProType);
        records.GetCollect(QStringLiteral("Function"), masterCode->Function);
        records.GetCollect(QStringLiteral("HaveOrder"), masterCode->HaveOrder);
        records.GetCollect(QStringLiteral("lDescribe"), masterCode->lDescribe);
        records.GetCollect(QStringLiteral("rDescribe"), masterCode->rDescribe);
        records.GetCollect(QStringLiteral("CodeNum"), masterCode->CodeNum);
        records.GetCollect(QStringLiteral("Remark"), masterCode->Remark);
        model.AppendMasterCode(std::move(masterCode));
    }
    for (const std::unique_ptr<MasterCodeItem>& masterCode : model.MasterCodes())
        LoadSubCodes(connection, *masterCode, load);
}

void DeviceModelList::LoadSubCodes(CAdoConnection& connection, MasterCodeItem& masterCode,
                                   ToolDatabaseLoad& load) {
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    if (!ReadRows(records, connection,
                  SqlStatement("SELECT rowid,* FROM tb_SubCode WHERE TerID=%d AND MasterCode=%d",
                               masterCode.Owner()->TerID, masterCode.MasterCode),
                  load))
        return;
    for (; !records.IsEOF(); records.MoveNext()) {
        auto subCode = std::make_unique<SubCodeItem>();
        records.GetCollect(QStringLiteral("SubCode"), subCode->SubCode);
        records.GetCollect(QStringLiteral("CodeValue"), subCode->CodeValue);
        records.GetCollect(QStringLiteral("rowid"), subCode->m_rowId);
        masterCode.AppendSubCode(std::move(subCode));
    }
}

bool DeviceModelList::ModelNameExists(const QString& name) const {
    return std::any_of(m_models.begin(), m_models.end(),
                       [&name](const std::unique_ptr<DeviceModel>& model) { return model->TerName == name; });
}

bool DeviceModelList::MasterCodeExists(const DeviceModel* model, std::int32_t masterCode) {
    if (model == nullptr)
        return false;
    return std::any_of(
        model->MasterCodes().begin(), model->MasterCodes().end(),
        [masterCode](const std::unique_ptr<MasterCodeItem>& item) { return item->MasterCode == masterCode; });
}

SaveResult DeviceModelList::AddModel(std::unique_ptr<DeviceModel> model) {
    if (!model)
        return {};
    const SaveResult result = WriteChange([&](ChangeWriter& writer) {
        const std::optional<std::int32_t> id = writer.FreeModelId(m_nextModelId);
        if (!id)
            return false;
        model->TerID = *id;
        return InsertModelRow(writer, *model);
    });
    if (result.saved()) {
        m_nextModelId = model->TerID + 1;
        m_models.push_back(std::move(model));
    }
    return result;
}

SaveResult DeviceModelList::AddMasterCode(DeviceModel& model, std::unique_ptr<MasterCodeItem> masterCode) {
    if (!masterCode)
        return {};
    const SaveResult result =
        WriteChange([&](ChangeWriter& writer) { return InsertMasterCodeRow(writer, model, *masterCode); });
    if (result.saved())
        model.AppendMasterCode(std::move(masterCode));
    return result;
}

SaveResult DeviceModelList::AddSubCodes(MasterCodeItem& masterCode,
                                        std::vector<std::unique_ptr<SubCodeItem>> subCodes) {
    if (masterCode.Owner() == nullptr)
        return {SaveResult::Failed, QStringLiteral("the master code belongs to no device model")};
    const SaveResult result = WriteChange([&](ChangeWriter& writer) {
        for (const std::unique_ptr<SubCodeItem>& subCode : subCodes) {
            if (!InsertSubCodeRow(writer, masterCode, *subCode))
                return false;
            subCode->m_rowId = writer.LastInsertRowId();
        }
        return true;
    });
    if (result.saved())
        for (std::unique_ptr<SubCodeItem>& subCode : subCodes)
            masterCode.AppendSubCode(std::move(subCode));
    return result;
}

SaveResult DeviceModelList::SetSubCodeValues(std::span<const ValueChange> changes) {
    const bool allOwned = std::all_of(changes.begin(), changes.end(), [](const ValueChange& change) {
        return change.subCode != nullptr && change.subCode->Owner() != nullptr &&
               change.subCode->Owner()->Owner() != nullptr;
    });
    if (!allOwned)
        return {SaveResult::Failed, QStringLiteral("a sub code belongs to no master code")};
    const SaveResult result = WriteChange([&](ChangeWriter& writer) {
        return std::all_of(changes.begin(), changes.end(), [&](const ValueChange& change) {
            const SubCodeItem& item = *change.subCode;
            const MasterCodeItem& owner = *item.Owner();
            return writer.ExecuteOnItsRow(
                SqlStatement("UPDATE tb_SubCode SET CodeValue='%q' WHERE rowid=%lld AND TerID=%d "
                             "AND MasterCode=%d AND SubCode=%d",
                             change.value, static_cast<long long>(item.m_rowId), owner.Owner()->TerID,
                             owner.MasterCode, item.SubCode));
        });
    });
    if (result.saved())
        for (const ValueChange& change : changes)
            change.subCode->CodeValue = change.value;
    return result;
}

RemoveResult DeviceModelList::RemoveModel(const DeviceModel* model) {
    const int index = IndexOf(m_models, model);
    if (index < 0)
        return {};
    const SaveResult result = WriteChange([&](ChangeWriter& writer) {
        return writer.Execute(SqlStatement("DELETE * FROM tb_SubCode WHERE TerID=%d", model->TerID)) &&
               writer.Execute(SqlStatement("DELETE * FROM tb_MasterCode WHERE TerID=%d", model->TerID)) &&
               writer.Execute(SqlStatement("DELETE * FROM tb_Terminal WHERE TerID=%d", model->TerID));
    });
    if (result.saved())
        EraseAt(m_models, index);
    return {index, result};
}

RemoveResult DeviceModelList::RemoveMasterCode(const MasterCodeItem* masterCode) {
    if (masterCode == nullptr || masterCode->Owner() == nullptr)
        return {};
    DeviceModel& model = *masterCode->Owner();
    const int index = IndexOf(model.MasterCodes(), masterCode);
    if (index < 0)
        return {};
    const SaveResult result = WriteChange([&](ChangeWriter& writer) {
        return writer.Execute(SqlStatement("DELETE * FROM tb_SubCode WHERE TerID=%d AND MasterCode=%d",
                                           model.TerID, masterCode->MasterCode)) &&
               writer.Execute(SqlStatement("DELETE * FROM tb_MasterCode WHERE TerID=%d AND MasterCode=%d",
                                           model.TerID, masterCode->MasterCode));
    });
    if (result.saved())
        EraseAt(model.m_masterCodes, index);
    return {index, result};
}

RemoveResult DeviceModelList::RemoveSubCode(const SubCodeItem* subCode) {
    if (subCode == nullptr || subCode->Owner() == nullptr || subCode->Owner()->Owner() == nullptr)
        return {};
    MasterCodeItem& masterCode = *subCode->Owner();
    const int index = IndexOf(masterCode.SubCodes(), subCode);
    if (index < 0)
        return {};
    const SaveResult result = WriteChange([&](ChangeWriter& writer) {
        return writer.ExecuteOnItsRow(
            SqlStatement("DELETE * FROM tb_SubCode WHERE rowid=%lld AND TerID=%d AND MasterCode=%d "
                         "AND SubCode=%d",
                         static_cast<long long>(subCode->m_rowId), masterCode.Owner()->TerID,
                         masterCode.MasterCode, subCode->SubCode));
    });
    if (result.saved())
        EraseAt(masterCode.m_subCodes, index);
    return {index, result};
}

void DeviceModelList::FreeAll() {
    m_models.clear();
}
