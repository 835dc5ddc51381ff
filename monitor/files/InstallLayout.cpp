#include "monitor/files/InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

bool InstallLayout::isInstalled(const QString& programFolder)
{
    return QFileInfo(QDir(programFolder).filePath(QStringLiteral(QUORVANE_INSTALL_MARKER))).isFile();
}

QString InstallLayout::logFolder(const QString& programFolder)
{
    return isInstalled(programFolder) ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                      : programFolder;
}
