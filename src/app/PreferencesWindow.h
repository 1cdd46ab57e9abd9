#pragma once

#include <QDialog>

class ListenBrainzService;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The Preferences window: the ListenBrainz section (the user's token, the
// server's API address, the switch to send listens). A token entered is
// checked with the server before it is kept, and the window says for whom
// it is valid, or why not; a token the server later refuses is said here
// too. Non-modal, one for the application.
class PreferencesWindow : public QDialog
{
    Q_OBJECT

public:
    PreferencesWindow(ListenBrainzService *listens, QWidget *parent = nullptr);

    // What the window says of the token and the server now.
    QString statusText() const;

private:
    void checkToken();
    void applyAddress();
    void showState();
    void setStatus(const QString &text);

    ListenBrainzService *m_listens;
    QLineEdit *m_token;
    QPushButton *m_check;
    QLineEdit *m_address;
    QCheckBox *m_send;
    QLabel *m_status;
    // Answers to an earlier check are stale.
    quint64 m_checks = 0;
};
