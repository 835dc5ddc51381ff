#pragma once

#include <QString>

// Tells an installed program from a portable one, and where each keeps its
// log files. An installed program lies in a bin folder whose sibling share
// folder holds the program's metainfo file, whatever the prefix; a portable
// program (the build folder, or a copy of it anywhere) keeps its log files
// beside itself.
class InstallLayout {
public:
    static bool isInstalled(const QString& programFolder);

    // The per-user data folder for an installed program, never a system
    // folder, even for root; the program's own folder otherwise. Needs the
    // application's organisation and name.
    static QString logFolder(const QString& programFolder);
};
