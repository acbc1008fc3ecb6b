CREATE TABLE customer (
  id integer NOT NULL,
  name varchar(40) NOT NULL,
  CONSTRAINT pk_customer PRIMARY KEY (id)
);
