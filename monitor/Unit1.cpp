#include "monitor/Unit1.h"

#include "monitor/About.h"
#include "monitor/DigitKeyFilter.h"
#include "monitor/ErrorHandler.h"
#include "monitor/MakeControl.h"
#include "monitor/GraphImage.h"
#include "monitor/HostListFile.h"
#include "monitor/HostListHolder.h"
#include "monitor/LogFormat.h"
#include "monitor/SettingsStore.h"
#include "monitor/Slot.h"
#include "monitor/WindowTimer.h"

#include "widgets/ABOUT1.h"
#include "widgets/DesktopShell.h"
#include "widgets/LogView.h"
#include "widgets/ProductLinks.h"
#include "widgets/zavTransLabel.h"
#include "widgets/zavWebLabel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>

#include <cmath>

namespace {

// The outer sizes of the layouts include a caption and frame that the
// window manager draws around our client area.
constexpr int FrameWidth = 8;
constexpr int CaptionAndFrameHeight = 30;
constexpr int LogWidth = 930;
constexpr int TopBarHeight = 57;

int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

QFont boldFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}


QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry)
{
    auto* label = makeControl<QLabel>(parent, name, geometry);
    label->setText(text);
    return label;
}

}

QString TForm1::Slot::host() const
{
    return hostLabel->Caption();
}

TForm1::TForm1(const Options& options)
    : m_options(options)
    , m_programFolder(options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : options.programFolder)
{
    setObjectName("Form1");
    buildWindow();
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::setDialogs(TAboutBox* changeHost, TAboutBox1* about)
{
    m_changeHostBox = changeHost;
    m_aboutBox = about;
}

TForm1::Slot& TForm1::slot(int number) const
{
    return *m_slots.at(static_cast<std::size_t>(number - 1));
}

TVumo& TForm1::graph(int number) const
{
    return *slot(number).graph;
}

void TForm1::buildWindow()
{
    setWindowTitle("Quorvane Grapher");
    QFont font("Tahoma");
    font.setPointSize(8);
    setFont(font);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* client = new QWidget(this);
    client->setObjectName("client");
    client->setAutoFillBackground(true);
    client->setBackgroundRole(QPalette::Button);
    setCentralWidget(client);

    buildMenus();
    buildTopBar(client);
    for (std::size_t i = 0; i < RowPanels.size(); ++i) {
        const auto& row = RowPanels[i];
        m_rowPanels[i] = makeControl<QWidget>(client, row.name, {row.left, row.top, 685, 129});
    }
    for (int i = 0; i < SlotCount; ++i)
        buildSlot(i, client);

    Memo1 = makeControl<LogView>(client, "Memo1", {688, 64, 232, 678});
    Memo1->hide();
    Memo2 = makeControl<HostListHolder>(client, "Memo2", {0, 0, 10, 10});
    Memo2->hide();
    edit5 = makeControl<QLineEdit>(client, "edit5", {0, 0, 10, 10});
    edit5->hide();
    Edit1 = makeControl<QLineEdit>(client, "Edit1", {0, 0, 10, 10});
    Edit1->setText("0");
    Edit1->hide();
    Edit4 = makeControl<QLineEdit>(client, "Edit4", {0, 0, 10, 10});
    Edit4->hide();
    Button3 = makeControl<QPushButton>(client, "Button3", {0, 0, 10, 10});
    Button3->setText("&Reset");
    Button3->hide();

    zavWebLabel1 = makeControl<TzavWebLabel>(client, "zavWebLabel1", {8, 743, 193, 16});
    zavWebLabel1->setFont(boldFont("MS Sans Serif", 13));
    zavWebLabel1->SetFontColor(widgets::clRed);
    zavWebLabel1->SetLinkType(TURLType::lnHttp);
    zavWebLabel1->SetLink(ProductLinks::HomePage);
    zavWebLabel1->setText(ProductLinks::HomePageUrl);
    zavWebLabel1->setToolTip("Software Website");
    zavWebLabel1->Loaded();

    Timer1 = new WindowTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(2000);

    Button2->setFocus();
}

void TForm1::buildTopBar(QWidget* client)
{
    Panel1 = makeControl<QFrame>(client, "Panel1", {0, 0, 0, TopBarHeight});
    static_cast<QFrame*>(Panel1)->setFrameShape(QFrame::StyledPanel);
    QFont bold = font();
    bold.setBold(true);

    makeLabel(Panel1, "Label23", "Interval", {8, 6, 54, 14})->setFont(bold);
    Label26 = makeLabel(Panel1, "Label26", "in seconds", {8, 22, 54, 14});
    TrackBar1 = makeControl<QSlider>(Panel1, "TrackBar1", {62, 4, 90, 24});
    TrackBar1->setOrientation(Qt::Horizontal);
    TrackBar1->setRange(1, 30);
    TrackBar1->setValue(2);
    Edit2 = makeControl<QLineEdit>(Panel1, "Edit2", {66, 30, 41, 21});
    Edit2->setText("2");

    makeLabel(Panel1, "Label24", "Payload", {158, 6, 52, 14})->setFont(bold);
    makeLabel(Panel1, "Label25", "in bytes", {158, 22, 52, 14});
    TrackBar2 = makeControl<QSlider>(Panel1, "TrackBar2", {210, 4, 112, 24});
    TrackBar2->setOrientation(Qt::Horizontal);
    TrackBar2->setRange(32, 512);
    TrackBar2->setTickInterval(32);
    TrackBar2->setTickPosition(QSlider::TicksBelow);
    TrackBar2->setValue(32);
    Edit3 = makeControl<QLineEdit>(Panel1, "Edit3", {214, 30, 41, 21});
    Edit3->setText("32");
    auto* digitsOnly = new DigitKeyFilter(this);
    Edit2->installEventFilter(digitsOnly);
    Edit3->installEventFilter(digitsOnly);

    const auto box = [&](const char* name, const QString& text, QRect geometry, bool checked) {
        auto* b = makeControl<QCheckBox>(Panel1, name, geometry);
        b->setText(text);
        b->setChecked(checked);
        return b;
    };
    CheckBox1 = box("CheckBox1", "Show hostnames", {330, 3, 120, 17}, true);
    CheckBox5 = box("CheckBox5", "Show description", {330, 19, 120, 17}, true);
    CheckBox3 = box("CheckBox3", "Show average", {330, 35, 120, 17}, true);
    CheckBox2 = box("CheckBox2", "Show last value", {452, 3, 178, 17}, true);
    CheckBox6 = box("CheckBox6", "Show exceeding threshold", {452, 19, 178, 17}, false);
    CheckBox4 = box("CheckBox4", "Write log", {452, 35, 100, 17}, false);
    CheckBox4->hide();

    Button2 = makeControl<QPushButton>(Panel1, "Button2", {634, 4, 56, 23});
    Button2->setText("&Start");
    Button1 = makeControl<QPushButton>(Panel1, "Button1", {634, 30, 56, 23});
    Button1->setText("&Quit");
}

void TForm1::buildMenus()
{
    const auto item = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        return action;
    };
    QMenu* file = menuBar()->addMenu("File");
    item(file, "Openhostfile1", "Open host file");
    file->addSeparator();
    item(file, "Exit1", "E&xit");

    QMenu* view = menuBar()->addMenu("View");
    Stayontop1 = item(view, "Stayontop1", "Always on top");
    Stayontop1->setCheckable(true);
    QMenu* graphs = view->addMenu("Show graphs");
    graphs->setObjectName("Showgraphs1");
    for (std::size_t i = 0; i < Layouts.size(); ++i) {
        m_layoutItems[i] = item(graphs, Layouts[i].menuItem, QString("%1 graphs").arg(Layouts[i].graphs));
        m_layoutItems[i]->setCheckable(true);
    }
    QFont defaultItem = m_layoutItems.back()->font();
    defaultItem.setBold(true);
    m_layoutItems.back()->setFont(defaultItem);
    Showlog1 = item(view, "Showlog1", "Show log");
    Showlog1->setCheckable(true);

    QMenu* options = menuBar()->addMenu("&Options");
    item(options, "Resetgraphs1", "Reset all graphs");
    item(options, "Savecurrenthostselection1", "Save current host selection");
    Writelog1 = item(options, "Writelog1", "Write log");
    Writelog1->setCheckable(true);

    QMenu* help = menuBar()->addMenu("?");
    item(help, "Producthomepage1", "Product homepage");
    help->addSeparator();
    item(help, "About2", "About...");
}

void TForm1::buildSlot(int index, QWidget* client)
{
    const SlotSpec& spec = Slots[static_cast<std::size_t>(index)];
    auto slot = std::make_unique<Slot>(spec);
    QWidget* parent = client;
    QPoint origin(spec.left, spec.top);
    bool onRow = false;
    for (std::size_t i = 0; i < RowPanels.size(); ++i) {
        if (spec.rowPanel && QString(spec.rowPanel) == RowPanels[i].name) {
            parent = m_rowPanels[i];
            origin -= QPoint(RowPanels[i].left, RowPanels[i].top);
            onRow = true;
        }
    }
    const auto at = [&](int dx, int dy, int w, int h) { return QRect(origin + QPoint(dx, dy), QSize(w, h)); };

    slot->image = makeControl<GraphImage>(parent, spec.image, at(0, 0, GraphWidth, GraphHeight));
    slot->pollLog = makeControl<LogView>(parent, spec.pollLog, at(0, 0, GraphWidth, GraphHeight));
    slot->pollLog->hide();
    slot->recentValues = makeControl<LogView>(parent, spec.recentValues, at(0, 0, 10, 10));
    slot->recentValues->hide();

    const QFont labelFont = boldFont("Arial", 13);
    const auto transLabel = [&](const char* name, QRect geometry, TAlignment alignment) {
        auto* label = makeControl<TzavTransLabel>(parent, name, geometry);
        label->setFont(labelFont);
        label->SetTransparency(100);
        label->SetColor(widgets::clWhite);
        label->SetAlignment(alignment);
        return label;
    };
    slot->hostLabel = transLabel(spec.hostLabel, at(0, -16, 250, 17), TAlignment::taLeftJustify);
    slot->descriptionLabel = transLabel(spec.descriptionLabel, at(48, -16, 250, 17), TAlignment::taRightJustify);

    slot->topScale = makeLabel(parent, spec.topScaleLabel, "1", at(302, 0, 33, 13));
    slot->unit = makeLabel(parent, spec.unitLabel, "ms", at(302, 12, 27, 13));
    slot->bottomScale = makeLabel(parent, spec.bottomScaleLabel, "0", at(302, onRow ? 100 : 101, 33, 13));

    slot->toggleButton = makeControl<QPushButton>(parent, spec.toggleButton, at(304, onRow ? 33 : 32, 16, 18));
    slot->toggleButton->setText("T");

    auto* panel = makeControl<QFrame>(parent, spec.thresholdPanel, at(0, 0, 84, 45));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    panel->hide();
    slot->thresholdPanel = panel;
    makeLabel(panel, "", "Threshold in ms:", {4, 4, 80, 14});
    slot->thresholdEdit = makeControl<QLineEdit>(panel, spec.thresholdEdit, {4, 20, 50, 21});
    slot->thresholdEdit->setText("50");
    slot->closeButton = makeControl<QPushButton>(panel, spec.closeButton, {61, 21, 16, 18});
    slot->closeButton->setText("C");

    slot->popup = new QMenu(this);
    slot->popup->setObjectName(spec.popupMenu);
    const std::array<std::pair<const char*, const char*>, 4> items{{{spec.changeHostItem, "Change host"},
                                                                    {spec.resetItem, "Reset"},
                                                                    {spec.saveGraphItem, "Save graph to file"},
                                                                    {spec.saveLogItem, "Save log to file"}}};
    for (std::size_t i = 0; i < items.size(); ++i) {
        slot->popupItems[i] = slot->popup->addAction(items[i].second);
        slot->popupItems[i]->setObjectName(items[i].first);
    }
    slot->image->setContextMenuPolicy(Qt::CustomContextMenu);
    QMenu* popup = slot->popup;
    GraphImage* image = slot->image;
    connect(slot->image, &QWidget::customContextMenuRequested, this,
            [popup, image](const QPoint& at) { popup->popup(image->mapToGlobal(at)); });

    m_slots[static_cast<std::size_t>(index)] = std::move(slot);
}

template <typename Sender, typename Signal, typename Handler>
void TForm1::handle(const Sender* sender, Signal signal, Handler handler)
{
    connect(sender, signal, this, [handler] { ErrorHandler::run(handler); });
}

template <typename Handler>
void TForm1::handleCommand(QAction* item, Handler handler)
{
    // A checkable menu item flips its own mark before it reports the click;
    // the commands decide the mark themselves from the state before it.
    connect(item, &QAction::triggered, this, [item, handler](bool checked) {
        if (item->isCheckable())
            item->setChecked(!checked);
        ErrorHandler::run(handler);
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
    }
}

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
    publish(s);
}

void TForm1::publish(Slot& s)
{
    s.graph->Redraw();
    s.image->setPicture(s.graph->Picture());
}

double TForm1::screenFactor() const
{
    double dpi = m_options.logicalDpi;
    if (dpi <= 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    }
    return dpi / 96.0;
}

void TForm1::applySize(int outerHeight, int linkTop, int logHeight)
{
    m_outerSize.setHeight(outerHeight);
    zavWebLabel1->move(zavWebLabel1->x(), linkTop);
    Memo1->resize(Memo1->width(), logHeight);
    setFixedSize(m_outerSize.width() - FrameWidth, m_outerSize.height() - CaptionAndFrameHeight);
    Panel1->resize(width(), TopBarHeight);
}

void TForm1::layoutCommand(int graphs)
{
    for (std::size_t i = 0; i < Layouts.size(); ++i) {
        const LayoutSpec& layout = Layouts[i];
        m_layoutItems[i]->setChecked(layout.graphs == graphs);
        if (layout.graphs != graphs)
            continue;
        const double f = screenFactor();
        int height = layout.windowHeight;
        int linkTop = layout.linkTop;
        int logHeight = layout.logHeight;
        if (f > 1.0) {
            const double h = f + (f - 1.0) / 10.0;
            height = roundHalfEven(h * layout.windowHeight);
            linkTop = height - 75;
            logHeight = roundHalfEven(h * layout.logHeight);
        }
        for (std::size_t row = 0; row < m_rowPanels.size(); ++row)
            m_rowPanels[row]->setVisible(static_cast<int>(row) < layout.visibleRows);
        applySize(height, linkTop, logHeight);
        storeSetting("graphnumber", QString::number(graphs));
    }
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
    DesktopShell::OpenOrRaise(ProductLinks::HomePageUrl, ProductLinks::HomePageUrl);
}

void TForm1::About2Click()
{
    if (m_aboutBox)
        m_aboutBox->exec();
}
