#pragma once

#include <QRectF>

// Frames of the account screen's views for a root view of width w and
// height h: the form and buttons in a column 20 points in from each side,
// the background and the dimming layer over the whole screen, the account
// bar at the top.
struct AccountLayout
{
    QRectF loginTextField;
    QRectF passwordTextField;
    QRectF authButton;
    QRectF resultLabel;
    QRectF refreshButton;
    QRectF fullScreen; // background picture and dimming layer
    QRectF logoutButton;
    QRectF accountBar;
    QRectF loginTitleLabel; // the title view with the login, placed by its bar
    QPointF center;         // of the activity indicator

    static AccountLayout forBounds(qreal w, qreal h);
};
