#include "monitor/files/EightBitText.h"
#include "monitor/files/HostListFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>

// Feeds arbitrary bytes to the host list reading: decoding, splitting into
// lines, splitting each line into its fields, and the file reader, which
// reads only the head of a file and must agree with all its bytes at once,
// in the lines it gives or in refusing them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = EightBitText::decode(bytes);
    if (text.size() > bytes.size())
        std::abort();

    const QStringList lines = HostListFile::splitLines(text);
    for (const QString& line : lines) {
        if (line.contains('\r') || line.contains('\n'))
            std::abort();
        const auto parsed = HostListFile::parse(line);
        if (parsed.has_value() == line.isEmpty() || (parsed && parsed->host.contains(';')))
            std::abort();
        if (parsed && parsed->description && parsed->description->contains(';'))
            std::abort();
    }

    static QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath("hosts.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();
    std::optional<QStringList> fromFile;
    std::optional<QStringList> fromBytes;
    try {
        fromFile = HostListFile::readLines(path);
    } catch (const std::runtime_error&) {
    }
    try {
        fromBytes = HostListFile::linesOf(bytes);
    } catch (const std::length_error&) {
    }
    if (fromFile != fromBytes)
        std::abort();
    return 0;
}
