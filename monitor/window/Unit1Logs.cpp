#include "monitor/window/Unit1.h"

#include "monitor/controls/UserDialogs.h"
#include "monitor/files/SettingsStore.h"
#include "monitor/files/WholeFileSave.h"
#include "monitor/window/Slot.h"
#include "monitor/window/WindowMetrics.h"

#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QIODevice>
#include <QMenu>

using namespace WindowMetrics;

void TForm1::Showlog1Click()
{
    const bool show = !Showlog1->isChecked();
    const int outerWidth = roundHalfEven((show ? WideWidth : DesignWidth) * growth(screenFactor()));
    Memo1->setVisible(show);
    Showlog1->setChecked(show);
    m_outerSize.setWidth(outerWidth);
    setFixedWidth(outerWidth - FrameWidth);
    Panel1->resize(width(), Panel1->height());
}

void TForm1::Writelog1Click()
{
    const bool on = !CheckBox4->isChecked();
    storeSetting("writelog", SettingsStore::yesNo(on));
    CheckBox4->setChecked(on);
    Writelog1->setChecked(on);
}

void TForm1::CheckBox4Click()
{
    Writelog1->setChecked(CheckBox4->isChecked());
    storeSetting("writelog", SettingsStore::yesNo(CheckBox4->isChecked()));
}

void TForm1::describeLogFolder()
{
    const QString tip =
        QString("Writes one record per echo to <stamp>.log in %1").arg(QDir::toNativeSeparators(m_programFolder));
    Writelog1->setStatusTip(tip);
    // The window has no status bar: the menu shows the tip as a tool tip.
    Writelog1->setToolTip(tip);
    for (QObject* user : Writelog1->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(user))
            menu->setToolTipsVisible(true);
}

void TForm1::saveLog(int n)
{
    Slot& s = slot(n);
    const QString path = UserDialogs::active().saveFileName(this, m_programFolder, s.host() + ".txt", m_saveFilter);
    if (path.isEmpty())
        return;
    WholeFileSave::save(path, "Cannot write the poll log to", [&](QIODevice& file) { return s.pollLog->saveTo(file); });
}
