#pragma once

class Prompter;

// Puts the shipped defaults (DB/Default.mdb) in the place of the tool database (DB/VaZeraVI.mdb); the
// tool must then start again to load them. The defaults are copied beside the tool database first and
// then take its place in one step, so that a missing or unreadable defaults file never leaves the tool
// without its data. On failure the user is told which file and why, the tool database stays as it was,
// and the result is false. A missing tool database is simply replaced.
bool ReplaceToolDatabaseWithDefaults(Prompter& prompter);
