#include "platform/ui/DialogAlertPresenter.h"

#include "platform/ui/AlertDialog.h"
#include "platform/ui/AlertView.h"

DialogAlertPresenter::DialogAlertPresenter(std::function<QWidget *()> parentWindow)
    : m_parentWindow(std::move(parentWindow))
{
}

void DialogAlertPresenter::present(AlertView *alert)
{
    QWidget *parent = m_parentWindow ? m_parentWindow() : nullptr;
    auto *dialog = new AlertDialog(alert, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    alert->setParent(dialog);
    dialog->open();
}
