// The generation passes of the object kinds whose script writers are not built yet. Each has
// the name and the arguments the comparer calls it with; until its kind is built it writes
// nothing, and the kind's own unit then takes the routine over (declaration and body).
//
// Every pass takes the master and the target collection and the executor that receives the
// statements; those that follow the compared kinds themselves take the comparer's kind set too.
#pragma once

#include "qelClasses.h"

namespace qel {

// Schemas.
void GenScriptSchCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptSchAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptSchDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// PostgreSQL conversions, operators and operator classes.
void GenScriptCnvCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptCnvAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOprCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOprAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOpcCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOpcAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOpcDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOprDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptCnvDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// SQL Server rules and defaults.
void GenScriptRulCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDefCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptRulAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDefAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDefDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptRulDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// Domains.
void GenScriptDmnCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDmnAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDmnDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// External functions.
void GenScriptUdfCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TCmpObjSetType& CompareObjects);
void GenScriptUdfAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptUdfDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                      const TCmpObjSetType& CompareObjects);

// Triggers.
void GenScriptDropTrgEmpty(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                           const TCmpObjSetType& CompareObjects);
void GenScriptTrigDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                       const TCmpObjSetType& CompareObjects);
void GenScriptTrigCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                         const TCmpObjSetType& CompareObjects);
void GenScriptTrigAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// Procedures.
void GenScriptProcDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptProcCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptProcAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// Views.
void GenScriptViewDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                       const TCmpObjSetType& CompareObjects);
void GenScriptViewCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptViewAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TCmpObjSetType& CompareObjects);

// Oracle packages.
void GenScriptPkgDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptPkgAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptPkgCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// Publications.
void GenScriptPblDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptPblAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptPblCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// Roles, logins and users.
void GenScriptRoleCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptRoleAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptRoleDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// Grants.
void GenScriptGntDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptGntCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
