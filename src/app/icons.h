#pragma once

#include <QIcon>
#include <QList>

namespace app::icons {

// Makes the resources compiled into the program (its icons and the main window's saved design) reachable.
void ensureResources();

QIcon refresh();    // a green circular arrow
QIcon post();       // a green arrow entering a server
QIcon close();      // a red cross
QIcon openFolder(); // an open folder
QIcon connect();    // a green arrow over coloured dots
QIcon logo();       // the program's own picture

// The row-status images (ilsIcons), by the index the posting procedures give a cell.
namespace StatusImage {
inline constexpr int Done = 0;    // created (and altered) masters and vouchers
inline constexpr int Failed = 1;  // rejected by the server
inline constexpr int Changed = 2; // altered
inline constexpr int Unknown = 3; // an answer that says neither
} // namespace StatusImage

const QList<QIcon> &ilsIcons();
// The image of an index, a null icon for an index outside the list.
QIcon statusImage(int index);

} // namespace app::icons
