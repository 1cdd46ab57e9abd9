#include "platform/DialogAlertPresenter.h"

#include "platform/AlertDialog.h"
#include "platform/AlertView.h"

DialogAlertPresenter::DialogAlertPresenter(std::function<QWidget *()> parentWindow)
    : m_parentWindow(std::move(parentWindow))
{
}

void DialogAlertPresenter::show(AlertView *alert)
{
    QWidget *parent = m_parentWindow ? m_parentWindow() : nullptr;
    auto *dialog = new AlertDialog(alert, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    alert->setParent(dialog);
    dialog->open();
}
