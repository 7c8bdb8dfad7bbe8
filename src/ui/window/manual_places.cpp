#include "ui/window/manual_places.h"

#include <QDir>

namespace kestrel::ui {

QStringList manualPlaces(const QString& programFolder) {
    // KESTREL_DOC_FROM_BIN: the documentation folder as seen from the programs' folder.
    return {QDir::cleanPath(programFolder + "/" + KESTREL_DOC_FROM_BIN + "/manual.md"),
            QDir::cleanPath(QStringLiteral(KESTREL_SOURCE_DOCS) + "/manual.md")};
}

}  // namespace kestrel::ui
