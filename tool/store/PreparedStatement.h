#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// One compiled statement of the record store. The statements keep the Access wording the tool is written
// in; where SQLite differs it is translated here.
class PreparedStatement {
public:
    // Compiles the first statement of `text`. Text after it other than blanks and a closing ";" makes the
    // whole statement invalid. So does text the database would not get as it is: SQL text ends at a zero
    // character, and UTF-8 has no form for half of a surrogate pair; such a statement is refused unseen.
    PreparedStatement(sqlite3* database, const QString& text);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    sqlite3_stmt* handle() const { return m_statement; }
    // Why the text was refused before the database saw it; empty when it was not (then the database's own
    // error says why a statement is invalid).
    const QString& refusal() const { return m_refusal; }

private:
    sqlite3_stmt* m_statement = nullptr;
    QString m_refusal;
};

// Access accepts "DELETE * FROM table"; SQLite knows only "DELETE FROM table".
QString fromAccessDialect(const QString& statement);
