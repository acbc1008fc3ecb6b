CREATE FUNCTION stamp(s varchar(5), n numeric(10,2)) RETURNS text AS $$ SELECT s $$ LANGUAGE sql;
