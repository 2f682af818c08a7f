#include "monitor/store/make_dir_path.h"

#include <QDir>
#include <QFileInfo>

namespace ossivant {

std::int32_t MakeDirPath(const QString& path) {
    QString p = path.trimmed();
    if (p.isEmpty()) return 3;
    // The leading "/" is the drive part; a share ("//host/...") has none.
    if (!p.startsWith(QLatin1Char('/')) || p.startsWith(QLatin1String("//"))) return 2;
    if (!p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
    while (p.contains(QLatin1String("//"))) p.replace(QLatin1String("//"), QLatin1String("/"));

    QString current;
    const QStringList names = p.mid(1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        current += QLatin1Char('/') + name;
        if (QFileInfo(current).isDir()) continue;
        if (!QDir().mkdir(current)) return kErrorCannotMake;
    }
    return 0;
}

}  // namespace ossivant
