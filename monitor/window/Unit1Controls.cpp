#include "monitor/window/Unit1.h"

#include "monitor/controls/DigitKeyFilter.h"
#include "monitor/controls/GraphImage.h"
#include "monitor/controls/MakeControl.h"
#include "monitor/controls/ScaleLabel.h"
#include "monitor/controls/WindowTimer.h"
#include "monitor/files/HostListHolder.h"
#include "monitor/window/Slot.h"
#include "monitor/window/TickPaintGate.h"
#include "monitor/window/WindowMetrics.h"

#include "common/ProductIdentity.h"
#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"
#include "widgets/zavWebLabel.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

using WindowMetrics::TopBarHeight;

namespace {

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

void TForm1::buildWindow()
{
    setWindowTitle(ProductIdentity::DisplayName);
    QFont font("Tahoma");
    font.setPointSize(8);
    setFont(font);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* client = new QWidget(this);
    client->setObjectName("client");
    // Button face, given as the area's window colour: a background role of
    // Button would make every label on it draw its text in ButtonText and
    // ignore the font colour it was given.
    QPalette buttonFace = client->palette();
    buttonFace.setColor(QPalette::Window, buttonFace.color(QPalette::Button));
    client->setPalette(buttonFace);
    client->setAutoFillBackground(true);
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
    zavWebLabel1->SetFontColor(clRed);
    zavWebLabel1->SetLinkType(TURLType::lnHttp);
    zavWebLabel1->SetLink(ProductIdentity::HomePage);
    zavWebLabel1->setText(ProductIdentity::HomePageUrl);
    zavWebLabel1->setToolTip("Software Website");
    zavWebLabel1->Loaded();

    Timer1 = new WindowTimer(this);
    m_paintGate = new TickPaintGate(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(2000);

    Memo1->setAccessibleName("Combined log");
    buildKeyboardAccess();
    Button2->setFocus();
}

void TForm1::buildTopBar(QWidget* client)
{
    Panel1 = makeControl<QFrame>(client, "Panel1", {0, 0, 0, TopBarHeight});
    static_cast<QFrame*>(Panel1)->setFrameShape(QFrame::StyledPanel);
    QFont bold = font();
    bold.setBold(true);

    QLabel* intervalLabel = makeLabel(Panel1, "Label23", "Interval", {8, 6, 54, 14});
    intervalLabel->setFont(bold);
    Label26 = makeLabel(Panel1, "Label26", "in seconds", {8, 22, 54, 14});
    TrackBar1 = makeControl<QSlider>(Panel1, "TrackBar1", {62, 4, 90, 24});
    TrackBar1->setOrientation(Qt::Horizontal);
    TrackBar1->setRange(1, 30);
    TrackBar1->setValue(2);
    Edit2 = makeControl<QLineEdit>(Panel1, "Edit2", {66, 30, 41, 21});
    Edit2->setText("2");

    QLabel* payloadLabel = makeLabel(Panel1, "Label24", "Payload", {158, 6, 52, 14});
    payloadLabel->setFont(bold);
    QLabel* payloadUnit = makeLabel(Panel1, "Label25", "in bytes", {158, 22, 52, 14});
    TrackBar2 = makeControl<QSlider>(Panel1, "TrackBar2", {210, 4, 112, 24});
    TrackBar2->setOrientation(Qt::Horizontal);
    TrackBar2->setRange(32, 512);
    TrackBar2->setTickInterval(32);
    TrackBar2->setTickPosition(QSlider::TicksBelow);
    TrackBar2->setValue(32);
    Edit3 = makeControl<QLineEdit>(Panel1, "Edit3", {214, 30, 41, 21});
    Edit3->setText("32");
    // Each label pair names the slider and the field beside it; the screen
    // reader tells the two apart by their roles.
    intervalLabel->setBuddy(TrackBar1);
    Label26->setBuddy(Edit2);
    payloadLabel->setBuddy(TrackBar2);
    payloadUnit->setBuddy(Edit3);
    for (QWidget* interval : {static_cast<QWidget*>(TrackBar1), static_cast<QWidget*>(Edit2)})
        interval->setAccessibleName("Interval in seconds");
    for (QWidget* payload : {static_cast<QWidget*>(TrackBar2), static_cast<QWidget*>(Edit3)})
        payload->setAccessibleName("Payload in bytes");
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

void TForm1::buildSlot(int index, QWidget* client)
{
    const SlotRow& row = Slots[static_cast<std::size_t>(index)];
    auto slot = std::make_unique<Slot>(row);
    QWidget* parent = client;
    QPoint origin(row.left, row.top);
    bool onRow = false;
    for (std::size_t i = 0; i < RowPanels.size(); ++i) {
        if (row.rowPanel && QString(row.rowPanel) == RowPanels[i].name) {
            parent = m_rowPanels[i];
            origin -= QPoint(RowPanels[i].left, RowPanels[i].top);
            onRow = true;
        }
    }
    const auto at = [&](int dx, int dy, int w, int h) { return QRect(origin + QPoint(dx, dy), QSize(w, h)); };

    slot->image = makeControl<GraphImage>(parent, row.image, at(0, 0, GraphWidth, GraphHeight));
    const Slot* described = slot.get();
    slot->image->setDescriber([described] { return described->stateDescription(); });
    slot->pollLog = makeControl<LogView>(parent, row.pollLog, at(0, 0, GraphWidth, GraphHeight));
    slot->pollLog->hide();
    slot->recentValues = makeControl<LogView>(parent, row.recentValues, at(0, 0, 10, 10));
    slot->recentValues->hide();

    const QFont labelFont = boldFont("Arial", 13);
    const auto transLabel = [&](const char* name, QRect geometry, TAlignment alignment) {
        auto* label = makeControl<TzavTransLabel>(parent, name, geometry);
        label->setFont(labelFont);
        label->SetTransparency(100);
        label->SetColor(clWhite);
        label->SetAlignment(alignment);
        return label;
    };
    slot->hostLabel = transLabel(row.hostLabel, at(0, -16, 250, 17), TAlignment::taLeftJustify);
    slot->descriptionLabel = transLabel(row.descriptionLabel, at(48, -16, 250, 17), TAlignment::taRightJustify);

    const auto scaleLabel = [&](const char* name, const QString& mark, const QString& text, QRect geometry) {
        auto* label = makeControl<ScaleLabel>(parent, name, geometry);
        label->setMark(mark);
        label->setText(text);
        return label;
    };
    slot->topScale = scaleLabel(row.topScaleLabel, "top of scale", "1", at(302, 0, 33, 13));
    slot->unit = makeLabel(parent, row.unitLabel, "ms", at(302, 12, 27, 13));
    slot->unit->setAccessibleName("milliseconds");
    slot->bottomScale = scaleLabel(row.bottomScaleLabel, "bottom of scale", "0", at(302, onRow ? 100 : 101, 33, 13));

    slot->toggleButton = makeControl<QPushButton>(parent, row.toggleButton, at(304, onRow ? 33 : 32, 16, 18));
    slot->toggleButton->setText("T");

    auto* panel = makeControl<QFrame>(parent, row.thresholdPanel, at(0, 0, 84, 45));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    panel->hide();
    slot->thresholdPanel = panel;
    // Tahoma's stand-ins run a little wider than Tahoma: the panel grows
    // with its label rather than cut the label's last letters.
    QLabel* thresholdLabel = makeLabel(panel, "", "Threshold in ms:", {4, 4, 80, 14});
    thresholdLabel->resize(std::max(80, thresholdLabel->sizeHint().width()), 14);
    panel->resize(std::max(84, thresholdLabel->geometry().right() + 2 + panel->frameWidth()), 45);
    slot->thresholdEdit = makeControl<QLineEdit>(panel, row.thresholdEdit, {4, 20, 50, 21});
    slot->followThreshold();
    slot->thresholdEdit->setText("50");
    thresholdLabel->setBuddy(slot->thresholdEdit);
    slot->closeButton = makeControl<QPushButton>(panel, row.closeButton, {61, 21, 16, 18});
    slot->closeButton->setText("C");

    slot->popup = new QMenu(this);
    slot->popup->setObjectName(row.popupMenu);
    const std::array<std::pair<const char*, const char*>, 4> items{{{row.changeHostItem, "&Change host"},
                                                                    {row.resetItem, "&Reset"},
                                                                    {row.saveGraphItem, "Save &graph to file"},
                                                                    {row.saveLogItem, "Save &log to file"}}};
    for (std::size_t i = 0; i < items.size(); ++i) {
        slot->popupItems[i] = slot->popup->addAction(items[i].second);
        slot->popupItems[i]->setObjectName(items[i].first);
    }
    slot->image->setContextMenuPolicy(Qt::CustomContextMenu);
    QMenu* popup = slot->popup;
    GraphImage* image = slot->image;
    connect(slot->image, &QWidget::customContextMenuRequested, this,
            [popup, image](const QPoint& at) { popup->popup(image->mapToGlobal(at)); });
    slot->nameControls(false);

    m_slots[static_cast<std::size_t>(index)] = std::move(slot);
}
