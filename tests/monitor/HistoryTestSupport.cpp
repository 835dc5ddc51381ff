#include "HistoryTestSupport.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

QStringList historyRows(const QString& path, const QString& query)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "history-test");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery q(db);
        if (!db.open() || !q.exec(query))
            rows << "failed: " + q.lastError().text() + db.lastError().text();
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << (q.value(i).isNull() ? QString() : q.value(i).toString());
            rows << values.join('|');
        }
    }
    QSqlDatabase::removeDatabase("history-test");
    return rows;
}

HistoryEcho historyEcho(const QString& host, qint64 atMs, int rttMs)
{
    if (rttMs >= 0)
        return {host, atMs, rttMs, HistoryEcho::Outcome::Reply, {}};
    return {host, atMs, HistoryEcho::NoTime, HistoryEcho::Outcome::Timeout, "Request timed out"};
}
