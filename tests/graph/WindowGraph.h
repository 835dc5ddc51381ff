#pragma once

#include "graph/Vumo.h"

#include <QRgb>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace GraphTest {

inline constexpr int Width = 300;
inline constexpr int Height = 113;

inline constexpr QRgb White = qRgb(255, 255, 255);
inline constexpr QRgb Black = qRgb(0, 0, 0);
inline constexpr QRgb Silver = qRgb(192, 192, 192);
inline constexpr QRgb Red = qRgb(255, 0, 0);
inline constexpr QRgb Blue = qRgb(0, 0, 255);

// As the window builds each slot's graph, up to and including its first Redraw.
inline std::unique_ptr<TVumo> windowGraph()
{
    auto graph = std::make_unique<TVumo>(Width, Height);
    graph->SetGridX(5);
    graph->SetGridY(20);
    graph->SetGridColor(TColor::FromRgb(192, 192, 192));
    graph->SetHeadroom(10);
    graph->SetXStep(3.0);
    graph->AddGraph(100, TColor::FromRgb(255, 0, 0));
    graph->AddGraph(100, TColor::FromRgb(0, 0, 255));
    graph->Graphs()[0]->SetPenWidth(2);
    graph->Graphs()[1]->SetPenWidth(2);
    graph->Font().setBold(true);
    graph->Font().setFamily(QStringLiteral("Arial"));
    graph->Font().setPointSize(10);
    graph->Redraw();
    return graph;
}

inline void addSamples(TVumo& graph, std::int32_t series, const std::vector<std::int64_t>& samples)
{
    for (std::int64_t sample : samples)
        graph.AddValue(series, sample);
}

} // namespace GraphTest
