#!/usr/bin/env python3
"""Writes a pair of PostgreSQL schema scripts, master and target, for the compare benchmarks.

    bench/pg_schema_pair.py [--plain] TABLES MASTER_FILE TARGET_FILE

Each table has 20 columns, a primary key and an index; every tenth table also has a foreign key
to the table before it and a view over it (with --plain: no foreign key and no view). The two sides differ in 1% of their tables (every
hundredth, from the 50th), by one of five changes in turn: a column added, a column dropped, a
column's type changed, an index added, or a table only the master has. Output is the same for
the same TABLES on every machine, about 540 bytes a table.
"""
import sys

# The nineteen columns after the key, as (name, type and options).
COLUMNS = [
    ("code", "varchar(20) NOT NULL"),
    ("name", "varchar(80) NOT NULL"),
    ("amount", "numeric(12,2) DEFAULT 0 NOT NULL"),
    ("qty", "integer DEFAULT 1"),
    ("price", "numeric(10,2)"),
    ("created", "timestamp DEFAULT now()"),
    ("updated", "timestamp"),
    ("active", "boolean DEFAULT true"),
    ("note", "text"),
    ("status", "smallint DEFAULT 0"),
    ("weight", "double precision"),
    ("due", "date"),
    ("owner", "varchar(40)"),
    ("region", "char(2)"),
    ("score", "integer"),
    ("total", "bigint"),
    ("tag", "varchar(30)"),
    ("flags", "integer"),
    ("ref_id", "integer"),
]


def table(i: int, master: bool, plain: bool = False) -> str:
    t = f"t_{i:05d}"
    changed = i % 100 == 50
    change = (i // 100) % 5
    if changed and change == 4 and not master:
        return ""  # a table only the master has
    cols = ["  id integer NOT NULL"]
    for name, decl in COLUMNS:
        if changed and change == 1 and master and name == "note":
            continue  # dropped: only the target has it
        if changed and change == 2 and master and name == "owner":
            decl = "varchar(60)"
        cols.append(f"  {name} {decl}")
    if changed and change == 0 and master:
        cols.append(f"  extra_{i} integer")
    cols.append(f"  CONSTRAINT {t}_pkey PRIMARY KEY (id)")
    if i % 10 == 0 and i > 0 and not plain:
        cols.append(
            f"  CONSTRAINT {t}_ref_fk FOREIGN KEY (ref_id) REFERENCES t_{i - 1:05d} (id)"
        )
    s = f"CREATE TABLE {t} (\n" + ",\n".join(cols) + "\n);\n"
    s += f"CREATE INDEX {t}_code ON {t} (code);\n"
    if changed and change == 3 and master:
        s += f"CREATE INDEX {t}_due ON {t} (due, id);\n"
    if i % 10 == 0 and not plain:
        s += f"CREATE VIEW v_{t} AS\n    SELECT id, code, name FROM {t} WHERE amount > 0;\n"
    return s + "\n"


def script(tables: int, master: bool, plain: bool = False) -> str:
    head = f"-- generated schema, {tables} tables\nSET client_encoding = 'UTF8';\n\n"
    return head + "".join(table(i, master, plain) for i in range(tables))


def main() -> None:
    args = sys.argv[1:]
    plain = bool(args) and args[0] == "--plain"
    if plain:
        args = args[1:]
    if len(args) != 3:
        sys.exit("usage: pg_schema_pair.py [--plain] TABLES MASTER_FILE TARGET_FILE")
    tables = int(args[0])
    for path, master in ((args[1], True), (args[2], False)):
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(script(tables, master, plain))


if __name__ == "__main__":
    main()
