#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// One compiled statement of the record store. The statements keep the Access wording the tool is written
// in; where SQLite differs it is translated here.
class PreparedStatement {
public:
    // Compiles the first statement of `text`. Text after it other than blanks and a closing ";" makes the
    // whole statement invalid.
    PreparedStatement(sqlite3* database, const QString& text);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    sqlite3_stmt* handle() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// Access accepts "DELETE * FROM table"; SQLite knows only "DELETE FROM table".
QString fromAccessDialect(const QString& statement);
