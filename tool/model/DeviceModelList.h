#pragma once

#include "model/DeviceModel.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CAdoConnection;
class Prompter;

// What became of a change to the tool database. The tree takes a change only when the database took it,
// so that what the tool shows is what the next start will load.
struct SaveResult {
    enum Outcome {
        Saved,        // the database took the change, and so did the tree
        NotConnected, // the tool database could not be opened; the user has been told so
        Failed,       // the database refused a statement; reason holds its own words, for the caller to show
        NotLoaded,    // refused unwritten: the tree does not hold the whole database, see LoadedWhole()
    };
    Outcome outcome = Saved;
    QString reason;

    bool saved() const { return outcome == Saved; }
};

// A removal: where the item stood in its owner's list, and whether the database took it. An item that is
// not in its owner's list has index -1, and nothing is touched.
struct RemoveResult {
    int index = -1;
    SaveResult save;

    bool removed() const { return index >= 0 && save.saved(); }
};

// How the load at start went. Only a tree Loaded whole takes changes: one that misses what the database
// holds could write against rows it has never seen.
struct ToolDatabaseLoad {
    enum Outcome {
        Loaded,     // every table was read
        Missing,    // there is no tool database file
        InUse,      // another program holds the file, longer than a read waits
        Unreadable, // the file cannot be read as a database
        Incomplete, // some reads failed: what they hold is not in the tree
    };
    Outcome outcome = Loaded;
    // The first read that failed; empty when the file itself could not be opened.
    QString failedRead;
    // SQLite's words about the first failure.
    QString reason;
    // How many reads failed; a damaged table fails once for every model or master code that reads it.
    int failedReads = 0;
};

// A new programming value for one sub code.
struct ValueChange {
    SubCodeItem* subCode = nullptr;
    QString value;
};

// The device models of the tool database with their master codes and sub codes, held in memory for the
// whole run. The list owns its models, a model its master codes, a master code its sub codes; items are
// found by identity, never by number.
//
// Every change goes to the database first, in one transaction, and only then into the tree: a change the
// database does not take leaves the tree as it was. A tree that was not loaded whole takes no change at
// all. Each sub code knows the one row it was loaded from or
// written to, so that a change or removal touches exactly that row, even where two sub codes of a master
// code carry the same number.
class DeviceModelList {
public:
    explicit DeviceModelList(Prompter& prompter);
    DeviceModelList(const DeviceModelList&) = delete;
    DeviceModelList& operator=(const DeviceModelList&) = delete;

    const std::vector<std::unique_ptr<DeviceModel>>& Models() const { return m_models; }

    // Reads every model with its master codes and sub codes from the tool database, in the order the
    // database returns them, and says how that went; it tells the user nothing itself. A database that
    // cannot be opened leaves the tree empty; a read that fails leaves out what it holds, and the reads
    // after it go on, so that the tree shows whatever can be read.
    ToolDatabaseLoad Load();
    // Whether the last load read the whole database: only then does the tree take changes.
    bool LoadedWhole() const { return m_loadedWhole; }
    // Whether the tool database was found read-only at the load: every change will then fail.
    bool ToolDatabaseIsReadOnly() const { return m_readOnly; }

    // The lowest id a model added now may get: above every id loaded or added before, even of models since
    // removed.
    std::int32_t NextModelId() const { return m_nextModelId; }

    // Whether a model has exactly this name (letter case counts).
    bool ModelNameExists(const QString& name) const;
    static bool MasterCodeExists(const DeviceModel* model, std::int32_t masterCode);

    // Additions: the rows are written in one transaction, then the items are appended at the end of their
    // owner's list (a model to the list, a master code to its model, sub codes in order to their master
    // code). On failure nothing is appended and the items are dropped.
    //
    // A new model's TerID is chosen inside its transaction: above every id the database holds at that
    // moment and above NextModelId(), so that it never repeats a stored one, even when the file changed
    // since the load.
    SaveResult AddModel(std::unique_ptr<DeviceModel> model);
    SaveResult AddMasterCode(DeviceModel& model, std::unique_ptr<MasterCodeItem> masterCode);
    SaveResult AddSubCodes(MasterCodeItem& masterCode, std::vector<std::unique_ptr<SubCodeItem>> subCodes);

    // New programming values, all in one transaction; the sub codes take them only when all were written.
    SaveResult SetSubCodeValues(std::span<const ValueChange> changes);

    // Removals of an item with everything it owns, in one transaction. The item is freed when removed:
    // the caller's pointer to it, and to anything it owned, is dangling afterwards.
    RemoveResult RemoveModel(const DeviceModel* model);
    RemoveResult RemoveMasterCode(const MasterCodeItem* masterCode);
    RemoveResult RemoveSubCode(const SubCodeItem* subCode);

    // Frees the whole tree. The next model id stays.
    void FreeAll();

private:
    void LoadMasterCodes(CAdoConnection& connection, DeviceModel& model, ToolDatabaseLoad& load);
    void LoadSubCodes(CAdoConnection& connection, MasterCodeItem& masterCode, ToolDatabaseLoad& load);
    // Connects and runs `write` in one transaction; refused unwritten when the tree was not loaded whole.
    template <typename Write> SaveResult WriteChange(Write write);

    Prompter& m_prompter;
    std::vector<std::unique_ptr<DeviceModel>> m_models;
    std::int32_t m_nextModelId = 0;
    bool m_loadedWhole = false;
    bool m_readOnly = false;
};
