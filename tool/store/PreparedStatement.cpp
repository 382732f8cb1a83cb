#include "store/PreparedStatement.h"

#include <QRegularExpression>
#include <sqlite3.h>

namespace {

QString refusalOf(const QString& text) {
    if (text.contains(QChar(u'\0')))
        return QStringLiteral("a text holds a zero character, which the database cannot store");
    if (!text.isValidUtf16())
        return QStringLiteral(
            "a text holds half of a UTF-16 surrogate pair, which the database cannot store");
    return {};
}

} // namespace

PreparedStatement::PreparedStatement(sqlite3* database, const QString& text) : m_refusal(refusalOf(text)) {
    if (database == nullptr || !m_refusal.isEmpty())
        return;
    const QByteArray utf8 = fromAccessDialect(text).toUtf8();
    const char* rest = nullptr;
    if (sqlite3_prepare_v2(database, utf8.constData(), static_cast<int>(utf8.size()), &m_statement, &rest) !=
        SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        return;
    }
    const QString following = QString::fromUtf8(rest).trimmed();
    if (!following.isEmpty() && following != QLatin1String(";")) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

PreparedStatement::~PreparedStatement() {
    sqlite3_finalize(m_statement);
}

QString fromAccessDialect(const QString& statement) {
    static const QRegularExpression deleteAll(QStringLiteral(R"(^(\s*DELETE)\s+\*\s+(FROM\b))"),
                                              QRegularExpression::CaseInsensitiveOption);
    QString adapted = statement;
    return adapted.replace(deleteAll, QStringLiteral("\\1 \\2"));
}
