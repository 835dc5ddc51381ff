#include "monitor/LogFile.h"

#include "monitor/EightBitText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

QString LogFile::pathFor(const QString& programFolder, const QString& stamp)
{
    return QDir(programFolder).filePath(QFileInfo(stamp).fileName() + ".log");
}

void LogFile::append(const QString& path, const QString& record)
{
    QFile file(path);
    const QByteArray bytes = EightBitText::encode(record) + "\r\n";
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error(
            QString("Cannot write the log file \"%1\": %2").arg(path, file.errorString()).toStdString());
    file.close();
}
