#include "monitor/window/Unit1.h"

#include "monitor/controls/GraphImage.h"
#include "monitor/files/SettingsStore.h"
#include "monitor/window/Slot.h"

#include "graph/Vumo.h"
#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

void TForm1::CheckBox1Click()
{
    for (int n = 1; n <= SlotCount; ++n)
        slot(n).hostLabel->setVisible(CheckBox1->isChecked());
    storeSetting("showlabel", SettingsStore::yesNo(CheckBox1->isChecked()));
}

void TForm1::CheckBox5Click()
{
    for (int n = 1; n <= SlotCount; ++n) {
        slot(n).descriptionLabel->setVisible(CheckBox5->isChecked());
        slot(n).fitHostText();
    }
    storeSetting("showdesc", SettingsStore::yesNo(CheckBox5->isChecked()));
}

void TForm1::CheckBox3Click()
{
    const bool on = CheckBox3->isChecked();
    for (int n = 1; n <= SlotCount; ++n)
        graph(n).Graphs()[1]->SetVisible(on);
    for (int n = 1; n <= SlotCount; ++n)
        graph(n).SetShowTopLeft(on);
    storeSetting("showaverage", SettingsStore::yesNo(on));
    for (int n = 1; n <= SlotCount; ++n)
        slot(n).publish();
}

void TForm1::CheckBox2Click()
{
    const bool on = CheckBox2->isChecked();
    for (int n = 1; n <= SlotCount; ++n)
        graph(n).SetShowTopRight(on);
    storeSetting("showlast", SettingsStore::yesNo(on));
    for (int n = 1; n <= SlotCount; ++n)
        slot(n).publish();
}

void TForm1::CheckBox6Click()
{
    if (CheckBox6->isChecked())
        return;
    for (int n = 1; n <= SlotCount; ++n)
        slot(n).showSignal(Signal::Level::Normal);
    for (int n = 1; n <= SlotCount; ++n)
        slot(n).publish();
    showHosts();
}

void TForm1::toggleThresholdPanel(int n)
{
    Slot& s = slot(n);
    if (s.thresholdPanel->isVisible()) {
        s.thresholdPanel->hide();
        return;
    }
    s.thresholdPanel->show();
    s.thresholdPanel->raise();
    s.thresholdEdit->setFocus();
}

void TForm1::closeThresholdPanel(int n)
{
    Slot& s = slot(n);
    // The keys go back to the "T" that opened the panel, not on to
    // whatever follows the panel in the Tab order.
    if (s.thresholdPanel->isAncestorOf(focusWidget()))
        s.toggleButton->setFocus();
    s.thresholdPanel->hide();
}

void TForm1::thresholdChanged(int n)
{
    const Slot& s = slot(n);
    const QString name = s.row.thresholdEdit;
    storeSetting(name, m_settings.exists(name) ? s.thresholdEdit->text() : QString("10"));
}

void TForm1::showPollLog(int n)
{
    Slot& s = slot(n);
    s.image->lower();
    // Covered, the graph is out of the Tab order: Shift+Tab from the log
    // must not land on a control nobody sees.
    s.image->setFocusPolicy(Qt::NoFocus);
    s.pollLog->show();
    s.pollLog->raise();
    // Whoever works the graph by keyboard reads the log in its place.
    if (focusWidget() == s.image)
        s.pollLog->setFocus();
}

void TForm1::hidePollLog(int n)
{
    Slot& s = slot(n);
    s.image->setFocusPolicy(Qt::StrongFocus);
    // The focus stays with the slot rather than moving on to the next control.
    if (focusWidget() == s.pollLog)
        s.image->setFocus();
    s.pollLog->hide();
}
