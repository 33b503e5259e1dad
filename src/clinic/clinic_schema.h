// The clinic's tables in the schema `movra` and the version they are at (movra.schema_version),
// brought up by `movra-cli database init`, which clinic IT runs once as a role that may create
// tables and roles; the desks then only connect.
//
// Roles (NOLOGIN groups; clinic IT grants them to the login roles of desks and staff):
//   movra_workstation  reads results, adds results; reads, adds and changes patients and
//                      their meters. It can neither change nor remove a result.
//   movra_admin        everything on the tables: marks results deleted, merges patients.
//   movra_site_<site>  one per site: a login role sees and adds only the rows of the site of
//                      its session, and only of a site whose role it has. Rows of site ''
//                      belong to the clinic without sites, open to both group roles.
#pragma once

#include "clinic/clinic_target.h"

namespace movra {

class PgConnection;

extern const int kClinicSchemaVersion;

struct ClinicInitOutcome {
  int fromVersion = 0;
  int toVersion = 0;
};

// Brings the clinic's database to kClinicSchemaVersion, each version's step in one
// transaction, one init at a time (an advisory lock), and makes the target's site role. At
// the current version nothing is written. Raises ClinicError when the server is unreachable,
// a step fails (that step is rolled back), or the database is newer than this program (then
// nothing is written).
ClinicInitOutcome InitClinicDatabase(const ClinicTarget& target);

// The version of the clinic's tables, 0 when there are none.
int ClinicSchemaVersion(PgConnection& conn);

// Raises ClinicError unless the tables are at this program's version: missing or older ("run
// movra-cli database init"), or newer than this program.
void RequireClinicSchema(PgConnection& conn);

}  // namespace movra
