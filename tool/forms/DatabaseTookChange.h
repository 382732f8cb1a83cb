#pragma once

class Prompter;
class TextTable;
struct SaveResult;

// True when the database and the model tree took a change. A database that cannot be opened has been
// reported already; a change it refused is reported here, the "SaveFailed" text followed by its reason,
// and a change refused because the tree was not loaded whole with the "NotLoaded" text; both from the
// window's own text table.
bool DatabaseTookChange(const SaveResult& result, Prompter& prompter, const TextTable& texts);
