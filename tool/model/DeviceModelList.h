#pragma once

#include "model/DeviceModel.h"

#include <QString>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

class CAdoConnection;
class Prompter;

// The device models of the tool database with their master codes and sub codes, held in memory for the
// whole run. The list owns its models, a model its master codes, a master code its sub codes; items are
// found by identity, never by number.
//
// Every change is made to the tree by the caller and written to the database at once by one of the
// statement operations, one row per statement. A change whose statement cannot be written stays in the
// tree only; the user has been told when the database could not be reached.
class DeviceModelList {
public:
    explicit DeviceModelList(Prompter& prompter);
    DeviceModelList(const DeviceModelList&) = delete;
    DeviceModelList& operator=(const DeviceModelList&) = delete;

    const std::vector<std::unique_ptr<DeviceModel>>& Models() const { return m_models; }

    // Reads every model with its master codes and sub codes from the tool database, in the order the
    // database returns them. A database that cannot be reached leaves the tree empty; a table that cannot
    // be read leaves out what it holds and keeps what was read before.
    void Load();

    // The id for a new model: above every id loaded or handed out before, even of models since removed.
    std::int32_t TakeNextModelId();
    std::int32_t NextModelId() const { return m_nextModelId; }

    // Whether a model has exactly this name (letter case counts).
    bool ModelNameExists(const QString& name) const;
    static bool MasterCodeExists(const DeviceModel* model, std::int32_t masterCode);

    // Takes the model into the list, at the end; nothing when it is null.
    DeviceModel* AppendModel(std::unique_ptr<DeviceModel> model);

    // Write one item's row on a connection the caller has connected to the tool database; nothing when
    // the item is null or not yet appended to its owner (its row could not name the owner).
    static void InsertModelRow(CAdoConnection& connection, const DeviceModel* model);
    static void InsertMasterCodeRow(CAdoConnection& connection, const MasterCodeItem* masterCode);
    static void InsertSubCodeRow(CAdoConnection& connection, const SubCodeItem* subCode);
    static void UpdateSubCodeValue(CAdoConnection& connection, const SubCodeItem* subCode);

    // Delete an item with everything it owns from the tool database and from the tree, and return the
    // index it had in its owner's list; -1, with nothing touched, when it is not in that list. The item
    // is freed: the caller's pointer to it, and to anything it owned, is dangling afterwards.
    int RemoveModel(const DeviceModel* model);
    int RemoveMasterCode(const MasterCodeItem* masterCode);
    int RemoveSubCode(const SubCodeItem* subCode);

    // Frees the whole tree. The next model id stays.
    void FreeAll();

private:
    void LoadMasterCodes(CAdoConnection& connection, DeviceModel& model);
    void LoadSubCodes(CAdoConnection& connection, MasterCodeItem& masterCode);
    // Connects to the tool database and runs the statements in order.
    void ExecuteOnToolDatabase(std::initializer_list<QString> statements);

    Prompter& m_prompter;
    std::vector<std::unique_ptr<DeviceModel>> m_models;
    std::int32_t m_nextModelId = 0;
};
