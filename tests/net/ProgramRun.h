#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// The real program, copied into a folder of its own (the log file goes
// beside the executable), with its own settings and host list, on the
// offscreen platform.
class ProgramRun {
public:
    // The folder is made under parent, or in the temporary folder.
    explicit ProgramRun(const QStringList& hostLines, const QStringList& settingsLines, const QString& parent = {});
    ~ProgramRun();

    // Before start(): a variable of the program's environment, set or
    // removed (an empty value), and standard error kept for errors().
    void setEnvironment(const QString& name, const QString& value);
    void keepErrors();
    QString errors();

    void start();
    // Sends the signal and waits; the exit code, or -1 when it did not end
    // within waitMs.
    int stop(int signal, int waitMs = 1000);

    // A file of the program's folder.
    QString path(const QString& name) const;
    QString logFilePath() const;
    QStringList logRecords() const;
    qint64 pid() const { return m_process.processId(); }

private:
    QTemporaryDir m_folder;
    QString m_hostFile;
    QProcess m_process;
};

// A program's ICMP helper, 0 while it has none.
qint64 helperOf(qint64 pid);

// Whether done() holds within ms, asked every 10 ms.
bool within(int ms, const std::function<bool()>& done);
