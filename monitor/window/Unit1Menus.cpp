#include "monitor/window/Unit1.h"

#include "common/ProductIdentity.h"
#include "widgets/ABOUT1.h"
#include "widgets/DesktopShell.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

// "&4 graphs" ... "&10 graphs": the first digit, which sets each apart and
// is the key a user reaches for; a "0" would be nobody's guess.
QString mnemonicGraphs(int graphs)
{
    return QString("&%1 graphs").arg(graphs);
}

}

void TForm1::buildMenus()
{
    const auto item = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        return action;
    };
    QMenu* file = menuBar()->addMenu("&File");
    item(file, "Openhostfile1", "&Open host file");
    file->addSeparator();
    item(file, "Exit1", "E&xit");

    QMenu* view = menuBar()->addMenu("&View");
    Stayontop1 = item(view, "Stayontop1", "&Always on top");
    Stayontop1->setCheckable(true);
    QMenu* graphs = view->addMenu("Show &graphs");
    graphs->setObjectName("Showgraphs1");
    for (std::size_t i = 0; i < Layouts.size(); ++i) {
        m_layoutItems[i] = item(graphs, Layouts[i].menuItem, mnemonicGraphs(Layouts[i].graphs));
        m_layoutItems[i]->setCheckable(true);
    }
    QFont defaultItem = m_layoutItems.back()->font();
    defaultItem.setBold(true);
    m_layoutItems.back()->setFont(defaultItem);
    Showlog1 = item(view, "Showlog1", "Show &log");
    Showlog1->setCheckable(true);

    QMenu* options = menuBar()->addMenu("&Options");
    item(options, "Resetgraphs1", "&Reset all graphs");
    item(options, "Savecurrenthostselection1", "&Save current host selection");
    Writelog1 = item(options, "Writelog1", "&Write log");
    Writelog1->setCheckable(true);
    buildListeners(options);

    QMenu* help = menuBar()->addMenu("&?");
    item(help, "Producthomepage1", "&Product homepage");
    help->addSeparator();
    item(help, "About2", "&About...");
}

void TForm1::Stayontop1Click()
{
    const bool topmost = !Stayontop1->isChecked();
    Stayontop1->setChecked(topmost);
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (wasVisible)
        show();
}

void TForm1::Producthomepage1Click()
{
    DesktopShell::OpenOrRaise(ProductIdentity::HomePageUrl, ProductIdentity::HomePageUrl);
}

void TForm1::About2Click()
{
    if (m_aboutBox)
        m_aboutBox()->exec();
}
