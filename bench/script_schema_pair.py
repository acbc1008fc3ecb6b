#!/usr/bin/env python3
"""Writes a pair of Oracle, DB2 or MySQL schema scripts, master and target, for the compare
benchmarks.

    bench/script_schema_pair.py oracle|db2|mysql TABLES MASTER_FILE TARGET_FILE [inline]

The shape is that of bench/pg_schema_pair.py in the dialect's own types, so that the readers of
the two dialects can be timed side by side: each table has 20 columns, a named primary key and
an index; every tenth table also has a named foreign key to the table before it and a view over
it. The two sides differ in 1% of their tables (every hundredth, from the 50th), by one of five
changes in turn: a column added, a column dropped, a column's type changed, an index added, or a
table only the master has. With "inline" the keys stand inside CREATE TABLE instead of in
ALTER TABLE statements, and every table has the foreign key to the one before it where both
sides have that one. Output is the same for the same arguments on every machine.
"""
import sys

# The nineteen columns after the key, as (name, Oracle type and options, DB2 type and options).
COLUMNS = [
    ("CODE", "VARCHAR2(20) NOT NULL", "VARCHAR(20) NOT NULL"),
    ("NAME", "VARCHAR2(80) NOT NULL", "VARCHAR(80) NOT NULL"),
    ("AMOUNT", "NUMBER(12,2) DEFAULT 0 NOT NULL", "DECIMAL(12,2) NOT NULL WITH DEFAULT 0"),
    ("QTY", "NUMBER(10) DEFAULT 1", "INTEGER WITH DEFAULT 1"),
    ("PRICE", "NUMBER(10,2)", "DECIMAL(10,2)"),
    ("CREATED", "DATE DEFAULT SYSDATE", "TIMESTAMP WITH DEFAULT CURRENT TIMESTAMP"),
    ("UPDATED", "DATE", "TIMESTAMP"),
    ("ACTIVE", "NUMBER(1) DEFAULT 1", "SMALLINT WITH DEFAULT 1"),
    ("NOTE", "CLOB", "CLOB(1048576)"),
    ("STATUS", "NUMBER(5) DEFAULT 0", "SMALLINT WITH DEFAULT 0"),
    ("WEIGHT", "FLOAT", "DOUBLE"),
    ("DUE", "DATE", "DATE"),
    ("OWNER", "VARCHAR2(40)", "VARCHAR(40)"),
    ("REGION", "CHAR(2)", "CHAR(2)"),
    ("SCORE", "NUMBER(10)", "INTEGER"),
    ("TOTAL", "NUMBER(19)", "BIGINT"),
    ("TAG", "VARCHAR2(30)", "VARCHAR(30)"),
    ("FLAGS", "NUMBER(10)", "INTEGER"),
    ("REF_ID", "NUMBER(10)", "INTEGER"),
]

# MySQL takes the DB2 spelling except for these.
MYSQL = {
    "NOTE": "TEXT",
    "AMOUNT": "DECIMAL(12,2) NOT NULL DEFAULT 0",
    "QTY": "INTEGER DEFAULT 1",
    "CREATED": "TIMESTAMP NULL DEFAULT CURRENT_TIMESTAMP",
    "UPDATED": "DATETIME",
    "ACTIVE": "SMALLINT DEFAULT 1",
    "STATUS": "SMALLINT DEFAULT 0",
}

# With the keys inline, Oracle's floating column is of the server's own BINARY_DOUBLE, a type
# the reader finds by its name, as generated scripts write it.
INLINE_ORACLE = {"WEIGHT": "BINARY_DOUBLE"}

KEY = {"oracle": "NUMBER(10) NOT NULL", "db2": "INTEGER NOT NULL", "mysql": "INTEGER NOT NULL"}
WIDER_OWNER = {"oracle": "VARCHAR2(60)", "db2": "VARCHAR(60)", "mysql": "VARCHAR(60)"}
EXTRA = {"oracle": "NUMBER(10)", "db2": "INTEGER", "mysql": "INTEGER"}


def table(dialect: str, i: int, master: bool, inline: bool) -> str:
    t = f"T_{i:05d}"
    changed = i % 100 == 50
    change = (i // 100) % 5
    if changed and change == 4 and not master:
        return ""  # a table only the master has
    cols = [f"  ID {KEY[dialect]}"]
    for name, ora, db2 in COLUMNS:
        decl = ora if dialect == "oracle" else MYSQL.get(name, db2) if dialect == "mysql" else db2
        if inline and dialect == "oracle":
            decl = INLINE_ORACLE.get(name, decl)
        if changed and change == 1 and master and name == "NOTE":
            continue  # dropped: only the target has it
        if changed and change == 2 and master and name == "OWNER":
            decl = WIDER_OWNER[dialect]
        cols.append(f"  {name} {decl}")
    if changed and change == 0 and master:
        cols.append(f"  EXTRA_{i} {EXTRA[dialect]}")
    if inline:
        cols.append(f"  CONSTRAINT {t}_PK PRIMARY KEY (ID)")
        prev = i - 1
        if i > 0 and not (prev % 100 == 50 and (prev // 100) % 5 == 4):  # not a master-only one
            cols.append(f"  CONSTRAINT {t}_FK FOREIGN KEY (REF_ID) REFERENCES T_{i - 1:05d} (ID)")
    s = f"CREATE TABLE {t} (\n" + ",\n".join(cols) + "\n);\n"
    # Otherwise keys are added by ALTER TABLE, a form both readers take.
    if not inline:
        s += f"ALTER TABLE {t} ADD CONSTRAINT {t}_PK PRIMARY KEY (ID);\n"
    if i % 10 == 0 and i > 0 and not inline:
        s += (f"ALTER TABLE {t} ADD CONSTRAINT {t}_FK FOREIGN KEY (REF_ID)"
              f" REFERENCES T_{i - 1:05d} (ID);\n")
    s += f"CREATE INDEX {t}_CODE ON {t} (CODE);\n"
    if changed and change == 3 and master:
        s += f"CREATE INDEX {t}_DUE ON {t} (DUE, ID);\n"
    if i % 10 == 0:
        s += f"CREATE VIEW V_{t} AS\n    SELECT ID, CODE, NAME FROM {t} WHERE AMOUNT > 0;\n"
    return s + "\n"


def script(dialect: str, tables: int, master: bool, inline: bool) -> str:
    head = f"-- generated schema, {tables} tables\n\n"
    return head + "".join(table(dialect, i, master, inline) for i in range(tables))


def main() -> None:
    if len(sys.argv) not in (5, 6) or sys.argv[1] not in KEY or sys.argv[5:] not in ([], ["inline"]):
        sys.exit("usage: script_schema_pair.py oracle|db2|mysql TABLES MASTER_FILE TARGET_FILE"
                 " [inline]")
    dialect, tables, inline = sys.argv[1], int(sys.argv[2]), sys.argv[5:] == ["inline"]
    for path, master in ((sys.argv[3], True), (sys.argv[4], False)):
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(script(dialect, tables, master, inline))


if __name__ == "__main__":
    main()
