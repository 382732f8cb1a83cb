#pragma once

class Prompter;
class QString;
struct SaveResult;

// True when the database and the model tree took a change. A database that cannot be opened has been
// reported already; a change it refused is reported here, `saveFailedText` followed by its reason.
bool DatabaseTookChange(const SaveResult& result, Prompter& prompter, const QString& saveFailedText);
