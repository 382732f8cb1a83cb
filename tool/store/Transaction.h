#pragma once

class CAdoConnection;

// Statements that stand or fall together: begun on construction, undone on destruction unless committed.
// Taking the write lock at the start means a database another program holds is found out before the
// first statement, not halfway through.
class Transaction {
public:
    explicit Transaction(CAdoConnection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when the transaction could not be begun; the connection's LastError says why.
    bool IsBegun() const { return m_begun; }
    // Makes every statement since the start permanent; false (with LastError) when the database refused.
    bool Commit();

private:
    CAdoConnection& m_connection;
    bool m_begun = false;
    bool m_committed = false;
};
