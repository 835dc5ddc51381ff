#include "monitor/Unit1.h"

#include "monitor/ErrorHandler.h"
#include "monitor/Slot.h"
#include "monitor/WindowTimer.h"

#include "graph/RoundHalfEven.h"
#include "graph/Vumo.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int DesignWidth = 705;

int pixels(double value)
{
    return static_cast<int>(RoundHalfEven(value));
}

}

void TForm1::FormCreate()
{
    const bool completed = ErrorHandler::run([this] {
        for (int n = 1; n <= SlotCount; ++n)
            configureGraph(slot(n));

        const double f = screenFactor();
        int height = 820;
        int linkTop = 743;
        int width = DesignWidth;
        int logHeight = 678;
        if (f > 1.0) {
            const double g = (f - 1.0) / 10.0 + 1.0;
            const double h = f + g - 1.0;
            height = pixels(h * 820);
            linkTop = pixels(h * 743);
            width = pixels(f * DesignWidth * g);
            logHeight = pixels(h * 678);
        }
        m_outerSize.setWidth(width);
        applySize(height, linkTop, logHeight);

        const QString argument = m_options.arguments.value(0);
        if (!argument.isEmpty()) {
            if (QFileInfo::exists(argument))
                Edit4->setText(argument);
            edit5->setText(argument);
            loadHostFile(argument);
            setWindowTitle("Quorvane Grapher - " + argument);
            Edit1->setText("1");
            Button2->setText("&Stop");
        } else if (QFileInfo("hosts.txt").isFile()) {
            loadHostFile("hosts.txt");
            setWindowTitle("Quorvane Grapher - hosts.txt");
            edit5->setText("hosts.txt");
        }

        applySettings();
        applyHolderToSlots();

        CheckBox2Click();
        CheckBox3Click();
        for (int n = 1; n <= SlotCount; ++n)
            graph(n).Graphs()[1]->SetVisible(CheckBox3->isChecked());

        if (Edit1->text() == "1")
            Timer1->setEnabled(true);
    });
    m_startupCompleted = completed;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    m_closing = true;
    QMainWindow::closeEvent(event);
}
