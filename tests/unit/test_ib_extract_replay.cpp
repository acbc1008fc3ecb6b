// The InterBase/Firebird catalog extractor without a server: the replay adapter answers its
// catalog queries from answers written by hand below, so every query text is pinned. A server
// before Firebird 2.1 (no monitoring tables) is refused with a message naming the version the
// extractor needs; a Firebird 2.5 database (ODS 11, no packages) is read without the package
// columns that only Firebird 3 has.
#include <gtest/gtest.h>

#include <string>

#include "qelComp_Prc.h"
#include "qelIBDatabaseExtract.h"
#include "test_replay_util.h"

using namespace qel;
using qel::testing::CatalogReplay;

namespace {

using qel::testing::Has;
using qel::testing::TReplayCase;

const qel::testing::TReplayDialect Firebird{.Name = "Firebird",
                                            .Fixture = "ib_extract",
                                            .Make = qel::testing::MakeExtract<TIBDBExtract>,
                                            .AdapterName = "replay-fib",
                                            .Conn = cnFIB,
                                            .DB = dbInterBase,
                                            .Database = "/data/shop.fdb",
                                            .User = "SYSDBA",
                                            .Host = "fb.example",
                                            .Port = 3050};

/// The first query, which asks whether the server has monitoring tables, answered with Count.
std::string MonitoringProbe(int Count) {
  return "query\tSELECT COUNT(*) AS MON FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = "
         "'MON$DATABASE'\n"
         "column\tMON\tftInteger\t0\n"
         "row\t" +
         std::to_string(Count) + "\nend\n";
}

/// A Firebird 2.5 server with one procedure, read for procedures only.
std::string Firebird25() {
  return "# Written by hand: a Firebird 2.5 server (ODS 11.2) with one procedure, P (A INTEGER)\n"
         "# RETURNS (B INTEGER); its catalog has no RDB$PACKAGE_NAME columns.\n" +
         MonitoringProbe(1) +
         "query\tSELECT TRIM(RDB$CHARACTER_SET_NAME) AS CSN,\\r\\n"
         "RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION') AS VER,\\r\\n"
         "M.MON$ODS_MAJOR AS ODSMAJ, M.MON$ODS_MINOR AS ODSMIN,\\r\\n"
         "M.MON$SQL_DIALECT AS DIALECT, M.MON$PAGE_SIZE AS PSIZE,\\r\\n"
         "M.MON$FORCED_WRITES AS FW, M.MON$SWEEP_INTERVAL AS SWEEP,\\r\\n"
         "M.MON$READ_ONLY AS RO, M.MON$PAGE_BUFFERS AS BUFS\\r\\n"
         "FROM RDB$DATABASE CROSS JOIN MON$DATABASE M\n"
         "column\tCSN\tftString\t31\ncolumn\tVER\tftString\t255\n"
         "column\tODSMAJ\tftInteger\t0\ncolumn\tODSMIN\tftInteger\t0\n"
         "column\tDIALECT\tftInteger\t0\ncolumn\tPSIZE\tftInteger\t0\n"
         "column\tFW\tftInteger\t0\ncolumn\tSWEEP\tftInteger\t0\n"
         "column\tRO\tftInteger\t0\ncolumn\tBUFS\tftInteger\t0\n"
         "row\tUTF8\t2.5.9\t11\t2\t3\t4096\t1\t20000\t0\t2048\n"
         "end\n"
         "query\tSELECT TRIM(PP.RDB$PROCEDURE_NAME) AS PRC, TRIM(PP.RDB$PARAMETER_NAME) AS "
         "NAME,\\r\\n"
         "PP.RDB$PARAMETER_TYPE AS OUTPUT, TRIM(PP.RDB$FIELD_SOURCE) AS SRC,\\r\\n"
         "PP.RDB$DEFAULT_SOURCE AS DEF, PP.RDB$NULL_FLAG AS NF,\\r\\n"
         "PP.RDB$PARAMETER_MECHANISM AS MECH, PP.RDB$DESCRIPTION AS DESCR, F.RDB$FIELD_TYPE AS "
         "FT, F.RDB$FIELD_SUB_TYPE AS FST, F.RDB$FIELD_PRECISION AS FPREC, F.RDB$FIELD_SCALE AS "
         "FSCALE, F.RDB$CHARACTER_LENGTH AS CLEN, F.RDB$FIELD_LENGTH AS FLEN, "
         "F.RDB$SEGMENT_LENGTH AS SEG, TRIM(CS.RDB$CHARACTER_SET_NAME) AS CSN, "
         "TRIM(CO.RDB$COLLATION_NAME) AS COLL, CO.RDB$COLLATION_ID AS COLLID\\r\\n"
         "FROM RDB$PROCEDURE_PARAMETERS PP\\r\\n"
         "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = PP.RDB$FIELD_SOURCE\\r\\n"
         "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = "
         "F.RDB$CHARACTER_SET_ID\\r\\n"
         "LEFT JOIN RDB$COLLATIONS CO ON CO.RDB$COLLATION_ID = F.RDB$COLLATION_ID\\r\\n"
         "  AND CO.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID\\r\\n"
         "WHERE 1 = 1\\r\\n"
         "ORDER BY PP.RDB$PROCEDURE_NAME, PP.RDB$PARAMETER_TYPE, PP.RDB$PARAMETER_NUMBER\n"
         "column\tPRC\tftString\t31\ncolumn\tNAME\tftString\t31\n"
         "column\tOUTPUT\tftInteger\t0\ncolumn\tSRC\tftString\t31\n"
         "column\tDEF\tftString\t0\ncolumn\tNF\tftInteger\t0\n"
         "column\tMECH\tftInteger\t0\ncolumn\tDESCR\tftString\t0\n"
         "column\tFT\tftInteger\t0\ncolumn\tFST\tftInteger\t0\n"
         "column\tFPREC\tftInteger\t0\ncolumn\tFSCALE\tftInteger\t0\n"
         "column\tCLEN\tftInteger\t0\ncolumn\tFLEN\tftInteger\t0\n"
         "column\tSEG\tftInteger\t0\ncolumn\tCSN\tftString\t31\n"
         "column\tCOLL\tftString\t31\ncolumn\tCOLLID\tftInteger\t0\n"
         "row\tP\tA\t0\tRDB$1\t\\N\t\\N\t0\t\\N\t8\t0\t0\t0\t\\N\t4\t\\N\t\\N\t\\N\t\\N\n"
         "row\tP\tB\t1\tRDB$2\t\\N\t\\N\t0\t\\N\t8\t0\t0\t0\t\\N\t4\t\\N\t\\N\t\\N\t\\N\n"
         "end\n"
         "query\tSELECT TRIM(RDB$PROCEDURE_NAME) AS NAME, RDB$PROCEDURE_SOURCE AS SRC,\\r\\n"
         "RDB$DESCRIPTION AS DESCR FROM RDB$PROCEDURES\\r\\n"
         "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND 1 = 1 ORDER BY 1\n"
         "column\tNAME\tftString\t31\ncolumn\tSRC\tftString\t0\ncolumn\tDESCR\tftString\t0\n"
         "row\tP\tBEGIN\\n  B = A;\\n  SUSPEND;\\nEND\t\\N\n"
         "end\n";
}

const TReplayCase Cases[] = {
    {.Name = "AServerBeforeFirebird21IsRefusedNamingTheVersionNeeded",
     .Dialect = &Firebird,
     .Answers =
         [] {
           return "# Written by hand: InterBase or Firebird before 2.1, without MON$DATABASE.\n" +
                  MonitoringProbe(0);
         },
     .Succeeds = false,
     .Errors = {Has("Firebird 2.1")},
     .AllQueries = true,
     .Counts = {{"Tables", 0}}},
    {.Name = "Firebird25IsReadWithoutPackageColumns",
     .Dialect = &Firebird,
     .Answers = Firebird25,
     .Kinds = qel::testing::OnlyKind(coProcedure),
     .AllQueries = true,
     .Counts = {{"Procedures", 1}},
     .Check =
         [](TObjs& O) {
           EXPECT_EQ(O.IBServerOptions.SQLServerVersion, st_Firebird_25);
           EXPECT_EQ(O.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion, 11);
           auto* P = dynamic_cast<TPrcData*>(O.Procedures.FindObj("P"));
           ASSERT_NE(P, nullptr);
           EXPECT_EQ(P->Params.Count(), 1);
           EXPECT_EQ(P->Results.Count(), 1);
         }},
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Firebird, CatalogReplay, ::testing::ValuesIn(Cases),
                         qel::testing::ReplayName);
