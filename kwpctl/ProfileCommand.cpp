#include "kwpctl/Commands.h"

#include "gateway/ServerProfile.h"

#include <QTextStream>

namespace {
// Shows what a server profile says, or writes one: how administrators check a profile and how
// the demo makes its own.
int profile(CommandContext &context) {
    const QStringList names = context.options.positionalArguments();
    if (names.size() != 1)
        return context.failUsage(QStringLiteral("profile braucht genau einen Profilnamen."));
    const QString name = names.first();
    ErpGateway &gateway = context.session.gateway;
    const QString path = profilePath(gateway.settings, name);
    if (context.options.isSet(QStringLiteral("write"))) {
        ServerProfile target;
        target.kind = context.options.isSet(QStringLiteral("msm")) ? ServerProfile::Kind::Msm
                                                                   : ServerProfile::Kind::Cache;
        target.host = context.options.value(QStringLiteral("host"));
        target.port = context.options.value(QStringLiteral("port"));
        if (context.options.isSet(QStringLiteral("namespace")))
            target.nameSpace = context.options.value(QStringLiteral("namespace"));
        if (target.host.isEmpty() || target.port.isEmpty())
            return context.failUsage(QStringLiteral("--write braucht --host und --port."));
        // Nothing is written from values that would put the file elsewhere or add lines.
        QString problem = profileNameProblem(name);
        if (problem.isEmpty())
            problem = profileTargetProblem(target);
        if (!problem.isEmpty())
            return context.failUsage(problem);
        if (!writeServerProfile(path, target, &problem))
            return context.fail(problem);
    }
    QString error;
    const LogonRecord &logon = gateway.logon;
    const std::optional<ServerProfile> server =
        ReadServerProfile(gateway.logon, gateway.settings, name, &error);
    if (!server)
        return context.fail(error);
    // The namespace the connection opens: an MSM profile's is MSMNAMESPACE.
    QTextStream(stdout) << "Datei: " << path << "\nArt: " << serverKindText(server->kind)
                        << "\nNamensraum: " << server->nameSpace
                        << "\nVerbindung: " << logon.ConnectionString << '\n';
    return Success;
}
} // namespace

Command profileCommand() {
    return {QStringLiteral("profile"),
            QStringLiteral("NAME [--write --host RECHNER --port PORT [--msm] [--namespace NS]]"),
            QStringLiteral("Zeigt, was ein Serverprofil sagt, oder schreibt eines"),
            {{QStringLiteral("write"), QStringLiteral("Das Profil (neu) schreiben.")},
             {QStringLiteral("host"), QStringLiteral("Rechner des ERP-Servers."),
              QStringLiteral("RECHNER")},
             {QStringLiteral("port"), QStringLiteral("Port des Zeilendienstes."),
              QStringLiteral("PORT")},
             {QStringLiteral("msm"), QStringLiteral("Ein Profil der MSM-Art statt der Caché-Art.")},
             {QStringLiteral("namespace"), QStringLiteral("Namensraum (sonst KORVEX)."),
              QStringLiteral("NS")}},
            profile};
}
