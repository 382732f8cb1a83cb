#include "voice/PromptSlotTable.h"

#include "model/ToolDatabase.h"
#include "store/AdoConnection.h"
#include "store/AdoRecordSet.h"
#include "store/DatabaseRoutines.h"
#include "store/SqlStatement.h"
#include "store/Transaction.h"

#include <algorithm>
#include <cstdint>

std::vector<PromptSlotRow> LoadPromptSlots(int languageFlag, Prompter& prompter) {
    std::vector<PromptSlotRow> promptSlots;
    if (languageFlag != 0 && languageFlag != 1)
        return promptSlots;
    CAdoConnection connection;
    if (!ConnectToolDatabase(connection, prompter))
        return promptSlots;
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    const QString statement =
        QLatin1String(languageFlag == 0 ? "SELECT * FROM tb_Sound" : "SELECT * FROM tb_SoundEg");
    if (OpenTable(records, statement, prompter) != OpenTableResult::Rows)
        return promptSlots;
    for (; !records.IsEOF(); records.MoveNext()) {
        PromptSlotRow slot;
        std::uint8_t order = 0;
        records.GetCollect(QStringLiteral("WavType"), slot.type);
        records.GetCollect(QStringLiteral("WavName"), slot.waveName);
        records.GetCollect(QStringLiteral("Remark"), slot.remark);
        records.GetCollect(QStringLiteral("byOrder"), order);
        slot.order = order;
        promptSlots.push_back(std::move(slot));
    }
    return promptSlots;
}

bool SavePromptAssignments(std::span<const PromptSlot> promptSlots, Prompter& prompter, QString& error) {
    error.clear();
    // Nothing to write needs no database: a page that could list no slots has nothing to say at close.
    if (std::all_of(promptSlots.begin(), promptSlots.end(),
                    [](const PromptSlot& slot) { return slot.waveName.isEmpty(); }))
        return true;
    CAdoConnection connection;
    if (!ConnectToolDatabase(connection, prompter))
        return false;
    Transaction transaction(connection);
    bool saved = transaction.IsBegun();
    for (auto slot = promptSlots.begin(); saved && slot != promptSlots.end(); ++slot) {
        if (slot->waveName.isEmpty())
            continue;
        saved = connection.Execute(SqlStatement("UPDATE tb_Sound SET WavName='%q' WHERE byOrder=%d",
                                                slot->waveName, slot->order)) &&
                connection.Execute(SqlStatement("UPDATE tb_SoundEg SET WavName='%q' WHERE byOrder=%d",
                                                slot->waveName, slot->order));
    }
    if (saved && transaction.Commit())
        return true;
    error = connection.LastError();
    return false;
}
