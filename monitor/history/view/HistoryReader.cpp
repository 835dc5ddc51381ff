#include "monitor/history/view/HistoryReader.h"

#include "monitor/history/view/HistoryCsv.h"
#include "monitor/history/HistoryConnection.h"
#include "monitor/threads/BackgroundThread.h"

HistoryReader::HistoryReader(const QString& path, QObject* owner)
    : QObject(owner)
    , m_owner(owner)
    , m_thread(std::make_unique<BackgroundThread>("history reader", new QObject))
    , m_query(std::make_shared<HistoryQuery>(path))
{
}

HistoryReader::~HistoryReader()
{
    // The query's connection belongs to the thread: it is closed there.
    m_thread->end([query = std::move(m_query)]() mutable {
        query.reset();
        QThread::currentThread()->quit();
    }, QuitWaitMs);
}

// Only the newest answer matters to the view, but each question is short:
// they are answered in turn.
void HistoryReader::span(const HistorySpanRequest& request, SpanAnswer answer)
{
    m_thread->post([query = m_query, request, answer, owner = m_owner] {
        const HistorySpan span = query->span(request);
        QMetaObject::invokeMethod(owner, [answer, span] { answer(span); }, Qt::QueuedConnection);
    });
}

void HistoryReader::csv(const HistorySpanRequest& request, CsvAnswer answer)
{
    m_thread->post([query = m_query, request, answer, owner = m_owner] {
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
    });
}
