#pragma once

#include "FakeDialogs.h"
#include "FakeEchoService.h"

#include "monitor/window/Unit1.h"

#include <QDateTime>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class TPingThread;

// A window started as the program starts it, in a throwaway world: its own
// settings file, program folder and working directory, fake dialogs, and a
// fake echo service, so that nothing is ever sent.
class WindowFixture : public testing::Test {
protected:
    WindowFixture();
    ~WindowFixture() override;

    // Writes a file into the working directory and returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes);
    void storeSetting(const QString& name, const QString& value);
    QMap<QString, QString> storedSettings() const;
    bool settingsFileExists() const;

    TForm1& start(const QStringList& arguments = {}, double dpi = 96);

    template <typename Control>
    Control* control(const char* name) const
    {
        auto* found = form->findChild<Control*>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    QString text(const char* lineEditName) const;
    QString labelText(const char* labelName) const;
    QString host(int slot) const;
    QString description(int slot) const;
    QStringList pollLog(int slot) const;
    QStringList combinedLog() const;
    QStringList recentValues(int slot) const;
    QImage picture(int slot) const;
    bool checked(const char* checkBox) const;
    void setChecked(const char* checkBox, bool on);
    void setThreshold(int slot, const QString& value);

    // Feeds one crafted outcome to the reply processing.
    void reply(const QString& host, std::uint32_t rtt, const QString& from = {}, std::uint16_t size = 32,
               std::uint32_t status = 0);
    void failure(const QString& host, const QString& errorText = "Request timed out");

    // The colour that covers most of a picture: its background.
    static QRgb background(const QImage& picture);

    QTemporaryDir world;
    QString settingsFolder;
    QString programFolder;
    QString previousDirectory;
    FakeDialogs dialogs;
    FakeEchoService echoes{FakeEchoService::Fail::Nothing, FakeEchoService::Answer::Silence};
    std::unique_ptr<TForm1> form;
};
