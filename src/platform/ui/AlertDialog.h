#pragma once

#include <QDialog>
#include <QList>

class AlertView;
class QLabel;
class QLineEdit;
class QPushButton;

// The window that shows one alert: its title in bold, its message, the input
// field in the text input style, and one button per button title. Texts are
// always plain text. Closing the window counts as the cancel button.
class AlertDialog : public QDialog
{
    Q_OBJECT

public:
    AlertDialog(AlertView *alert, QWidget *parent);

    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *messageLabel() const { return m_messageLabel; }
    QLineEdit *textField() const { return m_textField; }
    QList<QPushButton *> buttons() const { return m_buttons; }


    // Closing the window, or Escape, counts as the cancel button.
    void reject() override;

private:
    void finishWithIndex(int index);

    AlertView *m_alert;
    QLabel *m_titleLabel;
    QLabel *m_messageLabel;
    QLineEdit *m_textField = nullptr;
    QList<QPushButton *> m_buttons;
};
