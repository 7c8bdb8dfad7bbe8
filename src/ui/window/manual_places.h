#pragma once
// Where Help "Kestrel Manual" looks for the manual.
#include <QString>
#include <QStringList>

namespace kestrel::ui {

// The manual's places, in the order they are tried: the installed copy, found from the
// program's folder as the install lays them out (bin/ beside share/doc/kestrel/), then the
// copy in the source checkout the program was built from.
QStringList manualPlaces(const QString& programFolder);

}  // namespace kestrel::ui
