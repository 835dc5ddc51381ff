#pragma once

#include "monitor/Unit1.h"

#include "monitor/EchoStatistics.h"

#include "graph/Vumo.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

// One host slot: its controls, found by their names in the slot table, its
// graph, and the statistics of the outcomes the graph shows.
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

    QString host() const;

    // The only way a graph changes on screen: redrawn, then its picture
    // handed to the slot's image.
    void publish();
};
