#pragma once

#include <QStringList>

// Watches every SQLite connection that the process opens while the recorder lives, and keeps the data
// changes they run, as SQLite received them. One recorder at a time.
class StatementRecorder {
public:
    StatementRecorder();
    ~StatementRecorder();
    StatementRecorder(const StatementRecorder&) = delete;
    StatementRecorder& operator=(const StatementRecorder&) = delete;

    // The INSERT, UPDATE and DELETE statements run since the last clear, in order.
    QStringList changes;
    // How many connections were opened since the last clear.
    int connections = 0;

    void clear() {
        changes.clear();
        connections = 0;
    }
};
