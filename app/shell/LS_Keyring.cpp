#include "shell/LS_Keyring.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QTimer>

#include <memory>

namespace {

const QString keyringService = QStringLiteral("Larkspur");
// A keyring that does not answer by then is treated as absent.
constexpr int keyringWaitMs = 5000;

struct Outcome {
    bool done = false;
    QKeychain::Error error = QKeychain::OtherError;
    QString password;
};

// Runs the job to its end (or the wait's) in a local event loop; the outcome outlives a job that
// answers too late.
std::shared_ptr<Outcome> Run(QKeychain::Job* job) {
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [outcome, &loop](QKeychain::Job* done) {
        outcome->done = true;
        outcome->error = done->error();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(done)) {
            outcome->password = read->textData();
        }
        loop.quit();
    });
    QTimer::singleShot(keyringWaitMs, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome->done) {
        loop.exec();
    }
    return outcome;
}

} // namespace

LS_Keyring::LS_Keyring(const QString& bindDN, const QString& host)
    : m_key(bindDN + QStringLiteral(" on ") + host) {}

std::optional<QString> LS_Keyring::Read(bool& available) const {
    auto* job = new QKeychain::ReadPasswordJob(keyringService);
    job->setInsecureFallback(false);
    job->setKey(m_key);
    const std::shared_ptr<Outcome> outcome = Run(job);
    available = outcome->done && (outcome->error == QKeychain::NoError ||
                                  outcome->error == QKeychain::EntryNotFound);
    if (outcome->error != QKeychain::NoError) {
        return std::nullopt;
    }
    return outcome->password;
}

bool LS_Keyring::Write(const QString& password) const {
    auto* job = new QKeychain::WritePasswordJob(keyringService);
    job->setInsecureFallback(false);
    job->setKey(m_key);
    job->setTextData(password);
    return Run(job)->error == QKeychain::NoError;
}
