#include "model/DeviceModelList.h"

#include "model/ToolDatabase.h"
#include "store/AdoConnection.h"
#include "store/AdoRecordSet.h"
#include "store/DatabaseRoutines.h"
#include "store/SqlStatement.h"

#include <algorithm>

namespace {

// The index of `item` in `items`, compared by identity; -1 when it is not there.
template <typename Item> int IndexOf(const std::vector<std::unique_ptr<Item>>& items, const Item* item) {
    if (item == nullptr)
        return -1;
    const auto found = std::find_if(items.begin(), items.end(),
                                    [item](const std::unique_ptr<Item>& held) { return held.get() == item; });
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

// A sub code whose statements can name its model and master code.
bool HasOwners(const SubCodeItem* subCode) {
    return subCode != nullptr && subCode->Owner() != nullptr && subCode->Owner()->Owner() != nullptr;
}

template <typename Item> void EraseAt(std::vector<std::unique_ptr<Item>>& items, int index) {
    items.erase(items.begin() + index);
}

} // namespace

DeviceModelList::DeviceModelList(Prompter& prompter) : m_prompter(prompter) {}

void DeviceModelList::Load() {
    CAdoConnection connection;
    if (!ConnectToolDatabase(connection, m_prompter))
        return;
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    if (OpenTable(records, QStringLiteral("SELECT * FROM tb_Terminal"), m_prompter) ==
        OpenTableResult::Rows) {
        for (; !records.IsEOF(); records.MoveNext()) {
            auto model = std::make_unique<DeviceModel>();
            records.GetCollect(QStringLiteral("TerID"), model->TerID);
            records.GetCollect(QStringLiteral("TerName"), model->TerName);
            records.GetCollect(QStringLiteral("AdminPsw"), model->AdminPsw);
            if (model->TerID >= m_nextModelId)
                m_nextModelId = model->TerID + 1;
            m_models.push_back(std::move(model));
        }
        // Asked once, so that a database without master codes costs no query per model.
        if (OpenTable(records, QStringLiteral("SELECT * FROM tb_MasterCode"), m_prompter) ==
            OpenTableResult::Rows) {
            for (const std::unique_ptr<DeviceModel>& model : m_models)
                LoadMasterCodes(connection, *model);
        }
    }
    connection.Close();
}

void DeviceModelList::LoadMasterCodes(CAdoConnection& connection, DeviceModel& model) {
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    if (OpenTable(records, SqlStatement("SELECT * FROM tb_MasterCode WHERE TerID=%d", model.TerID),
                  m_prompter) != OpenTableResult::Rows)
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
        LoadSubCodes(connection, *masterCode);
}

void DeviceModelList::LoadSubCodes(CAdoConnection& connection, MasterCodeItem& masterCode) {
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    if (OpenTable(records,
                  SqlStatement("SELECT * FROM tb_SubCode WHERE TerID=%d AND MasterCode=%d",
                               masterCode.Owner()->TerID, masterCode.MasterCode),
                  m_prompter) != OpenTableResult::Rows)
        return;
    for (; !records.IsEOF(); records.MoveNext()) {
        auto subCode = std::make_unique<SubCodeItem>();
        records.GetCollect(QStringLiteral("SubCode"), subCode->SubCode);
        records.GetCollect(QStringLiteral("CodeValue"), subCode->CodeValue);
        masterCode.AppendSubCode(std::move(subCode));
    }
}

std::int32_t DeviceModelList::TakeNextModelId() {
    return m_nextModelId++;
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

DeviceModel* DeviceModelList::AppendModel(std::unique_ptr<DeviceModel> model) {
    if (!model)
        return nullptr;
    return m_models.emplace_back(std::move(model)).get();
}

// Text values go in through %q, which doubles their quotes: a name such as O'Neil is stored as it is.

void DeviceModelList::InsertModelRow(CAdoConnection& connection, const DeviceModel* model) {
    if (model == nullptr)
        return;
    connection.Execute(SqlStatement("INSERT INTO tb_Terminal(TerName,TerID,AdminPsw) VALUES('%q',%d,'%q')",
                                    model->TerName, model->TerID, model->AdminPsw));
}

void DeviceModelList::InsertMasterCodeRow(CAdoConnection& connection, const MasterCodeItem* masterCode) {
    if (masterCode == nullptr || masterCode->Owner() == nullptr)
        return;
    const MasterCodeItem& item = *masterCode;
    const std::int32_t terId = item.Owner()->TerID;
    const int haveOrder = item.HaveOrder ? 1 : 0;
    // Without a right name the column keeps the database's default.
    if (item.rDescribe.isEmpty()) {
        connection.Execute(
            SqlStatement("INSERT INTO tb_MasterCode(MasterCode,TerID,ProType,Function,HaveOrder,"
                         "lDescribe,CodeNum,Remark) VALUES(%d,%d,%d,'%q',%d,'%q',%d,'%q')",
                         item.MasterCode, terId, item.ProType, item.Function, haveOrder, item.lDescribe,
                         item.CodeNum, item.Remark));
    } else {
        connection.Execute(SqlStatement(
            "INSERT INTO "
            "tb_MasterCode(MasterCode,TerID,ProType,Function,HaveOrder,lDescribe,rDescribe,CodeNum,"
            "Remark) VALUES(%d,%d,%d,'%q',%d,'%q','%q',%d,'%q')",
            item.MasterCode, terId, item.ProType, item.Function, haveOrder, item.lDescribe, item.rDescribe,
            item.CodeNum, item.Remark));
    }
}

void DeviceModelList::InsertSubCodeRow(CAdoConnection& connection, const SubCodeItem* subCode) {
    if (!HasOwners(subCode))
        return;
    const MasterCodeItem& masterCode = *subCode->Owner();
    const std::int32_t terId = masterCode.Owner()->TerID;
    // Without a value the column keeps the database's default.
    if (subCode->CodeValue.isEmpty()) {
        connection.Execute(SqlStatement("INSERT INTO tb_SubCode(TerID,MasterCode,SubCode) VALUES(%d,%d,%d)",
                                        terId, masterCode.MasterCode, subCode->SubCode));
    } else {
        connection.Execute(
            SqlStatement("INSERT INTO tb_SubCode(TerID,MasterCode,SubCode,CodeValue) VALUES(%d,%d,%d,'%q')",
                         terId, masterCode.MasterCode, subCode->SubCode, subCode->CodeValue));
    }
}

void DeviceModelList::UpdateSubCodeValue(CAdoConnection& connection, const SubCodeItem* subCode) {
    if (!HasOwners(subCode))
        return;
    const MasterCodeItem& masterCode = *subCode->Owner();
    connection.Execute(
        SqlStatement("UPDATE tb_SubCode SET CodeValue='%q' WHERE TerID=%d AND MasterCode=%d AND SubCode=%d",
                     subCode->CodeValue, masterCode.Owner()->TerID, masterCode.MasterCode, subCode->SubCode));
}

int DeviceModelList::RemoveModel(const DeviceModel* model) {
    const int index = IndexOf(m_models, model);
    if (index < 0)
        return -1;
    ExecuteOnToolDatabase({SqlStatement("DELETE * FROM tb_SubCode WHERE TerID=%d", model->TerID),
                           SqlStatement("DELETE * FROM tb_MasterCode WHERE TerID=%d", model->TerID),
                           SqlStatement("DELETE * FROM tb_Terminal WHERE TerID=%d", model->TerID)});
    EraseAt(m_models, index);
    return index;
}

int DeviceModelList::RemoveMasterCode(const MasterCodeItem* masterCode) {
    if (masterCode == nullptr || masterCode->Owner() == nullptr)
        return -1;
    DeviceModel& model = *masterCode->Owner();
    const int index = IndexOf(model.MasterCodes(), masterCode);
    if (index < 0)
        return -1;
    ExecuteOnToolDatabase({SqlStatement("DELETE * FROM tb_SubCode WHERE TerID=%d AND MasterCode=%d",
                                        model.TerID, masterCode->MasterCode),
                           SqlStatement("DELETE * FROM tb_MasterCode WHERE TerID=%d AND MasterCode=%d",
                                        model.TerID, masterCode->MasterCode)});
    EraseAt(model.m_masterCodes, index);
    return index;
}

int DeviceModelList::RemoveSubCode(const SubCodeItem* subCode) {
    if (!HasOwners(subCode))
        return -1;
    MasterCodeItem& masterCode = *subCode->Owner();
    const int index = IndexOf(masterCode.SubCodes(), subCode);
    if (index < 0)
        return -1;
    ExecuteOnToolDatabase(
        {SqlStatement("DELETE * FROM tb_SubCode WHERE TerID=%d AND MasterCode=%d AND SubCode=%d",
                      masterCode.Owner()->TerID, masterCode.MasterCode, subCode->SubCode)});
    EraseAt(masterCode.m_subCodes, index);
    return index;
}

void DeviceModelList::FreeAll() {
    m_models.clear();
}

void DeviceModelList::ExecuteOnToolDatabase(std::initializer_list<QString> statements) {
    CAdoConnection connection;
    // A database that cannot be reached misses the change; the user has been told.
    if (!ConnectToolDatabase(connection, m_prompter))
        return;
    for (const QString& statement : statements)
        connection.Execute(statement);
    connection.Close();
}
