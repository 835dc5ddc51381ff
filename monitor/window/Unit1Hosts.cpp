#include "monitor/window/Unit1.h"

#include "monitor/alerts/HostDownAlerts.h"
#include "monitor/controls/About.h"
#include "monitor/controls/UserDialogs.h"
#include "monitor/files/BitmapFile.h"
#include "monitor/files/HostListFile.h"
#include "monitor/files/HostListHolder.h"
#include "monitor/window/Slot.h"

#include "common/ProductIdentity.h"
#include "graph/Vumo.h"
#include "widgets/zavTransLabel.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <stdexcept>

namespace {

constexpr const char* TextFileFilter = "Textfile (*.txt) | *.txt";

}

QString TForm1::captionNaming(const QString& fileName)
{
    return QString("%1 - %2").arg(ProductIdentity::DisplayName, fileName);
}

void TForm1::loadHostFile(const QString& fileName)
{
    Memo2->setLines(HostListFile::readLines(fileName));
}

void TForm1::Memo2Change()
{
    while (Memo2->lineCount() > HostListFile::MaxLines)
        Memo2->deleteLastLine();
}

void TForm1::applyHolderToSlots()
{
    Memo2Change();
    for (int n = 1; n <= SlotCount; ++n) {
        const QString text = n <= Memo2->lineCount() ? Memo2->line(n - 1) : QString();
        const auto line = HostListFile::parse(text);
        if (!line)
            continue;
        Slot& s = slot(n);
        s.hostLabel->SetCaption(line->host);
        if (line->description)
            s.descriptionLabel->SetCaption(*line->description);
        if (line->threshold)
            s.thresholdEdit->setText(*line->threshold);
        s.fitHostText();
    }
    nameSlots();
}

void TForm1::Openhostfile1Click()
{
    const QString chosen = UserDialogs::active().openFileName(this, m_programFolder);
    if (!chosen.isEmpty()) {
        m_openDialogFileName = chosen;
        if (QFileInfo::exists(chosen))
            loadHostFile(chosen);
        edit5->setText(chosen);
    }
    applyHolderToSlots();
    setWindowTitle(captionNaming(m_openDialogFileName));
    Button3Click();
}

void TForm1::Savecurrenthostselection1Click()
{
    m_saveFilter = TextFileFilter;
    const QString path = UserDialogs::active().saveFileName(this, m_programFolder, edit5->text(), m_saveFilter);
    if (path.isEmpty())
        return;
    QStringList lines;
    for (int n = 1; n <= SlotCount; ++n) {
        const Slot& s = slot(n);
        lines << HostListFile::compose(s.host(), s.descriptionLabel->Caption(), s.thresholdEdit->text());
    }
    HostListFile::save(path, lines);
}

void TForm1::changeHost(int n)
{
    if (!m_changeHostBox)
        return;
    const Slot& s = slot(n);
    m_changeHostBox()->edit(QString::number(n), s.host(), s.descriptionLabel->Caption());
}

void TForm1::applyHostChange(const QString& slotText, const QString& host, const QString& description)
{
    for (int n = 1; n <= SlotCount; ++n) {
        if (slotText != QString::number(n))
            continue;
        Slot& s = slot(n);
        m_downAlerts->watch().restart(s.host());
        m_downAlerts->watch().restart(host);
        s.hostLabel->SetCaption(host);
        s.descriptionLabel->SetCaption(description);
        s.fitHostText();
        s.clearReadings();
    }
    nameSlots();
}

void TForm1::nameSlots()
{
    showHosts();
    for (int n = 1; n <= SlotCount; ++n) {
        bool shared = false;
        for (int other = 1; other <= SlotCount; ++other)
            shared = shared || (other != n && slot(other).host() == slot(n).host());
        slot(n).nameControls(shared);
    }
}

void TForm1::resetSlot(int n)
{
    Slot& s = slot(n);
    s.clearReadings();
    m_downAlerts->watch().restart(s.host());
    // Unlike the reset of all graphs, a slot's own reset also drops the last
    // value and keeps the background.
    s.graph->SetTopRightText(QString());
}

void TForm1::Button3Click()
{
    // The last value stays until the slot's next outcome.
    for (int n = 1; n <= SlotCount; ++n) {
        Slot& s = slot(n);
        s.showSignal(Signal::Level::Normal);
        s.clearReadings();
    }
    m_downAlerts->watch().restart();
    showHosts();
}

void TForm1::saveGraph(int n)
{
    const Slot& s = slot(n);
    const QString path = UserDialogs::active().saveFileName(this, m_programFolder, s.host() + ".bmp", m_saveFilter);
    if (path.isEmpty())
        return;
    BitmapFile::save(s.graph->Picture(), path);
}
