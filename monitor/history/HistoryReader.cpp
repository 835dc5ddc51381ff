#include "monitor/history/HistoryReader.h"

#include "monitor/history/HistoryCsv.h"
#include "monitor/history/HistoryConnection.h"
#include "monitor/history/HistoryRecorder.h"

#include <QThread>

HistoryReader::HistoryReader(const QString& path, QObject* owner)
    : QObject(owner)
    , m_owner(owner)
    , m_thread(new QThread)
    , m_worker(new QObject)
    , m_query(std::make_shared<HistoryQuery>(path))
{
    m_thread->setObjectName("history reader");
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

HistoryReader::~HistoryReader()
{
    // The query's connection belongs to the thread: it is closed there.
    QMetaObject::invokeMethod(m_worker, [query = std::move(m_query)]() mutable { query.reset(); },
                              Qt::QueuedConnection);
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(QuitWaitMs)))
        delete m_thread;
    else
        HistoryRecorder::noteThreadLeftBehind();
}

// Only the newest answer matters to the view, but each question is short:
// they are answered in turn.
void HistoryReader::span(const HistorySpanRequest& request, SpanAnswer answer)
{
    QMetaObject::invokeMethod(m_worker, [query = m_query, request, answer, owner = m_owner] {
        const HistorySpan span = query->span(request);
        QMetaObject::invokeMethod(owner, [answer, span] { answer(span); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void HistoryReader::csv(const HistorySpanRequest& request, CsvAnswer answer)
{
    QMetaObject::invokeMethod(m_worker, [query = m_query, request, answer, owner = m_owner] {
        QByteArray echoes = HistoryCsv::echoHeader();
        QByteArray minutes = HistoryCsv::minuteHeader();
        bool perMinute = false;
        QString error;
        try {
            query->rows(
                request, [&](const HistoryEcho& e) { echoes += HistoryCsv::echoRow(request.host, e); },
                [&](const HistoryQuery::MinuteRow& m) {
                    perMinute = true;
                    minutes += HistoryCsv::minuteRow(request.host, m);
                });
        } catch (const HistoryFailure& failure) {
            error = QString::fromStdString(failure.what());
        }
        const QByteArray csv = perMinute ? minutes : echoes;
        QMetaObject::invokeMethod(owner, [answer, csv, error] { answer(csv, error); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}
