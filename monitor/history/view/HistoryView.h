#pragma once

#include "monitor/history/view/HistorySpan.h"
#include "monitor/history/HistoryStore.h"

#include <QWidget>

#include <array>
#include <optional>

class HistoryChart;
class HistoryReader;
class QComboBox;
class QLabel;
class QPushButton;

// "History of HOST (DESCRIPTION)": one host's round-trip times over 1 hour,
// 1 day, 1 week or 90 days, the loss over the span, and its export as CSV.
// Everything is read on the reader's thread; until an answer comes the
// chart says it is reading. Made at its first showing and kept, like the
// window's other dialogs.
class HistoryView : public QWidget {
    Q_OBJECT

public:
    struct SpanRow {
        const char* text;
        qint64 spanMs;
        qint64 bucketMs;
    };
    static const std::array<SpanRow, 4> Spans;

    HistoryView(const QString& databasePath, QWidget* parent, HistoryStore::Clock clock = {});
    ~HistoryView() override;

    void showHost(const QString& host, const QString& description);
    // Whether an answer is still awaited.
    bool reading() const { return m_asked != m_answered; }

private:
    void ask();
    void answered(const HistorySpan& span);
    void zoom(int steps);
    void scroll(int quarters);
    void latest();
    void exportCsv();
    const SpanRow& shownRow() const;
    qint64 nowEnd() const;
    qint64 latestEnd() const;
    QString describe(const HistorySpan& span) const;

    QString m_folder;
    HistoryStore::Clock m_clock;
    HistoryReader* m_reader = nullptr;
    QComboBox* m_spanBox = nullptr;
    HistoryChart* m_chart = nullptr;
    QLabel* m_loss = nullptr;
    QPushButton* m_export = nullptr;
    QString m_host;
    qint64 m_endMs = 0;
    std::optional<qint64> m_newestAheadMs;
    int m_asked = 0;
    int m_answered = 0;
};
