#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>

namespace app {

// Design sizes of the main window's controls, in twips (1/1440 inch).
namespace DesignSize {
inline constexpr QSizeF cmdRefresh{1095, 375};
inline constexpr QSizeF cmdPost{1485, 405};
inline constexpr QSizeF cmdClose{1305, 345};
inline constexpr QSizeF Label17{1500, 195};
inline constexpr double comboHeight = 360;
inline constexpr double statusBarHeight = 285;
inline constexpr std::array<double, 3> frSourceHeights{825, 1305, 1305};
inline constexpr QSizeF clientArea{11880, 8190};
inline constexpr double minimumWidth = 10110;
inline constexpr double minimumHeight = 8460;
} // namespace DesignSize

// Everything the resize layout reads: the window's outer size, the current sizes of the controls it
// measures and the key of the selected source tab. Sizes are in twips.
struct LayoutInput
{
    bool minimized = false;
    QSizeF window;
    QSizeF cmdRefresh = DesignSize::cmdRefresh;
    QSizeF cmdPost = DesignSize::cmdPost;
    QSizeF cmdClose = DesignSize::cmdClose;
    QSizeF Label17 = DesignSize::Label17;
    double cmbCurrentCompanyListHeight = DesignSize::comboHeight;
    double cmbTableNameHeight = DesignSize::comboHeight;
    double SBHeight = DesignSize::statusBarHeight;
    QString sourceKey;
    double TabSourceHeight = 0;
    std::array<double, 3> frSourceHeights = DesignSize::frSourceHeights;
};

// Where the layout puts every control (left, top, width, height in twips), and the window's outer size after
// the minimum size has been enforced. A minimized window is not laid out (placed is false).
struct LayoutPlaces
{
    bool placed = false;
    QSizeF window;
    QRectF cmdRefresh;
    QRectF Label17;
    QRectF cmbCurrentCompanyList;
    QRectF cmdPost;
    QRectF cmdClose;
    QRectF cmbTableName;
    QRectF TabSource;
    std::array<QRectF, 3> frSource;
    QRectF TabData;
    QRectF lstItemTree;
    QRectF lstLedgerTree;
    QRectF Gr1;
    QRectF lstTransactions;
};

// Frame index of a source tab key: "Excel" 0, "Access" 1, "ODBC" 2, any other key -1.
int sourceFrameIndex(const QString &key);

// The resize layout of the main window: four bands from the top (company, source, data, command), the
// status bar along the bottom. Each step uses the places the earlier steps have left, so the Post button's
// top is computed with the height it has before the layout makes it as large as the Refresh button.
LayoutPlaces Form_Resize(const LayoutInput &input);

} // namespace app
