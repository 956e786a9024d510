#pragma once

#include <QString>

class ErpGateway;

// Start-up connection from the program's command line: company, branch, fiscal year,
// password and server profile, separated by single spaces. Until the log-on with its
// password check and login window takes this place, the program connects to the named
// profile so that the export has its server.
//
// An empty command line connects nothing and counts as success (preview only). Otherwise the
// log-on record takes company, branch, password and profile name, and the profile's server is
// connected; when that fails the user is told why and the result is false.
bool connectFromCommandLine(ErpGateway &gateway, const QString &argumentText);
