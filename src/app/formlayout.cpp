#include "app/formlayout.h"

namespace app {

int sourceFrameIndex(const QString &key)
{
    if (key == QLatin1String("Excel"))
        return 0;
    if (key == QLatin1String("Access"))
        return 1;
    if (key == QLatin1String("ODBC"))
        return 2;
    return -1;
}

LayoutPlaces Form_Resize(const LayoutInput &input)
{
    LayoutPlaces places;
    if (input.minimized)
        return places;
    places.placed = true;

    const double W = qMax(input.window.width(), DesignSize::minimumWidth);
    const double H = qMax(input.window.height(), DesignSize::minimumHeight);
    places.window = QSizeF(W, H);

    // Company band.
    QRectF &refresh = places.cmdRefresh;
    refresh.setSize(input.cmdRefresh);
    refresh.moveTopLeft({W - refresh.width() - 175, 50});

    QRectF &label = places.Label17;
    label.setSize(input.Label17);
    label.moveTopLeft({60, refresh.top() + refresh.height() / 2 - label.height() / 2});

    QRectF &companies = places.cmbCurrentCompanyList;
    const double companiesHeight = input.cmbCurrentCompanyListHeight;
    const double companiesLeft = label.left() + label.width() + 150;
    companies = QRectF(companiesLeft, refresh.top() + refresh.height() / 2 - companiesHeight / 2,
                       refresh.left() - companiesLeft - 150, companiesHeight);

    // Command band.
    QRectF &post = places.cmdPost;
    post = QRectF(label.left(), H - input.cmdPost.height() - input.SBHeight - 800, refresh.width(), refresh.height());

    places.cmdClose = QRectF(refresh.left(), post.top(), refresh.width(), refresh.height());

    const double tableHeight = input.cmbTableNameHeight;
    const double tableLeft = post.left() + post.width() + 1000;
    places.cmbTableName = QRectF(tableLeft, post.top() + post.height() / 2 - tableHeight / 2,
                                 places.cmdClose.left() - (post.left() + post.width() + 1000 + 1000), tableHeight);

    // Source band.
    QRectF &tabSource = places.TabSource;
    double tabSourceHeight = input.TabSourceHeight;
    const int frame = sourceFrameIndex(input.sourceKey);
    if (frame >= 0)
        tabSourceHeight = input.frSourceHeights.at(std::size_t(frame)) + 500;
    tabSource = QRectF(label.left(), companies.top() + companies.height() + 100, refresh.left() + refresh.width() - 50,
                       tabSourceHeight);
    for (std::size_t i = 0; i < places.frSource.size(); ++i) {
        places.frSource.at(i) =
            QRectF(tabSource.left() + 150, tabSource.top() + 350, tabSource.width() - 300, input.frSourceHeights.at(i));
    }

    // Data band.
    QRectF &tabData = places.TabData;
    const double tabDataTop = tabSource.top() + tabSource.height() + 100;
    tabData = QRectF(tabSource.left(), tabDataTop, tabSource.width(), post.top() - tabDataTop - 100);

    QRectF &itemTree = places.lstItemTree;
    const double gridTop = tabData.top() + 350 + 100;
    itemTree = QRectF(225, gridTop, tabData.width() - 300, tabData.height() - (gridTop - tabData.top()) - 150);
    places.lstLedgerTree = itemTree;
    places.Gr1 = itemTree;
    places.lstTransactions = itemTree;

    return places;
}

} // namespace app
