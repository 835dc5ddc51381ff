#include "monitor/EightBitText.h"
#include "monitor/HostListFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Feeds arbitrary bytes to the host list reading: decoding, splitting into
// lines, splitting each line into its fields, and the file reader, which
// reads a file in chunks and must agree with the same bytes read at once.
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
    if (HostListFile::readLines(path) != HostListFile::linesOf(bytes))
        std::abort();
    return 0;
}
