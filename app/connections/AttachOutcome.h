#pragma once

#include <QString>

class AttachJob;

// What an attach or a test came to, in one line for the dialogs: "Reached BOREAS: logged in as JDOE", or the
// reason it failed with its status ("The server refused the password (status 89DE)").
QString AttachOutcomeText(const AttachJob& job, const QString& user);
