#pragma once

#include "monitor/window/Unit1.h"

#include "monitor/statistics/EchoStatistics.h"
#include "monitor/statistics/FixedRing.h"
#include "monitor/window/SignalColours.h"

#include "graph/Vumo.h"


class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

// One host slot: its controls, found by their names in the slot table, its
// graph, and the statistics of the outcomes the graph shows. The window keeps
// no model apart from its controls: the operations below read and write the
// slot's state where the controls hold it. Two numbers are kept beside the
// texts they are shown as, in step with them, so that no reply parses text
// back: the recent times (with their sum) and the threshold.
struct TForm1::Slot {
    explicit Slot(const SlotRow& tableRow) : row(tableRow) {}

    const SlotRow& row;
    GraphImage* image = nullptr;
    TzavTransLabel* hostLabel = nullptr;
    TzavTransLabel* descriptionLabel = nullptr;
    QLabel* topScale = nullptr;
    QLabel* bottomScale = nullptr;
    QLabel* unit = nullptr;
    LogView* pollLog = nullptr;
    LogView* recentValues = nullptr;
    QWidget* thresholdPanel = nullptr;
    QLineEdit* thresholdEdit = nullptr;
    QPushButton* closeButton = nullptr;
    QPushButton* toggleButton = nullptr;
    QMenu* popup = nullptr;
    std::array<QAction*, 4> popupItems{};
    std::unique_ptr<TVumo> graph;
    EchoStatistics statistics;
    // The error text of the last outcome if it failed; empty after a reply.
    QString lastFailure;

    QString host() const;
    // A host text that would run into the description shown beside it is
    // cut with "…" where the description begins; the host stays whole.
    void fitHostText();

    // Names the slot's controls for a screen reader after its host and
    // description ("Graph of HOST (DESCRIPTION)", "Threshold of HOST"), or
    // after its number while it has no host; a host that another slot
    // shows too is told apart by the number ("HOST in slot 3").
    void nameControls(bool hostShared);
    // What a sighted user reads off the graph: "last 37 ms, average 36 ms"
    // or "last echo: Request timed out", and the threshold signal shown.
    // A reply from another address is lost, and told by that address.
    QString stateDescription() const;
    // The graph's threshold signal, as the reply processing worked it out,
    // shown as its background; the description, the screen reader's words
    // and the tray read it from here.
    void showSignal(Signal::Level level);
    // The graph shows its host above the threshold (yellow or orange).
    bool signalsAbove() const { return Signal::isAbove(m_signal); }
    Signal::Level signal() const { return m_signal; }

    // The only way a graph changes on screen: redrawn, then its picture
    // handed to the slot's image.
    void publish();

    // Starts the readings afresh: both series, the top scale, the recent
    // times, the statistics, the average text and the poll log. The picture
    // is published as soon as the series are empty, so it still carries the
    // corner texts until the slot's next redraw.
    void clearReadings();

    // The threshold edit's number; an empty or non-numeric text gives no
    // threshold signal. Parsed whenever the edit's text changes, from the
    // moment followThreshold is called.
    std::optional<std::int64_t> threshold() const { return m_threshold; }
    void followThreshold();

    // The round-trip times of the last replies from the pinged address,
    // oldest first, at most MaxRecentTimes: the lines of the recent-values
    // list, and their sum.
    void addRecentTime(std::int64_t milliseconds);
    static constexpr int MaxRecentTimes = 100;
    std::int64_t recentSum() const { return m_recentSum; }

    // The running average of the recent times, rounded half up, by the slot's
    // row: from its fewest times on, and of all zeros only where it allows.
    std::optional<std::int64_t> average() const;

private:
    // The recent-values list's lines as numbers, oldest first.
    FixedRing<std::int64_t, MaxRecentTimes> m_recent;
    std::int64_t m_recentSum = 0;
    std::optional<std::int64_t> m_threshold;
    Signal::Level m_signal = Signal::Level::Normal;
};
