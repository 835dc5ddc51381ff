#include "monitor/window/Unit1.h"

#include "monitor/files/SettingsStore.h"
#include "monitor/files/StrictInteger.h"
#include "monitor/window/Slot.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSlider>

#include <stdexcept>

namespace {

// A stored number that is no integer ends the start-up; the message names
// the value and the file, since it may be read only on standard error.
std::int32_t storedInteger(const char* name, const QString& text)
{
    try {
        return StrictInteger::parse(text);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(
            QString("The setting \"%1\" in %2: %3").arg(name, SettingsStore::location(), e.what()).toStdString());
    }
}

}

void TForm1::storeSetting(const QString& name, const QString& value)
{
    m_settings.write(name, value);
}

// Reads every value once, applies it through the controls (whose handlers
// store it again) and creates what is missing with its default.
void TForm1::applySettings()
{
    applyIntervalSetting();
    applyPayloadSetting();
    applyLayoutSetting();
    applySwitchSetting("showlast", CheckBox2);
    applySwitchSetting("showdesc", CheckBox5);
    applySwitchSetting("showaverage", CheckBox3);
    applySwitchSetting("showlabel", CheckBox1);
    applySwitchSetting("writelog", CheckBox4);
    for (int n = 1; n <= SlotCount; ++n)
        applyThresholdSetting(n);
    m_optionItems.applySettings();
}

void TForm1::applyIntervalSetting()
{
    const auto text = m_settings.read("interval");
    if (!text) {
        storeSetting("interval", "2");
        return;
    }
    const std::int32_t n = storedInteger("interval", *text);
    Edit2->setText(*text);
    if (n < 33)
        TrackBar1->setValue(n);
}

void TForm1::applyPayloadSetting()
{
    const auto text = m_settings.read("payload");
    if (!text) {
        storeSetting("payload", "32");
        return;
    }
    const std::int32_t n = storedInteger("payload", *text);
    Edit3->setText(*text);
    if (n < 513)
        TrackBar2->setValue(n);
    if (n < 32)
        TrackBar2->setValue(32);
}

void TForm1::applyLayoutSetting()
{
    const auto text = m_settings.read("graphnumber");
    if (!text) {
        storeSetting("graphnumber", "10");
        return;
    }
    for (const LayoutRow& layout : Layouts) {
        if (*text == QString::number(layout.graphs))
            layoutCommand(layout.graphs);
    }
}

void TForm1::applySwitchSetting(const char* name, QCheckBox* box)
{
    const auto text = m_settings.read(name);
    if (!text) {
        storeSetting(name, "no");
        box->setChecked(false);
        return;
    }
    if (*text == "no")
        box->setChecked(false);
    else if (*text == "yes")
        box->setChecked(true);
}

void TForm1::applyThresholdSetting(int n)
{
    const QString name = slot(n).row.thresholdEdit;
    auto text = m_settings.read(name);
    if (!text) {
        storeSetting(name, "10");
        text = m_settings.read(name);
    }
    slot(n).thresholdEdit->setText(text.value_or("10"));
}
