#include "monitor/history/HistoryOwnership.h"

#include "monitor/history/HistoryConnection.h"
#include "monitor/history/HistorySchema.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

[[noreturn]] void refuse(const HistoryConnection& c, const QString& reason)
{
    throw HistoryFailure(QString("The history \"%1\" %2; it is left as it is").arg(c.path(), reason),
                         HistoryFailure::Kind::Foreign);
}

int versionOf(HistoryConnection& c)
{
    QSqlQuery query = c.prepare("PRAGMA user_version");
    c.run(query);
    return query.next() ? query.value(0).toInt() : 0;
}

// The first of our names that holds something else, or, for reading, that
// is missing; empty when all are ours.
QString strangeName(HistoryConnection& c, bool missingCounts)
{
    QSqlQuery query = c.prepare("SELECT type, sql FROM sqlite_master WHERE name = ?");
    for (const HistorySchema::Object& ours : HistorySchema::objects()) {
        query.bindValue(0, QString::fromLatin1(ours.name));
        c.run(query);
        if (!query.next()) {
            if (missingCounts)
                return ours.name;
            continue;
        }
        const bool same = query.value(0).toString().compare(QString::fromLatin1(ours.type), Qt::CaseInsensitive) == 0
                          && query.value(1).toString() == ours.definition();
        query.finish();
        if (!same)
            return ours.name;
    }
    return {};
}

}

void HistoryOwnership::check(HistoryConnection& c, Purpose purpose)
{
    const int version = versionOf(c);
    if (purpose == Purpose::Write && version > HistorySchema::Version)
        refuse(c, QString("was made by a newer version of the program (schema %1, this one writes %2)")
                      .arg(version)
                      .arg(HistorySchema::Version));
    if (const QString name = strangeName(c, purpose == Purpose::Read); !name.isEmpty())
        refuse(c, purpose == Purpose::Read && version <= HistorySchema::Version
                      ? QString("holds no history of this program (\"%1\" is missing or not ours)").arg(name)
                      : QString("holds a table or view \"%1\" that is not this program's").arg(name));
}
