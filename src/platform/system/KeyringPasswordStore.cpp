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

KeyringPasswordStore::KeyringPasswordStore(const QString &service, UserDefaults *defaults, const QString &fileKey,
                                           QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_file(defaults, fileKey)
{
}

void KeyringPasswordStore::enqueue(QKeychain::Job *job)
{
    // One at a time, in the order asked: the keyring may answer several
    // requests in any order, and a logout must end only what came before
    // it (a new login's password written after it stays).
    job->setAutoDelete(true);
    connect(job, &QKeychain::Job::finished, this, [this] {
        m_running = false;
        startNext();
    });
    m_queue.append(job);
    startNext();
}

void KeyringPasswordStore::startNext()
{
    if (m_running || m_queue.isEmpty())
        return;
    m_running = true;
    m_queue.takeFirst()->start();
}

void KeyringPasswordStore::readPassword(const QString &login, QObject *context,
                                        std::function<void(const std::optional<QString> &)> done)
{
    auto *job = new QKeychain::ReadPasswordJob(m_service, this);
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
    enqueue(job);
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
    job->setKey(login);
    job->setTextData(password);
    const quint64 removals = m_removals;
    connect(job, &QKeychain::Job::finished, this, [this, login, password, removals](QKeychain::Job *finished) {
        // A logout came while the keyring was still to answer: the password
        // is gone for good from the file, and the logout's removal from
        // the keyring comes after this write.
        if (removals != m_removals)
            return;
        if (finished->error() == QKeychain::NoError) {
            m_file.removePassword(login);
            return;
        }
        systemLog(QStringLiteral("No desktop keyring: the password stays in the settings file (%1)")
                      .arg(finished->errorString()));
        m_file.writePassword(login, password);
    });
    enqueue(job);
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
    job->setKey(login);
    enqueue(job);
}
