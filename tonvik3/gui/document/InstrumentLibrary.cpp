#include "gui/document/InstrumentLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ovk {

QString InstrumentLibraryFolder()
{
    const QStringList candidates = {
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TONVIK_LIBRARY_FROM_BIN)),
        QStringLiteral(TONVIK_LIBRARY_INSTALLED),
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("tonvik3/instruments"),
                               QStandardPaths::LocateDirectory),
    };
    for (const QString& folder : candidates)
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return QFileInfo(folder).canonicalFilePath();
    return QString();
}

} // namespace ovk
