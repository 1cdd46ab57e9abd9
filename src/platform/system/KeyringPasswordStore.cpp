#include "platform/system/KeyringPasswordStore.h"

#include "platform/system/Log.h"

#include <QPointer>
#include <qt6keychain/keychain.h>

namespace {

// A keyring that answered: found or not, the entry is its business.
bool keyringAnswered(QKeychain::Error error)
{
    return error == QKeychain::NoError || error == QKeychain::EntryNotFound;
}

} // namespace

KeyringPasswordStore::KeyringPasswordStore(const QString &service, UserDefaults *defaults, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_file(defaults)
{
}

void KeyringPasswordStore::readPassword(const QString &login, QObject *context,
                                        std::function<void(const std::optional<QString> &)> done)
{
    auto *job = new QKeychain::ReadPasswordJob(m_service, this);
    job->setAutoDelete(true);
    job->setKey(login);
    QPointer<QObject> guard(context);
    connect(job, &QKeychain::Job::finished, this, [this, login, guard, done = std::move(done)](QKeychain::Job *finished) {
        auto *read = static_cast<QKeychain::ReadPasswordJob *>(finished);
        const std::optional<QString> inFile = m_file.storedPassword();
        std::optional<QString> password;
        if (read->error() == QKeychain::NoError) {
            password = read->textData();
            // A copy the file still holds goes.
            if (inFile)
                m_file.removePassword(login);
        } else {
            password = inFile;
            if (keyringAnswered(read->error()) && inFile)
                moveToKeyring(login, *inFile);
        }
        if (guard)
            done(password);
    });
    job->start();
}

void KeyringPasswordStore::writePassword(const QString &login, const QString &password)
{
    // The file holds it until the keyring has it, so that quitting before
    // the keyring answers loses nothing.
    m_file.writePassword(login, password);
    moveToKeyring(login, password);
}

void KeyringPasswordStore::moveToKeyring(const QString &login, const QString &password)
{
    auto *job = new QKeychain::WritePasswordJob(m_service, this);
    job->setAutoDelete(true);
    job->setKey(login);
    job->setTextData(password);
    const quint64 removals = m_removals;
    connect(job, &QKeychain::Job::finished, this, [this, login, password, removals](QKeychain::Job *finished) {
        // A logout came while the keyring was still to answer: the password
        // is gone for good, from the file and, if this write put it there,
        // from the keyring.
        if (removals != m_removals) {
            if (finished->error() == QKeychain::NoError)
                deleteFromKeyring(login);
            return;
        }
        if (finished->error() == QKeychain::NoError) {
            m_file.removePassword(login);
            return;
        }
        systemLog(QStringLiteral("No desktop keyring: the password stays in the settings file (%1)")
                      .arg(finished->errorString()));
        m_file.writePassword(login, password);
    });
    job->start();
}

void KeyringPasswordStore::adoptFilePassword(const QString &login)
{
    if (const std::optional<QString> password = m_file.storedPassword())
        moveToKeyring(login, *password);
}

void KeyringPasswordStore::removePassword(const QString &login)
{
    ++m_removals;
    m_file.removePassword(login);
    if (!login.isEmpty())
        deleteFromKeyring(login);
}

void KeyringPasswordStore::deleteFromKeyring(const QString &login)
{
    auto *job = new QKeychain::DeletePasswordJob(m_service, this);
    job->setAutoDelete(true);
    job->setKey(login);
    job->start();
}
