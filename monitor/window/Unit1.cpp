#include "monitor/window/Unit1.h"

#include "monitor/access/SlotAccessibility.h"
#include "monitor/access/SlotKeys.h"
#include "monitor/controls/ErrorHandler.h"
#include "monitor/controls/GraphImage.h"
#include "monitor/controls/WindowTimer.h"
#include "monitor/files/HostListHolder.h"
#include "monitor/window/Slot.h"

#include "widgets/LogView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

TForm1::TForm1(const Options& options)
    : m_options(options)
    , m_programFolder(options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : options.programFolder)
{
    setObjectName("Form1");
    // The monitor mostly runs beside other work: a graph's statistics must
    // show when the mouse rests on it, whichever window has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    SlotAccessibility::install();
    buildWindow();
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::setDialogs(ChangeHostDialog changeHost, AboutDialog about)
{
    m_changeHostBox = std::move(changeHost);
    m_aboutBox = std::move(about);
}

TForm1::Slot& TForm1::slot(int number) const
{
    return *m_slots.at(static_cast<std::size_t>(number - 1));
}

TVumo& TForm1::graph(int number) const
{
    return *slot(number).graph;
}


// A handler's settings reach the file together when it ends, however many
// controls it changes on the way (each of which runs a handler of its own).
template <typename Handler>
void TForm1::runHandler(const Handler& handler)
{
    m_settings.hold();
    ErrorHandler::run(handler);
    ErrorHandler::run([this] { m_settings.release(); });
}

template <typename Sender, typename Signal, typename Handler>
void TForm1::handle(const Sender* sender, Signal signal, Handler handler)
{
    connect(sender, signal, this, [this, handler] { runHandler(handler); });
}

template <typename Handler>
void TForm1::handleCommand(QAction* item, Handler handler)
{
    // A checkable menu item flips its own mark before it reports the click;
    // the commands decide the mark themselves from the state before it.
    connect(item, &QAction::triggered, this, [this, item, handler](bool checked) {
        if (item->isCheckable())
            item->setChecked(!checked);
        runHandler(handler);
    });
}

void TForm1::connectHandlers()
{
    const auto action = [this](const char* name) { return findChild<QAction*>(name); };
    handle(Button2, &QPushButton::clicked, [this] { Button2Click(); });
    handle(Button1, &QPushButton::clicked, [this] { Button1Click(); });
    handle(Button3, &QPushButton::clicked, [this] { Button3Click(); });
    handle(Timer1, &WindowTimer::timeout, [this] { Timer1Timer(); });
    handle(TrackBar1, &QSlider::valueChanged, [this] { TrackBar1Change(); });
    handle(TrackBar2, &QSlider::valueChanged, [this] { TrackBar2Change(); });
    handle(Edit2, &QLineEdit::textChanged, [this] { Edit2Change(); });
    handle(Edit3, &QLineEdit::textChanged, [this] { Edit3Change(); });
    handle(Memo2, &HostListHolder::linesChanged, [this] { Memo2Change(); });
    handle(CheckBox1, &QCheckBox::toggled, [this] { CheckBox1Click(); });
    handle(CheckBox2, &QCheckBox::toggled, [this] { CheckBox2Click(); });
    handle(CheckBox3, &QCheckBox::toggled, [this] { CheckBox3Click(); });
    handle(CheckBox4, &QCheckBox::toggled, [this] { CheckBox4Click(); });
    handle(CheckBox5, &QCheckBox::toggled, [this] { CheckBox5Click(); });
    handle(CheckBox6, &QCheckBox::toggled, [this] { CheckBox6Click(); });
    handle(action("Openhostfile1"), &QAction::triggered, [this] { Openhostfile1Click(); });
    handle(action("Exit1"), &QAction::triggered, [this] { Exit1Click(); });
    handleCommand(Stayontop1, [this] { Stayontop1Click(); });
    for (std::size_t i = 0; i < Layouts.size(); ++i) {
        const int graphs = Layouts[i].graphs;
        handleCommand(m_layoutItems[i], [this, graphs] { layoutCommand(graphs); });
    }
    handleCommand(Showlog1, [this] { Showlog1Click(); });
    handle(action("Resetgraphs1"), &QAction::triggered, [this] { Resetgraphs1Click(); });
    handle(action("Savecurrenthostselection1"), &QAction::triggered, [this] { Savecurrenthostselection1Click(); });
    handleCommand(Writelog1, [this] { Writelog1Click(); });
    for (QAction* item : m_optionItems.actions())
        handleCommand(item, [this, item] { m_optionItems.click(item); });
    handle(action("Producthomepage1"), &QAction::triggered, [this] { Producthomepage1Click(); });
    handle(action("About2"), &QAction::triggered, [this] { About2Click(); });

    for (int n = 1; n <= SlotCount; ++n) {
        Slot& s = slot(n);
        handle(s.popupItems[0], &QAction::triggered, [this, n] { changeHost(n); });
        handle(s.popupItems[1], &QAction::triggered, [this, n] { resetSlot(n); });
        handle(s.popupItems[2], &QAction::triggered, [this, n] { saveGraph(n); });
        handle(s.popupItems[3], &QAction::triggered, [this, n] { saveLog(n); });
        handle(s.toggleButton, &QPushButton::clicked, [this, n] { toggleThresholdPanel(n); });
        handle(s.closeButton, &QPushButton::clicked, [this, n] { closeThresholdPanel(n); });
        handle(s.thresholdEdit, &QLineEdit::textChanged, [this, n] { thresholdChanged(n); });
        handle(s.image, &GraphImage::doubleClicked, [this, n] { showPollLog(n); });
        handle(s.pollLog, &LogView::doubleClicked, [this, n] { hidePollLog(n); });
        new SlotKeys(s.image, s.pollLog,
                     {[this, n] { runHandler([this, n] { openGraphMenu(n); }); },
                      [this, n] { runHandler([this, n] { showPollLog(n); }); },
                      [this, n] { runHandler([this, n] { hidePollLog(n); }); }});
    }
    for (int n = 1; n <= SlotCount; ++n)
        handle(addHistoryItem(n), &QAction::triggered, [this, n] { showHistory(n); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    m_closing = true;
    QMainWindow::closeEvent(event);
}
