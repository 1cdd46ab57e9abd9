#pragma once

#include "platform/ui/ViewController.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

// A placeholder screen with an identifier field and a submit button that
// nothing creates or reads. It is not on a tab.
class InputViewController : public ViewController
{
    Q_OBJECT

public:
    using ViewController::ViewController;

    QLineEdit *idTextField() const { return m_idTextField; }
    void setIdTextField(QLineEdit *field) { m_idTextField = field; }
    QPushButton *submitButton() const { return m_submitButton; }
    void setSubmitButton(QPushButton *button) { m_submitButton = button; }

private:
    QPointer<QLineEdit> m_idTextField;
    QPointer<QPushButton> m_submitButton;
};
