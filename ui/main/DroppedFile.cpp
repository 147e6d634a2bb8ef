#include "ui/main/DroppedFile.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace runwell::ui {

std::optional<std::filesystem::path> DroppedSettingsFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return std::nullopt;
    }
    const QUrl url = data->urls().front();
    if (!url.isLocalFile()) {
        return std::nullopt;
    }
    const QString file = url.toLocalFile();
    if (!file.endsWith(QStringLiteral(".set"), Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    // The file system's own encoding of the name, as the file dialogs give it.
    return std::filesystem::path(QFile::encodeName(file).toStdString());
}

}  // namespace runwell::ui
