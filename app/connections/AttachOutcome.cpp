#include "app/connections/AttachOutcome.h"

#include "app/connections/AttachJob.h"
#include "netclient/AttachFailures.h"

QString AttachOutcomeText(const AttachJob& job, const QString& user) {
    if (job.status() == 0) {
        const QString server = QString::fromLatin1(job.serverName());
        return job.loggedIn() ? QStringLiteral("Reached %1: logged in as %2").arg(server, user)
                              : QStringLiteral("Reached %1: attached without a login").arg(server);
    }
    return QStringLiteral("%1 (status %2)")
        .arg(QString::fromStdString(NetClient::DescribeAttachStatus(job.status())),
             QString::number(job.status(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}
