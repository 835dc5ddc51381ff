#include "WindowFixture.h"

#include "graph/Vumo.h"
#include "ping/PingThrd.h"
#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

#include <map>

namespace {

QString slotControl(const char* prefix, int slot)
{
    return QString(prefix) + QString::number(slot);
}

}

WindowFixture::WindowFixture()
{
    settingsFolder = world.filePath("config");
    programFolder = world.filePath("program");
    QDir().mkpath(settingsFolder);
    QDir().mkpath(programFolder);
    QDir().mkpath(world.filePath("work"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder);
    previousDirectory = QDir::currentPath();
    QDir::setCurrent(world.filePath("work"));
}

WindowFixture::~WindowFixture()
{
    form.reset();
    QDir::setCurrent(previousDirectory);
}

QString WindowFixture::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = QDir::current().filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return path;
}

void WindowFixture::storeSetting(const QString& name, const QString& value)
{
    QSettings settings("Halvetor", "Quorvane");
    settings.setValue(name, value);
}

QMap<QString, QString> WindowFixture::storedSettings() const
{
    QSettings settings("Halvetor", "Quorvane");
    QMap<QString, QString> values;
    for (const QString& key : settings.allKeys())
        values[key] = settings.value(key).toString();
    return values;
}

bool WindowFixture::settingsFileExists() const
{
    return QFile::exists(settingsFolder + "/Halvetor/Quorvane.conf");
}

TForm1& WindowFixture::start(const QStringList& arguments, double dpi)
{
    TForm1::Options options;
    options.arguments = arguments;
    options.logicalDpi = dpi;
    options.programFolder = programFolder;
    form = std::make_unique<TForm1>(options);
    return *form;
}

QString WindowFixture::text(const char* name) const
{
    return control<QLineEdit>(name)->text();
}

QString WindowFixture::labelText(const char* name) const
{
    return control<QLabel>(name)->text();
}

QString WindowFixture::host(int slot) const
{
    return control<TzavTransLabel>(Slots[slot - 1].hostLabel)->Caption();
}

QString WindowFixture::description(int slot) const
{
    return control<TzavTransLabel>(Slots[slot - 1].descriptionLabel)->Caption();
}

QStringList WindowFixture::pollLog(int slot) const
{
    return control<LogView>(Slots[slot - 1].pollLog)->lines();
}

QStringList WindowFixture::combinedLog() const
{
    return control<LogView>("Memo1")->lines();
}

QStringList WindowFixture::recentValues(int slot) const
{
    return control<LogView>(Slots[slot - 1].recentValues)->lines();
}

QImage WindowFixture::picture(int slot) const
{
    return form->graph(slot).Picture();
}

bool WindowFixture::checked(const char* name) const
{
    return control<QCheckBox>(name)->isChecked();
}

void WindowFixture::setChecked(const char* name, bool on)
{
    control<QCheckBox>(name)->setChecked(on);
}

void WindowFixture::setThreshold(int slot, const QString& value)
{
    control<QLineEdit>(slotControl("thresh", slot).toLatin1().constData())->setText(value);
}

void WindowFixture::reply(const QString& host, std::uint32_t rtt, const QString& from, std::uint16_t size,
                          std::uint32_t status)
{
    TPingThread worker;
    worker.HostText = host;
    worker.HostIP = "10.0.0.1";
    worker.ReplyAddress = from.isEmpty() ? worker.HostIP : from;
    worker.ReplyCount = 1;
    worker.RoundTripTime = rtt;
    worker.ReplyDataSize = size;
    worker.ReplyStatus = status;
    form->PingThreadDone(&worker);
}

void WindowFixture::failure(const QString& host, const QString& errorText)
{
    TPingThread worker;
    worker.HostText = host;
    worker.HostIP = "10.0.0.1";
    worker.ReplyCount = 0;
    worker.ErrorNumber = 11010;
    worker.ErrorText = errorText;
    form->PingThreadDone(&worker);
}

QRgb WindowFixture::background(const QImage& picture)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ++counts[picture.pixel(x, y) | 0xFF000000u];
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}
