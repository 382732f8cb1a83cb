#pragma once

#include "voice/PromptTransfer.h"

#include <QString>
#include <span>
#include <vector>

class Prompter;

// A voice prompt slot of the tool database as the voice page lists it.
struct PromptSlotRow {
    QString type;
    QString waveName;
    QString remark;
    int order = 0;
};

// The prompt slots of the tool database in the order it returns them: from tb_Sound for language flag 0,
// from tb_SoundEg for 1, none for any other flag. A database that cannot be read gives none; the user has
// been told why.
std::vector<PromptSlotRow> LoadPromptSlots(int languageFlag, Prompter& prompter);

// Writes the file of every slot that has one to its row of both tb_Sound and tb_SoundEg, whichever
// language the page shows; slots without a file are left as they are, and with no file at all the database
// is not even opened. All or nothing: false, with the database's reason in `error`, when any of it was
// refused. A database that cannot be opened is false with an empty reason: the user has been told already.
bool SavePromptAssignments(std::span<const PromptSlot> promptSlots, Prompter& prompter, QString& error);
