CREATE TABLE customer (
  id integer NOT NULL,
  name varchar(40) NOT NULL,
  email varchar(80),
  CONSTRAINT pk_customer PRIMARY KEY (id)
);
