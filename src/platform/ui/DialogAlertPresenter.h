#pragma once

#include "platform/ui/AlertPresenter.h"

#include <functional>

class QWidget;

// Shows each alert in its own window-modal dialog over the application's
// window, without blocking the event loop.
class DialogAlertPresenter : public AlertPresenter
{
public:
    // parentWindow gives the window to show alerts over (may return null).
    explicit DialogAlertPresenter(std::function<QWidget *()> parentWindow);

protected:
    void present(AlertView *alert) override;

private:
    std::function<QWidget *()> m_parentWindow;
};
