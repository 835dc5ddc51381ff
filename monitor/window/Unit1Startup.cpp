#include "monitor/window/Unit1.h"

#include "monitor/controls/ErrorHandler.h"
#include "monitor/controls/GraphImage.h"
#include "monitor/controls/WindowTimer.h"
#include "monitor/window/Slot.h"
#include "monitor/window/WindowMetrics.h"

#include "graph/Vumo.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

using namespace WindowMetrics;

std::unique_ptr<TVumo> TForm1::createSlotGraph()
{
    auto graph = std::make_unique<TVumo>(GraphWidth, GraphHeight);
    TVumo& g = *graph;
    g.SetGridX(5);
    g.SetGridY(20);
    g.SetGridColor(clSilver);
    g.SetHeadroom(10);
    g.SetXStep(3.0);
    g.AddGraph(100, clRed);
    g.AddGraph(100, clBlue);
    g.Graphs()[0]->SetPenWidth(2);
    g.Graphs()[1]->SetPenWidth(2);
    g.Font().setBold(true);
    g.Font().setFamily("Arial");
    g.Font().setPointSize(10);
    return graph;
}

void TForm1::configureGraph(Slot& s)
{
    s.graph = createSlotGraph();
    s.image->setGraph(s.graph.get());
    s.publish();
}

// Start-up stores many values, most of them twice (a control's handler
// stores again what applying the settings stored): the file is written
// once, when start-up ends, also with what came before a step that failed.
void TForm1::FormCreate()
{
    m_settings.hold();
    bool completed = ErrorHandler::run([this] { startUpSteps(); });
    completed = ErrorHandler::run([this] { m_settings.release(); }) && completed;
    if (completed && Edit1->text() == "1")
        Timer1->setEnabled(true);
    m_startupCompleted = completed;
    m_listeners.pollingChanged(Timer1->enabled());
}

void TForm1::startUpSteps()
{
    for (int n = 1; n <= SlotCount; ++n)
        configureGraph(slot(n));

    const double f = screenFactor();
    const double h = growth(f);
    m_outerSize.setWidth(startWidth(f));
    applySize(roundHalfEven(h * 820), roundHalfEven(h * 743), roundHalfEven(h * 678));

    const QString argument = m_options.arguments.value(0);
    if (!argument.isEmpty()) {
        if (QFileInfo::exists(argument))
            Edit4->setText(argument);
        edit5->setText(argument);
        loadHostFile(argument);
        setWindowTitle(captionNaming(argument));
        Edit1->setText("1");
        Button2->setText("&Stop");
    } else if (QFileInfo("hosts.txt").isFile()) {
        loadHostFile("hosts.txt");
        setWindowTitle(captionNaming("hosts.txt"));
        edit5->setText("hosts.txt");
    }

    applySettings();
    applyHolderToSlots();

    CheckBox2Click();
    CheckBox3Click();
    for (int n = 1; n <= SlotCount; ++n)
        graph(n).Graphs()[1]->SetVisible(CheckBox3->isChecked());
}
