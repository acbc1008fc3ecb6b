// The generation passes of the object kinds whose script writers are not built yet. Each has
// the name and the arguments the comparer calls it with; until its kind is built it writes
// nothing, and the kind's own unit then takes the routine over (declaration and body).
//
// Every pass takes the master and the target collection and the executor that receives the
// statements; those that follow the compared kinds themselves take the comparer's kind set too.
#pragma once

#include "qelClasses.h"

namespace qel {

// Domains.
void GenScriptDmnCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDmnAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDmnDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

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

}  // namespace qel
