#include "account/AccountLayout.h"

AccountLayout AccountLayout::forBounds(qreal w, qreal h)
{
    AccountLayout layout;
    layout.loginTextField = QRectF(20, 100, w - 40, 30);
    layout.passwordTextField = QRectF(20, 150, w - 40, 30);
    layout.authButton = QRectF(20, 200, w - 40, 40);
    layout.resultLabel = QRectF(20, 260, w - 40, 30);
    layout.refreshButton = QRectF(20, 300, w - 40, 40);
    layout.fullScreen = QRectF(0, 0, w, h);
    layout.logoutButton = QRectF(20, 350, w - 40, 40);
    layout.accountBar = QRectF(0, 0, w, 44);
    layout.loginTitleLabel = QRectF(0, 0, w - 40, 30);
    layout.center = QPointF(w / 2, h / 2);
    return layout;
}
